#include <preferences/PSListController.hpp>

#include <cephei/HBPreferences.hpp>
#include <foundation/NSBundle.hpp>
#include <foundation/NSData.hpp>
#include <preferences/DarwinNotifications.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableViewCell.hpp>

#include <cstdio>
#include <exception>

static const Class s_class = objc::registerClass<PSListController>("PSListController", "UIViewController");

namespace {

// A specifier list is a few kilobytes; a larger file is not read.
constexpr size_t maximumListBytes = 1 << 20;

std::shared_ptr<PSListController::Theme>& theme()
{
    static auto* instance = new std::shared_ptr<PSListController::Theme>;
    return *instance;
}

const PlistArray* specifierEntries(const PlistValue& list)
{
    if (auto* items = list.member("items"))
        return items->get<PlistArray>();
    return list.get<PlistArray>();
}

bool isTrue(const std::optional<PlistValue>& value)
{
    if (!value)
        return false;
    if (auto* flag = value->get<bool>())
        return *flag;
    if (auto* integer = value->get<int64_t>())
        return *integer != 0;
    if (auto* real = value->get<double>())
        return *real != 0;
    if (auto* text = value->get<std::string>())
        return *text == "YES" || *text == "true" || *text == "1";
    return false;
}

void report(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "PSListController: %s: %s\n", what, detail.c_str());
}

}

void PSListController::setTheme(std::shared_ptr<Theme> newTheme)
{
    theme() = std::move(newTheme);
}

std::shared_ptr<PSSpecifierArray> PSListController::specifiers()
{
    return _specifiers;
}

std::shared_ptr<PSSpecifierArray> PSListController::loadSpecifiersFromPlistName(const std::string& name, std::shared_ptr<NSObject> target)
{
    auto bundle = NSBundle::bundleForClass(object_getClass(this));
    std::string path = bundle ? bundle->pathForResource(name, "plist") : std::string();
    auto data = path.empty() ? nullptr : FileIO::readDeviceFile(path, maximumListBytes);
    if (!data) {
        report("no readable specifier list", name + ".plist in the bundle of " + class_getName(object_getClass(this)));
        return nullptr;
    }
    auto list = NSPropertyListSerialization::propertyListWithData(data->span());
    const PlistArray* entries = list ? specifierEntries(*list) : nullptr;
    if (!entries) {
        report("not a specifier list", path);
        return nullptr;
    }
    auto specifiers = std::make_shared<PSSpecifierArray>();
    for (const auto& entry : *entries) {
        auto* dictionary = entry.get<PlistDictionary>();
        auto specifier = dictionary ? PSSpecifier::specifierWithDictionary(*dictionary) : nullptr;
        if (!specifier)
            continue;
        specifier->setTarget(target);
        specifiers->push_back(std::move(specifier));
    }
    if (auto* title = list->member("title"); title && title->get<std::string>())
        setTitle(*title->get<std::string>());
    return specifiers;
}

void PSListController::reloadSpecifiers()
{
    _specifiers = nullptr;
    if (isViewLoaded())
        reloadTable();
}

std::shared_ptr<UITableView> PSListController::table()
{
    return std::dynamic_pointer_cast<UITableView>(view());
}

void PSListController::setSpecifier(std::shared_ptr<PSSpecifier> specifier)
{
    m_specifier = std::move(specifier);
    if (m_specifier)
        setTitle(m_specifier->name());
}

std::optional<PlistValue> PSListController::readPreferenceValue(const PSSpecifier& specifier) const
{
    std::string defaults = specifier.stringForKey("defaults");
    std::string key = specifier.stringForKey("key");
    if (!defaults.empty() && !key.empty()) {
        if (auto stored = HBPreferences::initWithIdentifier(defaults)->objectForKey(key))
            return stored;
    }
    return specifier.propertyForKey("default");
}

