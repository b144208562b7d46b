#include <render/PickerPainter.hpp>

#include <render/TextRenderer.hpp>

#include <uikit/UIColor.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UILabel.hpp>

namespace {

constexpr CGFloat namePadding = 4;

}

namespace PickerPainter {

void paintPhotoLibrary(const PaintContext& paint, const UIImagePickerController& picker, CGRect bounds)
{
    CGContextRef context = paint.context;
    Drawing::setFillColor(context, *UIColor::whiteColor());
    CGContextFillRect(context, bounds);
    // The library starts where its first tile does, below the bar.
    CGFloat top = picker.rectForFileAtIndex(0).origin.y - UIImagePickerController::libraryGap;
    auto files = picker.availableFiles();
    if (files.empty()) {
        TextStyle note { UIFont::systemFontOfSize(17), UIColor::colorWithWhite(0.56, 1), NSTextAlignmentCenter, 1, false, 0 };
        TextRenderer::drawText(context, "No Photos or Videos", CGRectMake(bounds.origin.x, top, bounds.size.width, bounds.size.height / 2), note,
            paint.pixelScale);
        return;
    }
    TextStyle name { UIFont::systemFontOfSize(11), UIColor::colorWithWhite(0.25, 1), NSTextAlignmentCenter, 3, true, 0.7 };
    auto tile = UIColor::colorWithWhite(0.9, 1);
    // Only the rows that fit on the page are drawn: a large library costs nothing below it. The
    // tiles lie where the picker's view takes touches for them.
    for (size_t i = 0; i < files.size(); ++i) {
        CGRect rect = picker.rectForFileAtIndex(i);
        if (rect.origin.y >= CGRectGetMaxY(bounds))
            break;
        Drawing::setFillColor(context, *tile);
        CGContextFillRect(context, rect);
        CGRect text = CGRectMake(rect.origin.x + namePadding, rect.origin.y, rect.size.width - 2 * namePadding, rect.size.height);
        TextRenderer::drawText(context, files[i], text, name, paint.pixelScale);
    }
}

}
