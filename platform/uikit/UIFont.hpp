// Fonts as a name and a point size. Nothing is measured or loaded here: a named font the machine
// lacks keeps its name, and drawing falls back to a similar face.
#pragma once

#include <coregraphics/CGGeometry.hpp>
#include <objc/NSObject.hpp>

#include <memory>
#include <string>

class UIFont final : public NSObject {
public:
    // The size a label uses when none is given, as on the platform.
    static constexpr CGFloat labelFontSize = 17;
    static constexpr const char* systemFontName = ".SFUI-Regular";
    static constexpr const char* boldSystemFontName = ".SFUI-Semibold";

    UIFont(std::string name, CGFloat pointSize);

    // Null for an empty name. Sizes that aren't positive and finite give the label size.
    static std::shared_ptr<UIFont> fontWithName(const std::string& name, CGFloat size);
    static std::shared_ptr<UIFont> systemFontOfSize(CGFloat size);
    static std::shared_ptr<UIFont> boldSystemFontOfSize(CGFloat size);

    const std::string& fontName() const { return m_name; }
    CGFloat pointSize() const { return m_pointSize; }
    bool isSystemFont() const { return !m_name.empty() && m_name.front() == '.'; }
    // By name: "HelveticaNeue-Bold" and the bold system font are bold.
    bool isBold() const;

private:
    std::string m_name;
    CGFloat m_pointSize;
};
