#include <uikit/UIImagePickerController.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSURL.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <unistd.h>

static const Class s_class = objc::registerClass<UIImagePickerController>("UIImagePickerController", "UINavigationController");

namespace fs = std::filesystem;

namespace {

void refuse(const char* what)
{
    std::fprintf(stderr, "UIImagePickerController: %s; ignored\n", what);
}

// The delegate is the system's code: what it throws stays here, out of the host's tap.
void callSafely(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "UIImagePickerController: the delegate threw an exception: %s\n", exception.what());
    } catch (...) {
        std::fprintf(stderr, "UIImagePickerController: the delegate threw an exception of an unknown type\n");
    }
}

bool isHidden(const fs::path& path)
{
    auto name = path.filename().string();
    return name.empty() || name.front() == '.';
}

std::string uniqueFolderName()
{
    static std::atomic<unsigned> s_counter { 0 };
    std::random_device random;
    char name[64];
    std::snprintf(name, sizeof name, "picker-%d-%u-%08x", static_cast<int>(::getpid()), s_counter++, random());
    return name;
}

// Copies the file into a new folder of the temporary path; the copy's device path, or none.
std::optional<std::string> copyToTemporaryFolder(const fs::path& source, const std::string& fileName)
{
    auto base = DeviceRoot::resolve(UIImagePickerController::temporaryPath);
    std::error_code error;
    if (!base || (fs::create_directories(*base, error), error))
        return std::nullopt;
    for (int attempt = 0; attempt < 16; ++attempt) {
        auto folder = uniqueFolderName();
        auto hostFolder = *base / folder;
        if (!fs::create_directory(hostFolder, error)) {
            if (error)
                return std::nullopt;
            continue; // taken already
        }
        if (!fs::copy_file(source, hostFolder / fileName, error)) {
            fs::remove_all(hostFolder, error);
            return std::nullopt;
        }
        return std::string(UIImagePickerController::temporaryPath) + "/" + folder + "/" + fileName;
    }
    return std::nullopt;
}

}

void UIImagePickerControllerDelegate::imagePickerControllerDidCancel(std::shared_ptr<UIImagePickerController> picker)
{
    if (picker)
        picker->dismissViewControllerAnimated(true, nullptr);
}

bool UIImagePickerController::isSourceTypeAvailable(long sourceType)
{
    return sourceType == UIImagePickerControllerSourceTypePhotoLibrary;
}

void UIImagePickerController::setSourceType(long sourceType)
{
    if (!isSourceTypeAvailable(sourceType)) {
        refuse("only the photo library is available on this device");
        return;
    }
    m_sourceType = sourceType;
}

std::vector<std::string> UIImagePickerController::availableFiles() const
{
    std::vector<std::string> files;
    auto library = DeviceRoot::resolve(photoLibraryPath);
    std::error_code error;
    if (!library)
        return files;
    fs::recursive_directory_iterator it(*library, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator() && files.size() < maximumFiles; it.increment(error)) {
        auto type = it->symlink_status(error).type();
        if (error)
            break;
        if (isHidden(it->path()) || it.depth() >= maximumFolderDepth) {
            if (type == fs::file_type::directory)
                it.disable_recursion_pending();
            continue;
        }
        if (type == fs::file_type::regular)
            files.push_back(it->path().lexically_relative(*library).generic_string());
    }
    std::ranges::sort(files);
    return files;
}

bool UIImagePickerController::pickFile(const std::string& name)
{
    if (!canRespond()) {
        refuse("a pick needs a picker on screen");
        return false;
    }
    auto files = availableFiles();
    auto library = DeviceRoot::resolve(photoLibraryPath);
    if (!library || !std::ranges::binary_search(files, name)) {
        refuse("the photo library has no such file");
        return false;
    }
    UIImagePickerInfo info;
    if (auto copy = copyToTemporaryFolder(*library / name, fs::path(name).filename().string()))
        info[UIImagePickerControllerImageURL] = NSURL::fileURLWithPath(*copy);
    else
        std::fprintf(stderr, "UIImagePickerController: the picked file could not be copied\n");
    auto picker = protectedPicker();
    auto delegate = m_delegate.lock();
    callSafely([&] {
        if (delegate)
            delegate->imagePickerControllerDidFinishPickingMediaWithInfo(picker, info);
        else
            dismissViewControllerAnimated(true, nullptr);
    });
    return true;
}

bool UIImagePickerController::cancel()
{
    if (!canRespond()) {
        refuse("a cancel needs a picker on screen");
        return false;
    }
    auto picker = protectedPicker();
    auto delegate = m_delegate.lock();
    callSafely([&] {
        if (delegate)
            delegate->imagePickerControllerDidCancel(picker);
        else
            dismissViewControllerAnimated(true, nullptr);
    });
    return true;
}

bool UIImagePickerController::canRespond() const
{
    return presentingViewController() && !isBeingDismissed();
}

std::shared_ptr<UIImagePickerController> UIImagePickerController::protectedPicker()
{
    return std::static_pointer_cast<UIImagePickerController>(weak_from_this().lock());
}
