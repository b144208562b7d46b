#include <foundation/CoreFoundation.hpp>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace {

// One slot per type name pointer, found without a lock: objects are made and released by the
// thousand in one placement, so counting must cost no more than an atomic add.
struct TypeSlot {
    std::atomic<const char*> name { nullptr };
    std::atomic<long> created { 0 };
    std::atomic<long> destroyed { 0 };
};
constexpr size_t maximumTypeSlots = 128;
TypeSlot s_slots[maximumTypeSlots];

TypeSlot* slotFor(const char* typeName)
{
    for (auto& slot : s_slots) {
        const char* name = slot.name.load(std::memory_order_acquire);
        if (name == typeName)
            return &slot;
        if (!name) {
            const char* expected = nullptr;
            if (slot.name.compare_exchange_strong(expected, typeName, std::memory_order_acq_rel) || expected == typeName)
                return &slot;
        }
    }
    // More type names than slots: the extra ones go uncounted rather than cost a lock.
    return nullptr;
}

TypeSlot* cachedSlotFor(const char* typeName)
{
    // Objects of one type come in runs: the last answer is usually the next one.
    thread_local const char* s_lastName = nullptr;
    thread_local TypeSlot* s_lastSlot = nullptr;
    if (typeName != s_lastName) {
        s_lastSlot = slotFor(typeName);
        s_lastName = typeName;
    }
    return s_lastSlot;
}

// Nobody counts until somebody asks: a host makes and releases objects by the thousand, and an
// atomic add for each of them is a cost only the asker should pay.
std::atomic<bool> s_isCounting { false };

}

CFType::CFType(const char* typeName)
    : m_typeName(typeName)
{
    if (!s_isCounting.load(std::memory_order_relaxed))
        return;
    auto* slot = cachedSlotFor(typeName);
    if (slot)
        slot->created.fetch_add(1, std::memory_order_relaxed);
    m_counters = slot;
}

CFType::~CFType()
{
    if (auto* slot = static_cast<TypeSlot*>(m_counters))
        slot->destroyed.fetch_add(1, std::memory_order_relaxed);
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

CFTypeID CFGetTypeID(CFTypeRef object)
{
    return object ? object->typeID() : 0;
}

CFTypeCounters CFGetTypeCounters(std::string_view typeName)
{
    s_isCounting.store(true, std::memory_order_relaxed);
    // The same name may sit in several slots, one per library that spells it.
    CFTypeCounters counters;
    for (const auto& slot : s_slots) {
        const char* name = slot.name.load(std::memory_order_acquire);
        if (!name)
            break;
        if (typeName != name)
            continue;
        counters.created += slot.created.load(std::memory_order_relaxed);
        counters.destroyed += slot.destroyed.load(std::memory_order_relaxed);
    }
    counters.live = counters.created - counters.destroyed;
    return counters;
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
    if (CFGetTypeID(value) != CFNumberGetTypeID())
        return 0.0;
    return static_cast<const CFNumber*>(value)->doubleValue();
}

CFDictionary::CFDictionary()
    : CFType("CFDictionary")
{
}

CFDictionary::~CFDictionary()
{
    for (auto& [key, value] : m_entries) {
        CFRelease(value);
        CFRelease(key);
    }
}

namespace {

bool isSameKey(CFStringRef stored, CFStringRef asked)
{
    return stored == asked || stored->value() == asked->value();
}

}

void CFDictionary::setValue(CFStringRef key, CFTypeRef value)
{
    CFRetain(value);
    for (auto& [existingKey, existingValue] : m_entries) {
        if (isSameKey(existingKey, key)) {
            CFRelease(existingValue);
            existingValue = value;
            return;
        }
    }
    CFRetain(key);
    // Property dictionaries hold a handful of entries: one allocation for them all.
    if (m_entries.empty())
        m_entries.reserve(4);
    m_entries.emplace_back(key, value);
}

CFTypeRef CFDictionary::value(CFStringRef key) const
{
    for (const auto& [existingKey, existingValue] : m_entries) {
        if (isSameKey(existingKey, key))
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
