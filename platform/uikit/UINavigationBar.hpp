// A navigation bar: the stack of items whose top one it shows, translucency and tint colours kept
// for appearance code. Nothing is drawn; no back button, prompt or large titles.
#pragma once

#include <uikit/UIView.hpp>

#include <memory>
#include <string>
#include <vector>

class UIColor;
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
    void setTranslucent(bool translucent) { m_isTranslucent = translucent; }
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

private:
    bool m_isTranslucent { true };
    std::shared_ptr<UIColor> m_barTintColor;
    std::shared_ptr<UIColor> m_tintColor;
    Items m_items;
};