void PSListController::setPreferenceValue(const PlistValue& value, const PSSpecifier& specifier)
{
    std::string defaults = specifier.stringForKey("defaults");
    std::string key = specifier.stringForKey("key");
    if (defaults.empty() || key.empty())
        return;
    auto store = HBPreferences::initWithIdentifier(defaults);
    if (auto* flag = value.get<bool>())
        store->setBool(*flag, key);
    else if (auto* integer = value.get<int64_t>())
        store->setInteger(*integer, key);
    else
        store->setObject(value, key);
    DarwinNotifications::post(specifier.stringForKey("PostNotification"));
}

std::shared_ptr<PSSpecifier> PSListController::specifierAtIndexPath(const NSIndexPath& indexPath) const
{
    const Group* group = groupAt(indexPath.section());
    if (!group || indexPath.row() < 0 || indexPath.row() >= static_cast<long>(group->rows.size()))
        return nullptr;
    return group->rows[static_cast<size_t>(indexPath.row())];
}

std::shared_ptr<NSIndexPath> PSListController::indexPathForSpecifier(const PSSpecifier* specifier) const
{
    for (size_t section = 0; section < m_groups.size(); ++section) {
        const auto& rows = m_groups[section].rows;
        for (size_t row = 0; row < rows.size(); ++row) {
            if (rows[row].get() == specifier)
                return NSIndexPath::indexPathForRowInSection(static_cast<long>(row), static_cast<long>(section));
        }
    }
    return nullptr;
}

bool PSListController::tapRowWithText(const std::string& text)
{
    auto table = this->table();
    if (!table)
        return false;
    for (const auto& cell : table->visibleCells()) {
        if (cell->textLabel()->text() != text)
            continue;
        auto indexPath = table->indexPathForCell(cell.get());
        return indexPath && table->tapRowAtIndexPath(*indexPath);
    }
    return false;
}

bool PSListController::tapRowAtIndexPath(long section, long row)
{
    auto table = this->table();
    return table && table->tapRowAtIndexPath(NSIndexPath(row, section));
}

bool PSListController::tapRowAtIndex(long index)
{
    auto table = this->table();
    if (!table || index < 0)
        return false;
    for (long section = 0; section < table->numberOfSections(); ++section) {
        long rows = table->numberOfRowsInSection(section);
        if (index < rows)
            return table->tapRowAtIndexPath(NSIndexPath(index, section));
        index -= rows;
    }
    return false;
}

bool PSListController::toggleSwitchWithText(const std::string& text)
{
    auto table = this->table();
    if (!table)
        return false;
    for (const auto& cell : table->visibleCells()) {
        auto control = std::dynamic_pointer_cast<UISwitch>(cell->accessoryView());
        if (control && cell->textLabel()->text() == text)
            return control->tap();
    }
    return false;
}

std::shared_ptr<NSObject> PSListController::associatedObject(const void* key) const
{
    auto it = m_associatedObjects.find(key);
    return it == m_associatedObjects.end() ? nullptr : it->second;
}

void PSListController::setAssociatedObject(const void* key, std::shared_ptr<NSObject> object)
{
    if (object)
        m_associatedObjects[key] = std::move(object);
    else
        m_associatedObjects.erase(key);
}

void PSListController::loadView()
{
    auto table = UITableView::initWithFrame(UIScreen::mainScreen()->bounds(), UITableViewStyleGrouped);
    // The table holds its data source and delegate weakly; a page not owned by a pointer has none.
    if (auto self = std::static_pointer_cast<PSListController>(weak_from_this().lock())) {
        table->setDataSource(self);
        table->setDelegate(self);
    }
    if (auto current = theme())
        current->styleTable(*this, *table);
    setView(table);
}

void PSListController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    reloadTable();
    m_isTableFresh = true;
}

void PSListController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    bool isFresh = m_isTableFresh || !isViewLoaded();
    view();
    // A table that comes back on screen keeps its cells, as on the platform: no row is made or
    // displayed again. Only the values they show follow what a pushed page may have changed.
    if (!isFresh)
        refreshShownValues();
    m_isTableFresh = false;
    if (auto current = theme())
        current->pageWillAppear(*this);
}

