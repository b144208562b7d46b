#include <substrate/substrate.hpp>

#include <objc/NSObject.hpp>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> s_calls;

// One family of classes per test, since a replacement stays for the life of the process:
// a root with its own speak, a child with its own override, a child and a grandchild that inherit.
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
    Class animal;
    Class dog;
    Class cat;
    Class kitten;
};

template<int Family>
Classes family()
{
    static const Classes classes = [] {
        auto name = [](const char* kind) { return std::string(kind) + std::to_string(Family); };
        return Classes {
            objc::registerClass<Animal<Family>>(name("HookAnimal").c_str(), "NSObject", { { "speak", objc::method<&Animal<Family>::speak>() } }),
            objc::registerClass<Dog<Family>>(name("HookDog").c_str(), name("HookAnimal").c_str(), { { "speak", objc::method<&Dog<Family>::speak>() } }),
            objc::registerClass<Cat<Family>>(name("HookCat").c_str(), name("HookAnimal").c_str()),
            objc::registerClass<Kitten<Family>>(name("HookKitten").c_str(), name("HookCat").c_str()),
        };
    }();
    return classes;
}

SEL speak()
{
    return sel_registerName("speak");
}

std::vector<std::string> speakAs(Class cls)
{
    s_calls.clear();
    auto object = class_createInstance(cls);
    objc_msgSend(object.get(), speak());
    return s_calls;
}

using Calls = std::vector<std::string>;

}

// The hook is useless if the host's message still runs its own implementation.
TEST(MSHookMessageEx, ReplacementRunsWithSameReceiverAndSelector)
{
    auto classes = family<1>();
    static IMP original = nullptr;
    static id seenSelf = nullptr;
    static SEL seenSelector = nullptr;
    MSHookMessageEx(classes.dog, speak(), [](id self, SEL cmd) {
        seenSelf = self;
        seenSelector = cmd;
        s_calls.push_back("replacement");
    }, &original);
    auto dog = class_createInstance(classes.dog);
    s_calls.clear();
    objc_msgSend(dog.get(), speak());
    EXPECT_EQ(s_calls, Calls { "replacement" });
    EXPECT_EQ(seenSelf, dog.get());
    EXPECT_EQ(seenSelector, speak());
}

// The replacement calls through the slot first thing; it must hold the class's previous implementation.
TEST(MSHookMessageEx, PreviousImplementationIsCallableThroughTheSlot)
{
    auto classes = family<2>();
    static IMP original = nullptr;
    IMP dogSpeak = class_getMethodImplementation(classes.dog, speak());
    MSHookMessageEx(classes.dog, speak(), [](id self, SEL cmd) {
        original(self, cmd);
        s_calls.push_back("overlay");
    }, &original);
    EXPECT_EQ(original, dogSpeak);
    EXPECT_EQ(speakAs(classes.dog), (Calls { "dog", "overlay" }));
}

// Replacing an inherited method must not leak into the superclass or the class's siblings,
// yet must reach subclasses that don't override it.
TEST(MSHookMessageEx, InheritedMethodIsReplacedOnThatClassOnly)
{
    auto classes = family<3>();
    static IMP original = nullptr;
    MSHookMessageEx(classes.cat, speak(), [](id self, SEL cmd) {
        s_calls.push_back("purr");
        original(self, cmd);
    }, &original);
    EXPECT_EQ(original, class_getMethodImplementation(classes.animal, speak()));
    EXPECT_EQ(speakAs(classes.cat), (Calls { "purr", "animal" }));
    EXPECT_EQ(speakAs(classes.kitten), (Calls { "purr", "animal" }));
    EXPECT_EQ(speakAs(classes.animal), Calls { "animal" });
    EXPECT_EQ(speakAs(classes.dog), Calls { "dog" });
}

// A second tweak hooking the same message must chain to the first, not bypass it.
TEST(MSHookMessageEx, SecondHookChainsToTheFirst)
{
    auto classes = family<4>();
    static IMP first = nullptr;
    static IMP second = nullptr;
    MSHookMessageEx(classes.dog, speak(), [](id self, SEL cmd) { s_calls.push_back("first"); first(self, cmd); }, &first);
    MSHookMessageEx(classes.dog, speak(), [](id self, SEL cmd) { s_calls.push_back("second"); second(self, cmd); }, &second);
    EXPECT_EQ(speakAs(classes.dog), (Calls { "second", "first", "dog" }));
}

// A host without the class (or the message) must run on untouched, and the slot must not be
// overwritten with something the replacement would then call.
TEST(MSHookMessageEx, NothingToHookReplacesNothing)
{
    auto classes = family<5>();
    IMP sentinel = [](id, SEL) { s_calls.push_back("sentinel"); };
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

// Callers that don't want the previous implementation pass no slot; the replacement still goes in.
TEST(MSHookMessageEx, NullSlotStillReplaces)
{
    auto classes = family<6>();
    MSHookMessageEx(classes.animal, speak(), [](id, SEL) { s_calls.push_back("hush"); }, nullptr);
    EXPECT_EQ(speakAs(classes.cat), Calls { "hush" });
    EXPECT_EQ(speakAs(classes.dog), Calls { "dog" });
}
