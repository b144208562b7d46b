#include "SettingsHost.hpp"
#include "SettingsDump.hpp"

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSBundle.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSRunLoop.hpp>
#include <substrate/Loader.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <strings.h>

namespace sim {

namespace {

// A label as a person types it: the exact text first, else the same letters in any case.
std::optional<std::string> matchLabel(const std::string& typed, const std::vector<std::string>& labels)
{
    if (std::find(labels.begin(), labels.end(), typed) != labels.end())
        return typed;
    auto it = std::find_if(labels.begin(), labels.end(), [&](const std::string& label) { return strcasecmp(label.c_str(), typed.c_str()) == 0; });
    return it == labels.end() ? std::nullopt : std::optional<std::string>(*it);
}

// What a miss could have named, so that the next try needs no guess.
std::string choicesText(const std::vector<std::string>& labels)
{
    if (labels.empty())
        return " (there is nothing to choose)";
    std::string text = " (choices:";
    for (size_t i = 0; i < labels.size(); ++i)
        text += (i ? ", '" : " '") + labels[i] + "'";
    return text + ")";
}


// Enough moves for a table to see a drag rather than a jump.
constexpr long dragSteps = 10;

constexpr const char* settingsBundleIdentifier = "com.apple.Preferences";
constexpr const char* settingsExecutable = "Preferences";
constexpr const char* entriesPath = "/Library/PreferenceLoader/Preferences";
constexpr const char* bundlesPath = "/Library/PreferenceBundles/";

// The app's own first page: one row per installed entry.
class SettingsListController final : public PSListController {
public:
    explicit SettingsListController(const std::vector<SettingsEntry>& entries)
    {
        _specifiers = std::make_shared<PSSpecifierArray>();
        _specifiers->push_back(PSSpecifier::preferenceSpecifierNamed("Tweaks", {}, PSGroupCell));
        for (const auto& entry : entries)
            _specifiers->push_back(PSSpecifier::preferenceSpecifierNamed(entry.label, {}, PSLinkCell));
        setTitle("Settings");
    }