long PSListController::numberOfSectionsInTableView(UITableView*)
{
    return static_cast<long>(m_groups.size());
}

long PSListController::tableViewNumberOfRowsInSection(UITableView*, long section)
{
    const Group* group = groupAt(section);
    return group ? static_cast<long>(group->rows.size()) : 0;
}

std::shared_ptr<UITableViewCell> PSListController::tableViewCellForRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath> indexPath)
{
    auto specifier = indexPath ? specifierAtIndexPath(*indexPath) : nullptr;
    auto cell = UITableViewCell::initWithStyle(UITableViewCellStyleValue1, specifier ? specifier->identifier() : std::string());
    if (specifier)
        configureCell(*cell, specifier);
    if (auto current = theme())
        current->styleCell(*this, *cell);
    cell->layoutSubviews();
    return cell;
}

std::string PSListController::tableViewTitleForHeaderInSection(UITableView*, long section)
{
    const Group* group = groupAt(section);
    return group && group->group ? group->group->name() : std::string();
}

std::string PSListController::tableViewTitleForFooterInSection(UITableView*, long section)
{
    const Group* group = groupAt(section);
    return group && group->group ? group->group->stringForKey("footerText") : std::string();
}

void PSListController::tableViewDidSelectRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath> indexPath)
{
    // The tap may push or pop pages, and with them drop the last owner of this one.
    auto protectedThis = weak_from_this().lock();
    auto specifier = indexPath ? specifierAtIndexPath(*indexPath) : nullptr;
    if (!specifier)
        return;
    // The tap is the host's event: a page that throws must not take the Settings app down.
    try {
        didSelectSpecifier(specifier);
    } catch (const std::exception& exception) {
        report("a tap on the row threw an exception", specifier->name() + ": " + exception.what());
    } catch (...) {
        report("a tap on the row threw an exception of an unknown type", specifier->name());
    }
}

void PSListController::configureCell(UITableViewCell& cell, const std::shared_ptr<PSSpecifier>& specifier)
{
    cell.textLabel()->setText(specifier->name());
    switch (specifier->cellType()) {
    case PSSwitchCell:
        cell.setAccessoryView(makeSwitch(specifier));
        break;
    case PSLinkListCell:
    case PSLinkCell:
        cell.setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
        break;
    case PSButtonCell:
        cell.textLabel()->setTextColor(UIColor::colorWithRed(0, 0.478, 1, 1));
        break;
    default:
        break;
    }
    showValue(cell, *specifier);
}

void PSListController::showValue(UITableViewCell& cell, const PSSpecifier& specifier)
{
    auto value = readPreferenceValue(specifier);
    switch (specifier.cellType()) {
    case PSSwitchCell:
        if (auto control = std::dynamic_pointer_cast<UISwitch>(cell.accessoryView()))
            control->setOn(isTrue(value), false);
        break;
    case PSLinkListCell:
        cell.detailTextLabel()->setText(value ? specifier.titleForValue(*value).value_or(std::string()) : std::string());
        break;
    case PSSegmentCell:
        cell.detailTextLabel()->setText(value ? specifier.titleForValue(*value).value_or(PSSpecifier::displayText(*value)) : std::string());
        break;
    case PSTitleValueCell:
    case PSSliderCell:
    case PSEditTextCell:
    case PSEditTextViewCell:
        cell.detailTextLabel()->setText(value ? PSSpecifier::displayText(*value) : std::string());
        break;
    default:
        break;
    }
}

void PSListController::refreshShownValues()
{
    auto table = this->table();
    if (!table)
        return;
    for (const auto& cell : table->visibleCells()) {
        auto indexPath = table->indexPathForCell(cell.get());
        if (auto specifier = indexPath ? specifierAtIndexPath(*indexPath) : nullptr)
            showValue(*cell, *specifier);
    }
}

