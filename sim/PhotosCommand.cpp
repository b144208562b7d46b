// zova-sim photos add: puts pictures into the device's photo library, where the picker shows them.
#include "Command.hpp"

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <uikit/UIImagePickerController.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace sim {

namespace {

constexpr size_t maximumNameLength = 120;

// A name the library can hold: the file's own name, with anything but letters, digits and a few
// marks replaced, never hidden and never a path.
std::string sanitisedName(const std::filesystem::path& file)
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

// A photo already in the library keeps its file: the new one gets a numbered name beside it.
std::string unusedName(const std::filesystem::path& library, const std::string& name)
{
    std::filesystem::path base(name);
    std::string stem = base.stem().string(), extension = base.extension().string();
    std::string candidate = name;
    for (int number = 2; std::filesystem::exists(library / candidate); ++number)
        candidate = stem + "-" + std::to_string(number) + extension;
    return candidate;
}

bool addPhoto(const std::filesystem::path& file, const std::filesystem::path& library, std::string& error)
{
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        error = file.string() + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = file.string() + ": not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(status.st_size) > ImageIOLimits::maxFileBytes) {
        error = file.string() + ": larger than the 512 MiB a picture may have";
        return false;
    }
    auto bytes = FileIO::readFile(file, ImageIOLimits::maxFileBytes);
    if (!bytes) {
        error = file.string() + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    auto name = unusedName(library, sanitisedName(file));
    NSError writeError;
    auto devicePath = std::string(UIImagePickerController::photoLibraryPath) + "/" + name;
    if (!NSData(std::move(*bytes)).writeToFile(devicePath, NSDataWritingAtomic, &writeError)) {
        error = writeError.localizedDescription;
        return false;
    }
    std::printf("%s\n", devicePath.c_str());
    return true;
}

int runPhotos(const Options&, std::span<const std::string> arguments)
{
    if (arguments.size() < 2 || arguments[0] != "add")
        return fail("usage: photos add FILE...", 2);
    auto library = DeviceRoot::resolve(UIImagePickerController::photoLibraryPath);
    std::error_code code;
    if (!library || (std::filesystem::create_directories(*library, code), code))
        return fail("photos: can't make the photo library" + (code ? ": " + code.message() : std::string()));
    int status = 0;
    for (const auto& file : arguments.subspan(1)) {
        std::string error;
        if (!addPhoto(file, *library, error))
            status = fail("photos: " + error);
    }
    return status;
}

const bool s_registered = registerCommand({
    "photos",
    "photos add FILE...",
    "Adds pictures to the device's photo library (/var/mobile/Media/DCIM), where the picker of the\n"
    "    settings page offers them, and prints the device path of each. Names are kept but for characters\n"
    "    other than letters, digits, '.', '-', '_' and spaces; a name already taken gets a number. Files\n"
    "    over 512 MiB are refused.",
    true,
    &runPhotos,
});

}

}
