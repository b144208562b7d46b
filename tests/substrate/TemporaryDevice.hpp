// A device root in a fresh temporary directory, set for the process while the object lives.
#pragma once

#include <foundation/DeviceRoot.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

class TemporaryDevice {
public:
    TemporaryDevice()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zova-device-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_root = pattern;
        DeviceRoot::set(m_root);
    }
    TemporaryDevice(const TemporaryDevice&) = delete;
    TemporaryDevice& operator=(const TemporaryDevice&) = delete;
    ~TemporaryDevice()
    {
        std::error_code error;
        std::filesystem::remove_all(m_root, error);
    }

    // Makes this the device of the process again (after another test set its own).
    void use() const { DeviceRoot::set(m_root); }
    const std::filesystem::path& root() const { return m_root; }

    std::filesystem::path hostPath(const std::string& devicePath) const { return m_root / devicePath.substr(1); }

    void write(const std::string& devicePath, std::span<const uint8_t> bytes) const
    {
        auto path = hostPath(devicePath);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void write(const std::string& devicePath, const std::string& text) const
    {
        write(devicePath, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    // A real copy, not a link: the dynamic loader treats each copy as a library of its own.
    void copy(const std::filesystem::path& hostFile, const std::string& devicePath) const
    {
        auto path = hostPath(devicePath);
        std::filesystem::create_directories(path.parent_path());
        std::filesystem::copy_file(hostFile, path, std::filesystem::copy_options::overwrite_existing);
    }

private:
    std::filesystem::path m_root;
};
