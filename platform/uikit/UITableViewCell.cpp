#include <uikit/UITableViewCell.hpp>

#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UILabel.hpp>

#include <algorithm>

static const Class s_class = objc::registerClass<UITableViewCell>("UITableViewCell", "UIView");

namespace {

// Glyph width as a share of the point size, for placing the value label before a renderer measures.
constexpr CGFloat averageGlyphWidth = 0.5;

}

UITableViewCell::UITableViewCell(long style, std::string reuseIdentifier)
    : UIView(CGRectMake(0, 0, 320, 44))
    , m_style(style >= UITableViewCellStyleDefault && style <= UITableViewCellStyleSubtitle ? style : UITableViewCellStyleDefault)
    , m_reuseIdentifier(std::move(reuseIdentifier))
    , m_textLabel(UILabel::initWithFrame(CGRectZero))
    , m_detailTextLabel(UILabel::initWithFrame(CGRectZero))
{
    setBackgroundColor(UIColor::whiteColor());
    m_detailTextLabel->setTextColor(UIColor::colorWithWhite(0.56, 1));
    m_detailTextLabel->setTextAlignment(m_style == UITableViewCellStyleValue1 ? NSTextAlignmentRight : NSTextAlignmentLeft);
    if (m_style == UITableViewCellStyleSubtitle)
        m_detailTextLabel->setFont(UIFont::systemFontOfSize(12));
}

std::shared_ptr<UITableViewCell> UITableViewCell::initWithStyle(long style, const std::string& reuseIdentifier)
{
    auto cell = std::make_shared<UITableViewCell>(style, reuseIdentifier);
    cell->addSubview(cell->m_textLabel);
    cell->addSubview(cell->m_detailTextLabel);
    cell->layoutSubviews();
    return cell;
}

const std::shared_ptr<UIImageView>& UITableViewCell::imageView()
{
    if (!m_imageView) {
        m_imageView = UIImageView::initWithFrame(CGRectZero);
        addSubview(m_imageView);
    }
    return m_imageView;
}

void UITableViewCell::setAccessoryType(long type)
{
    m_accessoryType = type >= UITableViewCellAccessoryNone && type <= UITableViewCellAccessoryDetailButton ? type : UITableViewCellAccessoryNone;
    layoutSubviews();
}

void UITableViewCell::setAccessoryView(std::shared_ptr<UIView> view)
{
    if (m_accessoryView == view)
        return;
    if (m_accessoryView && m_accessoryView->superview() == this)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = std::move(view);
    if (m_accessoryView)
        addSubview(m_accessoryView);
    layoutSubviews();
}

void UITableViewCell::setSelected(bool selected, bool)
{
    m_isSelected = selected;
}

void UITableViewCell::layoutSubviews()
{
    CGSize size = frame().size;
    CGFloat right = std::max(margin, accessoryLeftEdge() - (hasAccessory() ? margin / 2 : 0));
    CGFloat left = margin;
    if (m_imageView && m_imageView->image()) {
        m_imageView->setFrame(CGRectMake(margin, (size.height - iconSide) / 2, iconSide, iconSide));
        left += iconSide + margin;
    } else if (m_imageView) {
        m_imageView->setFrame(CGRectZero);
    }
    CGFloat width = std::max(0.0, right - left);
    if (m_accessoryView) {
        CGSize accessory = m_accessoryView->frame().size;
        m_accessoryView->setFrame({ { size.width - margin - accessory.width, (size.height - accessory.height) / 2 }, accessory });
    }
    if (m_style == UITableViewCellStyleSubtitle) {
        m_textLabel->setFrame(CGRectMake(left, 0, width, size.height * 0.6));
        m_detailTextLabel->setFrame(CGRectMake(left, size.height * 0.55, width, size.height * 0.4));
        return;
    }
    // The value takes what it needs, up to half the row; the title gets the rest.
    const auto& detail = m_detailTextLabel;
    CGFloat detailWidth = 0;
    if (!detail->text().empty())
        detailWidth = std::min(width / 2, static_cast<CGFloat>(detail->text().size()) * detail->font()->pointSize() * averageGlyphWidth);
    m_textLabel->setFrame(CGRectMake(left, 0, std::max(0.0, width - detailWidth), size.height));
    detail->setFrame(CGRectMake(right - detailWidth, 0, detailWidth, size.height));
}

CGFloat UITableViewCell::accessoryLeftEdge() const
{
    CGFloat width = frame().size.width;
    if (m_accessoryView)
        return width - margin - m_accessoryView->frame().size.width;
    if (m_accessoryType != UITableViewCellAccessoryNone)
        return width - margin - accessoryGlyphWidth;
    return width - margin;
}
