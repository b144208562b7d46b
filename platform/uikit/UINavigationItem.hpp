// What a navigation bar shows for one page: its title. No bar button items, prompts or back items.
#pragma once

#include <objc/NSObject.hpp>

#include <memory>
#include <string>

class UINavigationItem final : public NSObject {
public:
    UINavigationItem() = default;
    explicit UINavigationItem(std::string title)
        : m_title(std::move(title))
    {
    }

    static std::shared_ptr<UINavigationItem> initWithTitle(std::string title);

    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }

private:
    std::string m_title;
};
