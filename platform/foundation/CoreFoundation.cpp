#include <foundation/CoreFoundation.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace {

struct Counters {
    std::mutex lock;
    std::map<std::string, CFTypeCounters, std::less<>> byType;
};

Counters& counters()
{
    static auto* instance = new Counters;
    return *instance;
}

void count(const char* typeName, long created, long destroyed)
{
    auto& c = counters();
    std::lock_guard guard(c.lock);
    auto& entry = c.byType[typeName];
    entry.created += created;
    entry.destroyed += destroyed;
    entry.live += created - destroyed;
}

}

CFType::CFType(const char* typeName)
    : m_typeName(typeName)
{
    count(m_typeName, 1, 0);
}

CFType::~CFType()
{
    count(m_typeName, 0, 1);
}

bool CFType::release() const
{
    if (m_retainCount.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return false;
    delete this;
    return true;
}

CFTypeRef CFRetain(CFTypeRef object)
{
    if (object)
        object->retain();
    return object;
}

void CFRelease(CFTypeRef object)
{
    if (!object) {
        std::fputs("CoreFoundation: CFRelease called with NULL\n", stderr);
        std::abort();
    }
    object->release();
}

CFIndex CFGetRetainCount(CFTypeRef object)
{
    return object ? object->retainCount() : 0;
}

CFTypeCounters CFGetTypeCounters(std::string_view typeName)
{
    auto& c = counters();
    std::lock_guard guard(c.lock);
    auto it = c.byType.find(typeName);
    return it == c.byType.end() ? CFTypeCounters {} : it->second;
}

CFNumberRef CFNumberCreateWithDouble(double value)
{
    return new CFNumber(value);
}

CFStringRef CFSTR(const char* literal)
{
    static std::mutex lock;
    static auto* constants = new std::map<std::string, CFStringRef, std::less<>>;
    std::lock_guard guard(lock);
    auto it = constants->find(std::string_view(literal));
    if (it == constants->end())
        it = constants->emplace(literal, new CFString(literal)).first;
    return it->second;
}

double doubleValue(CFTypeRef value)
{
    auto* number = dynamic_cast<const CFNumber*>(value);
    return number ? number->doubleValue() : 0.0;
}

CFDictionary::CFDictionary()
    : CFType("CFDictionary")
{
}

CFDictionary::~CFDictionary()
{
    for (auto& [key, value] : m_entries)
        CFRelease(value);
}

void CFDictionary::setValue(CFStringRef key, CFTypeRef value)
{
    CFRetain(value);
    for (auto& [existingKey, existingValue] : m_entries) {
        if (existingKey == key->value()) {
            CFRelease(existingValue);
            existingValue = value;
            return;
        }
    }
    m_entries.emplace_back(key->value(), value);
}

CFTypeRef CFDictionary::value(CFStringRef key) const
{
    for (const auto& [existingKey, existingValue] : m_entries) {
        if (existingKey == key->value())
            return existingValue;
    }
    return nullptr;
}

CFMutableDictionaryRef CFDictionaryCreateMutable()
{
    return new CFDictionary;
}

void CFDictionarySetValue(CFMutableDictionaryRef dictionary, CFStringRef key, CFTypeRef value)
{
    if (dictionary && key && value)
        dictionary->setValue(key, value);
}

CFTypeRef CFDictionaryGetValue(CFDictionaryRef dictionary, CFStringRef key)
{
    return dictionary && key ? dictionary->value(key) : nullptr;
}
