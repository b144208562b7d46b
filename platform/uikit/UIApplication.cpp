#include <uikit/UIApplication.hpp>

#include <foundation/NSRunLoop.hpp>
#include <foundation/NSURL.hpp>

static const Class s_class = objc::registerClass<UIApplication>("UIApplication", "NSObject");

std::shared_ptr<UIApplication> UIApplication::sharedApplication()
{
    // Never destroyed, so that code running during exit may still open URLs.
    static auto* application = new std::shared_ptr<UIApplication>(std::make_shared<UIApplication>());
    return *application;
}

void UIApplication::openURL(std::shared_ptr<NSURL> url, const OpenURLOptions&, std::function<void(bool)> completionHandler)
{
    if (url) {
        std::lock_guard guard(m_lock);
        m_openedURLs.push_back(std::move(url));
    }
    if (completionHandler)
        NSRunLoop::mainRunLoop()->performBlock([handler = std::move(completionHandler)] { handler(false); });
}

std::vector<std::shared_ptr<NSURL>> UIApplication::openedURLs() const
{
    std::lock_guard guard(m_lock);
    return m_openedURLs;
}
