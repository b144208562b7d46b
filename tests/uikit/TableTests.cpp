#include <uikit/NSIndexPath.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A data source and delegate whose answers each test sets, recording what the table asks.
class Rows : public UITableViewDataSource, public UITableViewDelegate {
public:
    std::vector<long> rowsPerSection { 2, 1 };
    long sectionCount = -1;
    std::vector<std::string> footers;
    std::function<std::shared_ptr<UITableViewCell>(long, long)> makeCell;
    std::function<void(UITableViewCell&)> onDisplay;
    std::vector<std::string> events;

    long numberOfSectionsInTableView(UITableView*) override
    {
        return sectionCount >= 0 ? sectionCount : static_cast<long>(rowsPerSection.size());
    }
    long tableViewNumberOfRowsInSection(UITableView*, long section) override
    {
        return section < static_cast<long>(rowsPerSection.size()) ? rowsPerSection[section] : 0;
    }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath> indexPath) override
    {
        events.push_back("make " + name(*indexPath));
        if (makeCell)
            return makeCell(indexPath->row(), indexPath->section());
        auto cell = UITableViewCell::initWithStyle(UITableViewCellStyleValue1, "row");
        cell->textLabel()->setText(name(*indexPath));
        return cell;
    }
    std::string tableViewTitleForHeaderInSection(UITableView*, long section) override
    {
        return section == 0 ? "Header" : "";
    }
    std::string tableViewTitleForFooterInSection(UITableView*, long section) override
    {
        return section < static_cast<long>(footers.size()) ? footers[section] : "";
    }
    void tableViewWillDisplayCellForRowAtIndexPath(UITableView* table, std::shared_ptr<UITableViewCell> cell, std::shared_ptr<NSIndexPath> indexPath) override
    {
        events.push_back("display " + name(*indexPath));
        EXPECT_EQ(table->cellForRowAtIndexPath(*indexPath), cell);
        if (onDisplay)
            onDisplay(*cell);
    }
    void tableViewDidSelectRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath> indexPath) override
    {
        events.push_back("select " + name(*indexPath));
    }

    static std::string name(const NSIndexPath& indexPath)
    {
        return std::to_string(indexPath.section()) + "." + std::to_string(indexPath.row());
    }
};

std::shared_ptr<UITableView> makeTable(const std::shared_ptr<Rows>& rows, long style = UITableViewStyleGrouped)
{
    auto table = UITableView::initWithFrame(CGRectMake(0, 0, 390, 844), style);
    table->setDataSource(rows);
    table->setDelegate(rows);
    return table;
}

}

// Catches rows placed off the grouped layout: the button below a row is placed from its frame.
TEST(UITableViewLayout, GroupedRowsHeadersAndFootersTakeTheirPlatformSizes)
{
    auto rows = std::make_shared<Rows>();
    rows->footers = { "", std::string(200, 'f') };
    auto table = makeTable(rows);
    table->reloadData();

    ASSERT_EQ(table->numberOfSections(), 2);
    EXPECT_EQ(table->numberOfRowsInSection(0), 2);
    EXPECT_EQ(table->rectForHeaderInSection(0), CGRectMake(0, 0, 390, 35));
    EXPECT_EQ(table->cellForRowAtIndexPath(NSIndexPath(0, 0))->frame(), CGRectMake(0, 35, 390, 44));
    EXPECT_EQ(table->cellForRowAtIndexPath(NSIndexPath(1, 0))->frame(), CGRectMake(0, 79, 390, 44));
    EXPECT_EQ(table->rectForFooterInSection(0).size.height, 0);
    EXPECT_EQ(table->cellForRowAtIndexPath(NSIndexPath(0, 1))->frame(), CGRectMake(0, 158, 390, 44));
    CGRect footer = table->rectForFooterInSection(1);
    EXPECT_EQ(footer.origin.y, 202);
    EXPECT_GT(footer.size.height, 2 * 16.0);
    EXPECT_EQ(table->contentSize().height, CGRectGetMaxY(footer));
    ASSERT_NE(table->headerLabelForSection(0), nullptr);
    EXPECT_EQ(table->headerLabelForSection(1), nullptr);
    EXPECT_EQ(table->footerLabelForSection(1)->superview(), table.get());
    EXPECT_GT(table->footerLabelForSection(1)->frame().size.height, 16);

    auto inset = makeTable(rows, UITableViewStyleInsetGrouped);
    inset->reloadData();
    EXPECT_EQ(inset->cellForRowAtIndexPath(NSIndexPath(0, 0))->frame(), CGRectMake(16, 35, 358, 44));
}

// Catches labels and accessories overlapping: the value must end before the accessory.
TEST(UITableViewLayout, CellPlacesItsLabelsBeforeTheAccessory)
{
    auto cell = UITableViewCell::initWithStyle(UITableViewCellStyleValue1, "x");
    cell->setFrame(CGRectMake(0, 0, 390, 44));
    cell->textLabel()->setText("Picture");
    cell->detailTextLabel()->setText("Custom");
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    cell->layoutSubviews();
    CGRect detail = cell->detailTextLabel()->frame();
    EXPECT_LE(CGRectGetMaxX(detail), 390 - 16 - 24);
    EXPECT_LE(CGRectGetMaxX(cell->textLabel()->frame()), detail.origin.x);

    auto control = UISwitch::initWithFrame(CGRectZero);
    cell->setAccessoryView(control);
    EXPECT_EQ(control->superview(), cell.get());
    EXPECT_EQ(control->frame(), CGRectMake(390 - 16 - 51, 6.5, 51, 31));
    cell->setAccessoryView(nullptr);
    EXPECT_EQ(control->superview(), nullptr);
    cell->setAccessoryType(99);
    EXPECT_EQ(cell->accessoryType(), UITableViewCellAccessoryNone);
}

