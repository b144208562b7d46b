#include <preferences/PSSpecifier.hpp>
#include <preferences/PSListController.hpp>

#include <gtest/gtest.h>

namespace {

class DetailPage : public PSListController { };
const Class s_detailClass = objc::registerClass<DetailPage>("ZTSpecifierDetailPage", "PSListController");

PlistDictionary pictureRow()
{
    return {
        { "cell", "PSLinkListCell" },
        { "label", "Picture" },
        { "key", "siripic" },
        { "defaults", "com.velmarok.zovaprefs" },
        { "default", 0 },
        { "PostNotification", "com.velmarok.zovaprefs/changed" },
        { "detail", "ZTSpecifierDetailPage" },
        { "validValues", PlistArray { 0, 1, 2 } },
        { "validTitles", PlistArray { "Waves", "Stars", "Rings" } },
        { "isController", true },
        { "id", "picture" },
        { "icon", "icon.png" },
        { "cellClass", "SomeOtherCell" },
    };
}

}

// Catches keys dropped on the way in: the pages read every one of these from the row.
TEST(PSSpecifierParsing, EveryKnownKeyIsKeptAndReadable)
{
    auto specifier = PSSpecifier::specifierWithDictionary(pictureRow());
    ASSERT_NE(specifier, nullptr);
    EXPECT_EQ(specifier->cellType(), PSLinkListCell);
    EXPECT_EQ(specifier->name(), "Picture");
    EXPECT_EQ(specifier->identifier(), "picture");
    EXPECT_EQ(specifier->stringForKey("defaults"), "com.velmarok.zovaprefs");
    EXPECT_EQ(specifier->propertyForKey("default"), PlistValue(0));
    EXPECT_EQ(specifier->propertyForKey("isController"), PlistValue(true));
    EXPECT_EQ(specifier->propertyForKey("icon"), PlistValue("icon.png"));
    EXPECT_EQ(specifier->propertyForKey("cellClass"), PlistValue("SomeOtherCell"));
    EXPECT_EQ(specifier->detailControllerClass(), s_detailClass);
    EXPECT_EQ(specifier->values(), (std::vector<PlistValue> { 0, 1, 2 }));
    EXPECT_EQ(specifier->titles(), (std::vector<std::string> { "Waves", "Stars", "Rings" }));
    EXPECT_EQ(specifier->titleForValue(PlistValue(2.0)), "Rings");
    EXPECT_EQ(specifier->titleForValue(PlistValue("2")), std::nullopt);
    EXPECT_EQ(specifier->action(), nullptr);

    auto button = PSSpecifier::specifierWithDictionary({ { "cell", "PSButtonCell" }, { "label", "About" }, { "action", "help" } });
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->action(), sel_registerName("help"));
    EXPECT_EQ(button->identifier(), "About");
    auto group = PSSpecifier::specifierWithDictionary({ { "cell", "PSGroupCell" }, { "footerText", "Made with care" } });
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->stringForKey("footerText"), "Made with care");
}

// Catches a host abort on lists written for other pages: unknown cells are left out and values
// of the wrong type read as absent.
TEST(PSSpecifierParsing, UnknownCellsAndWrongTypesAreHarmless)
{
    EXPECT_EQ(PSSpecifier::specifierWithDictionary({ { "cell", "PSFancyCell" }, { "label", "x" } }), nullptr);
    EXPECT_EQ(PSSpecifier::specifierWithDictionary({ { "label", "no cell" } }), nullptr);
    EXPECT_EQ(PSSpecifier::specifierWithDictionary({ { "cell", 6 } }), nullptr);
    for (const char* known : { "PSSliderCell", "PSEditTextCell", "PSSegmentCell", "PSStaticTextCell", "PSTitleValueCell" })
        EXPECT_NE(PSSpecifier::specifierWithDictionary({ { "cell", known } }), nullptr) << known;

    auto odd = PSSpecifier::specifierWithDictionary({
        { "cell", "PSSwitchCell" },
        { "label", 42 },
        { "action", PlistArray { "help" } },
        { "detail", "NoSuchClassAnywhere" },
        { "validValues", "0,1" },
        { "validTitles", PlistArray { "only one" } },
    });
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->name(), "");
    EXPECT_EQ(odd->action(), nullptr);
    EXPECT_EQ(odd->detailControllerClass(), nullptr);
    EXPECT_TRUE(odd->values().empty());
    EXPECT_TRUE(odd->titles().empty());

    auto shortTitles = PSSpecifier::specifierWithDictionary({
        { "cell", "PSLinkListCell" },
        { "validValues", PlistArray { 5, true, 2.5, PlistDictionary {} } },
        { "validTitles", PlistArray { 7, "Yes" } },
    });
    ASSERT_NE(shortTitles, nullptr);
    EXPECT_EQ(shortTitles->titles(), (std::vector<std::string> { "5", "Yes", "2.5", "" }));
}
