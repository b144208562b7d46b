#include <render/ViewPainter.hpp>

#include <foundation/MediaClock.hpp>

#include <render/AlertPainter.hpp>
#include <render/ControlPainter.hpp>
#include <render/PickerPainter.hpp>
#include <render/TablePainter.hpp>

#include <uikit/CALayer.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIGraphics.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>
#include <uikit/UIViewController.hpp>
#include <uikit/UIWindow.hpp>

#include <algorithm>
#include <typeindex>
#include <unordered_set>

namespace {

// A presentation chain longer than this can only be a loop.
constexpr int maximumPresentations = 64;

// The stand-in's own classes draw nothing in drawRect (their content is painted here), so only
// other classes pay for a backing layer.
bool mayDrawItself(const UIView& view)
{
    static const std::unordered_set<std::type_index> stockClasses {
        typeid(UIView), typeid(UIWindow), typeid(UIImageView), typeid(UILabel), typeid(UIButton), typeid(UIControl),
        typeid(UISwitch), typeid(UITableView), typeid(UITableViewCell), typeid(UINavigationBar),
    };
    return !stockClasses.contains(typeid(view));
}

std::vector<std::shared_ptr<UIView>> inDrawingOrder(const UIView& view)
{
    auto subviews = view.subviews();
    std::stable_sort(subviews.begin(), subviews.end(), [](const auto& a, const auto& b) {
        return a->layer()->zPosition() < b->layer()->zPosition();
    });
    return subviews;
}

}

ViewPainter::ViewPainter(PaintContext paint, std::optional<double> animationTime)
    : m_paint(paint)
    , m_animationTime(animationTime)
    , m_now(MediaClock::now())
{
}

void ViewPainter::paint(const UIView& root)
{
    findPresentedControllers(root);
    paintView(root, root.bounds(), 0);
}

// The controllers presented in the window draw nothing of their own: alerts and pickers are found
// through the window's presentation chain and painted over their views.
void ViewPainter::findPresentedControllers(const UIView& root)
{
    auto* window = dynamic_cast<const UIWindow*>(&root);
    if (!window)
        return;
    auto controller = window->rootViewController();
    for (int count = 0; controller && count < maximumPresentations; ++count) {
        auto presented = controller->presentedViewController();
        bool isDrawnHere = dynamic_cast<const UIAlertController*>(presented.get()) || dynamic_cast<const UIImagePickerController*>(presented.get());
        if (isDrawnHere && presented->isViewLoaded())
            m_presented[presented->view().get()] = presented.get();
        controller = presented;
    }
}

// `frame` is in the superview's coordinates; its size stands for the view's own bounds.
void ViewPainter::paintView(const UIView& view, CGRect frame, int depth)
{
    if (view.isHidden() || view.alpha() <= 0 || depth > maximumDepth || !view.layer())
        return;
    CGContextRef context = m_paint.context;
    CGPoint origin = view.bounds().origin;
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, frame.origin.x - origin.x, frame.origin.y - origin.y);
    // A translucent view fades as one picture with its subviews, not each piece on its own.
    bool isGrouped = view.alpha() < 1;
    if (isGrouped) {
        CGContextSetAlpha(context, view.alpha());
        CGContextBeginTransparencyLayer(context, nullptr);
    }
    CGRect bounds { origin, frame.size };
    const CALayer& layer = *view.layer();
    if (const auto& background = view.backgroundColor(); background && background->alpha() > 0)
        Drawing::fillRoundedRect(context, bounds, layer.cornerRadius(), *background);
    if (layer.masksToBounds()) {
        CGContextBeginPath(context);
        Drawing::addRoundedRect(context, bounds, layer.cornerRadius());
        CGContextClip(context);
    }
    auto presented = m_presented.find(&view);
    const UIViewController* controller = presented == m_presented.end() ? nullptr : presented->second;
    // The library lies under the picker's bar; an alert lies over everything in its view.
    if (auto* picker = dynamic_cast<const UIImagePickerController*>(controller))
        PickerPainter::paintPhotoLibrary(m_paint, *picker, bounds);
    paintLayer(view, depth);
    if (auto* alert = dynamic_cast<const UIAlertController*>(controller))
        AlertPainter::paintAlert(m_paint, *alert, bounds);
    if (isGrouped)
        CGContextEndTransparencyLayer(context);
    CGContextRestoreGState(context);
}

void ViewPainter::paintLayer(const UIView& view, int depth)
{
    // Painters set colours, widths and caps freely: none of it may reach the subviews.
    CGContextSaveGState(m_paint.context);
    paintContent(view, depth);
    CGContextRestoreGState(m_paint.context);
    if (mayDrawItself(view))
        paintDrawRect(view);
    paintSubviews(view, depth);
}

void ViewPainter::paintContent(const UIView& view, int depth)
{
    if (auto* imageView = dynamic_cast<const UIImageView*>(&view)) {
        ControlPainter::paintImage(m_paint, *imageView, secondsPlayed(*imageView));
    } else if (auto* label = dynamic_cast<const UILabel*>(&view)) {
        ControlPainter::paintLabel(m_paint, *label);
    } else if (auto* button = dynamic_cast<const UIButton*>(&view)) {
        ControlPainter::paintButton(m_paint, *button);
    } else if (auto* control = dynamic_cast<const UISwitch*>(&view)) {
        ControlPainter::paintSwitch(m_paint, *control);
    } else if (auto* bar = dynamic_cast<const UINavigationBar*>(&view)) {
        ControlPainter::paintNavigationBar(m_paint, *bar);
    } else if (auto* cell = dynamic_cast<const UITableViewCell*>(&view)) {
        if (cell->isSelected() || cell->isHighlighted()) {
            if (const auto& selection = cell->selectedBackgroundView())
                paintView(*selection, cell->bounds(), depth + 1);
            else
                TablePainter::paintDefaultSelection(m_paint, *cell);
        }
        TablePainter::paintDecorations(m_paint, *cell);
    }
}

// drawRect draws into a backing layer of the view's size, composited like any other content.
void ViewPainter::paintDrawRect(const UIView& view)
{
    CGContextRef context = m_paint.context;
    CGRect bounds = view.bounds();
    CGContextSaveGState(context);
    CGContextClipToRect(context, bounds);
    CGContextBeginTransparencyLayer(context, nullptr);
    UIGraphicsPushContext(context);
    try {
        const_cast<UIView&>(view).drawRect(bounds);
    } catch (...) {
        // A view that fails to draw keeps what it drew so far; the rest of the tree still draws.
    }
    UIGraphicsPopContext();
    CGContextEndTransparencyLayer(context);
    CGContextRestoreGState(context);
}

void ViewPainter::paintSubviews(const UIView& view, int depth)
{
    for (const auto& subview : inDrawingOrder(view))
        paintView(*subview, subview->frame(), depth + 1);
}

double ViewPainter::secondsPlayed(const UIImageView& view) const
{
    if (m_animationTime)
        return *m_animationTime;
    return std::chrono::duration<double>(m_now - view.imageSetTime()).count();
}
