#include "ScreenTouches.hpp"
#include "SettingsHost.hpp"

#include <uikit/NSIndexPath.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UITableView.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace sim {

namespace {

// Within this distance a finger that moved still taps.
constexpr CGFloat tapSlop = 10;
// The bar's back button: its left part, as wide as a thumb reaches for it.
constexpr CGFloat backAreaWidth = 120;
// An alert's panel and its buttons, as they are drawn.
constexpr CGFloat alertPanelWidth = 270;
constexpr CGFloat alertButtonHeight = 44;
// The picker's tiles, as its page lays them out.
constexpr int pickerColumns = 4;
constexpr CGFloat pickerGap = 2;

bool contains(CGRect rect, CGPoint point)
{
    return point.x >= rect.origin.x && point.y >= rect.origin.y && point.x < rect.origin.x + rect.size.width
        && point.y < rect.origin.y + rect.size.height;
}

// A table under a translucent bar starts scrolled up by the bar's height, its rows below the bar;
// that first position is as far up as a drag takes it. Remembered per table, as it's not kept.
CGFloat scrollTop(const std::shared_ptr<UITableView>& table)
{
    static std::vector<std::pair<std::weak_ptr<UITableView>, CGFloat>> tops;
    std::erase_if(tops, [](const auto& entry) { return entry.first.expired(); });
    for (const auto& [known, top] : tops) {
        if (known.lock() == table)
            return top;
    }
    CGFloat top = std::min(0.0, table->bounds().origin.y);
    tops.emplace_back(table, top);
    return top;
}

bool tapAlert(UIAlertController& alert, CGPoint point, CGRect screen, std::string& outcome)
{
    const auto& actions = alert.actions();
    // The panel is centred and its button row ends it, so the row never lies above the middle less
    // half a row: taps on the texts or beside the panel reach no action. Two actions sit side by
    // side, a single one takes the whole row; larger stacks need real hit-testing.
    CGFloat middle = screen.size.width / 2;
    bool isOnButtonRow = std::abs(point.x - middle) < std::min(alertPanelWidth, screen.size.width) / 2
        && point.y >= screen.size.height / 2 - alertButtonHeight / 2;
    long index = -1;
    if (isOnButtonRow && actions.size() == 1)
        index = 0;
    else if (isOnButtonRow && actions.size() == 2)
        index = point.x < middle ? 0 : 1;
    if (index < 0 || !alert.tapAction(index)) {
        outcome = "no action of the alert there";
        return false;
    }
    outcome = "alert action '" + actions[static_cast<size_t>(index)]->title() + "'";
    return true;
}

bool tapPicker(UIImagePickerController& picker, CGPoint point, std::string& outcome)
{
    CGFloat top = 0;
    if (const auto& bar = picker.navigationBar(); bar && !bar->isHidden() && !picker.isNavigationBarHidden())
        top = bar->frame().origin.y + bar->frame().size.height;
    CGRect bounds = picker.view()->bounds();
    if (point.y < top) {
        if (point.x < bounds.size.width * 2 / 3) {
            outcome = "nothing in the bar there";
            return false;
        }
        outcome = "Cancel";
        return picker.cancel();
    }
    CGFloat side = std::max(1.0, (bounds.size.width - pickerGap * (pickerColumns - 1)) / pickerColumns);
    auto column = static_cast<long>(point.x / (side + pickerGap));
    auto row = static_cast<long>((point.y - top - pickerGap) / (side + pickerGap));
    auto files = picker.availableFiles();
    auto index = static_cast<size_t>(row * pickerColumns + std::min<long>(column, pickerColumns - 1));
    if (point.y < top + pickerGap || index >= files.size()) {
        outcome = "no photo there";
        return false;
    }
    outcome = "photo '" + files[index] + "'";
    return picker.pickFile(files[index]);
}

bool tapBar(SettingsHost& host, CGPoint point, std::string& outcome)
{
    auto outer = std::dynamic_pointer_cast<UINavigationController>(host.window().rootViewController());
    if (!outer || outer->isNavigationBarHidden() || !contains(outer->navigationBar()->frame(), point))
        return false;
    if (point.x >= backAreaWidth || !host.back(outcome)) {
        outcome = "nothing in the bar there";
        return true;
    }
    outcome = "back";
    return true;
}

bool tapTable(PSListController& page, CGPoint point, std::string& outcome)
{
    auto table = page.table();
    CGPoint inTable = convertFromWindow(*table, point);
    if (!contains(table->bounds(), inTable)) {
        outcome = "nothing there";
        return false;
    }
    // A button floating in the table lies above the rows.
    auto subviews = table->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        auto button = std::dynamic_pointer_cast<UIButton>(*it);
        if (button && !button->isHidden() && contains(button->frame(), inTable)) {
            outcome = "button '" + button->titleForState(0) + "'";
            return button->tap();
        }
    }
    long counted = 0;
    for (long section = 0; section < table->numberOfSections(); ++section) {
        for (long row = 0; row < table->numberOfRowsInSection(section); ++row, ++counted) {
            if (!contains(table->rectForRowAtIndexPath(*NSIndexPath::indexPathForRowInSection(row, section)), inTable))
                continue;
            outcome = "row " + std::to_string(counted);
            return page.tapRowAtIndexPath(section, row);
        }
    }
    outcome = "no row there";
    return false;
}

}

CGPoint convertFromWindow(const UIView& view, CGPoint point)
{
    if (!view.superview())
        return point;
    CGPoint inSuperview = convertFromWindow(*view.superview(), point);
    return { inSuperview.x - view.frame().origin.x + view.bounds().origin.x, inSuperview.y - view.frame().origin.y + view.bounds().origin.y };
}

bool tapSettingsScreen(SettingsHost& host, CGPoint point, std::string& outcome)
{
    auto presented = host.presented();
    if (auto alert = std::dynamic_pointer_cast<UIAlertController>(presented))
        return tapAlert(*alert, point, host.window().bounds(), outcome);
    if (auto picker = std::dynamic_pointer_cast<UIImagePickerController>(presented))
        return tapPicker(*picker, point, outcome);
    if (presented) {
        outcome = "something is presented over the page";
        return false;
    }
    if (tapBar(host, point, outcome))
        return outcome == "back";
    auto page = std::dynamic_pointer_cast<PSListController>(host.visiblePage());
    if (!page) {
        outcome = "the page on screen is not a list";
        return false;
    }
    return tapTable(*page, point, outcome);
}

bool dragSettingsScreen(SettingsHost& host, CGPoint point, CGFloat dx, CGFloat dy, std::string& outcome)
{
    if (std::hypot(dx, dy) < tapSlop)
        return tapSettingsScreen(host, point, outcome);
    auto page = std::dynamic_pointer_cast<PSListController>(host.visiblePage());
    if (!page || host.presented()) {
        outcome = "nothing to scroll";
        return false;
    }
    auto table = page->table();
    CGRect bounds = table->bounds();
    CGFloat top = scrollTop(table);
    CGFloat limit = std::max(top, table->contentSize().height - bounds.size.height);
    // The content follows the finger: dragging up shows what lies below.
    bounds.origin.y = std::clamp(bounds.origin.y - dy, top, limit);
    table->setBounds(bounds);
    outcome = "scrolled to " + std::to_string(static_cast<long>(bounds.origin.y - top));
    return true;
}

}
