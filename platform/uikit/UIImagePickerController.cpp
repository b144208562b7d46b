#include <uikit/UIImagePickerController.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSURL.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UITouch.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <utility>
#include <sys/stat.h>
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

constexpr CGFloat cancelWidth = 70;
constexpr CGFloat cancelMargin = 16;

bool isHidden(const std::string& name)
{
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

// Regular files only, no hidden ones, never through a link; each folder opened from the one above.
void listFiles(int folder, const std::string& prefix, int depth, std::vector<std::string>& files)
{
    if (depth >= UIImagePickerController::maximumFolderDepth)
        return;
    for (const auto& entry : DeviceRoot::listDirectory(folder)) {
        if (files.size() >= UIImagePickerController::maximumFiles)
            return;
        if (isHidden(entry.name))
            continue;
        if (entry.type == DeviceRoot::EntryType::Regular) {
            files.push_back(prefix + entry.name);
        } else if (entry.type == DeviceRoot::EntryType::Directory) {
            FileDescriptor inner(::openat(folder, entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (inner)
                listFiles(inner.get(), prefix + entry.name + "/", depth + 1, files);
        }
    }
}

bool copyContents(int from, int to)
{
    for (;;) {
        ssize_t count = ::copy_file_range(from, nullptr, to, nullptr, size_t { 1 } << 30, 0);
        if (count == 0)
            return true;
        if (count > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return false;
        break;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t count = ::read(from, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0;
        for (ssize_t done = 0; done < count;) {
            ssize_t written = ::write(to, buffer.data() + done, static_cast<size_t>(count - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            done += written;
        }
    }
}

}

// A picked file's copy in a folder of its own under the temporary path, removed with its folder
// when the object goes: the platform removes it once the delegate's callback has returned.
class UIImagePickerController::TemporaryCopy {
public:
    static std::unique_ptr<TemporaryCopy> make(const std::string& sourcePath, const std::string& fileName)
    {
        auto source = FileIO::openDeviceFile(sourcePath);
        auto base = source ? DeviceRoot::createDirectories(temporaryPath) : FileDescriptor();
        if (!base)
            return nullptr;
        for (int attempt = 0; attempt < 16; ++attempt) {
            auto folder = uniqueFolderName();
            if (::mkdirat(base.get(), folder.c_str(), 0700) != 0) {
                if (errno == EEXIST)
                    continue;
                return nullptr;
            }
            std::unique_ptr<TemporaryCopy> copy(new TemporaryCopy(std::move(base), folder, fileName));
            return copy->fill(source.get()) ? std::move(copy) : nullptr;
        }
        return nullptr;
    }
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;
    ~TemporaryCopy()
    {
        if (m_folderFd)
            ::unlinkat(m_folderFd.get(), m_fileName.c_str(), 0);
        ::unlinkat(m_base.get(), m_folder.c_str(), AT_REMOVEDIR);
    }

    std::string devicePath() const { return std::string(temporaryPath) + "/" + m_folder + "/" + m_fileName; }

private:
    TemporaryCopy(FileDescriptor base, std::string folder, std::string fileName)
        : m_base(std::move(base))
        , m_folder(std::move(folder))
        , m_fileName(std::move(fileName))
    {
    }

    bool fill(int source)
    {
        m_folderFd.reset(::openat(m_base.get(), m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!m_folderFd)
            return false;
        FileDescriptor target(::openat(m_folderFd.get(), m_fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        return target && copyContents(source, target.get());
    }

    FileDescriptor m_base;
    std::string m_folder;
    std::string m_fileName;
    FileDescriptor m_folderFd;
};

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
    auto library = DeviceRoot::open(photoLibraryPath, O_RDONLY | O_DIRECTORY);
    if (!library)
        return files;
    listFiles(library.get(), std::string(), 0, files);
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
    if (!std::ranges::binary_search(files, name)) {
        refuse("the photo library has no such file");
        return false;
    }
    UIImagePickerInfo info;
    auto copy = TemporaryCopy::make(std::string(photoLibraryPath) + "/" + name, fs::path(name).filename().string());
    if (copy)
        info[UIImagePickerControllerImageURL] = NSURL::fileURLWithPath(copy->devicePath());
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
    // The copy goes now, as on the platform: the delegate had its callback to take the file.
    copy.reset();
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

namespace {

// The library takes touches as a collection view does: the tile a touch went down on is picked
// when the touch is lifted on it; a touch between tiles, or one that moves to another, picks nothing.
class PickerLibraryView final : public UIView {
public:
    explicit PickerLibraryView(std::weak_ptr<UIImagePickerController> picker)
        : m_picker(std::move(picker))
    {
    }

    void touchesBegan(UITouch& touch, UIEvent*) override { m_touchedFile = fileUnder(touch); }
    void touchesMoved(UITouch&, UIEvent*) override { }
    void touchesEnded(UITouch& touch, UIEvent*) override
    {
        auto touched = std::exchange(m_touchedFile, std::nullopt);
        auto picker = m_picker.lock();
        if (picker && touched && fileUnder(touch) == touched)
            picker->pickFile(*touched);
    }
    void touchesCancelled(UITouch&, UIEvent*) override { m_touchedFile.reset(); }

private:
    std::optional<std::string> fileUnder(const UITouch& touch) const
    {
        auto picker = m_picker.lock();
        if (!picker || !picker->isViewLoaded())
            return std::nullopt;
        return picker->fileAtPoint(touch.locationInView(picker->viewIfLoaded().get()));
    }

    std::weak_ptr<UIImagePickerController> m_picker;
    std::optional<std::string> m_touchedFile;
};

static const Class s_libraryViewClass = objc::registerClass<PickerLibraryView>("UIImagePickerLibraryView", "UIView");

}

CGRect UIImagePickerController::rectForFileAtIndex(size_t index) const
{
    const auto& view = viewIfLoaded();
    if (!view)
        return CGRectZero;
    CGRect bounds = view->bounds();
    CGFloat top = bounds.origin.y;
    if (const auto& bar = navigationBar(); bar && !bar->isHidden() && !isNavigationBarHidden())
        top = std::max(top, CGRectGetMaxY(bar->frame()));
    CGFloat side = std::max(1.0, (bounds.size.width - libraryGap * (libraryColumns - 1)) / libraryColumns);
    auto column = static_cast<CGFloat>(index % libraryColumns);
    auto row = static_cast<CGFloat>(index / libraryColumns);
    return CGRectMake(bounds.origin.x + column * (side + libraryGap), top + libraryGap + row * (side + libraryGap), side, side);
}

std::optional<std::string> UIImagePickerController::fileAtPoint(CGPoint point) const
{
    // Tiles are the same size, laid out in order: the first one's place gives the tile's index.
    CGRect first = rectForFileAtIndex(0);
    CGFloat pitch = first.size.width + libraryGap;
    double column = std::floor((point.x - first.origin.x) / pitch);
    double row = std::floor((point.y - first.origin.y) / pitch);
    if (first == CGRectZero || !(column >= 0 && column < libraryColumns && row >= 0 && row < static_cast<double>(maximumFiles)))
        return std::nullopt;
    auto index = static_cast<size_t>(row) * libraryColumns + static_cast<size_t>(column);
    auto files = availableFiles();
    if (index >= files.size() || !CGRectContainsPoint(rectForFileAtIndex(index), point))
        return std::nullopt;
    return files[index];
}

void UIImagePickerController::loadView()
{
    UINavigationController::loadView();
    auto self = std::static_pointer_cast<UIImagePickerController>(weak_from_this().lock());
    // Behind the bar, which keeps its own touches.
    m_libraryView = std::make_shared<PickerLibraryView>(self);
    view()->insertSubview(m_libraryView, 0);
    m_cancelButton = UIButton::buttonWithType(UIButtonTypeSystem);
    m_cancelButton->setTitle("Cancel", UIControlStateNormal);
    m_cancelButton->titleLabel()->setTextAlignment(NSTextAlignmentRight);
    m_cancelButton->addAction([weakSelf = std::weak_ptr<UIImagePickerController>(self)] {
        if (auto picker = weakSelf.lock())
            picker->cancel();
    }, UIControlEventTouchUpInside);
    navigationBar()->addSubview(m_cancelButton);
    viewWillLayoutSubviews();
}

void UIImagePickerController::viewWillLayoutSubviews()
{
    UINavigationController::viewWillLayoutSubviews();
    if (!m_libraryView || !isViewLoaded())
        return;
    m_libraryView->setFrame(view()->bounds());
    CGRect bar = navigationBar()->bounds();
    m_cancelButton->setFrame(CGRectMake(std::max(0.0, bar.size.width - cancelMargin - cancelWidth), 0, std::min(cancelWidth, bar.size.width), bar.size.height));
}
