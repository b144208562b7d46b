// The Settings app's bar over Zova's pages: one bar, the page's title and way back, the page's
// translucency, and the app's own colours once Zova is left.
#include "SettingsDevice.hpp"

#include <render/Renderer.hpp>
#include <uikit/UIColor.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UITableView.hpp>

#include <gtest/gtest.h>

namespace {

// The one bar on screen shows that title, way back and translucency.
bool showsOneBar(const sim::Json& dump, const std::string& title, const std::string& backTitle, bool isTranslucent)
{
    const auto& bars = dump["navigationBars"];
    return bars.size() == 1 && bars[0]["title"] == title && bars[0]["backTitle"] == backTitle && bars[0]["translucent"] == isTranslucent;
}

const UINavigationBar& outerBar(SettingsDevice& device)
{
    return *device.page()->navigationController()->navigationController()->navigationBar();
}

// The 8-bit red channel at a point of the screen, at one pixel per point.
int redAt(SettingsDevice& device, size_t x, size_t y)
{
    auto pixels = Render::renderView(device.app().window(), Render::RenderOptions { 0.0, 1.0, true });
    if (!pixels || x >= pixels->width || y >= pixels->height)
        return -1;
    return pixels->bytes[(y * pixels->width + x) * 4];
}

}

// Catches each page drawn under two stacked bars, the outer one titled for the Settings app.
TEST(SettingsBar, EachPageShowsOneBarWithItsTitleAndWayBack)
{
    SettingsDevice device;
    device.step("open", "Zova");
    auto dump = device.app().dump();
    EXPECT_TRUE(showsOneBar(dump, "Zova", "Settings", false)) << dump;
    EXPECT_TRUE(device.page()->navigationController()->isNavigationBarHidden());
    // Right below the bar lies the page's dark table, not a second bar.
    EXPECT_LT(redAt(device, 200, 60), 15);

    device.step("tap", "Picture");
    dump = device.app().dump();
    EXPECT_TRUE(showsOneBar(dump, "Zova Pictures", "Zova", true)) << dump;
    EXPECT_LT(redAt(device, 200, 60), 15);

    device.step("back");
    dump = device.app().dump();
    EXPECT_TRUE(showsOneBar(dump, "Zova", "Settings", false)) << dump;
    device.step("back");
    dump = device.app().dump();
    EXPECT_EQ(dump["stack"], sim::Json::array({ { { "class", "PSUIPrefsListController" }, { "title", "Settings" } } })) << dump;
    EXPECT_EQ(dump["navigationBars"][0]["title"], "Settings") << dump;
    EXPECT_EQ(dump["navigationBars"][0]["backTitle"], "") << dump;
}

// Catches the picture list's translucent bar kept off its table, so nothing can show through it.
TEST(SettingsBar, PictureListLiesUnderItsTranslucentBar)
{
    SettingsDevice device;
    device.step("open", "Zova");
    auto rootTable = device.page()->table();
    EXPECT_EQ(rootTable->bounds().origin.y, 0) << "the root page's opaque bar keeps the table below it";
    device.step("tap", "Picture");
    auto table = device.page()->table();
    EXPECT_TRUE(outerBar(device).isTranslucent());
    EXPECT_EQ(table->bounds().origin.y, -UINavigationController::navigationBarHeight);
    auto inWindow = table->superview()->frame().origin.y + table->frame().origin.y;
    EXPECT_EQ(inWindow, 0);
    // The first rows still start below the bar.
    EXPECT_GE(device.cell(0)->frame().origin.y - table->bounds().origin.y, UINavigationController::navigationBarHeight);
}

// Catches the Settings app's own list left in Zova's dark bar colours, and the root page's colours
// lost (or flashed away) on the way back from the picture list.
TEST(SettingsBar, LeavingZovaGivesTheSettingsListItsBarColoursBack)
{
    SettingsDevice device;
    auto outer = std::dynamic_pointer_cast<UINavigationController>(device.app().window().rootViewController());
    ASSERT_NE(outer, nullptr);
    const auto& bar = outer->navigationBar();
    auto settingsTint = UIColor::colorWithRed(0, 0.48, 1, 1);
    bar->setTintColor(settingsTint);

    device.step("open", "Zova");
    auto zovaBarTint = bar->barTintColor();
    ASSERT_NE(zovaBarTint, nullptr);
    EXPECT_TRUE(zovaBarTint->isEqual(*UIColor::colorWithRed(0.1, 0.1, 0.1, 1)));
    device.step("tap", "Picture");
    std::string error;
    ASSERT_TRUE(device.app().back(error)) << error;
    // Within the same turn as the pop, and after it: the root page's colours throughout.
    EXPECT_EQ(bar->barTintColor(), zovaBarTint);
    device.settle();
    EXPECT_EQ(bar->barTintColor(), zovaBarTint);
    EXPECT_NE(bar->tintColor(), settingsTint);

    device.step("back");
    EXPECT_EQ(bar->barTintColor(), nullptr);
    EXPECT_EQ(bar->tintColor(), settingsTint);
    EXPECT_GT(redAt(device, 200, 20), 200) << "the Settings list's light bar";
}
