#include "SettingsDump.hpp"
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

void appendStack(Json& stack, const UINavigationController& navigation)
{
    for (const auto& page : navigation.viewControllers()) {
        if (auto inner = std::dynamic_pointer_cast<UINavigationController>(page)) {
            appendStack(stack, *inner);
            continue;
        }
        stack.push_back({ { "class", class_getName(object_getClass(page.get())) }, { "title", pageTitle(*page) } });
    }
}

Json jsonOfBar(const UINavigationBar& bar)
{
    Json json;
    json["title"] = bar.displayedTitle();
    json["backTitle"] = bar.displayedBackTitle();
    json["translucent"] = bar.isTranslucent();
    json["barTintColor"] = jsonOfColor(bar.barTintColor().get());
    json["tintColor"] = jsonOfColor(bar.tintColor().get());
    return json;
}

// The bars on screen, outermost first: those of the navigation controllers down to the page,
// leaving out hidden ones.
Json jsonOfVisibleBars(const UINavigationController& outer)
{
    Json bars = Json::array();
    for (auto navigation = &outer; navigation;) {
        const auto& bar = *navigation->navigationBar();
        if (!bar.isHidden())
            bars.push_back(jsonOfBar(bar));
        navigation = dynamic_cast<const UINavigationController*>(navigation->topViewController().get());
    }
    return bars;
}

// Only rows with an icon say so, at the size it is shown.
void addIcon(Json& row, const UITableViewCell* cell)
{
    for (const auto& view : cell ? cell->subviews() : std::vector<std::shared_ptr<UIView>> {}) {
        auto icon = std::dynamic_pointer_cast<UIImageView>(view);
        if (!icon || !icon->image())
            continue;
        row["icon"] = { jsonNumber(icon->frame().size.width), jsonNumber(icon->frame().size.height) };
        return;
    }
}

Json jsonOfRow(PSListController& page, const NSIndexPath& indexPath, const std::shared_ptr<UITableViewCell>& cell)
{
    auto specifier = page.specifierAtIndexPath(indexPath);
    auto value = specifier ? page.readPreferenceValue(*specifier) : std::nullopt;
    Json row;
    row["label"] = specifier ? specifier->name() : std::string();
    row["cell"] = specifier ? cellTypeName(specifier->cellType()) : "unknown";
    row["key"] = specifier ? specifier->stringForKey("key") : std::string();
    row["value"] = value ? jsonOfPropertyList(*value) : Json(nullptr);
    row["accessoryType"] = cell ? cell->accessoryType() : 0L;
    row["frame"] = jsonOfRect(cell ? cell->frame() : CGRect {});
    row["backgroundColor"] = jsonOfColor(cell ? cell->backgroundColor().get() : nullptr);
    addIcon(row, cell.get());
    return row;
}

Json jsonOfRows(PSListController& page)
{
    auto table = page.table();
    Json rows = Json::array();
    for (long section = 0; section < table->numberOfSections(); ++section) {
        for (long row = 0; row < table->numberOfRowsInSection(section); ++row) {
            auto indexPath = NSIndexPath::indexPathForRowInSection(row, section);
            rows.push_back(jsonOfRow(page, *indexPath, table->cellForRowAtIndexPath(*indexPath)));
        }
    }
    return rows;
}

Json jsonOfTableViews(PSListController& page)
{
    Json views = Json::array();
    for (const auto& view : page.table()->subviews()) {
        // Rows and the table's own header and footer texts are not extra views.
        if (std::dynamic_pointer_cast<UITableViewCell>(view) || std::dynamic_pointer_cast<UILabel>(view))
            continue;
        auto button = std::dynamic_pointer_cast<UIButton>(view);
        Json json;
        json["class"] = class_getName(object_getClass(view.get()));
        json["title"] = button ? button->titleForState(0) : std::string();
        json["tag"] = view->tag();
        json["frame"] = jsonOfRect(view->frame());
        json["alpha"] = jsonNumber(view->alpha());
        json["zPosition"] = jsonNumber(view->layer()->zPosition());
        views.push_back(std::move(json));
    }
    return views;
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

Json jsonOfPresented(const std::shared_ptr<UIViewController>& presented)
{
    if (!presented)
        return nullptr;
    if (auto alert = std::dynamic_pointer_cast<UIAlertController>(presented)) {
        Json actions = Json::array();
        for (const auto& action : alert->actions())
            actions.push_back({ { "title", action->title() }, { "style", action->style() } });
        return { { "title", alert->title() }, { "message", alert->message() }, { "actions", std::move(actions) } };
    }
    if (auto picker = std::dynamic_pointer_cast<UIImagePickerController>(presented))
        return { { "picker", picker->availableFiles() } };
    auto label = findLabel(*presented->view());
    return { { "text", label ? label->text() : std::string() }, { "frame", jsonOfRect(label ? label->frame() : CGRect {}) } };
}

Json jsonOfAppearance(PSListController* page)
{
    auto settings = page ? HBTintAdditions::hb_appearanceSettings(*page) : nullptr;
    if (!settings)
        return nullptr;
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
    Json json;
    for (const auto& [name, colour] : colours)
        json[name] = jsonOfColor(colour.get());
    return json;
}

}

Json dumpSettings(const UINavigationController& outer, const std::shared_ptr<UIViewController>& page,
    const std::shared_ptr<UIViewController>& presented)
{
    auto list = std::dynamic_pointer_cast<PSListController>(page);
    Json json;
    json["stack"] = Json::array();
    appendStack(json["stack"], outer);
    json["outerNavigationBarTranslucent"] = outer.navigationBar()->isTranslucent();
    json["navigationBars"] = jsonOfVisibleBars(outer);
    json["rows"] = list ? jsonOfRows(*list) : Json::array();
    json["tableViews"] = list ? jsonOfTableViews(*list) : Json::array();
    json["presented"] = jsonOfPresented(presented);
    json["appearance"] = jsonOfAppearance(list.get());
    json["sounds"] = Json::array();
    for (auto sound : AudioServicesPlayedSystemSounds())
        json["sounds"].push_back(sound);
    json["openedURLs"] = Json::array();
    for (const auto& url : UIApplication::sharedApplication()->openedURLs())
        json["openedURLs"].push_back(url->absoluteString());
    return json;
}

}