// Catches display calls batched after all cells, skipped, or sent with a cell other than the one
// in the table: a page captures that cell and reads its checkmark later.
TEST(UITableViewDisplay, EachRowIsDisplayedRightAfterItIsMade)
{
    auto rows = std::make_shared<Rows>();
    auto table = makeTable(rows);
    table->reloadData();
    EXPECT_EQ(rows->events, (std::vector<std::string> { "make 0.0", "display 0.0", "make 0.1", "display 0.1", "make 1.0", "display 1.0" }));
    EXPECT_EQ(table->visibleCells().size(), 3u);
    auto indexPath = table->indexPathForCell(table->visibleCells()[2].get());
    ASSERT_NE(indexPath, nullptr);
    EXPECT_TRUE(indexPath->isEqual(NSIndexPath(0, 1)));
}

// Catches a reload that drops views others placed in the table, leaves old cells behind, or puts
// new rows in front of a floating button.
TEST(UITableViewDisplay, ReloadReplacesRowsAndKeepsOtherSubviewsInFront)
{
    auto rows = std::make_shared<Rows>();
    auto table = makeTable(rows);
    table->reloadData();
    auto oldCell = table->visibleCells()[0];
    auto button = UIView::initWithFrame(CGRectMake(0, 0, 300, 40));
    button->setTag(999);
    table->addSubview(button);

    rows->rowsPerSection = { 1 };
    table->reloadData();
    EXPECT_EQ(oldCell->superview(), nullptr);
    EXPECT_EQ(table->viewWithTag(999), button);
    EXPECT_EQ(table->subviews().back(), button);
    EXPECT_EQ(table->visibleCells().size(), 1u);
    // One header label and one cell, behind the button.
    EXPECT_EQ(table->subviews().size(), 3u);
}

// Catches a host crash or runaway allocation from a data source that lies about its counts or
// gives no cell, the same cell twice, reloads from inside a display call, or throws mid-reload.
TEST(UITableViewDisplay, HostileDataSourcesAreSurvived)
{
    auto rows = std::make_shared<Rows>();
    auto table = makeTable(rows);
    rows->rowsPerSection = { -5, 3 };
    auto shared = UITableViewCell::initWithStyle(UITableViewCellStyleDefault, "same");
    rows->makeCell = [&](long row, long) { return row == 0 ? nullptr : shared; };
    table->reloadData();
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);
    ASSERT_EQ(table->numberOfRowsInSection(1), 3);
    auto cells = table->visibleCells();
    EXPECT_NE(cells[0], nullptr);
    EXPECT_NE(cells[1], cells[2]);
    EXPECT_EQ(CGRectGetMinY(cells[2]->frame()) - CGRectGetMinY(cells[1]->frame()), 44);

    rows->makeCell = nullptr;
    rows->rowsPerSection = { 1L << 40 };
    rows->sectionCount = 1L << 40;
    rows->onDisplay = [](UITableViewCell&) { };
    table->setDelegate(std::weak_ptr<UITableViewDelegate>());
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), static_cast<size_t>(UITableView::maximumRowCount));

    rows->rowsPerSection = { 2 };
    rows->sectionCount = -1;
    table->setDelegate(rows);
    int reloads = 0;
    rows->onDisplay = [&](UITableViewCell&) {
        ++reloads;
        table->reloadData();
    };
    table->reloadData();
    EXPECT_LE(reloads, 8);
    EXPECT_EQ(table->visibleCells().size(), 2u);

    rows->onDisplay = nullptr;
    rows->makeCell = [](long, long) -> std::shared_ptr<UITableViewCell> { throw std::runtime_error("no cell"); };
    EXPECT_THROW(table->reloadData(), std::runtime_error);
    rows->makeCell = nullptr;
    table->reloadData();
    EXPECT_EQ(table->visibleCells().size(), 2u);
}

// Catches taps outside the table reaching the delegate, and a strong hold on the delegate.
TEST(UITableViewDisplay, TapsReachTheDelegateOnlyForRowsThatExist)
{
    auto rows = std::make_shared<Rows>();
    auto table = makeTable(rows);
    table->reloadData();
    rows->events.clear();
    EXPECT_TRUE(table->tapRowAtIndexPath(NSIndexPath(1, 0)));
    EXPECT_FALSE(table->tapRowAtIndexPath(NSIndexPath(2, 0)));
    EXPECT_FALSE(table->tapRowAtIndexPath(NSIndexPath(0, -1)));
    EXPECT_EQ(rows->events, (std::vector<std::string> { "select 0.1" }));
    std::weak_ptr<Rows> weak = rows;
    rows.reset();
    EXPECT_TRUE(weak.expired());
    table->reloadData();
    EXPECT_EQ(table->numberOfSections(), 0);
}
