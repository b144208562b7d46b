#include "PhotoLibrary.hpp"

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <uikit/UIImagePickerController.hpp>

namespace sim {

namespace {

constexpr size_t maximumNameLength = 120;

// A photo already in the library keeps its file: the new one gets a numbered name beside it.
std::string unusedName(const std::filesystem::path& library, const std::string& name)
{
    std::filesystem::path base(name);
    std::string stem = base.stem().string(), extension = base.extension().string();
    std::string candidate = name;
    std::error_code code;
    for (int number = 2; std::filesystem::exists(library / candidate, code); ++number)
        candidate = stem + "-" + std::to_string(number) + extension;
    return candidate;
}

}

std::string sanitisedPhotoName(const std::filesystem::path& file)
{
    std::string name;
    for (char c : file.filename().string()) {
        bool isPlain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' || c == ' ';
        name += isPlain ? c : '_';
    }
    while (!name.empty() && (name.front() == '.' || name.front() == ' '))
        name.erase(name.begin());
    if (name.size() > maximumNameLength)
        name.erase(0, name.size() - maximumNameLength);
    return name.empty() ? "photo" : name;
}

bool makePhotoLibrary(std::filesystem::path& library, std::string& error)
{
    auto resolved = DeviceRoot::resolve(UIImagePickerController::photoLibraryPath);
    std::error_code code;
    if (!resolved || (std::filesystem::create_directories(*resolved, code), code)) {
        error = "can't make the photo library" + (code ? ": " + code.message() : std::string());
        return false;
    }
    library = *resolved;
    return true;
}

std::string addPhotoBytes(std::vector<uint8_t> bytes, const std::string& name, const std::filesystem::path& library, std::string& error)
{
    auto devicePath = std::string(UIImagePickerController::photoLibraryPath) + "/" + unusedName(library, sanitisedPhotoName(name));
    NSError writeError;
    if (!NSData(std::move(bytes)).writeToFile(devicePath, NSDataWritingAtomic, &writeError)) {
        error = writeError.localizedDescription;
        return {};
    }
    return devicePath;
}

}
