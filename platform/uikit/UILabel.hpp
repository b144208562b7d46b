// A label: text and how it is set, for a renderer to draw. No attributed text, no measuring
// beyond a rough estimate, no line-break modes.
#pragma once

#include <uikit/UIView.hpp>

#include <memory>
#include <string>

class UIColor;
class UIFont;

enum NSTextAlignment : long {
    NSTextAlignmentLeft = 0,
    NSTextAlignmentCenter = 1,
    NSTextAlignmentRight = 2,
};

class UILabel : public UIView {
public:
    UILabel();
    explicit UILabel(CGRect frame);

    static std::shared_ptr<UILabel> initWithFrame(CGRect);

    const std::string& text() const { return m_text; }
    void setText(std::string text) { m_text = std::move(text); }
    // Black by default; setting null restores the default, as on the platform.
    const std::shared_ptr<UIColor>& textColor() const { return m_textColor; }
    void setTextColor(std::shared_ptr<UIColor>);
    // The system font at 17 points by default; setting null restores it.
    const std::shared_ptr<UIFont>& font() const { return m_font; }
    void setFont(std::shared_ptr<UIFont>);
    long textAlignment() const { return m_textAlignment; }
    // Values other than left, centre and right are ignored.
    void setTextAlignment(long);
    // 0 means as many lines as needed; negative values are taken as 0.
    long numberOfLines() const { return m_numberOfLines; }
    void setNumberOfLines(long lines) { m_numberOfLines = lines < 0 ? 0 : lines; }
    bool adjustsFontSizeToFitWidth() const { return m_adjustsFontSizeToFitWidth; }
    void setAdjustsFontSizeToFitWidth(bool adjusts) { m_adjustsFontSizeToFitWidth = adjusts; }
    // Clamped to 0...1; NaN is ignored.
    CGFloat minimumScaleFactor() const { return m_minimumScaleFactor; }
    void setMinimumScaleFactor(CGFloat);

    // Lines the text takes at this width: explicit line feeds, and wrapping estimated from an
    // average glyph width of half the point size. Layout only; a renderer measures for real.
    long estimatedLineCount(CGFloat width) const;

private:
    std::string m_text;
    std::shared_ptr<UIColor> m_textColor;
    std::shared_ptr<UIFont> m_font;
    long m_textAlignment { NSTextAlignmentLeft };
    long m_numberOfLines { 1 };
    bool m_adjustsFontSizeToFitWidth { false };
    CGFloat m_minimumScaleFactor { 0 };
};
