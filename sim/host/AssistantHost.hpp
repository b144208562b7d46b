// A process that shows the assistant: its identity as the loader sees it, its own flames view class,
// one full-screen window, and the flames view it places there at every invocation.
#pragma once

#include "Json.hpp"
#include "SUICFlamesView.hpp"

#include <uikit/UIWindow.hpp>

#include <memory>
#include <string>

namespace sim {

enum class FlamesClass {
    Registered,
    Absent,
};

class AssistantHost {
public:
    // Sets the process's identity, registers the host's classes, then runs the injection loader.
    explicit AssistantHost(FlamesClass);

    // Places a new flames view in the window, first removing the one shown.
    void show();
    // Takes the shown flames view out of the window.
    void hide();
    // Turns the main run loop for that long: store changes arrive.
    void wait(double seconds);
    // The window's view tree.
    Json dump() const;

    UIWindow& window() const { return *m_window; }
    // The view placed by the latest show, or null; a plain view when the class is absent.
    const std::shared_ptr<UIView>& shownView() const { return m_shown; }

private:
    FlamesClass m_flamesClass;
    std::shared_ptr<UIWindow> m_window;
    std::shared_ptr<UIView> m_shown;
};

}
