// URLs: file URLs of device paths, and web addresses kept as text. No parsing beyond the scheme.
#pragma once

#include <objc/NSObject.hpp>

#include <memory>
#include <string>

class NSURL final : public NSObject {
public:
    // A file URL of an absolute device path ("/var/mobile/..."), resolved through the device root
    // only when the file is used.
    static std::shared_ptr<NSURL> fileURLWithPath(const std::string& path);
    // Null when the text is empty or has no scheme, as the platform gives nil for malformed text.
    static std::shared_ptr<NSURL> URLWithString(const std::string& text);

    bool isFileURL() const { return m_isFile; }
    // The device path of a file URL; empty for other URLs.
    const std::string& path() const { return m_path; }
    std::string absoluteString() const;

    NSURL(bool isFile, std::string text);

private:
    bool m_isFile;
    std::string m_path; // file URLs
    std::string m_text; // other URLs
};

using CFURLRef = const NSURL*;
