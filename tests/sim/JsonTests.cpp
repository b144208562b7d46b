// The JSON every dump is made of: text from files, numbers from geometry and property list values.
#include <Json.hpp>
#include <ViewDump.hpp>
#include <foundation/PropertyList.hpp>
#include <uikit/UIView.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using sim::Json;

// Catches a store string or key holding a NUL or bytes that are not UTF-8 making a dump throw, or
// text that no JSON reader accepts.
TEST(Json, TextThatIsNotUtf8OrHoldsNulStaysValid)
{
    std::string hostile("a\0b\xff\xc3(\xf0\x9f", 8);
    PlistDictionary store { { hostile, PlistValue(hostile) }, { "plain", PlistValue("caf\xc3\xa9") } };
    std::string text;
    ASSERT_NO_THROW(text = sim::dumpJson(sim::jsonOfPropertyList(PlistValue(store))));
    ASSERT_TRUE(nlohmann::json::accept(text)) << text;
    auto shown = "a\\u0000b\xef\xbf\xbd\xef\xbf\xbd(\xef\xbf\xbd";
    EXPECT_EQ(text, std::string("{\"") + shown + "\":\"" + shown + "\",\"plain\":\"caf\xc3\xa9\"}");
    EXPECT_TRUE(nlohmann::json::accept(sim::dumpJson(Json { { "label", hostile } }, sim::JsonStyle::Pretty)));
}

// Catches geometry printed with binary noise, whole numbers with a fraction, or NaN as invalid JSON.
TEST(Json, MeasuresPrintAsPeopleWriteThem)
{
    EXPECT_EQ(sim::dumpJson(sim::jsonNumber(0.1 + 0.2)), "0.3");
    EXPECT_EQ(sim::dumpJson(sim::jsonNumber(390.0)), "390");
    EXPECT_EQ(sim::dumpJson(sim::jsonNumber(-55.0)), "-55");
    EXPECT_EQ(sim::dumpJson(sim::jsonNumber(1.0 / 3)), "0.3333333333");
    EXPECT_EQ(sim::dumpJson(sim::jsonNumber(1e300)), "1e+300");
    EXPECT_EQ(sim::dumpJson(sim::jsonNumber(std::nan(""))), "null");
    EXPECT_EQ(sim::dumpJson(sim::jsonNumber(-std::numeric_limits<double>::infinity())), "null");
}

// Catches a real read back as an integer, data not as base64, lost precision, or keys reordered.
TEST(Json, PropertyListValuesKeepTheirKindAndOrder)
{
    PlistDictionary values { { "b", PlistValue(1.0) }, { "a", PlistValue(int64_t { 1 }) }, { "c", PlistValue(PlistData { { 'h', 'i' } }) },
        { "d", PlistValue(PlistArray { PlistValue(0.1), PlistValue(std::nan("")), PlistValue(true) }) } };
    EXPECT_EQ(sim::dumpJson(sim::jsonOfPropertyList(PlistValue(values))), R"({"a":1,"b":1.0,"c":"aGk=","d":[0.1,null,true]})");
    EXPECT_EQ(sim::dumpJson(sim::jsonOfPropertyList(PlistValue(0.30000000000000004))), "0.30000000000000004");
}

// Catches a view tree whose members come out of order, or a host's own members left out.
TEST(Json, ViewTreeKeepsItsOrderAndTheHostsMembers)
{
    auto root = UIView::initWithFrame(CGRectMake(0, 0, 10.5, 20));
    root->addSubview(UIView::initWithFrame(CGRectMake(1, 2, 3, 4)));
    auto tree = sim::dumpViewTree(*root, [](const UIView&, Json& json) { json["mine"] = true; });
    EXPECT_EQ(sim::dumpJson(tree["subviews"][0]),
        R"({"class":"UIView","frame":[1,2,3,4],"alpha":1,"hidden":false,"tag":0,"userInteractionEnabled":true,)"
        R"("backgroundColor":null,"mine":true,"subviews":[]})");
    EXPECT_EQ(tree["frame"], Json({ 0, 0, 10.5, 20 }));
}
