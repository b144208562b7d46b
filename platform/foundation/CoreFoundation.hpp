// CoreFoundation's reference-counted types: numbers, strings, dictionaries. Create and Copy
// functions return an owned reference (+1); Get functions borrow. Counters let tests prove that
// every owned reference is released exactly once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Which type an object is, as CFGetTypeID answers it. Types that nothing asks about answer 0.
using CFTypeID = unsigned long;

class CFType {
public:
    explicit CFType(const char* typeName);
    CFType(const CFType&) = delete;
    CFType& operator=(const CFType&) = delete;
    virtual ~CFType();

    const char* typeName() const { return m_typeName; }
    virtual CFTypeID typeID() const { return 0; }
    void retain() const { m_retainCount.fetch_add(1, std::memory_order_relaxed); }
    // Returns true when this was the last reference and the object has been destroyed.
    bool release() const;
    long retainCount() const { return m_retainCount.load(std::memory_order_relaxed); }

private:
    const char* m_typeName;
    // Where this type's objects are counted; found once, when the object is made.
    void* m_counters { nullptr };
    mutable std::atomic<long> m_retainCount { 1 };
};

using CFTypeRef = const CFType*;
using CFIndex = long;

CFTypeRef CFRetain(CFTypeRef);
// Releasing null is a programmer's error on the platform; here it is refused loudly.
void CFRelease(CFTypeRef);
CFIndex CFGetRetainCount(CFTypeRef);
// Null has no type: 0.
CFTypeID CFGetTypeID(CFTypeRef);
constexpr CFTypeID CFNumberGetTypeID() { return 1; }
constexpr CFTypeID CFStringGetTypeID() { return 2; }
constexpr CFTypeID CFDictionaryGetTypeID() { return 3; }

// Live objects and lifetime totals of one type name ("CGImage", "CGImageSource", "CFDictionary", ...).
// Counting starts with the first call: objects made before it are never counted, made or destroyed.
struct CFTypeCounters {
    long live { 0 };
    long created { 0 };
    long destroyed { 0 };
};
CFTypeCounters CFGetTypeCounters(std::string_view typeName);

class CFNumber final : public CFType {
public:
    explicit CFNumber(double value)
        : CFType("CFNumber")
        , m_value(value)
    {
    }
    double doubleValue() const { return m_value; }
    CFTypeID typeID() const override { return CFNumberGetTypeID(); }

private:
    double m_value;
};
using CFNumberRef = const CFNumber*;

CFNumberRef CFNumberCreateWithDouble(double);

class CFString final : public CFType {
public:
    explicit CFString(std::string value)
        : CFType("CFString")
        , m_value(std::move(value))
    {
    }
    const std::string& value() const { return m_value; }
    CFTypeID typeID() const override { return CFStringGetTypeID(); }

private:
    std::string m_value;
};
using CFStringRef = const CFString*;

// Constant strings live for the whole process and are never released.
CFStringRef CFSTR(const char* literal);

// The numeric value of a number, as `doubleValue` answers it: null (nil) or a non-number gives 0.0.
double doubleValue(CFTypeRef);

class CFDictionary final : public CFType {
public:
    CFDictionary();
    ~CFDictionary() override;

    // Retains the value; keys compare by string content.
    void setValue(CFStringRef key, CFTypeRef value);
    CFTypeRef value(CFStringRef key) const;
    CFTypeID typeID() const override { return CFDictionaryGetTypeID(); }

private:
    // Keys are retained, not copied: most are the same constant strings, compared by pointer first.
    std::vector<std::pair<CFStringRef, CFTypeRef>> m_entries;
};
using CFDictionaryRef = const CFDictionary*;
using CFMutableDictionaryRef = CFDictionary*;

CFMutableDictionaryRef CFDictionaryCreateMutable();
void CFDictionarySetValue(CFMutableDictionaryRef, CFStringRef key, CFTypeRef value);
// Borrowed value, or null when the dictionary or the key is absent.
CFTypeRef CFDictionaryGetValue(CFDictionaryRef, CFStringRef key);
