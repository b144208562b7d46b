// UIKit's own views as the settings pages show them: labels and the import banner, buttons,
// switches, grouped tables, navigation bars and alerts.
#include "RenderTestSupport.hpp"

#include <render/Renderer.hpp>
#include <render/TextRenderer.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSRunLoop.hpp>
#include <uikit/CALayer.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UIAlertAction.hpp>
#include <uikit/UIAlertController.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UIImagePickerController.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>
#include <uikit/UIViewController.hpp>
#include <uikit/UIWindow.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace rendertest;

namespace {

const Pixel white { 255, 255, 255, 255 };
const Pixel darkGray { 85, 85, 85, 255 };
const Pixel accent { 140, 128, 163, 255 };
const Pixel cellBackground { 51, 51, 51, 255 };
const Pixel tableBackground { 5, 5, 5, 255 };

Render::RenderOptions atScale(CGFloat scale)
{
    return { 0.0, scale, false };
}

std::shared_ptr<UIColor> colour(const Pixel& pixel)
{
    return UIColor::colorWithRed(pixel.red / 255.0, pixel.green / 255.0, pixel.blue / 255.0, pixel.alpha / 255.0);
}

struct Box {
    size_t left { SIZE_MAX };
    size_t top { SIZE_MAX };
    size_t right { 0 };
    size_t bottom { 0 };
    bool isEmpty() const { return left > right; }
    double midX() const { return (static_cast<double>(left) + static_cast<double>(right) + 1) / 2; }
    double midY() const { return (static_cast<double>(top) + static_cast<double>(bottom) + 1) / 2; }
};

// Where the colour shows, within the rectangle (pixels).
Box boxOf(const RGBAPixels& pixels, const Pixel& colour, size_t x, size_t y, size_t width, size_t height, int tolerance = 3)
{
    Box box;
    for (size_t row = y; row < std::min(pixels.height, y + height); ++row) {
        for (size_t column = x; column < std::min(pixels.width, x + width); ++column) {
            if (!isNear(pixelAt(pixels, column, row), colour, tolerance))
                continue;
            box.left = std::min(box.left, column);
            box.right = std::max(box.right, column);
            box.top = std::min(box.top, row);
            box.bottom = std::max(box.bottom, row);
        }
    }
    return box;
}

// The import's banner label, set up attribute by attribute as the settings page does.
std::shared_ptr<UILabel> bannerLabel(const UIView& banner)
{
    auto label = UILabel::initWithFrame(CGRectMake(0, 0, 200, 100));
    label->setCenter(CGPointMake(banner.center().x, banner.frame().size.height / 3.0));
    label->setTextColor(UIColor::whiteColor());
    label->setText("DONE!\n\u2611\uFE0F");
    label->setNumberOfLines(2);
    label->setClipsToBounds(true);
    label->setTextAlignment(NSTextAlignmentCenter);
    label->setBackgroundColor(UIColor::darkGrayColor());
    label->layer()->setCornerRadius(30);
    label->setFont(UIFont::fontWithName("HelveticaNeue-Bold", 30));
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumScaleFactor(0.5);
    return label;
}

std::shared_ptr<UILabel> textLabel(const std::string& text, CGRect frame, long alignment)
{
    auto label = UILabel::initWithFrame(frame);
    label->setText(text);
    label->setTextColor(UIColor::whiteColor());
    label->setTextAlignment(alignment);
    label->setFont(UIFont::systemFontOfSize(17));
    return label;
}

class Rows final : public UITableViewDataSource {
public:
    long tableViewNumberOfRowsInSection(UITableView*, long) override { return 6; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView*, std::shared_ptr<NSIndexPath> indexPath) override
    {
        auto cell = UITableViewCell::initWithStyle(UITableViewCellStyleDefault, "row");
        cell->setBackgroundColor(colour(cellBackground));
        cell->textLabel()->setText("Row " + std::to_string(indexPath->row()));
        cell->textLabel()->setTextColor(colour(accent));
        return cell;
    }
};

// A grouped table of six rows in the settings pages' colours, on a 390 x 844 screen.
struct SettingsTable {
    std::shared_ptr<UIView> window = backdropWindow();
    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<UITableView> table = UITableView::initWithFrame(CGRectMake(0, 0, 390, 844), UITableViewStyleGrouped);

