#include <uikit/UITableView.hpp>

#include <uikit/NSIndexPath.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UITableViewCell.hpp>
#include <uikit/UITouch.hpp>

#include <algorithm>
#include <cmath>
#include <utility>

static const Class s_class = objc::registerClass<UITableView>("UITableView", "UIView");

namespace {

constexpr CGFloat captionFontSize = 13;
constexpr CGFloat captionLineHeight = 16;
// Space between a header's text and the first row, and above and below a footer's text.
constexpr CGFloat captionGap = 7;
// A delegate that reloads from every display call must not keep the table reloading forever.
constexpr int maximumReloadPasses = 4;

long clampedCount(long count, long maximum)
{
    return std::clamp(count, 0L, maximum);
}

}

UITableView::UITableView(CGRect frame, long style)
    : UIView(frame)
    , m_style(style >= UITableViewStylePlain && style <= UITableViewStyleInsetGrouped ? style : UITableViewStylePlain)
    , m_separatorColor(UIColor::colorWithRed(0.78, 0.78, 0.8, 1))
{
    // A scroll view shows only what is scrolled into its bounds.
    setClipsToBounds(true);
    if (m_style == UITableViewStylePlain)
        setBackgroundColor(UIColor::whiteColor());
    else
        setBackgroundColor(UIColor::colorWithRed(0.95, 0.95, 0.97, 1));
}

std::shared_ptr<UITableView> UITableView::initWithFrame(CGRect frame, long style)
{
    return std::make_shared<UITableView>(frame, style);
}

void UITableView::reloadData()
{
    if (m_isReloading) {
        m_needsReload = true;
        return;
    }
    // A delegate may drop the last owner of the table while it is being filled.
    auto protectedThis = weak_from_this().lock();
    // Cleared however the reload ends, so an exception from a data source can't freeze the table.
    struct ReloadScope {
        bool& flag;
        explicit ReloadScope(bool& isReloading) : flag(isReloading) { flag = true; }
        ~ReloadScope() { flag = false; }
    } scope(m_isReloading);
    for (int pass = 0; pass < maximumReloadPasses; ++pass) {
        m_needsReload = false;
        rebuild();
        if (!m_needsReload)
            break;
    }
}

void UITableView::rebuild()
{
    removeRows();
    auto dataSource = m_dataSource.lock();
    if (!dataSource)
        return;
    auto delegate = m_delegate.lock();
    long count = clampedCount(dataSource->numberOfSectionsInTableView(this), maximumSectionCount);
    m_rowBudget = maximumRowCount;
    m_placedCount = 0;
    CGFloat top = 0;
    for (long index = 0; index < count; ++index)
        top = layOutSection(index, top, *dataSource, delegate.get());
    m_contentHeight = top;
}

void UITableView::removeRows()
{
    auto sections = std::move(m_sections);
    m_sections.clear();
    m_contentHeight = 0;
    auto removeOwn = [this](const std::shared_ptr<UIView>& view) {
        if (view && view->superview() == this)
            view->removeFromSuperview();
    };
    for (auto& section : sections) {
        removeOwn(section.header);
        removeOwn(section.footer);
        for (auto& cell : section.cells)
            removeOwn(cell);
    }
}

CGFloat UITableView::layOutSection(long index, CGFloat top, UITableViewDataSource& dataSource, UITableViewDelegate* delegate)
{
    CGFloat width = frame().size.width;
    CGFloat textWidth = std::max(0.0, width - 2 * sideMargin);
    m_sections.push_back({});
    if (auto header = makeCaption(dataSource.tableViewTitleForHeaderInSection(this, index))) {
        header->setNumberOfLines(1);
        header->setFrame(CGRectMake(sideMargin, top + sectionHeaderHeight - captionGap - captionLineHeight, textWidth, captionLineHeight));
        m_sections.back().header = header;
    }
    m_sections.back().headerRect = CGRectMake(0, top, width, sectionHeaderHeight);
    top += sectionHeaderHeight;

    long rows = clampedCount(dataSource.tableViewNumberOfRowsInSection(this, index), m_rowBudget);
    m_rowBudget -= rows;
    for (long row = 0; row < rows; ++row) {
        auto cell = makeCell(row, index, dataSource);
        CGRect rect = rowRect(top);
        cell->setFrame(rect);
        cell->layoutSubviews();
        // Rows go behind every view that isn't a row, such as a button floating over them.
        insertSubview(cell, m_placedCount++);
        m_sections[static_cast<size_t>(index)].rowRects.push_back(rect);
        m_sections[static_cast<size_t>(index)].cells.push_back(cell);
        top += rowHeight;
        if (delegate)
            delegate->tableViewWillDisplayCellForRowAtIndexPath(this, cell, NSIndexPath::indexPathForRowInSection(row, index));
    }

    Section& section = m_sections[static_cast<size_t>(index)];
    CGFloat footerHeight = 0;
    if (auto footer = makeCaption(dataSource.tableViewTitleForFooterInSection(this, index))) {
        footer->setNumberOfLines(0);
        CGFloat textHeight = static_cast<CGFloat>(footer->estimatedLineCount(textWidth)) * captionLineHeight;
        footer->setFrame(CGRectMake(sideMargin, top + captionGap, textWidth, textHeight));
        footerHeight = textHeight + 2 * captionGap;
        section.footer = footer;
    }
    section.footerRect = CGRectMake(0, top, width, footerHeight);
    return top + footerHeight;
}