    std::function<void(const std::string&)> onOpen;

protected:
    void didSelectSpecifier(const std::shared_ptr<PSSpecifier>& specifier) override
    {
        if (onOpen)
            onOpen(specifier->name());
    }
};

void registerHostClasses()
{
    static const Class s_listClass = objc::registerClass<SettingsListController>("PSUIPrefsListController", "PSListController");
    (void)s_listClass;
}

std::vector<SettingsEntry> readEntries()
{
    std::vector<SettingsEntry> entries;
    auto directory = DeviceRoot::resolve(entriesPath);
    std::error_code code;
    if (!directory || !std::filesystem::is_directory(*directory, code))
        return entries;
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(*directory, code)) {
        if (file.path().extension() == ".plist")
            names.push_back(file.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        auto data = NSData::dataWithContentsOfFile(std::string(entriesPath) + "/" + name);
        auto list = data ? NSPropertyListSerialization::propertyListWithData(data->span()) : std::nullopt;
        const PlistValue* entry = list ? list->member("entry") : nullptr;
        auto* label = entry && entry->member("label") ? entry->member("label")->get<std::string>() : nullptr;
        auto* bundle = entry && entry->member("bundle") ? entry->member("bundle")->get<std::string>() : nullptr;
        if (!label || !bundle) {
            std::fprintf(stderr, "Settings: skipping %s: no label or bundle\n", name.c_str());
            continue;
        }
        auto* detail = entry->member("detail") ? entry->member("detail")->get<std::string>() : nullptr;
        entries.push_back({ *label, *bundle, detail ? *detail : std::string() });
    }
    return entries;
}

}

SettingsHost::SettingsHost()
{
    NSBundle::setMainBundleIdentity(settingsBundleIdentifier, settingsExecutable);
    NSBundle::registerLoadedFramework("com.apple.UIKit");
    NSBundle::registerLoadedFramework("com.apple.Preferences");
    registerHostClasses();
    Substrate::loadTweaks();

    m_entries = readEntries();
    auto list = std::make_shared<SettingsListController>(m_entries);
    list->onOpen = [this](const std::string& label) {
        std::string ignored;
        open(label, ignored);
    };
    m_outer = UINavigationController::initWithRootViewController(list);
    m_window = UIWindow::initWithFrame(UIScreen::mainScreen()->bounds());
    m_window->setRootViewController(m_outer);
}

bool SettingsHost::open(const std::string& label, std::string& error)
{
    std::vector<std::string> labels;
    for (const auto& candidate : m_entries)
        labels.push_back(candidate.label);
    auto matched = matchLabel(label, labels);
    if (!matched) {
        error = "no entry labelled '" + label + "'" + choicesText(labels);
        return false;
    }
    auto entry = std::find_if(m_entries.begin(), m_entries.end(), [&](const auto& e) { return e.label == *matched; });
    auto bundle = NSBundle::bundleWithPath(bundlesPath + entry->bundle + ".bundle");
    if (!bundle || !bundle->load()) {
        error = "can't load the bundle of '" + label + "'";
        return false;
    }
    Class pageClass = entry->detailClass.empty() ? bundle->principalClass() : objc_getClass(entry->detailClass.c_str());
    auto page = std::dynamic_pointer_cast<UIViewController>(class_createInstance(pageClass));
    if (!page) {
        error = "the bundle of '" + label + "' has no page to show";
        return false;
    }
    page->setTitle(label);
    // One bar on screen, as in the Settings app: the page's stack shows its items in the app's bar.
    auto pageNavigation = UINavigationController::initWithRootViewController(page);
    pageNavigation->setNavigationBarHidden(true, false);
    m_outer->pushViewController(pageNavigation, true);
    return true;
}

std::shared_ptr<UINavigationController> SettingsHost::innermostNavigation() const
{
    auto navigation = m_outer;
    while (auto inner = std::dynamic_pointer_cast<UINavigationController>(navigation->topViewController()))
        navigation = inner;
    return navigation;
}

std::shared_ptr<UIViewController> SettingsHost::visiblePage() const
{
    return innermostNavigation()->topViewController();
}

std::shared_ptr<UIViewController> SettingsHost::presented() const
{
    auto top = m_outer->presentedViewController();
    while (top && top->presentedViewController())
        top = top->presentedViewController();
    return top;
}

bool SettingsHost::tap(const std::string& text, std::string& error)
{
    if (auto alert = std::dynamic_pointer_cast<UIAlertController>(presented())) {
        std::vector<std::string> titles;
        for (const auto& action : alert->actions())
            titles.push_back(action->title());
        auto title = matchLabel(text, titles);
        size_t index = title ? static_cast<size_t>(std::find(titles.begin(), titles.end(), *title) - titles.begin()) : titles.size();
        const auto& controls = alert->actionControls();
        if (index < controls.size() && alert->actions()[index]->isEnabled()) {
            std::string ignored;
            if (touchView(*controls[index], *title, ignored))
                return true;
        }
        error = "the alert has no action '" + text + "'" + choicesText(titles);
        return false;
    }
    if (presented()) {
        error = "something is presented over the page";
        return false;
    }
    auto page = std::dynamic_pointer_cast<PSListController>(visiblePage());
    if (!page) {
        error = "the page on screen is not a list";
        return false;
    }
    // A button floating in the table lies above the rows.
    auto table = page->table();
    auto subviews = table->subviews();
    std::vector<std::shared_ptr<UIButton>> buttons;
    std::vector<std::string> labels;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        auto button = std::dynamic_pointer_cast<UIButton>(*it);
        if (button && !button->isHidden()) {
            buttons.push_back(button);
            labels.push_back(button->titleForState(0));
        }
    }
    auto cells = table->visibleCells();
    for (const auto& cell : cells)
        labels.push_back(cell->textLabel()->text());
    auto label = matchLabel(text, labels);
    if (!label) {
        error = "no row or button shows '" + text + "'" + choicesText(labels);
        return false;
    }
    for (const auto& button : buttons) {
        if (button->titleForState(0) != *label)
            continue;
        if (button->isEnabled() && touchView(*button, "the button '" + *label + "'", error))
            return true;
        if (!button->isEnabled())
            error = "the button '" + *label + "' can't be tapped";
        return false;
    }
    auto cell = std::find_if(cells.begin(), cells.end(), [&](const auto& candidate) { return candidate->textLabel()->text() == *label; });
    if (touchView(**cell, "the row '" + *label + "'", error))
        return true;
    return false;
}

