// An assistant host in this test process, with zova.dylib injected by the loader from a fresh device,
// and the tweak's exported globals as the library holds them.
#pragma once

#include <AssistantHost.hpp>

#include <cephei/HBPreferences.hpp>
#include <uikit/UIImageView.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

class TweakHost {
public:
    // One host per process: the library loads once, as on the device.
    static TweakHost& shared();

    sim::AssistantHost& host() { return *m_host; }
    const std::filesystem::path& root() const { return m_root; }

    // The library's own globals, found by their exported names.
    bool& acceso() const;
    bool& trasparente() const;
    int64_t& siripic() const;
    std::shared_ptr<HBPreferences>& preferences() const;
    std::shared_ptr<UIView>& gifView() const;
    std::shared_ptr<UIImageView>& gifImageView() const;

    // Writes the settings through the store, as the settings pages do, and waits until the tweak's
    // variables follow.
    void setSettings(bool accesoValue, bool trasparenteValue, int64_t siripicValue);
    // Writes a file of the device.
    void writeDeviceFile(const std::string& devicePath, const std::vector<uint8_t>& bytes);
    void removeDeviceFile(const std::string& devicePath);

    // The values the variables held right after the library loaded.
    bool accesoAtLoad { false };
    bool trasparenteAtLoad { false };
    int64_t siripicAtLoad { -1 };

private:
    TweakHost();
    void* symbol(const char* name) const;

    std::filesystem::path m_root;
    std::unique_ptr<sim::AssistantHost> m_host;
    void* m_library { nullptr };
};