    explicit SettingsTable(const Pixel& separator = tableBackground)
    {
        table->setBackgroundColor(colour(tableBackground));
        table->setSeparatorColor(colour(separator));
        table->setDataSource(rows);
        table->reloadData();
        window->addSubview(table);
    }
    std::shared_ptr<UITableViewCell> cell(long row) const { return table->cellForRowAtIndexPath(NSIndexPath(row, 0)); }
};

std::shared_ptr<UIWindow> presentingWindow(std::shared_ptr<UIViewController> presented)
{
    auto window = std::static_pointer_cast<UIWindow>(backdropWindow());
    auto root = std::make_shared<UIViewController>();
    window->setRootViewController(root);
    root->view()->setBackgroundColor(UIColor::colorWithRed(40 / 255.0, 120 / 255.0, 200 / 255.0, 1));
    bool shown = false;
    root->presentViewController(std::move(presented), false, [&] { shown = true; });
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->runUntil([&] { return shown; }, 5));
    return window;
}

size_t pixelIndex(CGFloat points, CGFloat scale = 3)
{
    return static_cast<size_t>(points * scale);
}

}

// The banner's label lands off its third, loses its rounded corners, or drops a line.
TEST(BannerRendering, LabelCentredAtAThirdOfTheHeightWithRoundedCornersAndTwoLines)
{
    auto banner = UIView::initWithFrame(CGRectMake(0, 0, 390, 844));
    banner->setBackgroundColor(UIColor::clearColor());
    banner->addSubview(bannerLabel(*banner));
    auto pixels = Render::renderView(*banner, 0.0);
    ASSERT_TRUE(pixels);
    Box grey = boxOf(*pixels, darkGray, 0, 0, pixels->width, pixels->height, 2);
    ASSERT_FALSE(grey.isEmpty());
    EXPECT_NEAR(grey.midX(), 585, 2);
    EXPECT_NEAR(grey.midY(), 844, 2);
    EXPECT_NEAR(static_cast<double>(grey.right - grey.left + 1), 600, 2);
    // Rounded corners: the box's corner itself stays clear.
    EXPECT_EQ(pixelAt(*pixels, grey.left + 3, grey.top + 3).alpha, 0);
    // White type in both the upper and the lower half of the label.
    size_t middle = pixelIndex(844 / 3.0);
    EXPECT_GT(countNear(*pixels, white, grey.left, grey.top, 600, middle - grey.top, 40), 500u);
    EXPECT_GT(countNear(*pixels, white, grey.left, middle, 600, grey.bottom - middle, 40), 200u);
}

// A missing font falls back to a regular face, losing the banner's bold type.
TEST(LabelRendering, MissingBoldFamilyFallsBackToABoldFace)
{
    auto ink = [](const char* fontName) {
        auto label = textLabel("DONE!", CGRectMake(0, 0, 200, 60), NSTextAlignmentLeft);
        label->setFont(UIFont::fontWithName(fontName, 30));
        auto pixels = Render::renderView(*label, atScale(2));
        return countNear(*pixels, white, 0, 0, pixels->width, pixels->height, 60);
    };
    size_t bold = ink("HelveticaNeue-Bold");
    size_t regular = ink("HelveticaNeue");
    EXPECT_GT(regular, 300u);
    EXPECT_GT(bold, regular * 5 / 4) << bold << " vs " << regular;
}

// Alignment is ignored, so every label's text starts at the left edge.
TEST(LabelRendering, TextFollowsTheLabelsAlignment)
{
    auto inkBox = [](long alignment) {
        auto label = textLabel("Hi", CGRectMake(0, 0, 300, 40), alignment);
        auto pixels = Render::renderView(*label, atScale(1));
        return boxOf(*pixels, white, 0, 0, pixels->width, pixels->height, 120);
    };
    Box left = inkBox(NSTextAlignmentLeft);
    Box centre = inkBox(NSTextAlignmentCenter);
    Box right = inkBox(NSTextAlignmentRight);
    ASSERT_FALSE(left.isEmpty() || centre.isEmpty() || right.isEmpty());
    EXPECT_LT(left.right, 60u);
    EXPECT_NEAR(centre.midX(), 150, 6);
    EXPECT_GT(right.left, 240u);
}

