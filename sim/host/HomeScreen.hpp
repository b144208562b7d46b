// The home screen of the simulated phone, drawn by the process that also shows the assistant: a
// wallpaper and one icon, the Settings app's. Tapping the icon is the only thing it does.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <uikit/UIWindow.hpp>

#include <memory>

namespace sim {

class HomeScreen {
public:
    HomeScreen();

    UIWindow& window() const { return *m_window; }
    // Whether a tap at the point, in the window's points, lands on the Settings icon.
    bool isOnSettingsIcon(CGPoint) const;

private:
    std::shared_ptr<UIWindow> m_window;
    CGRect m_iconArea {};
};

}
