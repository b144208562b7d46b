// A table row: an icon, a title, a value on the right, and an accessory (a glyph or a view). The labels and
// the accessory view are subviews, placed by layoutSubviews when the table sizes the cell.
// No content view, editing, reuse queue or highlight animation.
#pragma once

#include <uikit/UIView.hpp>

#include <memory>
#include <string>

class UIImageView;
class UILabel;

enum UITableViewCellStyle : long {
    UITableViewCellStyleDefault = 0,
    UITableViewCellStyleValue1 = 1,
    UITableViewCellStyleValue2 = 2,
    UITableViewCellStyleSubtitle = 3,
};

enum UITableViewCellAccessoryType : long {
    UITableViewCellAccessoryNone = 0,
    UITableViewCellAccessoryDisclosureIndicator = 1,
    UITableViewCellAccessoryDetailDisclosureButton = 2,
    UITableViewCellAccessoryCheckmark = 3,
    UITableViewCellAccessoryDetailButton = 4,
};

class UITableViewCell : public UIView {
public:
    // Margin of the labels and the accessory from the cell's edges.
    static constexpr CGFloat margin = 16;
    // Width kept at the right for an accessory glyph, which a renderer draws there.
    static constexpr CGFloat accessoryGlyphWidth = 24;
    // Side of the icon at the left, as the Settings app shows its entries' icons.
    static constexpr CGFloat iconSide = 29;

    UITableViewCell(long style, std::string reuseIdentifier);

    static std::shared_ptr<UITableViewCell> initWithStyle(long style, const std::string& reuseIdentifier);

    long style() const { return m_style; }
    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    const std::shared_ptr<UILabel>& textLabel() const { return m_textLabel; }
    // Present in every style here; a renderer leaves it out when its text is empty.
    const std::shared_ptr<UILabel>& detailTextLabel() const { return m_detailTextLabel; }
    // Made on first use, as the platform does; it takes room left of the title only while it holds
    // an image. Call layoutSubviews after setting one.
    const std::shared_ptr<UIImageView>& imageView();

    long accessoryType() const { return m_accessoryType; }
    // Unknown values give no accessory rather than a glyph nobody can draw.
    void setAccessoryType(long);
    // Shown instead of the accessory glyph, e.g. a switch.
    const std::shared_ptr<UIView>& accessoryView() const { return m_accessoryView; }
    void setAccessoryView(std::shared_ptr<UIView>);

    // Drawn behind the row while it is selected.
    const std::shared_ptr<UIView>& selectedBackgroundView() const { return m_selectedBackgroundView; }
    void setSelectedBackgroundView(std::shared_ptr<UIView> view) { m_selectedBackgroundView = std::move(view); }
    bool isSelected() const { return m_isSelected; }
    void setSelected(bool selected, bool animated);
    // Drawn like the selection while a finger rests on the row.
    bool isHighlighted() const { return m_isHighlighted; }
    void setHighlighted(bool highlighted, bool) { m_isHighlighted = highlighted; }

    // Places the labels and the accessory view for the current frame.
    void layoutSubviews();

private:
    bool hasAccessory() const { return m_accessoryView || m_accessoryType != UITableViewCellAccessoryNone; }
    CGFloat accessoryLeftEdge() const;

    long m_style;
    std::string m_reuseIdentifier;
    std::shared_ptr<UILabel> m_textLabel;
    std::shared_ptr<UILabel> m_detailTextLabel;
    std::shared_ptr<UIImageView> m_imageView;
    long m_accessoryType { UITableViewCellAccessoryNone };
    std::shared_ptr<UIView> m_accessoryView;
    std::shared_ptr<UIView> m_selectedBackgroundView;
    bool m_isSelected { false };
    bool m_isHighlighted { false };
};
