// Controllers that record their appearance callbacks, and a window to show them in.
#pragma once

#include <foundation/NSRunLoop.hpp>
#include <uikit/UIScreen.hpp>
#include <uikit/UIViewController.hpp>
#include <uikit/UIWindow.hpp>

#include <memory>
#include <string>
#include <vector>

namespace ControllerTestSupport {

inline std::vector<std::string>& events()
{
    static std::vector<std::string> events;
    return events;
}

template<typename Base>
class Recording : public Base {
public:
    explicit Recording(std::string name = {})
        : m_name(std::move(name))
    {
    }

    void viewWillAppear(bool animated) override
    {
        Base::viewWillAppear(animated);
        events().push_back(m_name + " willAppear");
    }
    void viewDidAppear(bool animated) override
    {
        Base::viewDidAppear(animated);
        events().push_back(m_name + " didAppear");
    }
    void viewWillDisappear(bool animated) override
    {
        Base::viewWillDisappear(animated);
        events().push_back(m_name + " willDisappear");
    }
    void viewDidDisappear(bool animated) override
    {
        Base::viewDidDisappear(animated);
        events().push_back(m_name + " didDisappear");
    }

private:
    std::string m_name;
};

using RecordingController = Recording<UIViewController>;

inline std::shared_ptr<UIWindow> makeWindow(std::shared_ptr<UIViewController> root)
{
    auto window = UIWindow::initWithFrame(UIScreen::mainScreen()->bounds());
    window->setRootViewController(std::move(root));
    return window;
}

// Turns the main run loop until the condition holds; false after a few seconds. In short slices,
// so that a condition met by a callback is seen without waiting out the whole timeout.
inline bool waitFor(const std::function<bool()>& condition)
{
    for (int slice = 0; slice < 250; ++slice) {
        if (NSRunLoop::mainRunLoop()->runUntil(condition, 0.02))
            return true;
    }
    return false;
}

inline bool waitFor(const bool& flag)
{
    return waitFor([&flag] { return flag; });
}

// Lets every transition already started (animated ones take 0.35 s) run to its end.
inline void settle()
{
    NSRunLoop::mainRunLoop()->runForTimeInterval(UIViewController::transitionDuration + 0.1);
}

}
