// A device with Zova installed and a Settings app process in this test process: the settings
// bundle loads from the device as the Settings app loads it.
#pragma once

#include <SettingsHost.hpp>

#include <cephei/HBPreferences.hpp>
#include <preferences/PSListController.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UITableViewCell.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class SettingsDevice {
public:
    // A fresh Settings app on the process's one device, with an empty store and no sounds played.
    SettingsDevice();

    sim::SettingsHost& app() { return *m_app; }
    std::shared_ptr<HBPreferences> store() const;

    // Runs a step, failing the test with the host's reason when it can't be done.
    void step(const std::string& name, const std::string& argument = {});
    // Lets transitions and store changes arrive.
    void settle(double seconds = 0.5);

    std::shared_ptr<PSListController> page() const;
    std::shared_ptr<UITableViewCell> cell(long row) const;
    // The "Choose your picture" buttons in the page's table, by their tag.
    std::vector<std::shared_ptr<UIButton>> placedButtons() const;

    std::filesystem::path hostPath(const std::string& devicePath) const;
    void addToPhotoLibrary(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::vector<uint8_t> customPicture() const;

private:
    std::unique_ptr<sim::SettingsHost> m_app;
};
