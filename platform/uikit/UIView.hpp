// Views: a frame, the properties a renderer reads, and a tree of subviews in back-to-front order.
// Frames only; no Auto Layout, no transforms, no animations, no gesture recognisers. Hit testing
// follows the platform's rules, with siblings tried in the order the renderer draws them.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <uikit/UIResponder.hpp>

#include <memory>
#include <vector>

class CALayer;
class UIColor;
class UIEvent;
class UIViewController;
class UIWindow;

class UIView : public UIResponder {
public:
    UIView();
    explicit UIView(CGRect frame);
    ~UIView() override;

    // Views are always held by std::shared_ptr: the tree keeps them alive through it.
    static std::shared_ptr<UIView> initWithFrame(CGRect);

    // Frame and center are in the superview's coordinates, bounds in the view's own. Rectangles
    // with negative sizes are standardised; ones with non-finite values are ignored.
    CGRect frame() const { return m_frame; }
    void setFrame(CGRect);
    CGRect bounds() const { return { m_boundsOrigin, m_frame.size }; }
    // Resizes around the center, as a view without a transform does.
    void setBounds(CGRect);
    CGPoint center() const;
    // Moves the frame; the size stays.
    void setCenter(CGPoint);

    const std::shared_ptr<UIColor>& backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(std::shared_ptr<UIColor> color) { m_backgroundColor = std::move(color); }
    CGFloat alpha() const { return m_alpha; }
    // Clamped to 0...1; NaN is ignored.
    void setAlpha(CGFloat);
    bool isHidden() const { return m_isHidden; }
    void setHidden(bool hidden) { m_isHidden = hidden; }
    bool isUserInteractionEnabled() const { return m_isUserInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_isUserInteractionEnabled = enabled; }
    // Stored as the layer's masksToBounds, as on the platform.
    bool clipsToBounds() const;
    void setClipsToBounds(bool);
    long tag() const { return m_tag; }
    void setTag(long tag) { m_tag = tag; }
    const std::shared_ptr<CALayer>& layer() const { return m_layer; }

    UIView* superview() const { return m_superview; }
    // A snapshot, back to front: callers may change the tree while they walk it.
    std::vector<std::shared_ptr<UIView>> subviews() const { return m_subviews; }
    // The window at the root of this view's tree, or null.
    UIWindow* window() const;
    // True for the view itself and every view below it.
    bool isDescendantOfView(const UIView*) const;

    // Adds the view in front of all others, first taking it out of its current superview. A view
    // that is already a subview comes to the front; a view can't be added to itself or below itself.
    void addSubview(std::shared_ptr<UIView>);
    // Inserts at the index (0 is the back), clamped to the number of subviews.
    void insertSubview(std::shared_ptr<UIView>, long index);
    // Both ignore a view that isn't a subview.
    void bringSubviewToFront(const std::shared_ptr<UIView>&);
    void sendSubviewToBack(const std::shared_ptr<UIView>&);
    void removeFromSuperview();
    // Depth first, back to front, starting with the view itself; null when no view has the tag.
    std::shared_ptr<UIView> viewWithTag(long tag) const;

    // Points between this view's coordinates and another's in the same tree (bounds origins
    // included); null names the root of the tree, the window when there is one.
    CGPoint convertPointToView(CGPoint, const UIView*) const;
    CGPoint convertPointFromView(CGPoint, const UIView*) const;

    // Whether the point (in this view's coordinates) lies within its bounds.
    virtual bool pointInside(CGPoint, UIEvent*) const;
    // The front-most view under the point (in this view's coordinates), this one or one below it.
    // Hidden views, views with alpha under 0.01 and views that don't take touches return null for
    // themselves and everything below them, as does a point outside the bounds. Siblings are
    // tried front to back in drawing order: by layer z position, then subview order. Views deeper
    // than the renderer draws are not found.
    virtual std::shared_ptr<UIView> hitTest(CGPoint, UIEvent*);
    static constexpr int maximumHitTestDepth = 256;

    // The controller whose view this is, else the superview.
    UIResponder* nextResponder() const override;

    // Sent through the runtime after every change of superview, so that a replaced
    // implementation runs; the view's own does nothing.
    void didMoveToSuperview() { }

    // Draws the view's own content into UIGraphicsGetCurrentContext(), in the view's coordinates,
    // when a renderer draws the tree; the rectangle is the part to draw. Plain views draw nothing.
    virtual void drawRect(CGRect) { }

private:
    friend class UIViewController;

    bool canAdopt(const UIView&) const;
    std::vector<std::shared_ptr<UIView>>::iterator findSubview(const UIView*);
    void placeSubview(std::shared_ptr<UIView>, size_t index);
    void takeOutSubview(UIView&);
    void moveSubview(const UIView*, size_t index);
    void sendDidMoveToSuperview();

    CGRect m_frame;
    CGPoint m_boundsOrigin;
    std::shared_ptr<UIColor> m_backgroundColor;
    CGFloat m_alpha { 1 };
    bool m_isHidden { false };
    bool m_isUserInteractionEnabled { true };
    long m_tag { 0 };
    std::shared_ptr<CALayer> m_layer;
    std::vector<std::shared_ptr<UIView>> m_subviews;
    UIView* m_superview { nullptr };
    // Set by the controller that loads or is given this view.
    std::weak_ptr<UIViewController> m_viewController;
};
