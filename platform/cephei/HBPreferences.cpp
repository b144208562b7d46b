#include <cephei/HBPreferences.hpp>
#include <cephei/PreferencesFile.hpp>
#include <cephei/PreferencesWatcher.hpp>

#include <foundation/NSThread.hpp>
#include <foundation/dispatch.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <string_view>

static const Class s_class = objc::registerClass<HBPreferences>("HBPreferences", "NSObject");

namespace {

struct Registry {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<HBPreferences>> stores;
};

// Leaked on purpose: store objects live as long as the process, and must not be torn down while a
// library's exit code still reads its variables.
Registry& registry()
{
    static auto* instance = new Registry;
    return *instance;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view withoutLeadingSpace(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

// As a string's integer value on the platform: its leading decimal number after white space, the
// rest ignored ("2abc" is 2), saturated at the 64-bit limits, and 0 when it starts with no number.
int64_t integerFromString(std::string_view text)
{
    text = withoutLeadingSpace(text);
    bool isNegative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    uint64_t magnitude = 0;
    const uint64_t limit = isNegative ? uint64_t { INT64_MAX } + 1 : uint64_t { INT64_MAX };
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        unsigned digit = static_cast<unsigned>(c - '0');
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (isNegative)
        return magnitude == limit ? INT64_MIN : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

// As a string's boolean value on the platform: YES only when, after white space and a sign with
// leading zeros, it starts with Y, y, T, t or a digit 1 to 9 ("N", "0" and "" are NO).
bool boolFromString(std::string_view text)
{
    text = withoutLeadingSpace(text);
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    while (!text.empty() && text.front() == '0')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    char first = text.front();
    return first == 'Y' || first == 'y' || first == 'T' || first == 't' || (first >= '1' && first <= '9');
}

// Truncates toward zero and saturates, as a conversion of a real to an integer setting should.
std::optional<int64_t> integerFromReal(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    if (value >= 9223372036854775807.0)
        return INT64_MAX;
    if (value <= -9223372036854775808.0)
        return INT64_MIN;
    return static_cast<int64_t>(value);
}

std::optional<int64_t> coerceInteger(const PlistValue& value)
{
    if (auto* flag = value.get<bool>())
        return *flag ? 1 : 0;
    if (auto* integer = value.get<int64_t>())
        return *integer;
    if (auto* real = value.get<double>())
        return integerFromReal(*real);
    if (auto* text = value.get<std::string>())
        return integerFromString(*text);
    return std::nullopt;
}

std::optional<bool> coerceBool(const PlistValue& value)
{
    if (auto* flag = value.get<bool>())
        return *flag;
    if (auto* integer = value.get<int64_t>())
        return *integer != 0;
    if (auto* real = value.get<double>())
        return std::isnan(*real) ? std::nullopt : std::optional<bool>(*real != 0);
    if (auto* text = value.get<std::string>())
        return boolFromString(*text);
    return std::nullopt;
}

// A block's exception stops here, so the blocks after it still run and nothing reaches the host.
void invokeSafely(const std::function<void()>& block)
{
    try {
        block();
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "HBPreferences: a change block threw an exception: %s\n", exception.what());
    } catch (...) {
        std::fprintf(stderr, "HBPreferences: a change block threw an exception of an unknown type\n");
    }
}

}

std::shared_ptr<HBPreferences> HBPreferences::initWithIdentifier(const std::string& identifier)
{
    auto& stores = registry();
    std::lock_guard guard(stores.lock);
    auto& store = stores.stores[identifier];
    if (!store)
        store = std::shared_ptr<HBPreferences>(new HBPreferences(identifier));
    return store;
}

HBPreferences::HBPreferences(const std::string& identifier)
    : m_file(std::make_unique<PreferencesFile>(identifier))
{
    // Watch first, then read: a write landing in between is seen either way.
    if (m_file->isUsable()) {
        m_watcher = std::make_unique<PreferencesWatcher>(PreferencesFile::directoryPath, m_file->fileName(),
            [this] { reload(); });
    }
    m_values = m_file->load();
}

HBPreferences::~HBPreferences() = default;

const std::string& HBPreferences::identifier() const
{
    return m_file->identifier();
}

void HBPreferences::registerBool(bool* variable, bool defaultValue, const std::string& key)
{
    if (!variable) {
        std::fprintf(stderr, "HBPreferences: registerBool for \"%s\" without a variable; ignored\n", key.c_str());
        return;
    }
    bind({ .key = key, .boolVariable = variable, .boolDefault = defaultValue });
}

void HBPreferences::registerInteger(int64_t* variable, int64_t defaultValue, const std::string& key)
{
    if (!variable) {
        std::fprintf(stderr, "HBPreferences: registerInteger for \"%s\" without a variable; ignored\n", key.c_str());
        return;
    }
    bind({ .key = key, .integerVariable = variable, .integerDefault = defaultValue });
}

void HBPreferences::bind(Binding binding)
{
    std::lock_guard guard(m_lock);
    assign(binding);
    // Settings pages register the same variable again on every change; keep one binding for it.
    auto same = std::find_if(m_bindings.begin(), m_bindings.end(), [&binding](const Binding& existing) {
        return existing.boolVariable == binding.boolVariable && existing.integerVariable == binding.integerVariable;
    });
    if (same != m_bindings.end())
        *same = std::move(binding);
    else
        m_bindings.push_back(std::move(binding));
}

void HBPreferences::assign(const Binding& binding) const
{
    auto it = m_values.find(binding.key);
    const PlistValue* stored = it == m_values.end() ? nullptr : &it->second;
    if (binding.boolVariable)
        *binding.boolVariable = (stored ? coerceBool(*stored) : std::nullopt).value_or(binding.boolDefault);
    if (binding.integerVariable)
        *binding.integerVariable = (stored ? coerceInteger(*stored) : std::nullopt).value_or(binding.integerDefault);
}

void HBPreferences::registerPreferenceChangeBlock(std::function<void()> block)
{
    if (!block) {
        std::fprintf(stderr, "HBPreferences: an empty change block was registered; ignored\n");
        return;
    }
    auto shared = std::make_shared<std::function<void()>>(std::move(block));
    {
        std::lock_guard guard(m_lock);
        m_blocks.push_back(shared);
    }
    invokeSafely(*shared);
}

bool HBPreferences::boolForKey(const std::string& key, bool defaultValue) const
{
    auto value = objectForKey(key);
    return (value ? coerceBool(*value) : std::nullopt).value_or(defaultValue);
}

int64_t HBPreferences::integerForKey(const std::string& key, int64_t defaultValue) const
{
    auto value = objectForKey(key);
    return (value ? coerceInteger(*value) : std::nullopt).value_or(defaultValue);
}

std::optional<PlistValue> HBPreferences::objectForKey(const std::string& key) const
{
    std::lock_guard guard(m_lock);
    auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

PlistDictionary HBPreferences::dictionaryRepresentation() const
{
    std::lock_guard guard(m_lock);
    return m_values;
}

bool HBPreferences::setBool(bool value, const std::string& key)
{
    return setObject(PlistValue(value), key);
}

bool HBPreferences::setInteger(int64_t value, const std::string& key)
{
    return setObject(PlistValue(value), key);
}

bool HBPreferences::setObject(PlistValue value, const std::string& key)
{
    return write([&](PlistDictionary& values) { values.insert_or_assign(key, value); });
}

bool HBPreferences::removeObjectForKey(const std::string& key)
{
    return write([&](PlistDictionary& values) { values.erase(key); });
}

bool HBPreferences::removeAllObjects()
{
    return write([](PlistDictionary& values) { values.clear(); });
}

bool HBPreferences::write(const std::function<void(PlistDictionary&)>& change)
{
    auto stored = m_file->update(change);
    if (!stored)
        return false;
    if (!NSThread::isMainThread()) {
        // Variables belong to the main thread: it takes the new values on its next turn.
        postOnce(m_reloadPending, &HBPreferences::reload);
        return true;
    }
    // Blocks run on a later turn, so a block that writes can't recurse into itself.
    if (apply(std::move(*stored)))
        postOnce(m_blocksPending, &HBPreferences::runChangeBlocks);
    return true;
}

void HBPreferences::postOnce(std::atomic<bool>& pending, void (HBPreferences::*work)())
{
    // One post at a time: a process that writes in a loop and never runs its loop (a command line
    // tool) must not pile up work on the main queue.
    if (pending.exchange(true))
        return;
    auto protectedThis = std::static_pointer_cast<HBPreferences>(shared_from_this());
    dispatch_async(dispatch_get_main_queue(), [protectedThis, &pending, work] {
        pending = false;
        (protectedThis.get()->*work)();
    });
}

void HBPreferences::reload()
{
    if (apply(m_file->load()))
        runChangeBlocks();
}

bool HBPreferences::apply(PlistDictionary values)
{
    std::lock_guard guard(m_lock);
    if (values == m_values)
        return false;
    m_values = std::move(values);
    for (const auto& binding : m_bindings)
        assign(binding);
    return true;
}

void HBPreferences::runChangeBlocks()
{
    // By index, and only the blocks there at the start: a block may register more (they ran at
    // registration), which may reallocate the list.
    size_t count = 0;
    {
        std::lock_guard guard(m_lock);
        count = m_blocks.size();
    }
    for (size_t i = 0; i < count; ++i) {
        std::shared_ptr<std::function<void()>> block;
        {
            std::lock_guard guard(m_lock);
            block = m_blocks[i];
        }
        invokeSafely(*block);
    }
}
