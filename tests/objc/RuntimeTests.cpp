#include <foundation/NSData.hpp>
#include <objc/NSObject.hpp>
#include <objc/runtime.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> s_calls;

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

// Not default-constructible: the runtime can't make one.
class Ticket : public NSObject {
public:
    explicit Ticket(int) { }
};

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

class FirstClock : public NSObject {
public:
    void tick() { s_calls.push_back("first tick"); }
};

class SecondClock : public NSObject {
public:
    void tick() { s_calls.push_back("second tick"); }
};

const Class s_vehicle = objc::registerClass<Vehicle>("RTVehicle", "NSObject",
    { { "start", objc::method<&Vehicle::start>() }, { "stop", objc::method<&Vehicle::stop>() } });
const Class s_truck = objc::registerClass<Truck>("RTTruck", "RTVehicle", { { "start", objc::method<&Truck::start>() } });
const Class s_tanker = objc::registerClass<Tanker>("RTTanker", "RTTruck");
const Class s_ticket = objc::registerClass<Ticket>("RTTicket", "NSObject");
const Class s_gauge = objc::registerClass<Gauge>("RTGauge", "NSObject", { { "read", objc::method<&Gauge::read>() } });
const Class s_thermometer = objc::registerClass<Thermometer>("RTThermometer", "RTGauge",
    { { "read", objc::method<&Thermometer::read>() } });
// Registered before its superclass on purpose: order across files must not matter.
const Class s_orphan = objc::registerClass<SecondClock>("RTOrphan", "RTNeverRegistered");

void send(const std::shared_ptr<NSObject>& object, const char* selector)
{
    objc_msgSend(object.get(), sel_registerName(selector));
}

class RuntimeTest : public testing::Test {
protected:
    void SetUp() override { s_calls.clear(); }
};

}

// Selectors compared by pointer would miss each other if one name gave two selectors.
TEST_F(RuntimeTest, SelectorsAreInternedByName)
{
    std::string name = "inter";
    name += "nedName";
    EXPECT_EQ(sel_registerName("internedName"), sel_registerName(name));
    EXPECT_NE(sel_registerName("internedName"), sel_registerName("internedName2"));
    EXPECT_STREQ(sel_getName(sel_registerName(name)), "internedName");
}

// A lookup that answered for names merely mentioned as superclasses would hand out half-made classes.
TEST_F(RuntimeTest, GetClassFindsOnlyRegisteredClasses)
{
    EXPECT_EQ(objc_getClass("RTTruck"), s_truck);
    EXPECT_EQ(objc_getClass("RTNoSuchClass"), nullptr);
    EXPECT_EQ(objc_getClass("RTNeverRegistered"), nullptr);
    EXPECT_EQ(objc_getClass(nullptr), nullptr);
    EXPECT_EQ(class_getSuperclass(s_tanker), s_truck);
    EXPECT_EQ(class_getSuperclass(s_orphan), nullptr);
}

// Dispatch must walk the superclasses and let a subclass's own method win.
TEST_F(RuntimeTest, MessagesDispatchThroughTheClassChain)
{
    auto tanker = class_createInstance(s_tanker);
    ASSERT_NE(tanker, nullptr);
    send(tanker, "start");
    send(tanker, "stop");
    EXPECT_EQ(s_calls, (std::vector<std::string> { "truck start", "vehicle stop" }));
    EXPECT_TRUE(tanker->respondsToSelector(sel_registerName("stop")));
    EXPECT_FALSE(tanker->respondsToSelector(sel_registerName("fly")));
    EXPECT_TRUE(tanker->isKindOfClass(s_vehicle));
    EXPECT_FALSE(class_createInstance(s_vehicle)->isKindOfClass(s_truck));
}

// Replacing on a subclass must leave the superclass's table alone, and report only the class's own.
TEST_F(RuntimeTest, ReplaceMethodTouchesOnlyThatClass)
{
    IMP own = class_getMethodImplementation(s_truck, sel_registerName("start"));
    IMP fresh = [](id, SEL) { s_calls.push_back("fresh stop"); };
    EXPECT_EQ(class_replaceMethod(s_tanker, sel_registerName("stop"), fresh), nullptr);
    EXPECT_FALSE(class_addMethod(s_tanker, sel_registerName("stop"), fresh));
    send(class_createInstance(s_tanker), "stop");
    send(class_createInstance(s_truck), "stop");
    EXPECT_EQ(s_calls, (std::vector<std::string> { "fresh stop", "vehicle stop" }));
    EXPECT_EQ(class_getMethodImplementation(s_truck, sel_registerName("start")), own);
}

// A class cached while a base constructor ran would send every later message to the base's methods.
TEST_F(RuntimeTest, ObjectKeepsItsOwnClassAfterBaseConstructorAsked)
{
    auto thermometer = std::make_shared<Thermometer>();
    EXPECT_EQ(thermometer->classDuringConstruction, s_gauge);
    EXPECT_EQ(thermometer->objcClass(), s_thermometer);
    objc_msgSend(thermometer.get(), sel_registerName("read"));
    EXPECT_EQ(s_calls, (std::vector<std::string> { "thermometer read" }));
}

// Instances made by name must be of the registered type; a class without a factory gives none.
TEST_F(RuntimeTest, CreateInstanceMakesTheRegisteredType)
{
    auto truck = class_createInstance(s_truck);
    EXPECT_NE(dynamic_cast<Truck*>(truck.get()), nullptr);
    EXPECT_EQ(object_getClass(truck.get()), s_truck);
    EXPECT_EQ(class_createInstance(s_ticket), nullptr);
    EXPECT_EQ(class_createInstance(nullptr), nullptr);
}

// A second class of one name (a tweak clashing with its host) must not take the host down.
TEST_F(RuntimeTest, SecondClassOfOneNameKeepsTheFirst)
{
    Class first = objc::registerClass<FirstClock>("RTClock", "NSObject", { { "tick", objc::method<&FirstClock::tick>() } });
    testing::internal::CaptureStderr();
    Class second = objc::registerClass<SecondClock>("RTClock", "NSObject", { { "tick", objc::method<&SecondClock::tick>() } });
    EXPECT_NE(testing::internal::GetCapturedStderr().find("RTClock"), std::string::npos);
    EXPECT_EQ(second, first);
    send(class_createInstance(first), "tick");
    EXPECT_EQ(s_calls, (std::vector<std::string> { "first tick" }));
}

// A superclass chain that loops would hang every lookup; registration must refuse it.
TEST_F(RuntimeTest, SuperclassLoopIsRefused)
{
    class Loop : public NSObject { };
    EXPECT_DEATH(objc::registerClass<Loop>("RTLoopSelf", "RTLoopSelf"), "loops");
    EXPECT_DEATH(
        {
            objc::registerClass<Loop>("RTLoopA", "RTLoopB");
            objc::registerClass<Loop>("RTLoopB", "RTLoopA");
        },
        "loops");
}

// nil receivers are ignored as on the platform; an unknown selector must stop loudly, not run garbage.
TEST_F(RuntimeTest, NilReceiverIgnoredUnknownSelectorAborts)
{
    objc_msgSend(nullptr, sel_registerName("start"));
    EXPECT_TRUE(s_calls.empty());
    auto vehicle = class_createInstance(s_vehicle);
    EXPECT_DEATH(send(vehicle, "fly"), "unrecognized selector");
}

// Bundles find a class's executable through its image; the wrong image would give the wrong bundle.
TEST_F(RuntimeTest, ImageNameIsTheObjectThatRegisteredTheClass)
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