// Text too wide for its label isn't shrunk, shrinks below the minimum, or shrinks when not asked.
TEST(LabelRendering, ShrinksToFitTheWidthDownToTheMinimumScaleOnly)
{
    CGRect narrow = CGRectMake(0, 0, 120, 40);
    TextStyle style { UIFont::systemFontOfSize(20), UIColor::whiteColor(), NSTextAlignmentLeft, 1, true, 0.5 };
    CGFloat scale = TextRenderer::fittingScale("Choose a picture", narrow, style);
    EXPECT_GE(scale, 0.5);
    EXPECT_LT(scale, 0.95);
    EXPECT_DOUBLE_EQ(TextRenderer::fittingScale("Choose your own animated picture from the library", narrow, style), 0.5);
    EXPECT_DOUBLE_EQ(TextRenderer::fittingScale("Hi", narrow, style), 1.0);
    style.minimumScaleFactor = 0;
    EXPECT_DOUBLE_EQ(TextRenderer::fittingScale("Choose a picture", narrow, style), 1.0);

    // Drawn at the fitting size, the text ends inside the label.
    auto label = textLabel("Choose a picture", narrow, NSTextAlignmentLeft);
    label->setFont(UIFont::systemFontOfSize(20));
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumScaleFactor(0.5);
    auto window = backdropWindow(CGRectMake(0, 0, 200, 40));
    window->addSubview(label);
    auto pixels = Render::renderView(*window, atScale(1));
    Box ink = boxOf(*pixels, white, 0, 0, 200, 40, 120);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.right, 120u);
}

// Hostile text (invalid UTF-8, huge, empty) crashes the renderer or the host.
TEST(LabelRendering, InvalidOrOversizedTextIsDrawnSafely)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 40));
    window->addSubview(textLabel(std::string("bad \xff\xfe bytes \xc3"), CGRectMake(0, 0, 100, 20), NSTextAlignmentLeft));
    window->addSubview(textLabel(std::string(200000, 'W'), CGRectMake(0, 20, 100, 20), NSTextAlignmentLeft));
    window->addSubview(textLabel("", CGRectMake(0, 0, 100, 40), NSTextAlignmentLeft));
    auto pixels = Render::renderView(*window, atScale(1));
    ASSERT_TRUE(pixels);
    EXPECT_GT(countNear(*pixels, white, 0, 0, 100, 20, 120), 10u);
}

// The "Choose your picture" button is drawn behind the next row, square, or without its title.
TEST(ButtonRendering, ButtonPlacedUnderARowShowsItsRoundedBackgroundAndTintedTitle)
{
    SettingsTable settings;
    auto row = settings.cell(5);
    auto button = UIButton::buttonWithType(UIButtonTypeSystem);
    button->setFrame(CGRectMake(0, 0, 300, 40));
    button->setTitle("Choose your picture", 0);
    button->setTintColor(colour(accent));
    button->setBackgroundColor(UIColor::colorWithRed(0.3, 0.1, 0.1, 1));
    button->layer()->setCornerRadius(10);
    button->layer()->setZPosition(16000);
    settings.table->addSubview(button);
    button->setCenter(CGPointMake(CGRectGetMidX(row->frame()), CGRectGetMaxY(row->frame()) + 25));
    auto pixels = Render::renderView(*settings.window, 0.0);
    ASSERT_TRUE(pixels);

    Pixel buttonColour = pixelOf(*button->backgroundColor());
    CGFloat rowBottom = CGRectGetMaxY(row->frame());
    Box body = boxOf(*pixels, buttonColour, 0, pixelIndex(rowBottom), 1170, pixelIndex(60));
    ASSERT_FALSE(body.isEmpty());
    EXPECT_NEAR(static_cast<double>(body.top), rowBottom * 3 + 15, 2);
    EXPECT_NEAR(body.midX(), 585, 2);
    EXPECT_NEAR(static_cast<double>(body.bottom - body.top + 1), 120, 2);
    // The gap of 5 points under the row shows the table, and the corners are round.
    EXPECT_TRUE(isNear(pixelAt(*pixels, 585, pixelIndex(rowBottom + 2)), tableBackground)) << pixelAt(*pixels, 585, pixelIndex(rowBottom + 2));
    EXPECT_FALSE(isNear(pixelAt(*pixels, body.left + 1, body.top + 1), buttonColour));
    EXPECT_GT(countNear(*pixels, accent, body.left, body.top, 900, 120, 40), 200u);
}

