// Paints a view tree: backgrounds with their corners, alpha as one group per view, clipping, the
// content of each kind of view, drawRect in a backing layer of its own, and siblings in z-position
// order (equal positions keep subview order). Hidden views and their subviews are left out.
#pragma once

#include <render/Drawing.hpp>

#include <chrono>
#include <optional>
#include <unordered_map>

class UIViewController;
class UIImageView;
class UIView;

class ViewPainter {
public:
    // Deeper views are left out: a tree from a runaway loop must not exhaust the stack.
    static constexpr int maximumDepth = 256;

    // `animationTime`: seconds every animated image has played; by default the time since each
    // image view's image was set.
    ViewPainter(PaintContext, std::optional<double> animationTime);

    // Paints the root in its own bounds: user space must be the root's coordinates.
    void paint(const UIView& root);

private:
    void paintView(const UIView&, CGRect frame, int depth);
    void paintLayer(const UIView&, int depth);
    void paintContent(const UIView&, int depth);
    void paintDrawRect(const UIView&);
    void paintSubviews(const UIView&, int depth);
    void findPresentedControllers(const UIView& root);
    double secondsPlayed(const UIImageView&) const;

    PaintContext m_paint;
    std::optional<double> m_animationTime;
    std::chrono::steady_clock::time_point m_now;
    // The views of presented alerts and pickers, whose controllers draw over them.
    std::unordered_map<const UIView*, const UIViewController*> m_presented;
};
