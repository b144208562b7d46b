// Tables of rows in sections, laid out with frames at their platform sizes. Every row has its cell,
// so each reload makes and displays every cell once, in order. A touch lifted where it went down
// selects the row under it; a drag scrolls the bounds within the content, clipped as a scroll view
// is. No reuse queue, editing, index titles, custom heights, deceleration or bouncing.
#pragma once

#include <uikit/UIView.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class NSIndexPath;
class UILabel;
class UITableView;
class UITableViewCell;

class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;

    virtual long numberOfSectionsInTableView(UITableView*) { return 1; }
    virtual long tableViewNumberOfRowsInSection(UITableView*, long section) = 0;
    virtual std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath>) = 0;
    // Empty for a section without a header or footer text.
    virtual std::string tableViewTitleForHeaderInSection(UITableView*, long) { return {}; }
    virtual std::string tableViewTitleForFooterInSection(UITableView*, long) { return {}; }
};

class UITableViewDelegate {
public:
    virtual ~UITableViewDelegate() = default;

    // Sent for each row right after its cell is made and placed, before the next row is made.
    virtual void tableViewWillDisplayCellForRowAtIndexPath(UITableView*, std::shared_ptr<UITableViewCell>, std::shared_ptr<NSIndexPath>) { }
    virtual void tableViewDidSelectRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath>) { }
};

enum UITableViewStyle : long {
    UITableViewStylePlain = 0,
    UITableViewStyleGrouped = 1,
    UITableViewStyleInsetGrouped = 2,
};

class UITableView : public UIView {
public:
    static constexpr CGFloat rowHeight = 44;
    static constexpr CGFloat sectionHeaderHeight = 35;
    // Side margin of an inset grouped table, and of header and footer texts in every style.
    static constexpr CGFloat sideMargin = 16;
    // A reload makes no more rows than this, whatever the data source claims.
    static constexpr long maximumRowCount = 10000;
    static constexpr long maximumSectionCount = 1000;

    UITableView(CGRect frame, long style);

    static std::shared_ptr<UITableView> initWithFrame(CGRect, long style);

    long style() const { return m_style; }

    // Both are held weakly, as on the platform.
    std::shared_ptr<UITableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<UITableViewDataSource> dataSource) { m_dataSource = std::move(dataSource); }
    std::shared_ptr<UITableViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UITableViewDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::shared_ptr<UIColor>& separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(std::shared_ptr<UIColor> color) { m_separatorColor = std::move(color); }
    // The colour of checkmarks and disclosure glyphs; null draws the platform's blue.
    const std::shared_ptr<UIColor>& tintColor() const { return m_tintColor; }
    void setTintColor(std::shared_ptr<UIColor> color) { m_tintColor = std::move(color); }

    // Replaces every cell, header and footer with new ones from the data source. Other subviews
    // stay, in front of the rows. A reload asked for while one runs follows it.
    void reloadData();

    // As of the last reload.
    long numberOfSections() const { return static_cast<long>(m_sections.size()); }
    long numberOfRowsInSection(long section) const;
    // Null outside the table.
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath&) const;
    std::shared_ptr<NSIndexPath> indexPathForCell(const UITableViewCell*) const;
    // Every row's cell, section by section.
    std::vector<std::shared_ptr<UITableViewCell>> visibleCells() const;
    // In the table's coordinates; CGRectZero outside the table.
    CGRect rectForRowAtIndexPath(const NSIndexPath&) const;
    CGRect rectForHeaderInSection(long section) const;
    CGRect rectForFooterInSection(long section) const;
    // Null for a section without the text.
    std::shared_ptr<UILabel> headerLabelForSection(long section) const;
    std::shared_ptr<UILabel> footerLabelForSection(long section) const;
    // The height of all sections: where a scroll view would end.
    CGSize contentSize() const { return { frame().size.width, m_contentHeight }; }

    // Scrolling: the bounds origin. The top inset is room above the first row (under translucent
    // bars); the offset stays between -inset and the end of the content.
    static constexpr CGFloat dragThreshold = 10;
    CGPoint contentOffset() const { return bounds().origin; }
    // Clamped to the content; animation is not simulated.
    void setContentOffset(CGPoint, bool animated);
    CGFloat contentInsetTop() const { return m_contentInsetTop; }
    void setContentInsetTop(CGFloat);
    // The row whose rectangle holds the point (table coordinates), or null.
    std::shared_ptr<NSIndexPath> indexPathForRowAtPoint(CGPoint) const;
    // Scroll the least needed to show the whole row or rectangle (as far as the table is tall).
    void scrollRowToVisible(const NSIndexPath&);
    void scrollRectToVisible(CGRect);

    void touchesBegan(UITouch&, UIEvent*) override;
    void touchesMoved(UITouch&, UIEvent*) override;
    void touchesEnded(UITouch&, UIEvent*) override;
    void touchesCancelled(UITouch&, UIEvent*) override;

    // Stand-in for the user's tap on a row: the delegate hears didSelectRowAtIndexPath.
    // False for a row that isn't in the table.
    bool tapRowAtIndexPath(const NSIndexPath&);

private:
    struct Section {
        CGRect headerRect;
        CGRect footerRect;
        std::shared_ptr<UILabel> header;
        std::shared_ptr<UILabel> footer;
        std::vector<CGRect> rowRects;
        std::vector<std::shared_ptr<UITableViewCell>> cells;
    };

    void rebuild();
    void removeRows();
    CGFloat layOutSection(long index, CGFloat top, UITableViewDataSource&, UITableViewDelegate*);
    std::shared_ptr<UILabel> makeCaption(const std::string& text);
    std::shared_ptr<UITableViewCell> makeCell(long row, long section, UITableViewDataSource&);
    CGRect rowRect(CGFloat top) const;
    const Section* section(long index) const;
    CGFloat clampedOffsetY(CGFloat) const;
    void endTouch(bool selects);

    long m_style;
    std::weak_ptr<UITableViewDataSource> m_dataSource;
    std::weak_ptr<UITableViewDelegate> m_delegate;
    std::shared_ptr<UIColor> m_separatorColor;
    std::shared_ptr<UIColor> m_tintColor;
    std::vector<Section> m_sections;
    CGFloat m_contentHeight { 0 };
    long m_rowBudget { 0 };
    // Rows, headers and footers placed so far in this reload: they stay behind all other subviews.
    long m_placedCount { 0 };
    bool m_isReloading { false };
    bool m_needsReload { false };
    CGFloat m_contentInsetTop { 0 };
    // The touch under way: where it went down (window coordinates), the offset then, and the row.
    struct TouchTrack {
        CGPoint start;
        CGFloat startOffsetY { 0 };
        std::shared_ptr<UITableViewCell> cell;
        bool isDragging { false };
    };
    std::optional<TouchTrack> m_touch;
};
