// A settings page: a grouped table whose rows come from specifiers. Switch rows and choice lists
// read and write the settings store named by their "defaults"; button rows send their action to
// their target; link rows push their detail page. No search, editing, sliders or text entry:
// those rows show their title and value only.
#pragma once

#include <foundation/PropertyList.hpp>
#include <preferences/PSSpecifier.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UIViewController.hpp>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UITableViewCell;

using PSSpecifierArray = std::vector<std::shared_ptr<PSSpecifier>>;

class PSListController : public UIViewController, public UITableViewDataSource, public UITableViewDelegate {
public:
    // What a framework that themes every list page (one per process) does to tables and cells.
    class Theme {
    public:
        virtual ~Theme() = default;
        virtual void styleTable(PSListController&, UITableView&) { }
        // After the page has set the cell up for its specifier, before the row is displayed.
        virtual void styleCell(PSListController&, UITableViewCell&) { }
        virtual void pageWillAppear(PSListController&) { }
    };
    static void setTheme(std::shared_ptr<Theme>);

    PSListController() = default;

    // The rows of the page; the base returns _specifiers. Subclasses fill it on first request.
    virtual std::shared_ptr<PSSpecifierArray> specifiers();
    // Reads "<name>.plist" (XML or binary) from the bundle of this page's class: a dictionary whose
    // "items" list the rows, or the list itself. Entries of unknown cell types are left out. Null,
    // with one line on stderr, when the file is missing or isn't such a list.
    std::shared_ptr<PSSpecifierArray> loadSpecifiersFromPlistName(const std::string& name, std::shared_ptr<NSObject> target);
    // Forgets the rows, asks specifiers() again and rebuilds the table.
    void reloadSpecifiers();

    // Loads the view.
    std::shared_ptr<UITableView> table();

    // The row that opened this page, and the page that pushed it.
    const std::shared_ptr<PSSpecifier>& specifier() const { return m_specifier; }
    // Also makes the row's name the page's title.
    void setSpecifier(std::shared_ptr<PSSpecifier>);
    std::shared_ptr<PSListController> parentController() const { return m_parentController.lock(); }
    void setParentController(std::weak_ptr<PSListController> parent) { m_parentController = std::move(parent); }

    // The value shown for a row: the store's under "defaults" and "key", else the row's "default".
    virtual std::optional<PlistValue> readPreferenceValue(const PSSpecifier&) const;
    // Writes through the store, then posts the row's "PostNotification". A row without a store
    // or key writes nothing.
    virtual void setPreferenceValue(const PlistValue&, const PSSpecifier&);

    // The specifier shown at a place of the table, or null.
    std::shared_ptr<PSSpecifier> specifierAtIndexPath(const NSIndexPath&) const;
    std::shared_ptr<NSIndexPath> indexPathForSpecifier(const PSSpecifier*) const;

    // Stand-ins for the Settings host: the user's tap on the first row showing that text, or at a
    // place; a tap on a switch row flips its switch. False when there is no such row.
    bool tapRowWithText(const std::string&);
    bool tapRowAtIndexPath(long section, long row);
    // Counting the rows of every section in order from 0, as a person reads down the page.
    bool tapRowAtIndex(long index);
    // False when no switch row shows that text.
    bool toggleSwitchWithText(const std::string&);

    // State other frameworks keep on a page (as categories keep theirs beside an object).
    std::shared_ptr<NSObject> associatedObject(const void* key) const;
    void setAssociatedObject(const void* key, std::shared_ptr<NSObject>);

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    long numberOfSectionsInTableView(UITableView*) override;
    long tableViewNumberOfRowsInSection(UITableView*, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath>) override;
    std::string tableViewTitleForHeaderInSection(UITableView*, long section) override;
    std::string tableViewTitleForFooterInSection(UITableView*, long section) override;
    void tableViewDidSelectRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath>) override;

protected:
    // Null until the first request; subclasses read and set it.
    std::shared_ptr<PSSpecifierArray> _specifiers;

    // Sets up a new cell for its row; subclasses add their own marks after calling this.
    virtual void configureCell(UITableViewCell&, const std::shared_ptr<PSSpecifier>&);
    // Brings what a cell shows of its row's value up to date: on a new cell, and on the cells of a
    // table that comes back on screen.
    virtual void showValue(UITableViewCell&, const PSSpecifier&);
    // What a tap on a row does.
    virtual void didSelectSpecifier(const std::shared_ptr<PSSpecifier>&);
    // Groups the rows of specifiers() and reloads the table.
    void reloadTable();

private:
    struct Group {
        std::shared_ptr<PSSpecifier> group;
        PSSpecifierArray rows;
    };

    void makeGroups();
    void refreshShownValues();
    const Group* groupAt(long section) const;
    std::shared_ptr<UIView> makeSwitch(const std::shared_ptr<PSSpecifier>&);
    void switchDidChange(const std::shared_ptr<PSSpecifier>&, bool isOn);
    void performButtonAction(const PSSpecifier&);
    void pushDetail(const std::shared_ptr<PSSpecifier>&, Class);

    std::vector<Group> m_groups;
    std::shared_ptr<PSSpecifier> m_specifier;
    std::weak_ptr<PSListController> m_parentController;
    std::map<const void*, std::shared_ptr<NSObject>> m_associatedObjects;
    // Set when the view has just loaded: its first appearance needn't build the rows again.
    bool m_isTableFresh { false };
};
