#include "SettingsDump.hpp"
#include "JsonWriter.hpp"
#include "ViewDump.hpp"

#include <audiotoolbox/AudioServices.hpp>
#include <cepheiprefs/HBAppearanceSettings.hpp>
#include <cepheiprefs/PSListController+HBTintAdditions.hpp>
#include <foundation/NSURL.hpp>
#include <preferences/PSListController.hpp>
#include <uikit/CALayer.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIApplication.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>

#include <functional>

namespace sim {

namespace {

const char* cellTypeName(long type)
{
    static const char* const names[] = { "PSGroupCell", "PSLinkCell", "PSLinkListCell", "PSListItemCell",
        "PSTitleValueCell", "PSSliderCell", "PSSwitchCell", "PSStaticTextCell", "PSEditTextCell", "PSSegmentCell",
        "PSGiantIconCell", "PSGiantCell", "PSSecureEditTextCell", "PSButtonCell", "PSEditTextViewCell" };
    return type >= 0 && type < static_cast<long>(std::size(names)) ? names[type] : "unknown";
}

std::string pageTitle(UIViewController& page)
{
    const auto& item = page.navigationItem();
    return item && !item->title().empty() ? item->title() : page.title();
}

void writeStack(JsonWriter& json, const UINavigationController& navigation)
{
    for (const auto& page : navigation.viewControllers()) {
        if (auto inner = std::dynamic_pointer_cast<UINavigationController>(page)) {
            writeStack(json, *inner);
            continue;
        }
        json.beginObject().member("class", class_getName(object_getClass(page.get()))).member("title", pageTitle(*page)).endObject();
    }
}

void writeBar(JsonWriter& json, const UINavigationBar& bar)
{
    json.beginObject().member("title", bar.displayedTitle()).member("backTitle", bar.displayedBackTitle());
    json.member("translucent", bar.isTranslucent()).key("barTintColor");
    writeColor(json, bar.barTintColor().get());
    json.key("tintColor");
    writeColor(json, bar.tintColor().get());
    json.endObject();
}

// The bars on screen, outermost first: those of the navigation controllers down to the page,
// leaving out hidden ones.
void writeVisibleBars(JsonWriter& json, const UINavigationController& outer)
{
    json.beginArray();
    for (auto navigation = &outer; navigation;) {
        const auto& bar = *navigation->navigationBar();
        if (!bar.isHidden())
            writeBar(json, bar);
        navigation = dynamic_cast<const UINavigationController*>(navigation->topViewController().get());
    }
    json.endArray();
}

// Only rows with an icon say so, at the size it is shown.
void writeIcon(JsonWriter& json, const UITableViewCell* cell)
{
    for (const auto& view : cell ? cell->subviews() : std::vector<std::shared_ptr<UIView>> {}) {
        auto icon = std::dynamic_pointer_cast<UIImageView>(view);
        if (!icon || !icon->image())
            continue;
        json.key("icon").beginArray().value(icon->frame().size.width).value(icon->frame().size.height).endArray();
        return;
    }
}

void writeRows(JsonWriter& json, PSListController& page)
{
    auto table = page.table();
    json.beginArray();
    for (long section = 0; section < table->numberOfSections(); ++section) {
        for (long row = 0; row < table->numberOfRowsInSection(section); ++row) {
            auto indexPath = NSIndexPath::indexPathForRowInSection(row, section);
            auto specifier = page.specifierAtIndexPath(*indexPath);
            auto cell = table->cellForRowAtIndexPath(*indexPath);
            json.beginObject();
            json.member("label", specifier ? specifier->name() : std::string());
            json.member("cell", specifier ? cellTypeName(specifier->cellType()) : "unknown");
            json.member("key", specifier ? specifier->stringForKey("key") : std::string());
            json.key("value");
            auto value = specifier ? page.readPreferenceValue(*specifier) : std::nullopt;
            if (value)
                json.raw(toJSON(*value));
            else
                json.null();
            json.member("accessoryType", cell ? cell->accessoryType() : 0L);
            json.key("frame");
            writeRect(json, cell ? cell->frame() : CGRect {});
            json.key("backgroundColor");
            writeColor(json, cell ? cell->backgroundColor().get() : nullptr);
            writeIcon(json, cell.get());
            json.endObject();
        }
    }
    json.endArray();
}

void writeTableViews(JsonWriter& json, PSListController& page)
{
    json.beginArray();
    for (const auto& view : page.table()->subviews()) {
        // Rows and the table's own header and footer texts are not extra views.
        if (std::dynamic_pointer_cast<UITableViewCell>(view) || std::dynamic_pointer_cast<UILabel>(view))
            continue;
        auto button = std::dynamic_pointer_cast<UIButton>(view);
        json.beginObject();
        json.member("class", class_getName(object_getClass(view.get())));
        json.member("title", button ? button->titleForState(0) : std::string());
        json.member("tag", view->tag());
        json.key("frame");
        writeRect(json, view->frame());
        json.member("alpha", view->alpha());
        json.member("zPosition", view->layer()->zPosition());
        json.endObject();
    }
    json.endArray();
}

std::shared_ptr<UILabel> findLabel(const UIView& view)
{
    for (const auto& subview : view.subviews()) {
        if (auto label = std::dynamic_pointer_cast<UILabel>(subview))
            return label;
        if (auto label = findLabel(*subview))
            return label;
    }
    return nullptr;
}

void writePresented(JsonWriter& json, const std::shared_ptr<UIViewController>& presented)
{
    if (!presented) {
        json.null();
        return;
    }
    if (auto alert = std::dynamic_pointer_cast<UIAlertController>(presented)) {
        json.beginObject().member("title", alert->title()).member("message", alert->message());
        json.key("actions").beginArray();
        for (const auto& action : alert->actions())
            json.beginObject().member("title", action->title()).member("style", action->style()).endObject();
        json.endArray().endObject();
        return;
    }
    if (auto picker = std::dynamic_pointer_cast<UIImagePickerController>(presented)) {
        json.beginObject().key("picker").beginArray();
        for (const auto& file : picker->availableFiles())
            json.value(file);
        json.endArray().endObject();
        return;
    }
    auto label = findLabel(*presented->view());
    json.beginObject().member("text", label ? label->text() : std::string()).key("frame");
    writeRect(json, label ? label->frame() : CGRect {});
    json.endObject();
}

void writeAppearance(JsonWriter& json, PSListController* page)
{
    auto settings = page ? HBTintAdditions::hb_appearanceSettings(*page) : nullptr;
    if (!settings) {
        json.null();
        return;
    }
    const std::pair<const char*, const std::shared_ptr<UIColor>&> colours[] = {
        { "statusBarTintColor", settings->statusBarTintColor() },
        { "navigationBarTintColor", settings->navigationBarTintColor() },
        { "navigationBarBackgroundColor", settings->navigationBarBackgroundColor() },
        { "tintColor", settings->tintColor() },
        { "tableViewBackgroundColor", settings->tableViewBackgroundColor() },
        { "tableViewCellBackgroundColor", settings->tableViewCellBackgroundColor() },
        { "tableViewCellTextColor", settings->tableViewCellTextColor() },
        { "tableViewCellSelectionColor", settings->tableViewCellSelectionColor() },
        { "tableViewCellSeparatorColor", settings->tableViewCellSeparatorColor() },
    };
    json.beginObject();
    for (const auto& [name, colour] : colours) {
        json.key(name);
        writeColor(json, colour.get());
    }
    json.endObject();
}

}

std::string dumpSettings(const UINavigationController& outer, const std::shared_ptr<UIViewController>& page,
    const std::shared_ptr<UIViewController>& presented)
{
    auto list = std::dynamic_pointer_cast<PSListController>(page);
    JsonWriter json;
    json.beginObject();
    json.key("stack").beginArray();
    writeStack(json, outer);
    json.endArray();
    json.member("outerNavigationBarTranslucent", outer.navigationBar()->isTranslucent());
    json.key("navigationBars");
    writeVisibleBars(json, outer);
    json.key("rows");
    if (list)
        writeRows(json, *list);
    else
        json.beginArray().endArray();
    json.key("tableViews");
    if (list)
        writeTableViews(json, *list);
    else
        json.beginArray().endArray();
    json.key("presented");
    writePresented(json, presented);
    json.key("appearance");
    writeAppearance(json, list.get());
    json.key("sounds").beginArray();
    for (auto sound : AudioServicesPlayedSystemSounds())
        json.value(static_cast<long>(sound));
    json.endArray();
    json.key("openedURLs").beginArray();
    for (const auto& url : UIApplication::sharedApplication()->openedURLs())
        json.value(url->absoluteString());
    json.endArray();
    json.endObject();
    return json.str();
}

}