std::shared_ptr<UILabel> UITableView::makeCaption(const std::string& text)
{
    if (text.empty())
        return nullptr;
    auto label = UILabel::initWithFrame(CGRectZero);
    label->setText(text);
    label->setFont(UIFont::systemFontOfSize(captionFontSize));
    label->setTextColor(UIColor::colorWithRed(0.43, 0.43, 0.45, 1));
    insertSubview(label, m_placedCount++);
    return label;
}

std::shared_ptr<UITableViewCell> UITableView::makeCell(long row, long section, UITableViewDataSource& dataSource)
{
    auto cell = dataSource.tableViewCellForRowAtIndexPath(this, NSIndexPath::indexPathForRowInSection(row, section));
    // The platform throws for a missing cell; an empty row keeps the host running.
    if (!cell)
        cell = UITableViewCell::initWithStyle(UITableViewCellStyleDefault, std::string());
    // A cell already in the table (returned twice) would leave a hole where it was.
    if (cell->superview() == this && indexPathForCell(cell.get()))
        cell = UITableViewCell::initWithStyle(cell->style(), cell->reuseIdentifier());
    return cell;
}

CGRect UITableView::rowRect(CGFloat top) const
{
    CGFloat width = frame().size.width;
    if (m_style == UITableViewStyleInsetGrouped)
        return CGRectMake(sideMargin, top, std::max(0.0, width - 2 * sideMargin), rowHeight);
    return CGRectMake(0, top, width, rowHeight);
}

const UITableView::Section* UITableView::section(long index) const
{
    if (index < 0 || index >= numberOfSections())
        return nullptr;
    return &m_sections[static_cast<size_t>(index)];
}

long UITableView::numberOfRowsInSection(long index) const
{
    const Section* found = section(index);
    return found ? static_cast<long>(found->cells.size()) : 0;
}

std::shared_ptr<UITableViewCell> UITableView::cellForRowAtIndexPath(const NSIndexPath& indexPath) const
{
    const Section* found = section(indexPath.section());
    if (!found || indexPath.row() < 0 || indexPath.row() >= static_cast<long>(found->cells.size()))
        return nullptr;
    return found->cells[static_cast<size_t>(indexPath.row())];
}

std::shared_ptr<NSIndexPath> UITableView::indexPathForCell(const UITableViewCell* cell) const
{
    for (size_t section = 0; section < m_sections.size(); ++section) {
        const auto& cells = m_sections[section].cells;
        auto it = std::find_if(cells.begin(), cells.end(), [cell](const auto& candidate) { return candidate.get() == cell; });
        if (it != cells.end())
            return NSIndexPath::indexPathForRowInSection(it - cells.begin(), static_cast<long>(section));
    }
    return nullptr;
}

std::vector<std::shared_ptr<UITableViewCell>> UITableView::visibleCells() const
{
    std::vector<std::shared_ptr<UITableViewCell>> cells;
    for (const auto& section : m_sections)
        cells.insert(cells.end(), section.cells.begin(), section.cells.end());
    return cells;
}

CGRect UITableView::rectForRowAtIndexPath(const NSIndexPath& indexPath) const
{
    const Section* found = section(indexPath.section());
    if (!found || indexPath.row() < 0 || indexPath.row() >= static_cast<long>(found->rowRects.size()))
        return CGRectZero;
    return found->rowRects[static_cast<size_t>(indexPath.row())];
}

CGRect UITableView::rectForHeaderInSection(long index) const
{
    const Section* found = section(index);
    return found ? found->headerRect : CGRectZero;
}

CGRect UITableView::rectForFooterInSection(long index) const
{
    const Section* found = section(index);
    return found ? found->footerRect : CGRectZero;
}

