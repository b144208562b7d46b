#include "SettingsHost.hpp"
#include "ScreenTouches.hpp"
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
#include <uikit/UIImageView.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>

#include <imageio/CGImageSource.hpp>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <set>
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

constexpr const char* settingsBundleIdentifier = "com.apple.Preferences";
constexpr const char* settingsExecutable = "Preferences";
// As a rootless phone's preference loader: the entries under "/var/jb" first, then those at the top.
// Each entry's bundle lies under the same prefix as the entry.
constexpr const char* installPrefixes[] = { "/var/jb", "" };
constexpr const char* entriesPath = "/Library/PreferenceLoader/Preferences";
constexpr const char* bundlesPath = "/Library/PreferenceBundles/";
// An icon is a few KiB; anything this large is not one.
constexpr size_t maximumIconBytes = 1 << 20;

// The app's own first page: one row per installed entry.
class SettingsListController final : public PSListController {
public:
    explicit SettingsListController(const std::vector<SettingsEntry>& entries)
    {
        _specifiers = std::make_shared<PSSpecifierArray>();
        _specifiers->push_back(PSSpecifier::preferenceSpecifierNamed("Tweaks", {}, PSGroupCell));
        for (const auto& entry : entries) {
            _specifiers->push_back(PSSpecifier::preferenceSpecifierNamed(entry.label, {}, PSLinkCell));
            m_icons.push_back(entry.icon);
        }
        setTitle("Settings");
    }

    std::function<void(const std::string&)> onOpen;

protected:
    void didSelectSpecifier(const std::shared_ptr<PSSpecifier>& specifier) override
    {
        if (onOpen)
            onOpen(specifier->name());
    }

    void configureCell(UITableViewCell& cell, const std::shared_ptr<PSSpecifier>& specifier) override
    {
        PSListController::configureCell(cell, specifier);
        auto place = std::find(_specifiers->begin(), _specifiers->end(), specifier);
        size_t index = static_cast<size_t>(place - _specifiers->begin());
        // The first specifier is the group; entry i is specifier i + 1.
        if (index >= 1 && index - 1 < m_icons.size() && m_icons[index - 1]) {
            cell.imageView()->setImage(m_icons[index - 1]);
            cell.layoutSubviews();
        }
    }

private:
    std::vector<std::shared_ptr<UIImage>> m_icons;
};

void registerHostClasses()
{
    static const Class s_listClass = objc::registerClass<SettingsListController>("PSUIPrefsListController", "PSListController");
    (void)s_listClass;
}

// The entry's icon from its bundle, at the screen's scale when the bundle has that size ("icon@2x.png"
// beside "icon.png"). None for names that leave the bundle or files that aren't pictures.
std::shared_ptr<UIImage> readIcon(const std::string& bundlePath, const std::string& name)
{
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return nullptr;
    auto scale = static_cast<int>(UIScreen::mainScreen()->scale());
    auto dot = name.rfind('.');
    std::vector<std::string> candidates;
    if (scale > 1 && dot != std::string::npos && dot > 0)
        candidates.push_back(name.substr(0, dot) + "@" + std::to_string(scale) + "x" + name.substr(dot));
    candidates.push_back(name);
    for (const auto& candidate : candidates) {
        auto data = NSData::dataWithContentsOfFile(bundlePath + "/" + candidate);
        if (!data || data->length() > maximumIconBytes)
            continue;
        CGImageSourceRef source = CGImageSourceCreateWithData(data.get(), nullptr);
        CGImageRef image = source && CGImageSourceGetCount(source) > 0 ? CGImageSourceCreateImageAtIndex(source, 0, nullptr) : nullptr;
        auto icon = UIImage::imageWithCGImage(image);
        if (image)
            CGImageRelease(image);
        if (source)
            CFRelease(source);
        if (icon)
            return icon;
    }
    return nullptr;
}

std::optional<SettingsEntry> readEntry(const std::string& prefix, const std::string& name)
{
    auto data = NSData::dataWithContentsOfFile(prefix + entriesPath + "/" + name);
    auto list = data ? NSPropertyListSerialization::propertyListWithData(data->span()) : std::nullopt;
    const PlistValue* entry = list ? list->member("entry") : nullptr;
    auto text = [&](const char* key) {
        auto* value = entry && entry->member(key) ? entry->member(key)->get<std::string>() : nullptr;
        return value ? std::optional<std::string>(*value) : std::nullopt;
    };
    auto label = text("label");
    auto bundle = text("bundle");
    if (!label || !bundle) {
        std::fprintf(stderr, "Settings: skipping %s: no label or bundle\n", name.c_str());
        return std::nullopt;
    }
    std::string bundlePath = prefix + bundlesPath + *bundle + ".bundle";
    return SettingsEntry { *label, bundlePath, text("detail").value_or(std::string()), readIcon(bundlePath, text("icon").value_or(std::string())) };
}

std::vector<std::string> entryNames(const std::string& folder)
{
    std::vector<std::string> names;
    auto directory = DeviceRoot::open(folder, O_RDONLY | O_DIRECTORY);
    if (!directory)
        return names;
    for (const auto& file : DeviceRoot::listDirectory(directory.get())) {
        if (std::filesystem::path(file.name).extension() == ".plist")
            names.push_back(file.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<SettingsEntry> readEntries()
{
    std::vector<SettingsEntry> entries;
    std::set<std::string> seen;
    for (std::string prefix : installPrefixes) {
        for (const auto& name : entryNames(prefix + entriesPath)) {
            if (!seen.insert(name).second)
                continue;
            if (auto entry = readEntry(prefix, name))
                entries.push_back(std::move(*entry));
        }
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
    auto bundle = NSBundle::bundleWithPath(entry->bundlePath);
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
    auto touched = tapScreen(*m_window, point);
    if (!touched.didReach)
        error = "nothing there takes a tap (" + touched.outcome + ")";
    return touched.didReach;
}

bool SettingsHost::drag(CGPoint from, CGVector by, std::string& error)
{
    auto touched = dragScreen(*m_window, from, by);
    if (!touched.didReach)
        error = "nothing there takes a drag (" + touched.outcome + ")";
    return touched.didReach;
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

Json SettingsHost::dump() const
{
    return dumpSettings(*m_outer, visiblePage(), presented());
}

}
