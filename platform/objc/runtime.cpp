#include <objc/NSObject.hpp>
#include <objc/runtime.hpp>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <unordered_set>

struct objc_selector {
    std::string name;
};

struct objc_class {
    std::string name;
    std::string superclassName;
    bool isRegistered { false };
    objc::Factory factory { nullptr };
    std::string imageName;
    std::unordered_map<SEL, IMP> methods;
};

namespace {

struct Runtime {
    std::recursive_mutex lock;
    std::map<std::string, std::unique_ptr<objc_selector>, std::less<>> selectors;
    std::map<std::string, std::unique_ptr<objc_class>, std::less<>> classes;
    std::unordered_map<std::type_index, Class> classesByType;
};

// Leaked on purpose: classes and selectors live as long as the process, and libraries unloaded
// late must still find them.
Runtime& runtime()
{
    static auto* instance = new Runtime;
    return *instance;
}

Class classEntry(Runtime& rt, std::string_view name)
{
    auto it = rt.classes.find(name);
    if (it != rt.classes.end())
        return it->second.get();
    auto entry = std::make_unique<objc_class>();
    entry->name = std::string(name);
    Class result = entry.get();
    rt.classes.emplace(entry->name, std::move(entry));
    return result;
}

Class superclassOf(Runtime& rt, Class cls)
{
    if (cls->superclassName.empty())
        return nullptr;
    Class superclass = classEntry(rt, cls->superclassName);
    return superclass->isRegistered ? superclass : nullptr;
}

[[noreturn]] void fail(const char* message, const char* detail)
{
    std::fprintf(stderr, "objc: %s %s\n", message, detail);
    std::abort();
}

// A superclass chain that leads back to the class would make every lookup spin forever.
bool chainReaches(Runtime& rt, std::string_view from, std::string_view target)
{
    for (size_t steps = 0; !from.empty() && steps <= rt.classes.size(); ++steps) {
        if (from == target)
            return true;
        auto it = rt.classes.find(from);
        if (it == rt.classes.end())
            return false;
        from = it->second->superclassName;
    }
    return !from.empty();
}

std::string imageContaining(const void* address)
{
    Dl_info info {};
    if (!address || !::dladdr(address, &info) || !info.dli_fname)
        return {};
    return info.dli_fname;
}

const Class s_rootClass = objc::registerClass<NSObject>("NSObject", "");

}

SEL sel_registerName(std::string_view name)
{
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    auto it = rt.selectors.find(name);
    if (it == rt.selectors.end())
        it = rt.selectors.emplace(std::string(name), std::make_unique<objc_selector>(objc_selector { std::string(name) })).first;
    return it->second.get();
}

const char* sel_getName(SEL selector)
{
    return selector ? selector->name.c_str() : "<null selector>";
}

Class objc_getClass(const char* name)
{
    if (!name)
        return nullptr;
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    auto it = rt.classes.find(std::string_view(name));
    return it != rt.classes.end() && it->second->isRegistered ? it->second.get() : nullptr;
}

const char* class_getName(Class cls)
{
    return cls ? cls->name.c_str() : "nil";
}

const char* class_getImageName(Class cls)
{
    if (!cls || cls->imageName.empty())
        return nullptr;
    return cls->imageName.c_str();
}

Class class_getSuperclass(Class cls)
{
    if (!cls)
        return nullptr;
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    return superclassOf(rt, cls);
}

IMP class_getMethodImplementation(Class cls, SEL selector)
{
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    for (Class c = cls; c; c = superclassOf(rt, c)) {
        auto it = c->methods.find(selector);
        if (it != c->methods.end())
            return it->second;
    }
    return nullptr;
}

bool class_addMethod(Class cls, SEL selector, IMP implementation)
{
    if (!cls || !selector || !implementation)
        return false;
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    return cls->methods.emplace(selector, implementation).second;
}

IMP class_replaceMethod(Class cls, SEL selector, IMP implementation)
{
    if (!cls || !selector || !implementation)
        return nullptr;
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    IMP& slot = cls->methods[selector];
    IMP previous = slot;
    slot = implementation;
    return previous;
}

bool class_respondsToSelector(Class cls, SEL selector)
{
    return cls && class_getMethodImplementation(cls, selector);
}

std::shared_ptr<NSObject> class_createInstance(Class cls)
{
    if (!cls || !cls->factory)
        return nullptr;
    return cls->factory();
}

Class object_getClass(const NSObject* object)
{
    if (!object)
        return nullptr;
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    auto it = rt.classesByType.find(std::type_index(typeid(*object)));
    if (it == rt.classesByType.end())
        fail("no class registered for C++ type", typeid(*object).name());
    return it->second;
}

void objc_msgSend(id self, SEL op)
{
    if (!self)
        return;
    IMP implementation = class_getMethodImplementation(self->objcClass(), op);
    if (!implementation) {
        std::fprintf(stderr, "objc: -[%s %s]: unrecognized selector sent to instance %p\n",
            class_getName(self->objcClass()), sel_getName(op), static_cast<void*>(self));
        std::abort();
    }
    implementation(self, op);
}

namespace objc {

Class registerClass(const char* name, const char* superclassName, const std::type_info& type,
    Factory factory, std::initializer_list<Method> methods)
{
    // The name literal sits in the registering object's read-only data; a computed name doesn't, so
    // the factory and the type's descriptor (which may be shared between objects) come after it.
    std::string image = imageContaining(name);
    if (image.empty())
        image = imageContaining(reinterpret_cast<const void*>(factory));
    if (image.empty())
        image = imageContaining(&type);
    if (!name || !*name || !superclassName)
        fail("class registered without a name or superclass name:", name ? name : "(null)");
    auto& rt = runtime();
    std::lock_guard guard(rt.lock);
    Class cls = classEntry(rt, name);
    if (cls->isRegistered) {
        // As the platform does with a class defined in two images: warn, and keep the first.
        std::fprintf(stderr, "objc: class %s is implemented in both %s and %s; the first is used\n", name,
            cls->imageName.c_str(), image.c_str());
        rt.classesByType.emplace(std::type_index(type), cls);
        return cls;
    }
    if (chainReaches(rt, superclassName, name))
        fail("superclass chain loops back to", name);
    cls->superclassName = superclassName;
    cls->factory = factory;
    cls->imageName = std::move(image);
    for (const auto& method : methods)
        cls->methods[sel_registerName(method.selector)] = method.implementation;
    cls->isRegistered = true;
    rt.classesByType[std::type_index(type)] = cls;
    return cls;
}

}

Class NSObject::objcClass() const
{
    // The cache is checked against the dynamic type: a message sent while a base constructor runs
    // must not pin the object to its base class for the rest of its life.
    const std::type_info& type = typeid(*this);
    if (m_isaType.load(std::memory_order_acquire) == &type)
        return m_isa.load(std::memory_order_relaxed);
    Class cls = object_getClass(this);
    m_isa.store(cls, std::memory_order_relaxed);
    m_isaType.store(&type, std::memory_order_release);
    return cls;
}

bool NSObject::respondsToSelector(SEL selector) const
{
    return class_respondsToSelector(objcClass(), selector);
}

bool NSObject::isKindOfClass(Class cls) const
{
    for (Class c = objcClass(); c; c = class_getSuperclass(c)) {
        if (c == cls)
            return true;
    }
    return false;
}
