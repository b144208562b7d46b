#include <foundation/NSData.hpp>
#include <objc/NSObject.hpp>
#include <objc/runtime.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;
Calls s_calls;

class Vehicle : public NSObject {
public:
    void start() { s_calls.push_back("vehicle start"); }
    void stop() { s_calls.push_back("vehicle stop"); }
};

class Truck : public Vehicle {
public:
    void start() { s_calls.push_back("truck start"); }
};

class Tanker : public Truck { };

// A base whose constructor asks for the runtime class, as a view that lays itself out on creation would.
class Gauge : public NSObject {
public:
    Gauge() { classDuringConstruction = objcClass(); }
    void read() { s_calls.push_back("gauge read"); }
    Class classDuringConstruction { nullptr };
};

class Thermometer : public Gauge {
public:
    void read() { s_calls.push_back("thermometer read"); }
};

class Clock : public NSObject {
public:
    void tick() { s_calls.push_back("tick"); }
};

class OtherClock : public NSObject { };

const Class s_vehicle = objc::registerClass<Vehicle>("RTVehicle", "NSObject",
    { { "start", objc::method<&Vehicle::start>() }, { "stop", objc::method<&Vehicle::stop>() } });
const Class s_truck = objc::registerClass<Truck>("RTTruck", "RTVehicle", { { "start", objc::method<&Truck::start>() } });
// Registered before a superclass that never comes: order across files must not matter.
const Class s_tanker = objc::registerClass<Tanker>("RTTanker", "RTTruck");
const Class s_orphan = objc::registerClass<OtherClock>("RTOrphan", "RTNeverRegistered");
const Class s_gauge = objc::registerClass<Gauge>("RTGauge", "NSObject", { { "read", objc::method<&Gauge::read>() } });
const Class s_thermometer = objc::registerClass<Thermometer>("RTThermometer", "RTGauge",
    { { "read", objc::method<&Thermometer::read>() } });

Calls send(Class cls, std::initializer_list<const char*> selectors)
{
    s_calls.clear();
    auto object = class_createInstance(cls);
    for (const char* selector : selectors)
        objc_msgSend(object.get(), sel_registerName(selector));
    return s_calls;
}

}

// Selectors compared by pointer miss each other if one name gives two; a lookup that answered for
// names only mentioned as superclasses would hand out half-made classes.
TEST(Runtime, NamesLookUpOnlyWhatWasRegistered)
{
    std::string name = std::string("inter") + "ned";
    EXPECT_EQ(sel_registerName("interned"), sel_registerName(name));
    EXPECT_NE(sel_registerName("interned"), sel_registerName("interned2"));
    EXPECT_EQ(objc_getClass("RTTruck"), s_truck);
    EXPECT_EQ(objc_getClass("RTNoSuchClass"), nullptr);
    EXPECT_EQ(objc_getClass("RTNeverRegistered"), nullptr);
    EXPECT_EQ(objc_getClass(nullptr), nullptr);
    EXPECT_EQ(class_getSuperclass(s_orphan), nullptr);
}

// Dispatch must walk the superclasses, let a subclass's own method win, and a replacement on a
// subclass must leave the superclass's table alone.
TEST(Runtime, MessagesDispatchThroughTheClassChain)
{
    EXPECT_EQ(send(s_tanker, { "start", "stop" }), (Calls { "truck start", "vehicle stop" }));
    EXPECT_TRUE(class_respondsToSelector(s_tanker, sel_registerName("stop")));
    EXPECT_FALSE(class_respondsToSelector(s_tanker, sel_registerName("fly")));
    EXPECT_TRUE(class_createInstance(s_tanker)->isKindOfClass(s_vehicle));
    EXPECT_FALSE(class_createInstance(s_vehicle)->isKindOfClass(s_truck));

    IMP quiet = [](id, SEL) { s_calls.push_back("quiet stop"); };
    EXPECT_EQ(class_replaceMethod(s_tanker, sel_registerName("stop"), quiet), nullptr);
    EXPECT_EQ(send(s_tanker, { "stop" }), Calls { "quiet stop" });
    EXPECT_EQ(send(s_truck, { "stop" }), Calls { "vehicle stop" });
}

// A class cached while a base constructor ran would send every later message to the base's methods.
TEST(Runtime, ObjectKeepsItsOwnClassAfterBaseConstructorAsked)
{
    auto thermometer = std::make_shared<Thermometer>();
    EXPECT_EQ(thermometer->classDuringConstruction, s_gauge);
    EXPECT_EQ(thermometer->objcClass(), s_thermometer);
    s_calls.clear();
    objc_msgSend(thermometer.get(), sel_registerName("read"));
    EXPECT_EQ(s_calls, Calls { "thermometer read" });
}

// A second class of one name (a tweak clashing with its host) must not take the host down, and a
// superclass chain that loops would hang every lookup.
TEST(Runtime, ClashingAndLoopingRegistrations)
{
    Class first = objc::registerClass<Clock>("RTClock", "NSObject", { { "tick", objc::method<&Clock::tick>() } });
    testing::internal::CaptureStderr();
    EXPECT_EQ(objc::registerClass<OtherClock>("RTClock", "RTVehicle"), first);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("RTClock"), std::string::npos);
    EXPECT_EQ(send(first, { "tick" }), Calls { "tick" });
    EXPECT_EQ(class_getSuperclass(first), objc_getClass("NSObject"));

    EXPECT_DEATH(objc::registerClass<OtherClock>("RTLoopSelf", "RTLoopSelf"), "loops");
    EXPECT_DEATH(
        {
            objc::registerClass<OtherClock>("RTLoopA", "RTLoopB");
            objc::registerClass<OtherClock>("RTLoopB", "RTLoopA");
        },
        "loops");
}

// Bundles find a class's executable through its image; an image seen through a tail call would
// be the dynamic loader's, and every class would land in the main bundle.
TEST(Runtime, ImageNameIsTheObjectThatRegisteredTheClass)
{
    ASSERT_NE(class_getImageName(s_truck), nullptr);
    std::error_code error;
    EXPECT_TRUE(std::filesystem::equivalent(class_getImageName(s_truck), "/proc/self/exe", error));
    auto data = std::make_shared<NSData>();
    const char* foundationImage = class_getImageName(data->objcClass());
    ASSERT_NE(foundationImage, nullptr);
    EXPECT_NE(std::string(foundationImage).find("libfoundation"), std::string::npos) << foundationImage;
    EXPECT_EQ(class_getImageName(nullptr), nullptr);
}
