// The object runtime: classes by name, interned selectors, per-class method tables for messages
// without arguments. Faithful in lookup and replacement; no arguments, no forwarding, no metaclasses.
#pragma once

#include <initializer_list>
#include <memory>
#include <string_view>
#include <typeinfo>

struct objc_class;
struct objc_selector;
class NSObject;

using Class = objc_class*;
using SEL = const objc_selector*;
using id = NSObject*;
using IMP = void (*)(id self, SEL _cmd);

SEL sel_registerName(std::string_view name);
const char* sel_getName(SEL);

// The registered class of that name, or null.
Class objc_getClass(const char* name);
const char* class_getName(Class);
Class class_getSuperclass(Class);
// The path of the shared object (or executable) that registered the class, or null.
const char* class_getImageName(Class);

// The implementation a message to an instance of the class runs (walking superclasses), or null.
IMP class_getMethodImplementation(Class, SEL);
// Adds a method to this class only; false when the class itself already has one for the selector.
bool class_addMethod(Class, SEL, IMP);
// Installs the implementation on this class only; returns the class's own previous one, or null.
IMP class_replaceMethod(Class, SEL, IMP);
bool class_respondsToSelector(Class, SEL);
std::shared_ptr<NSObject> class_createInstance(Class);

Class object_getClass(const NSObject*);

// Sends a message without arguments. A nil receiver does nothing, as on the platform; a selector
// that no class in the chain implements aborts the process, as the platform's exception would.
void objc_msgSend(id self, SEL op);

namespace objc {

using Factory = std::shared_ptr<NSObject> (*)();

struct Method {
    const char* selector;
    IMP implementation;
};

// Registers (or completes) a class. The superclass is named so that registration order across
// translation units does not matter; it must be registered before the first message is sent.
// Pass the name as a literal of the object that defines the class: that object becomes its image.
Class registerClass(const char* name, const char* superclassName, const std::type_info& type,
    Factory factory, std::initializer_list<Method> methods);

template<typename T>
std::shared_ptr<NSObject> makeInstance()
{
    return std::make_shared<T>();
}

// One-line registration next to a class's definition:
//   static Class const s_class = objc::registerClass<UIView>("UIView", "NSObject", { ... });
template<typename T>
Class registerClass(const char* name, const char* superclassName, std::initializer_list<Method> methods = {})
{
    Factory factory = nullptr;
    if constexpr (std::is_default_constructible_v<T>)
        factory = &makeInstance<T>;
    return registerClass(name, superclassName, typeid(T), factory, methods);
}

template<typename Pointer>
struct MemberClass;

template<typename T>
struct MemberClass<void (T::*)()> {
    using Type = T;
};

template<auto Member>
void callMember(id self, SEL)
{
    using T = typename MemberClass<decltype(Member)>::Type;
    (static_cast<T*>(self)->*Member)();
}

// The implementation that runs a C++ member function: objc::method<&UIView::didMoveToSuperview>().
// It calls the member non-virtually, so dispatch goes only through the runtime's method tables.
template<auto Member>
constexpr IMP method()
{
    return &callMember<Member>;
}

}
