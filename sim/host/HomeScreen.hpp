// The home screen of the simulated phone, drawn by the process that also shows the assistant: a
// wallpaper and one icon, the Settings app's, a control that takes touches through the window.
// Tapping the icon is the only thing it does.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <uikit/UIWindow.hpp>

#include <memory>
#include <utility>

namespace sim {

class HomeScreen {
public:
    HomeScreen();
    // The icon's action points back here.
    HomeScreen(const HomeScreen&) = delete;
    HomeScreen& operator=(const HomeScreen&) = delete;

    UIWindow& window() const { return *m_window; }
    // Whether the Settings icon was tapped since last asked; asking clears it.
    bool takeSettingsOpened() { return std::exchange(m_isSettingsOpened, false); }

private:
    std::shared_ptr<UIWindow> m_window;
    bool m_isSettingsOpened { false };
};

}
