#include <uikit/UILabel.hpp>

#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>

#include <algorithm>
#include <cmath>
#include <string_view>

static const Class s_class = objc::registerClass<UILabel>("UILabel", "UIView");

namespace {

// Counts code points, not bytes: an emoji is one glyph wide, not four.
size_t glyphCount(std::string_view line)
{
    return static_cast<size_t>(std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}

UILabel::UILabel()
    : UILabel(CGRectZero)
{
}

UILabel::UILabel(CGRect frame)
    : UIView(frame)
    , m_textColor(UIColor::blackColor())
    , m_font(UIFont::systemFontOfSize(UIFont::labelFontSize))
{
    setUserInteractionEnabled(false);
}

std::shared_ptr<UILabel> UILabel::initWithFrame(CGRect frame)
{
    return std::make_shared<UILabel>(frame);
}

void UILabel::setTextColor(std::shared_ptr<UIColor> color)
{
    m_textColor = color ? std::move(color) : UIColor::blackColor();
}

void UILabel::setFont(std::shared_ptr<UIFont> font)
{
    m_font = font ? std::move(font) : UIFont::systemFontOfSize(UIFont::labelFontSize);
}

void UILabel::setTextAlignment(long alignment)
{
    if (alignment >= NSTextAlignmentLeft && alignment <= NSTextAlignmentRight)
        m_textAlignment = alignment;
}

void UILabel::setMinimumScaleFactor(CGFloat factor)
{
    if (!std::isnan(factor))
        m_minimumScaleFactor = std::clamp(factor, 0.0, 1.0);
}

long UILabel::estimatedLineCount(CGFloat width) const
{
    if (m_text.empty())
        return 0;
    CGFloat glyphWidth = m_font->pointSize() / 2;
    size_t perLine = std::isfinite(width) && width > glyphWidth ? static_cast<size_t>(width / glyphWidth) : 1;
    long lines = 0;
    std::string_view rest = m_text;
    while (true) {
        size_t end = rest.find('\n');
        size_t glyphs = glyphCount(rest.substr(0, end));
        lines += static_cast<long>(std::max<size_t>(1, (glyphs + perLine - 1) / perLine));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return m_numberOfLines > 0 ? std::min(lines, m_numberOfLines) : lines;
}
