#include <uikit/UIFont.hpp>

#include <cmath>

static const Class s_class = objc::registerClass<UIFont>("UIFont", "NSObject");

namespace {

CGFloat usableSize(CGFloat size)
{
    return std::isfinite(size) && size > 0 ? size : UIFont::labelFontSize;
}

}

UIFont::UIFont(std::string name, CGFloat pointSize)
    : m_name(std::move(name))
    , m_pointSize(usableSize(pointSize))
{
}

std::shared_ptr<UIFont> UIFont::fontWithName(const std::string& name, CGFloat size)
{
    if (name.empty())
        return nullptr;
    return std::make_shared<UIFont>(name, size);
}

std::shared_ptr<UIFont> UIFont::systemFontOfSize(CGFloat size)
{
    return std::make_shared<UIFont>(systemFontName, size);
}

std::shared_ptr<UIFont> UIFont::boldSystemFontOfSize(CGFloat size)
{
    return std::make_shared<UIFont>(boldSystemFontName, size);
}

bool UIFont::isBold() const
{
    for (const char* word : { "Bold", "Semibold", "Heavy", "Black" }) {
        if (m_name.find(word) != std::string::npos)
            return true;
    }
    return false;
}
