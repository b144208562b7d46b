#include <substrate/substrate.hpp>

#include <objc/NSObject.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;
Calls s_calls;

// A family of classes per test, since a replacement stays for the life of the process: a root
// with its own speak, a child with its own override, a child and a grandchild that inherit.
template<int Family>
class Animal : public NSObject {
public:
    void speak() { s_calls.push_back("animal"); }
};

template<int Family>
class Dog : public Animal<Family> {
public:
    void speak() { s_calls.push_back("dog"); }
};

template<int Family>
class Cat : public Animal<Family> { };

template<int Family>
class Kitten : public Cat<Family> { };

struct Classes {
    Class animal, dog, cat, kitten;
};

template<int Family>
Classes family()
{
    static const Classes classes = [] {
        auto name = [](const char* kind) { return kind + std::to_string(Family); };
        return Classes {
            objc::registerClass<Animal<Family>>(name("Animal").c_str(), "NSObject", { { "speak", objc::method<&Animal<Family>::speak>() } }),
            objc::registerClass<Dog<Family>>(name("Dog").c_str(), name("Animal").c_str(), { { "speak", objc::method<&Dog<Family>::speak>() } }),
            objc::registerClass<Cat<Family>>(name("Cat").c_str(), name("Animal").c_str()),
            objc::registerClass<Kitten<Family>>(name("Kitten").c_str(), name("Cat").c_str()),
        };
    }();
    return classes;
}

SEL speak()
{
    return sel_registerName("speak");
}

Calls speakAs(Class cls)
{
    s_calls.clear();
    objc_msgSend(class_createInstance(cls).get(), speak());
    return s_calls;
}

}

// The hook is useless if the message still runs the host's code alone, or if the slot the
// replacement calls through does not hold the implementation in force before.
TEST(MSHookMessageEx, ReplacementRunsAndCallsThroughTheSlot)
{
    auto classes = family<1>();
    static IMP original = nullptr;
    static id seenSelf = nullptr;
    static SEL seenSelector = nullptr;
    IMP dogSpeak = class_getMethodImplementation(classes.dog, speak());
    MSHookMessageEx(classes.dog, speak(), [](id self, SEL cmd) {
        seenSelf = self;
        seenSelector = cmd;
        original(self, cmd);
        s_calls.push_back("overlay");
    }, &original);
    EXPECT_EQ(original, dogSpeak);
    auto dog = class_createInstance(classes.dog);
    s_calls.clear();
    objc_msgSend(dog.get(), speak());
    EXPECT_EQ(s_calls, (Calls { "dog", "overlay" }));
    EXPECT_EQ(seenSelf, dog.get());
    EXPECT_EQ(seenSelector, speak());
}

// Replacing an inherited method must reach subclasses that don't override it, and not leak into
// the superclass or the class's siblings.
TEST(MSHookMessageEx, InheritedMethodIsReplacedOnThatClassOnly)
{
    auto classes = family<2>();
    static IMP original = nullptr;
    MSHookMessageEx(classes.cat, speak(), [](id self, SEL cmd) {
        s_calls.push_back("purr");
        original(self, cmd);
    }, &original);
    EXPECT_EQ(speakAs(classes.cat), (Calls { "purr", "animal" }));
    EXPECT_EQ(speakAs(classes.kitten), (Calls { "purr", "animal" }));
    EXPECT_EQ(speakAs(classes.animal), Calls { "animal" });
    EXPECT_EQ(speakAs(classes.dog), Calls { "dog" });
}

// A second hook of the same message must chain to the first; a caller without a slot still hooks.
TEST(MSHookMessageEx, HooksChain)
{
    auto classes = family<3>();
    static IMP first = nullptr;
    static IMP second = nullptr;
    MSHookMessageEx(classes.dog, speak(), [](id self, SEL cmd) { s_calls.push_back("first"); first(self, cmd); }, &first);
    MSHookMessageEx(classes.dog, speak(), [](id self, SEL cmd) { s_calls.push_back("second"); second(self, cmd); }, &second);
    EXPECT_EQ(speakAs(classes.dog), (Calls { "second", "first", "dog" }));
    MSHookMessageEx(classes.cat, speak(), [](id, SEL) { s_calls.push_back("hush"); }, nullptr);
    EXPECT_EQ(speakAs(classes.kitten), Calls { "hush" });
}

// A host without the class (or the message) must run on untouched, and the slot must not receive
// something the replacement would then call.
TEST(MSHookMessageEx, NothingToHookReplacesNothing)
{
    auto classes = family<4>();
    IMP sentinel = [](id, SEL) { };
    IMP slot = sentinel;
    IMP replacement = [](id, SEL) { s_calls.push_back("replacement"); };
    MSHookMessageEx(nullptr, speak(), replacement, &slot);
    EXPECT_EQ(slot, sentinel);

    testing::internal::CaptureStderr();
    MSHookMessageEx(classes.dog, sel_registerName("fetch"), replacement, &slot);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("fetch"), std::string::npos);
    EXPECT_EQ(slot, sentinel);
    EXPECT_FALSE(class_respondsToSelector(classes.dog, sel_registerName("fetch")));
    EXPECT_EQ(speakAs(classes.dog), Calls { "dog" });
}