bool SettingsHost::tapRow(long index, std::string& error)
{
    auto page = std::dynamic_pointer_cast<PSListController>(visiblePage());
    if (!page || presented()) {
        error = "no list on screen";
        return false;
    }
    auto table = page->table();
    for (long section = 0; section < table->numberOfSections(); ++section) {
        long rows = table->numberOfRowsInSection(section);
        if (index < rows) {
            auto cell = table->cellForRowAtIndexPath(NSIndexPath(index, section));
            return cell && touchView(*cell, "the row", error);
        }
        index -= rows;
    }
    error = "the list has no such row";
    return false;
}

bool SettingsHost::back(std::string& error)
{
    if (presented()) {
        error = "something is presented over the page";
        return false;
    }
    // The one bar on screen is the app's: it shows the pages of the entry's own stack too.
    const auto& bar = m_outer->navigationBar();
    CGRect button = bar->backButtonRect();
    if (button == CGRectZero || bar->isHidden()) {
        error = "already on the first page";
        return false;
    }
    CGPoint centre = bar->convertPointToView({ CGRectGetMidX(button), CGRectGetMidY(button) }, m_window.get());
    auto hit = m_window->hitTest(centre, nullptr);
    if (hit.get() != bar.get()) {
        error = "the back button is covered";
        return false;
    }
    if (m_window->tapAtPoint(centre))
        return true;
    error = "the back button can't be tapped";
    return false;
}

bool SettingsHost::tapAt(CGPoint point, std::string& error)
{
    if (m_window->tapAtPoint(point))
        return true;
    error = "nothing there takes a tap";
    return false;
}

bool SettingsHost::drag(CGPoint from, CGVector by, std::string& error)
{
    if (m_window->dragFrom(from, by, dragSteps))
        return true;
    error = "nothing there takes a drag";
    return false;
}

bool SettingsHost::touchView(UIView& view, const std::string& what, std::string& error)
{
    for (UIView* ancestor = view.superview(); ancestor; ancestor = ancestor->superview()) {
        if (auto* table = dynamic_cast<UITableView*>(ancestor)) {
            CGPoint origin = view.convertPointToView({ 0, 0 }, table);
            table->scrollRectToVisible({ origin, view.bounds().size });
            break;
        }
    }
    CGRect bounds = view.bounds();
    CGPoint centre = view.convertPointToView({ CGRectGetMidX(bounds), CGRectGetMidY(bounds) }, m_window.get());
    auto hit = m_window->hitTest(centre, nullptr);
    if (!hit || !hit->isDescendantOfView(&view)) {
        error = what + " is covered or off screen";
        return false;
    }
    if (m_window->tapAtPoint(centre))
        return true;
    error = what + " can't be tapped";
    return false;
}

bool SettingsHost::pick(const std::string& file, std::string& error)
{
    auto picker = std::dynamic_pointer_cast<UIImagePickerController>(presented());
    if (!picker) {
        error = "no image picker is open";
        return false;
    }
    auto files = picker->availableFiles();
    auto name = matchLabel(file, files);
    if (name && picker->pickFile(*name))
        return true;
    error = "the photo library has no '" + file + "'" + choicesText(files);
    return false;
}

bool SettingsHost::cancel(std::string& error)
{
    auto picker = std::dynamic_pointer_cast<UIImagePickerController>(presented());
    if (!picker || !picker->cancel()) {
        error = "no image picker is open";
        return false;
    }
    return true;
}

void SettingsHost::wait(double seconds)
{
    NSRunLoop::mainRunLoop()->runForTimeInterval(seconds);
}

std::string SettingsHost::dump() const
{
    return dumpSettings(*m_outer, visiblePage(), presented());
}

}