std::shared_ptr<UILabel> UITableView::headerLabelForSection(long index) const
{
    const Section* found = section(index);
    return found ? found->header : nullptr;
}

std::shared_ptr<UILabel> UITableView::footerLabelForSection(long index) const
{
    const Section* found = section(index);
    return found ? found->footer : nullptr;
}

bool UITableView::tapRowAtIndexPath(const NSIndexPath& indexPath)
{
    if (!cellForRowAtIndexPath(indexPath))
        return false;
    auto protectedThis = weak_from_this().lock();
    if (auto delegate = m_delegate.lock())
        delegate->tableViewDidSelectRowAtIndexPath(this, NSIndexPath::indexPathForRowInSection(indexPath.row(), indexPath.section()));
    return true;
}

void UITableView::setContentOffset(CGPoint offset, bool)
{
    if (!std::isfinite(offset.x) || !std::isfinite(offset.y))
        return;
    CGRect bounds = this->bounds();
    setBounds({ { bounds.origin.x, clampedOffsetY(offset.y) }, bounds.size });
}

void UITableView::setContentInsetTop(CGFloat inset)
{
    if (std::isfinite(inset))
        m_contentInsetTop = std::max(0.0, inset);
}

CGFloat UITableView::clampedOffsetY(CGFloat y) const
{
    CGFloat top = -m_contentInsetTop;
    CGFloat bottom = std::max(top, m_contentHeight - bounds().size.height);
    return std::clamp(y, top, bottom);
}

std::shared_ptr<NSIndexPath> UITableView::indexPathForRowAtPoint(CGPoint point) const
{
    for (size_t index = 0; index < m_sections.size(); ++index) {
        const auto& rects = m_sections[index].rowRects;
        for (size_t row = 0; row < rects.size(); ++row) {
            if (CGRectContainsPoint(rects[row], point))
                return NSIndexPath::indexPathForRowInSection(static_cast<long>(row), static_cast<long>(index));
        }
    }
    return nullptr;
}

void UITableView::scrollRowToVisible(const NSIndexPath& indexPath)
{
    CGRect row = rectForRowAtIndexPath(indexPath);
    if (row != CGRectZero)
        scrollRectToVisible(row);
}

void UITableView::scrollRectToVisible(CGRect rect)
{
    CGRect bounds = this->bounds();
    // Under translucent bars only the part below the inset counts as shown.
    bounds.origin.y += m_contentInsetTop;
    bounds.size.height -= m_contentInsetTop;
    CGFloat y = bounds.origin.y;
    if (CGRectGetMaxY(rect) > y + bounds.size.height)
        y = CGRectGetMaxY(rect) - bounds.size.height;
    if (rect.origin.y < y)
        y = rect.origin.y;
    setContentOffset({ bounds.origin.x, y - m_contentInsetTop }, false);
}

void UITableView::touchesBegan(UITouch& touch, UIEvent*)
{
    endTouch(false);
    auto indexPath = indexPathForRowAtPoint(touch.locationInView(this));
    auto cell = indexPath ? cellForRowAtIndexPath(*indexPath) : nullptr;
    m_touch = TouchTrack { touch.locationInView(nullptr), bounds().origin.y, cell, false };
    if (cell)
        cell->setHighlighted(true, false);
}

void UITableView::touchesMoved(UITouch& touch, UIEvent*)
{
    if (!m_touch)
        return;
    CGPoint now = touch.locationInView(nullptr);
    CGFloat dy = now.y - m_touch->start.y;
    if (!m_touch->isDragging && std::hypot(now.x - m_touch->start.x, dy) <= dragThreshold)
        return;
    // A drag is a scroll, never a selection.
    m_touch->isDragging = true;
    if (m_touch->cell)
        m_touch->cell->setHighlighted(false, false);
    setContentOffset({ bounds().origin.x, m_touch->startOffsetY - dy }, false);
}

void UITableView::touchesEnded(UITouch& touch, UIEvent*)
{
    CGPoint end = touch.locationInView(nullptr);
    bool selects = m_touch && !m_touch->isDragging && std::hypot(end.x - m_touch->start.x, end.y - m_touch->start.y) <= dragThreshold;
    endTouch(selects);
}

void UITableView::touchesCancelled(UITouch&, UIEvent*)
{
    endTouch(false);
}

void UITableView::endTouch(bool selects)
{
    auto track = std::exchange(m_touch, std::nullopt);
    if (!track || !track->cell)
        return;
    track->cell->setHighlighted(false, false);
    // The row may have left the table while the finger was down.
    auto indexPath = indexPathForCell(track->cell.get());
    if (selects && indexPath)
        tapRowAtIndexPath(*indexPath);
}
