#include "ScreenTouches.hpp"

#include <uikit/NSIndexPath.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>
#include <uikit/UIWindow.hpp>

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

std::string describeControl(const UIControl& control)
{
    for (const UIView* view = control.superview(); view; view = view->superview()) {
        auto* alert = dynamic_cast<UIAlertController*>(view->nextResponder());
        if (!alert)
            continue;
        const auto& controls = alert->actionControls();
        auto it = std::find_if(controls.begin(), controls.end(), [&](const auto& candidate) { return candidate.get() == &control; });
        if (it != controls.end() && static_cast<size_t>(it - controls.begin()) < alert->actions().size())
            return "alert action '" + alert->actions()[static_cast<size_t>(it - controls.begin())]->title() + "'";
        break;
    }
    if (auto* button = dynamic_cast<const UIButton*>(&control))
        return "button '" + button->titleForState(UIControlStateNormal) + "'";
    if (dynamic_cast<const UISwitch*>(&control))
        return "switch";
    return "control";
}

// Rows are counted down the list from 0, through every section, as the steps count them.
std::string describeRow(const UITableViewCell& cell, const UITableView& table)
{
    auto indexPath = table.indexPathForCell(&cell);
    if (!indexPath)
        return "a row leaving the list";
    long counted = indexPath->row();
    for (long section = 0; section < indexPath->section(); ++section)
        counted += table.numberOfRowsInSection(section);
    return "row " + std::to_string(counted);
}

// What the view hit at the point (window coordinates) stands for, from the view up.
std::string describe(const UIView* hit, CGPoint point)
{
    if (!hit)
        return "nothing there";
    for (const UIView* view = hit; view; view = view->superview()) {
        if (auto* control = dynamic_cast<const UIControl*>(view))
            return describeControl(*control);
        auto* table = dynamic_cast<const UITableView*>(view->superview());
        if (auto* cell = dynamic_cast<const UITableViewCell*>(view); cell && table)
            return describeRow(*cell, *table);
        if (dynamic_cast<const UITableView*>(view))
            return "no row there";
        if (auto* bar = dynamic_cast<const UINavigationBar*>(view))
            return CGRectContainsPoint(bar->backButtonRect(), bar->convertPointFromView(point, nullptr)) ? "back" : "nothing in the bar there";
        if (auto* picker = dynamic_cast<const UIImagePickerController*>(view->nextResponder())) {
            auto file = picker->fileAtPoint(view->convertPointFromView(point, nullptr));
            return file ? "photo '" + *file + "'" : "no photo there";
        }
        if (dynamic_cast<const UIAlertController*>(view->nextResponder()))
            return "no action of the alert there";
    }
    return "nothing there takes a touch";
}

// The list a drag from the hit view would scroll: one it lies in, with no control in between to
// keep the touch for itself.
std::shared_ptr<UITableView> listUnder(UIView* hit)
{
    for (UIView* view = hit; view; view = view->superview()) {
        if (dynamic_cast<UIControl*>(view))
            return nullptr;
        if (auto* table = dynamic_cast<UITableView*>(view))
            return std::static_pointer_cast<UITableView>(table->weak_from_this().lock());
    }
    return nullptr;
}

}

TouchOutcome tapScreen(UIWindow& window, CGPoint point)
{
    // Named before the tap: what it does may take the view off the screen.
    auto hit = window.hitTest(point, nullptr);
    std::string outcome = describe(hit.get(), point);
    return { window.tapAtPoint(point), outcome };
}

TouchOutcome dragScreen(UIWindow& window, CGPoint point, CGVector by)
{
    auto hit = window.hitTest(point, nullptr);
    std::string outcome = describe(hit.get(), point);
    auto list = listUnder(hit.get());
    bool didReach = window.dragFrom(point, by, dragSteps);
    // Within the threshold the list takes the drag as a tap, and the outcome is what was tapped.
    if (list && std::hypot(by.dx, by.dy) > UITableView::dragThreshold)
        outcome = "scrolled to " + std::to_string(std::lround(list->contentOffset().y + list->contentInsetTop()));
    return { didReach, outcome };
}

}