// A switch shows the same whether on or off, ignores its on tint, or its knob stays put.
TEST(SwitchRendering, OnSwitchTakesItsOnTintWithTheKnobRight)
{
    auto render = [](bool on, std::shared_ptr<UIColor> tint) {
        auto window = backdropWindow(CGRectMake(0, 0, 60, 40));
        auto control = UISwitch::initWithFrame(CGRectMake(4, 4, 0, 0));
        control->setOn(on, false);
        control->setOnTintColor(std::move(tint));
        window->addSubview(control);
        return Render::renderView(*window, atScale(2));
    };
    auto on = render(true, nullptr);
    auto off = render(false, nullptr);
    const Pixel green { 51, 199, 89, 255 };
    EXPECT_GT(countNear(*on, green, 0, 0, 120, 80, 6), 500u);
    EXPECT_EQ(countNear(*off, green, 0, 0, 120, 80, 6), 0u);
    EXPECT_GT(countNear(*render(true, colour(accent)), accent, 0, 0, 120, 80, 6), 500u);
    // The knob's middle: white on the right when on, on the left when off.
    EXPECT_TRUE(isNear(pixelAt(*on, 2 * (4 + 51 - 15), 2 * (4 + 15)), white));
    EXPECT_TRUE(isNear(pixelAt(*off, 2 * (4 + 15), 2 * (4 + 15)), white));
}

// Separators are missing, full width, in the wrong colour, or under the section's last row.
TEST(TableRendering, SeparatorsLieBetweenRowsInsetFromTheLeftInTheTablesColour)
{
    const Pixel separator { 200, 40, 40, 255 };
    SettingsTable settings(separator);
    auto pixels = Render::renderView(*settings.window, 0.0);
    ASSERT_TRUE(pixels);
    size_t boundary = pixelIndex(CGRectGetMaxY(settings.cell(0)->frame())) - 1;
    EXPECT_TRUE(isNear(pixelAt(*pixels, 600, boundary), separator)) << pixelAt(*pixels, 600, boundary);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 20, boundary), cellBackground)) << pixelAt(*pixels, 20, boundary);
    EXPECT_TRUE(isNear(pixelAt(*pixels, 600, boundary + 3), cellBackground));
    size_t last = pixelIndex(CGRectGetMaxY(settings.cell(5)->frame())) - 1;
    EXPECT_TRUE(isNear(pixelAt(*pixels, 600, last), cellBackground)) << pixelAt(*pixels, 600, last);
    // The row's title in the cell text colour.
    CGRect rowRect = settings.cell(2)->frame();
    EXPECT_GT(countNear(*pixels, accent, 0, pixelIndex(rowRect.origin.y), 600, pixelIndex(44), 40), 100u);
}

// The checkmark ignores the table's tint or shows on other rows, or the selection covers the text.
TEST(TableRendering, CheckmarkInTheTintAndSelectionShowOnlyOnTheirRows)
{
    SettingsTable settings;
    const Pixel tint { 230, 120, 20, 255 };
    settings.table->setTintColor(colour(tint));
    settings.cell(5)->setAccessoryType(UITableViewCellAccessoryCheckmark);
    auto selection = UIView::initWithFrame(CGRectZero);
    selection->setBackgroundColor(UIColor::colorWithRed(0.35, 0.3, 0.44, 0.7));
    settings.cell(2)->setSelectedBackgroundView(selection);
    settings.cell(2)->setSelected(true, false);
    auto pixels = Render::renderView(*settings.window, 0.0);
    ASSERT_TRUE(pixels);

    auto accessoryArea = [&](long row) {
        CGRect rect = settings.cell(row)->frame();
        return countNear(*pixels, tint, pixelIndex(rect.size.width - 50), pixelIndex(rect.origin.y), pixelIndex(50), pixelIndex(44), 30);
    };
    EXPECT_GT(accessoryArea(5), 50u);
    EXPECT_EQ(accessoryArea(4), 0u);

    CGRect selected = settings.cell(2)->frame();
    Pixel blended { 78, 69, 94, 255 };
    EXPECT_TRUE(isNear(pixelAt(*pixels, 1000, pixelIndex(selected.origin.y + 22)), blended, 2))
        << pixelAt(*pixels, 1000, pixelIndex(selected.origin.y + 22));
    EXPECT_GT(countNear(*pixels, accent, 0, pixelIndex(selected.origin.y), 600, pixelIndex(44), 40), 100u);
}

