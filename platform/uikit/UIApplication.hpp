// The application object: opening URLs. The simulated device has no browser or other apps, so
// every URL is recorded for the host and reported as not opened. No delegate, windows or state.
#pragma once

#include <objc/NSObject.hpp>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class NSURL;

class UIApplication final : public NSObject {
public:
    using OpenURLOptions = std::map<std::string, std::shared_ptr<NSObject>>;

    UIApplication() = default;

    static std::shared_ptr<UIApplication> sharedApplication();

    // Nothing can open a URL here.
    bool canOpenURL(const std::shared_ptr<NSURL>&) const { return false; }
    // Records the URL (a null one is not recorded) and calls the handler, if any, with false on
    // the main run loop, never within the call.
    void openURL(std::shared_ptr<NSURL>, const OpenURLOptions& options, std::function<void(bool)> completionHandler);

    // For the host: every URL asked for, oldest first.
    std::vector<std::shared_ptr<NSURL>> openedURLs() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<NSURL>> m_openedURLs;
};
