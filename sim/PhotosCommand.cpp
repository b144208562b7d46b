// zova-sim photos add: puts pictures into the device's photo library, where the picker shows them.
#include "Command.hpp"
#include "PhotoLibrary.hpp"

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
    auto devicePath = addPhotoBytes(std::move(*bytes), file.filename().string(), library, error);
    if (devicePath.empty())
        return false;
    std::printf("%s\n", devicePath.c_str());
    return true;
}

int runPhotos(const Options&, std::span<const std::string> arguments)
{
    if (arguments.size() < 2 || arguments[0] != "add")
        return fail("usage: photos add FILE...", 2);
    std::filesystem::path library;
    std::string libraryError;
    if (!makePhotoLibrary(library, libraryError))
        return fail("photos: " + libraryError);
    int status = 0;
    for (const auto& file : arguments.subspan(1)) {
        std::string error;
        if (!addPhoto(file, library, error))
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