// A scrolled table drawn unscrolled, spilling rows outside its frame, or a held row not highlighted.
TEST(TableRendering, ScrolledTableShowsItsContentShiftedAndClippedToItsFrame)
{
    SettingsTable settings;
    settings.table->setFrame(CGRectMake(0, 100, 390, 150));
    settings.table->setContentOffset({ 0, 1000 }, false);
    EXPECT_DOUBLE_EQ(settings.table->contentOffset().y, settings.table->contentSize().height - 150);
    settings.cell(5)->setHighlighted(true, false);
    auto pixels = Render::renderView(*settings.window, 0.0);
    ASSERT_TRUE(pixels);
    CGFloat lastRowOnScreen = 100 + settings.cell(5)->frame().origin.y - settings.table->contentOffset().y;
    auto held = pixelAt(*pixels, pixelIndex(5), pixelIndex(lastRowOnScreen + 22));
    EXPECT_FALSE(isNear(held, cellBackground, 10)) << held;
    EXPECT_TRUE(isNear(pixelAt(*pixels, pixelIndex(5), pixelIndex(lastRowOnScreen - 22)), cellBackground));
    EXPECT_EQ(pixelAt(*pixels, pixelIndex(5), pixelIndex(10)), backdrop) << "rows scrolled above the frame are clipped";
    EXPECT_EQ(pixelAt(*pixels, pixelIndex(5), pixelIndex(300)), backdrop);
}

// Bar titles are drawn dark on a dark bar, or translucency is ignored.
TEST(NavigationBarRendering, TitleContrastsWithTheBarAndTranslucentBarsLetTheBackdropThrough)
{
    auto render = [](std::shared_ptr<UIColor> barColour, bool translucent) {
        auto window = backdropWindow(CGRectMake(0, 0, 390, 44));
        window->setBackgroundColor(UIColor::colorWithRed(1, 0, 0, 1));
        auto bar = std::make_shared<UINavigationBar>(CGRectMake(0, 0, 390, 44));
        bar->setItems({ UINavigationItem::initWithTitle("Zova") });
        bar->setBarTintColor(std::move(barColour));
        bar->setTranslucent(translucent);
        window->addSubview(bar);
        return Render::renderView(*window, atScale(1));
    };
    auto dark = render(UIColor::colorWithRed(0.1, 0.1, 0.1, 1), false);
    auto light = render(nullptr, false);
    EXPECT_GT(countNear(*dark, white, 150, 0, 90, 44, 60), 20u);
    EXPECT_GT(countNear(*light, Pixel { 0, 0, 0, 255 }, 150, 0, 90, 44, 60), 20u);
    EXPECT_TRUE(isNear(pixelAt(*dark, 20, 20), Pixel { 26, 26, 26, 255 }));
    auto translucent = render(UIColor::colorWithRed(0.1, 0.1, 0.1, 1), true);
    EXPECT_GT(pixelAt(*translucent, 20, 20).red, 30);
}

