#include <render/TablePainter.hpp>

#include <uikit/NSIndexPath.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UITableViewCell.hpp>

#include <algorithm>

namespace {

void strokeLines(CGContextRef context, std::initializer_list<CGPoint> points)
{
    CGContextBeginPath(context);
    bool first = true;
    for (CGPoint point : points) {
        if (first)
            CGContextMoveToPoint(context, point.x, point.y);
        else
            CGContextAddLineToPoint(context, point.x, point.y);
        first = false;
    }
    CGContextStrokePath(context);
}

void paintAccessory(const PaintContext& paint, const UITableViewCell& cell)
{
    CGRect bounds = cell.bounds();
    CGFloat left = CGRectGetMaxX(bounds) - UITableViewCell::margin - UITableViewCell::accessoryGlyphWidth;
    CGFloat middle = CGRectGetMidY(bounds);
    CGContextRef context = paint.context;
    CGContextSetLineCap(context, kCGLineCapRound);
    switch (cell.accessoryType()) {
    case UITableViewCellAccessoryCheckmark:
        Drawing::setStrokeColor(context, *Drawing::tintColorOf(cell));
        CGContextSetLineWidth(context, 2.5);
        strokeLines(context, { { left + 5, middle }, { left + 10, middle + 5 }, { left + 20, middle - 7 } });
        break;
    case UITableViewCellAccessoryDisclosureIndicator:
        Drawing::setStrokeColor(context, *UIColor::colorWithRed(0.78, 0.78, 0.8, 1));
        CGContextSetLineWidth(context, 2);
        strokeLines(context, { { left + 14, middle - 6 }, { left + 20, middle }, { left + 14, middle + 6 } });
        break;
    case UITableViewCellAccessoryDetailButton:
    case UITableViewCellAccessoryDetailDisclosureButton:
        Drawing::setStrokeColor(context, *Drawing::tintColorOf(cell));
        CGContextSetLineWidth(context, 1.5);
        CGContextBeginPath(context);
        CGContextAddEllipseInRect(context, CGRectMake(left + 2, middle - 11, 22, 22));
        CGContextStrokePath(context);
        strokeLines(context, { { left + 13, middle - 3 }, { left + 13, middle + 6 } });
        strokeLines(context, { { left + 13, middle - 7 }, { left + 13, middle - 6.5 } });
        break;
    default:
        break;
    }
}

void paintSeparator(const PaintContext& paint, const UITableViewCell& cell)
{
    auto* table = dynamic_cast<const UITableView*>(cell.superview());
    if (!table || !table->separatorColor())
        return;
    auto indexPath = table->indexPathForCell(&cell);
    if (!indexPath || indexPath->row() + 1 >= table->numberOfRowsInSection(indexPath->section()))
        return;
    CGRect bounds = cell.bounds();
    // Under the title, as the platform insets it: past the icon when the row has one.
    CGFloat inset = std::max(UITableViewCell::margin, cell.textLabel()->frame().origin.x);
    Drawing::fillHairline(paint.context, { bounds.origin.x + inset, CGRectGetMaxY(bounds) }, bounds.size.width - inset,
        paint.pixelScale, *table->separatorColor());
}

}

namespace TablePainter {

void paintDefaultSelection(const PaintContext& paint, const UITableViewCell& cell)
{
    Drawing::setFillColor(paint.context, *UIColor::colorWithRed(0.82, 0.82, 0.84, 1));
    CGContextFillRect(paint.context, cell.bounds());
}

void paintDecorations(const PaintContext& paint, const UITableViewCell& cell)
{
    if (!cell.accessoryView())
        paintAccessory(paint, cell);
    paintSeparator(paint, cell);
}

}
