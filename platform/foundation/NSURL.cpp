#include <foundation/NSURL.hpp>

static const Class s_class = objc::registerClass<NSURL>("NSURL", "NSObject");

NSURL::NSURL(bool isFile, std::string text)
    : m_isFile(isFile)
    , m_path(isFile ? std::move(text) : std::string())
    , m_text(isFile ? std::string() : std::move(text))
{
}

std::shared_ptr<NSURL> NSURL::fileURLWithPath(const std::string& path)
{
    return std::make_shared<NSURL>(true, path);
}

std::shared_ptr<NSURL> NSURL::URLWithString(const std::string& text)
{
    auto colon = text.find(':');
    if (text.empty() || colon == std::string::npos || colon == 0)
        return nullptr;
    if (text.compare(0, 7, "file://") == 0)
        return std::make_shared<NSURL>(true, text.substr(7));
    return std::make_shared<NSURL>(false, text);
}

std::string NSURL::absoluteString() const
{
    return m_isFile ? "file://" + m_path : m_text;
}
