// The colours a settings page asks to be drawn in. A page hands them over with
// hb_setAppearanceSettings; a null colour leaves the platform's own.
#pragma once

#include <objc/NSObject.hpp>

#include <memory>

class UIColor;

class HBAppearanceSettings final : public NSObject {
public:
    HBAppearanceSettings() = default;

    static std::shared_ptr<HBAppearanceSettings> init();

    const std::shared_ptr<UIColor>& statusBarTintColor() const { return m_statusBarTintColor; }
    void setStatusBarTintColor(std::shared_ptr<UIColor> color) { m_statusBarTintColor = std::move(color); }
    const std::shared_ptr<UIColor>& navigationBarTintColor() const { return m_navigationBarTintColor; }
    void setNavigationBarTintColor(std::shared_ptr<UIColor> color) { m_navigationBarTintColor = std::move(color); }
    const std::shared_ptr<UIColor>& navigationBarBackgroundColor() const { return m_navigationBarBackgroundColor; }
    void setNavigationBarBackgroundColor(std::shared_ptr<UIColor> color) { m_navigationBarBackgroundColor = std::move(color); }
    const std::shared_ptr<UIColor>& tintColor() const { return m_tintColor; }
    void setTintColor(std::shared_ptr<UIColor> color) { m_tintColor = std::move(color); }
    const std::shared_ptr<UIColor>& tableViewBackgroundColor() const { return m_tableViewBackgroundColor; }
    void setTableViewBackgroundColor(std::shared_ptr<UIColor> color) { m_tableViewBackgroundColor = std::move(color); }
    const std::shared_ptr<UIColor>& tableViewCellBackgroundColor() const { return m_tableViewCellBackgroundColor; }
    void setTableViewCellBackgroundColor(std::shared_ptr<UIColor> color) { m_tableViewCellBackgroundColor = std::move(color); }
    const std::shared_ptr<UIColor>& tableViewCellTextColor() const { return m_tableViewCellTextColor; }
    void setTableViewCellTextColor(std::shared_ptr<UIColor> color) { m_tableViewCellTextColor = std::move(color); }
    const std::shared_ptr<UIColor>& tableViewCellSelectionColor() const { return m_tableViewCellSelectionColor; }
    void setTableViewCellSelectionColor(std::shared_ptr<UIColor> color) { m_tableViewCellSelectionColor = std::move(color); }
    const std::shared_ptr<UIColor>& tableViewCellSeparatorColor() const { return m_tableViewCellSeparatorColor; }
    void setTableViewCellSeparatorColor(std::shared_ptr<UIColor> color) { m_tableViewCellSeparatorColor = std::move(color); }

private:
    std::shared_ptr<UIColor> m_statusBarTintColor;
    std::shared_ptr<UIColor> m_navigationBarTintColor;
    std::shared_ptr<UIColor> m_navigationBarBackgroundColor;
    std::shared_ptr<UIColor> m_tintColor;
    std::shared_ptr<UIColor> m_tableViewBackgroundColor;
    std::shared_ptr<UIColor> m_tableViewCellBackgroundColor;
    std::shared_ptr<UIColor> m_tableViewCellTextColor;
    std::shared_ptr<UIColor> m_tableViewCellSelectionColor;
    std::shared_ptr<UIColor> m_tableViewCellSeparatorColor;
};
