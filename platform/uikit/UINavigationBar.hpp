// A navigation bar: the stack of items whose top one it shows (the item below it names the back
// button), translucency and tint colours. A touch lifted on the back button pops the page shown.
// Drawn by the renderer; no prompt, bar button items, large titles or delegate.
#pragma once

#include <uikit/UIView.hpp>

#include <memory>
#include <string>
#include <vector>

class UIColor;
class UINavigationController;
class UINavigationItem;

class UINavigationBar : public UIView {
public:
    using Items = std::vector<std::shared_ptr<UINavigationItem>>;

    UINavigationBar() = default;
    explicit UINavigationBar(CGRect frame)
        : UIView(frame)
    {
    }

    // Translucent unless told otherwise, as on the platform.
    bool isTranslucent() const { return m_isTranslucent; }
    // The controller that owns the bar lays its pages out again: they lie under a translucent bar.
    void setTranslucent(bool);
    const std::shared_ptr<UIColor>& barTintColor() const { return m_barTintColor; }
    void setBarTintColor(std::shared_ptr<UIColor> color) { m_barTintColor = std::move(color); }
    const std::shared_ptr<UIColor>& tintColor() const { return m_tintColor; }
    void setTintColor(std::shared_ptr<UIColor> color) { m_tintColor = std::move(color); }

    // Bottom to top; a navigation controller keeps them in step with its pages. Null items are left out.
    const Items& items() const { return m_items; }
    void setItems(Items);
    std::shared_ptr<UINavigationItem> topItem() const;
    std::shared_ptr<UINavigationItem> backItem() const;
    // The title on screen: the top item's, read when asked, so a later setTitle shows.
    std::string displayedTitle() const;
    // The back button's title: the item below the top one's, "Back" for an untitled one; empty
    // when there is no back button.
    std::string displayedBackTitle() const;

    // Where the back button is drawn and takes touches (bar coordinates); CGRectZero without one.
    static constexpr CGFloat backButtonWidth = 122;
    CGRect backButtonRect() const;
    bool isBackButtonHighlighted() const { return m_isBackButtonHighlighted; }

    void touchesBegan(UITouch&, UIEvent*) override;
    void touchesMoved(UITouch&, UIEvent*) override;
    void touchesEnded(UITouch&, UIEvent*) override;
    void touchesCancelled(UITouch&, UIEvent*) override;

    // Set by the navigation controller that owns the bar.
    void setNavigationController(std::weak_ptr<UINavigationController> controller)
    {
        m_navigationController = std::move(controller);
    }

private:
    bool isOnBackButton(UITouch&) const;
    void goBack();

    bool m_isTranslucent { true };
    bool m_isTrackingBackButton { false };
    bool m_isBackButtonHighlighted { false };
    std::weak_ptr<UINavigationController> m_navigationController;
    std::shared_ptr<UIColor> m_barTintColor;
    std::shared_ptr<UIColor> m_tintColor;
    Items m_items;
};
