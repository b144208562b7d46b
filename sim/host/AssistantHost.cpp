#include "AssistantHost.hpp"
#include "ViewDump.hpp"

#include <foundation/NSBundle.hpp>
#include <foundation/NSRunLoop.hpp>
#include <substrate/Loader.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIScreen.hpp>

namespace sim {

namespace {

constexpr const char* hostBundleIdentifier = "com.apple.springboard";
constexpr const char* hostExecutable = "SpringBoard";
// The frameworks whose bundles the host has loaded; the assistant's own brings the flames view.
constexpr const char* uiFramework = "com.apple.UIKit";
constexpr const char* assistantFramework = "com.apple.SiriUICore";

}

AssistantHost::AssistantHost(FlamesClass flamesClass)
    : m_flamesClass(flamesClass)
{
    NSBundle::setMainBundleIdentity(hostBundleIdentifier, hostExecutable);
    NSBundle::registerLoadedFramework(uiFramework);
    if (m_flamesClass == FlamesClass::Registered) {
        NSBundle::registerLoadedFramework(assistantFramework);
        SUICFlamesView::registerClass();
    }
    Substrate::loadTweaks();

    m_window = UIWindow::initWithFrame(UIScreen::mainScreen()->bounds());
    // The assistant dims whatever lies below it.
    m_window->setBackgroundColor(UIColor::colorWithRed(0.02, 0.02, 0.04, 1.0));
}

void AssistantHost::show()
{
    hide();
    CGRect bounds = m_window->bounds();
    if (m_flamesClass == FlamesClass::Registered)
        m_shown = SUICFlamesView::initWithFrame(bounds);
    else
        m_shown = UIView::initWithFrame(bounds);
    m_window->addSubview(m_shown);
}

void AssistantHost::hide()
{
    if (m_shown)
        m_shown->removeFromSuperview();
}

void AssistantHost::wait(double seconds)
{
    NSRunLoop::mainRunLoop()->runForTimeInterval(seconds);
}

Json AssistantHost::dump() const
{
    return dumpViewTree(*m_window, [](const UIView& view, Json& json) {
        if (auto* flames = dynamic_cast<const SUICFlamesView*>(&view))
            json["flamesRunning"] = flames->isRunning();
    });
}

}
