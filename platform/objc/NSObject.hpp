// The root class. Every object of the stand-in and of the system derives from it and knows its
// runtime class through its registered C++ type.
#pragma once

#include <objc/runtime.hpp>

#include <atomic>
#include <memory>
#include <typeinfo>

class NSObject : public std::enable_shared_from_this<NSObject> {
public:
    NSObject() = default;
    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;
    virtual ~NSObject() = default;

    Class objcClass() const;
    bool respondsToSelector(SEL) const;
    bool isKindOfClass(Class) const;

private:
    mutable std::atomic<const std::type_info*> m_isaType { nullptr };
    mutable std::atomic<Class> m_isa { nullptr };
};
