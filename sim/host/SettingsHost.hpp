// A process standing in for the Settings app: its list of entries from the installed preference
// loader entries, an outer navigation controller, and each opened entry's bundle page inside a
// navigation controller of its own, pushed onto the outer one with its bar hidden, so that the
// outer bar shows the page's title and back button.
#pragma once

#include "Json.hpp"

#include <preferences/PSListController.hpp>
#include <uikit/UIImage.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UIWindow.hpp>

#include <memory>
#include <string>
#include <vector>

namespace sim {

struct SettingsEntry {
    std::string label;
    std::string bundlePath;          // the device path of the entry's bundle
    std::string detailClass;         // the class to show, else the bundle's principal class
    std::shared_ptr<UIImage> icon;   // shown left of the label; may be null
};

class SettingsHost {
public:
    SettingsHost();

    const std::vector<SettingsEntry>& entries() const { return m_entries; }

    // Each step returns false with the reason when it can't be done. Taps, rows and back are
    // touches through the window at the element's centre on screen, so a covered one isn't reached.
    bool open(const std::string& label, std::string& error);
    bool tap(const std::string& text, std::string& error);
    bool tapRow(long index, std::string& error);
    bool back(std::string& error);
    // A touch at a point of the screen, in points; false when nothing there takes it.
    bool tapAt(CGPoint, std::string& error);
    bool drag(CGPoint from, CGVector by, std::string& error);
    bool pick(const std::string& file, std::string& error);
    bool cancel(std::string& error);
    void wait(double seconds);
    // The screen, as dumpSettings describes it.
    Json dump() const;

    UIWindow& window() const { return *m_window; }
    // The page on top of the innermost navigation stack.
    std::shared_ptr<UIViewController> visiblePage() const;
    // What is presented over everything, if anything.
    std::shared_ptr<UIViewController> presented() const;

private:
    std::shared_ptr<UINavigationController> innermostNavigation() const;
    // Scrolls the view into its table if need be, then taps its centre if nothing covers it.
    bool touchView(UIView&, const std::string& what, std::string& error);

    std::vector<SettingsEntry> m_entries;
    std::shared_ptr<UIWindow> m_window;
    std::shared_ptr<UINavigationController> m_outer;
};

}
