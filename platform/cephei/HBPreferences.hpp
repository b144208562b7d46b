// The settings store shared across processes. One object per identifier in each process, backed by
// "/var/mobile/Library/Preferences/<identifier>.plist" on the device. A write made by any process
// reaches every object on the identifier within a fraction of a second: the bound variables are
// updated first, then the change blocks run, on the main run loop. No per-key observers, no sync calls.
#pragma once

#include <foundation/PropertyList.hpp>
#include <objc/NSObject.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class PreferencesFile;
class PreferencesWatcher;

class HBPreferences final : public NSObject {
public:
    // The process's one object for the identifier: later calls give the same object, which lives as
    // long as the process, so every registration made on it stays in force.
    static std::shared_ptr<HBPreferences> initWithIdentifier(const std::string& identifier);
    ~HBPreferences() override;

    const std::string& identifier() const;

    // Writes the key's current value (the default while nothing usable is stored) into the variable
    // at once, and again on the main thread after every change. Registering the same variable again
    // replaces its key and default.
    void registerBool(bool* variable, bool defaultValue, const std::string& key);
    void registerInteger(int64_t* variable, int64_t defaultValue, const std::string& key);
    // Runs the block once now, in the call, and again on the main thread after every change, after
    // the variables. A block may register more blocks and variables while it runs.
    void registerPreferenceChangeBlock(std::function<void()> block);

    // Numbers, booleans and numeric strings coerce; anything else gives the default.
    bool boolForKey(const std::string& key, bool defaultValue) const;
    int64_t integerForKey(const std::string& key, int64_t defaultValue) const;
    std::optional<PlistValue> objectForKey(const std::string& key) const;
    PlistDictionary dictionaryRepresentation() const;

    // Each write reads, changes and replaces the file under a lock shared by every process. This
    // object takes the new values at once when written from the main thread, else on the main run
    // loop. False, with one line on stderr, when nothing could be written.
    bool setBool(bool value, const std::string& key);
    bool setInteger(int64_t value, const std::string& key);
    bool setObject(PlistValue value, const std::string& key);
    bool removeObjectForKey(const std::string& key);
    bool removeAllObjects();

private:
    explicit HBPreferences(const std::string& identifier);

    struct Binding {
        std::string key;
        bool* boolVariable { nullptr };
        int64_t* integerVariable { nullptr };
        bool boolDefault { false };
        int64_t integerDefault { 0 };
    };

    void bind(Binding);
    void assign(const Binding&) const;
    bool write(const std::function<void(PlistDictionary&)>& change);
    void postOnce(std::atomic<bool>& pending, void (HBPreferences::*work)());
    void reload();
    bool apply(PlistDictionary values);
    void runChangeBlocks();

    std::unique_ptr<PreferencesFile> m_file;
    std::unique_ptr<PreferencesWatcher> m_watcher;

    // Guards the values and the registrations; never held while a block runs.
    mutable std::mutex m_lock;
    PlistDictionary m_values;
    std::vector<Binding> m_bindings;
    std::vector<std::shared_ptr<std::function<void()>>> m_blocks;
    std::atomic<bool> m_reloadPending { false };
    std::atomic<bool> m_blocksPending { false };
};
