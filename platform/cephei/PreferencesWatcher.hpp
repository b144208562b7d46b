// Tells when one file of a folder may have changed: inotify, read on the main run loop, no polling.
// While the folder is missing it watches the nearest existing ancestor inside the device root and
// moves down as folders appear, so that a reader never has to create folders on the device and still
// sees the first write made by another process.
#pragma once

#include <foundation/FileDescriptor.hpp>
#include <foundation/NSRunLoop.hpp>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class PreferencesWatcher {
public:
    // Watches the file `fileName` of the device folder `directoryPath`, found through the device
    // root. onChange runs on the main thread after events that may have changed the file.
    PreferencesWatcher(std::string directoryPath, std::string fileName, std::function<void()> onChange);
    PreferencesWatcher(const PreferencesWatcher&) = delete;
    PreferencesWatcher& operator=(const PreferencesWatcher&) = delete;
    ~PreferencesWatcher();

    bool isWatching() const { return m_watch >= 0; }

private:
    struct Outcome {
        bool changed { false };
        bool rearm { false };
    };

    void arm();
    struct Folder {
        std::string path;
        FileDescriptor fd;
    };
    std::optional<Folder> nearestExistingFolder() const;
    std::string nextFolderBelow(const std::string& ancestor) const;
    void handleEvents();
    void classify(int watch, uint32_t mask, std::string_view name, Outcome&) const;

    std::string m_directory;
    std::string m_fileName;
    std::function<void()> m_onChange;
    int m_fd { -1 };
    int m_watch { -1 };
    bool m_watchesDirectory { false };
    NSRunLoop::SourceID m_source { 0 };
};