// Catches a page pushed in a stack of its own drawn under two stacked bars, and a translucent
// outer bar that hides what lies behind it as an opaque one would.
TEST(NavigationBarRendering, NestedStackShowsOneBarWhoseTranslucencyShows)
{
    auto window = std::static_pointer_cast<UIWindow>(backdropWindow());
    auto home = std::make_shared<UIViewController>();
    home->setTitle("Settings");
    auto outer = UINavigationController::initWithRootViewController(home);
    window->setRootViewController(outer);
    auto page = std::make_shared<UIViewController>();
    page->setTitle("Zova");
    auto table = UITableView::initWithFrame(CGRectMake(0, 0, 390, 844), UITableViewStyleGrouped);
    table->setBackgroundColor(UIColor::colorWithRed(1, 0, 0, 1));
    page->setView(table);
    auto inner = UINavigationController::initWithRootViewController(page);
    inner->setNavigationBarHidden(true, false);
    outer->pushViewController(inner, false);
    NSRunLoop::mainRunLoop()->runForTimeInterval(0.05);
    const auto& bar = outer->navigationBar();
    bar->setBarTintColor(UIColor::colorWithRed(0.1, 0.1, 0.1, 1));

    bar->setTranslucent(false);
    auto opaque = Render::renderView(*window, atScale(1));
    ASSERT_TRUE(opaque);
    EXPECT_TRUE(isNear(pixelAt(*opaque, 200, 20), Pixel { 26, 26, 26, 255 })) << pixelAt(*opaque, 200, 20);
    // Below the one bar: the page, not a second bar.
    EXPECT_EQ(countNear(*opaque, Pixel { 255, 0, 0, 255 }, 0, 46, 390, 40), 390u * 40u);

    bar->setTranslucent(true);
    auto translucent = Render::renderView(*window, atScale(1));
    ASSERT_TRUE(translucent);
    Pixel throughBar = pixelAt(*translucent, 200, 20);
    EXPECT_GT(throughBar.red, 30) << throughBar;
    EXPECT_TRUE(isNear(Pixel { 26, throughBar.green, throughBar.blue, 255 }, Pixel { 26, 24, 24, 255 })) << throughBar;
    EXPECT_EQ(countNear(*translucent, Pixel { 255, 0, 0, 255 }, 0, 46, 390, 40), 390u * 40u);
}

// A presented alert leaves the screen undimmed, or its panel, title or button goes missing.
TEST(AlertRendering, PresentedAlertDimsTheScreenAndShowsItsPanel)
{
    auto alert = UIAlertController::alertControllerWithTitle("Zova", "Make your assistant more colorful.", UIAlertControllerStyleAlert);
    alert->addAction(UIAlertAction::actionWithTitle("Thank You", UIAlertActionStyleCancel, nullptr));
    auto window = presentingWindow(alert);
    auto pixels = Render::renderView(*window, atScale(1));
    ASSERT_TRUE(pixels);
    // The screen behind at 80%.
    EXPECT_TRUE(isNear(pixelAt(*pixels, 10, 10), Pixel { 32, 96, 160, 255 }, 2)) << pixelAt(*pixels, 10, 10);
    Box panel = boxOf(*pixels, Pixel { 247, 247, 247, 255 }, 0, 0, 390, 844, 4);
    ASSERT_FALSE(panel.isEmpty());
    EXPECT_NEAR(panel.midX(), 195, 2);
    EXPECT_NEAR(panel.midY(), 422, 2);
    EXPECT_NEAR(static_cast<double>(panel.right - panel.left + 1), 270, 2);
    EXPECT_GT(countNear(*pixels, Pixel { 0, 0, 0, 255 }, panel.left, panel.top, 270, 40, 80), 30u);
    EXPECT_GT(countNear(*pixels, pixelOf(*UIColor::colorWithRed(0, 0.478, 1, 1)), panel.left, panel.bottom - 44, 270, 44, 60), 30u);
}

// The picker shows the page below through its body, or tiles for files the library doesn't hold.
TEST(PickerRendering, PhotoLibraryShowsOneTilePerFileUnderTheBar)
{
    auto root = std::filesystem::temp_directory_path() / ("zova-render-picker-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "var/mobile/Media/DCIM/100APPLE");
    for (const char* name : { "IMG_0001.GIF", "IMG_0002.GIF", "IMG_0003.PNG" })
        std::ofstream(root / "var/mobile/Media/DCIM/100APPLE" / name) << "GIF89a";
    DeviceRoot::set(root);
    auto picker = std::make_shared<UIImagePickerController>();
    auto window = presentingWindow(picker);
    auto pixels = Render::renderView(*window, atScale(1));
    std::filesystem::remove_all(root);
    ASSERT_TRUE(pixels);

    const Pixel tile { 230, 230, 230, 255 };
    size_t top = static_cast<size_t>(CGRectGetMaxY(picker->navigationBar()->frame())) + 4;
    size_t side = (390 - 6) / 4;
    for (size_t column = 0; column < 4; ++column) {
        Pixel corner = pixelAt(*pixels, column * (side + 2) + 3, top);
        EXPECT_EQ(isNear(corner, tile), column < 3) << column << " " << corner;
    }
    EXPECT_TRUE(isNear(pixelAt(*pixels, 200, 600), white)) << pixelAt(*pixels, 200, 600);
}