void PSListController::didSelectSpecifier(const std::shared_ptr<PSSpecifier>& specifier)
{
    switch (specifier->cellType()) {
    case PSButtonCell:
        performButtonAction(*specifier);
        break;
    case PSLinkListCell: {
        Class detail = specifier->detailControllerClass();
        pushDetail(specifier, detail ? detail : objc_getClass("PSListItemsController"));
        break;
    }
    case PSLinkCell:
        if (Class detail = specifier->detailControllerClass())
            pushDetail(specifier, detail);
        break;
    case PSSwitchCell: {
        auto indexPath = indexPathForSpecifier(specifier.get());
        auto cell = indexPath && table() ? table()->cellForRowAtIndexPath(*indexPath) : nullptr;
        if (auto control = cell ? std::dynamic_pointer_cast<UISwitch>(cell->accessoryView()) : nullptr)
            control->tap();
        break;
    }
    default:
        break;
    }
}

void PSListController::reloadTable()
{
    makeGroups();
    if (auto table = this->table())
        table->reloadData();
}

void PSListController::makeGroups()
{
    m_groups.clear();
    auto specifiers = this->specifiers();
    if (!specifiers)
        return;
    for (const auto& specifier : *specifiers) {
        if (!specifier)
            continue;
        if (specifier->cellType() == PSGroupCell)
            m_groups.push_back({ specifier, {} });
        else if (m_groups.empty())
            m_groups.push_back({ nullptr, { specifier } });
        else
            m_groups.back().rows.push_back(specifier);
    }
}

const PSListController::Group* PSListController::groupAt(long section) const
{
    if (section < 0 || section >= static_cast<long>(m_groups.size()))
        return nullptr;
    return &m_groups[static_cast<size_t>(section)];
}

std::shared_ptr<UIView> PSListController::makeSwitch(const std::shared_ptr<PSSpecifier>& specifier)
{
    auto control = UISwitch::initWithFrame(CGRectZero);
    std::weak_ptr<UISwitch> weakControl = control;
    std::weak_ptr<PSSpecifier> weakSpecifier = specifier;
    control->addAction([this, alive = weak_from_this(), weakControl, weakSpecifier] {
        auto self = alive.lock();
        auto changed = weakControl.lock();
        auto changedSpecifier = weakSpecifier.lock();
        if (self && changed && changedSpecifier)
            switchDidChange(changedSpecifier, changed->isOn());
    }, UIControlEventValueChanged);
    return control;
}

void PSListController::switchDidChange(const std::shared_ptr<PSSpecifier>& specifier, bool isOn)
{
    setPreferenceValue(PlistValue(isOn), *specifier);
}

void PSListController::performButtonAction(const PSSpecifier& specifier)
{
    SEL action = specifier.action();
    if (!action)
        return;
    auto target = specifier.target();
    if (!target) {
        report("no target for the action of the row", specifier.name());
        return;
    }
    if (!target->respondsToSelector(action)) {
        report("the target doesn't answer the action of the row", specifier.name() + " (" + sel_getName(action) + ")");
        return;
    }
    objc_msgSend(target.get(), action);
}

void PSListController::pushDetail(const std::shared_ptr<PSSpecifier>& specifier, Class detail)
{
    auto controller = std::dynamic_pointer_cast<UIViewController>(class_createInstance(detail));
    if (!controller) {
        report("can't make the page of the row", specifier->name() + " (" + specifier->stringForKey("detail") + ")");
        return;
    }
    if (auto page = std::dynamic_pointer_cast<PSListController>(controller)) {
        // The parent first: taking the specifier may load the page's table, which takes its colours
        // from the parent's appearance.
        page->setParentController(std::static_pointer_cast<PSListController>(weak_from_this().lock()));
        page->setSpecifier(specifier);
    }
    auto navigation = navigationController();
    if (!navigation) {
        report("no navigation controller to show the page of the row", specifier->name());
        return;
    }
    navigation->pushViewController(controller, true);
}
