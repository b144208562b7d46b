// The image picker, over the photo library only: the files under "/var/mobile/Media/DCIM/" of the
// device, as tiles under the bar, and Cancel on the bar. A touch lifted on the tile it went down
// on picks that file, as does the host's pick; a pick hands the delegate the URL of a copy in the
// app's temporary folder, removed once the delegate's callback has returned.
// No camera, editing, media types, thumbnails or scrolling of the library.
#pragma once

#include <uikit/UINavigationController.hpp>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIButton;
class UIImagePickerController;

enum UIImagePickerControllerSourceType : long {
    UIImagePickerControllerSourceTypePhotoLibrary = 0,
    UIImagePickerControllerSourceTypeCamera = 1,
    UIImagePickerControllerSourceTypeSavedPhotosAlbum = 2,
};

using UIImagePickerInfo = std::map<std::string, std::shared_ptr<NSObject>>;
// An NSURL: the file URL of the picked image's copy, by its device path.
inline constexpr const char* UIImagePickerControllerImageURL = "UIImagePickerControllerImageURL";

class UIImagePickerControllerDelegate {
public:
    virtual ~UIImagePickerControllerDelegate() = default;

    virtual void imagePickerControllerDidFinishPickingMediaWithInfo(std::shared_ptr<UIImagePickerController> picker, const UIImagePickerInfo& info) = 0;
    // The platform's own handling: the picker dismisses itself.
    virtual void imagePickerControllerDidCancel(std::shared_ptr<UIImagePickerController> picker);
};

class UIImagePickerController final : public UINavigationController {
public:
    static constexpr const char* photoLibraryPath = "/var/mobile/Media/DCIM";
    // Where picked files are copied, each into a folder of its own.
    static constexpr const char* temporaryPath = "/var/mobile/tmp";
    // The library shows no more files than this, and no deeper folders.
    static constexpr size_t maximumFiles = 10000;
    static constexpr int maximumFolderDepth = 8;

    UIImagePickerController() = default;

    // Only the photo library is available.
    static bool isSourceTypeAvailable(long sourceType);
    long sourceType() const { return m_sourceType; }
    // An unavailable source type is refused with a line on stderr (the platform raises).
    void setSourceType(long);
    // Held weakly, as on the platform.
    std::weak_ptr<UIImagePickerControllerDelegate> delegate() const { return m_delegate; }
    void setDelegate(std::weak_ptr<UIImagePickerControllerDelegate> delegate) { m_delegate = std::move(delegate); }

    // For the host: the library's files as paths relative to the DCIM folder, sorted; only
    // regular files, no hidden ones, no links. Empty without a device root.
    std::vector<std::string> availableFiles() const;
    // The user's pick: refused (false) unless the picker is presented and not on its way out, or
    // for a name that availableFiles doesn't list. The delegate gets the copy's URL, valid until its
    // callback returns; a file that can't be copied gives an info without it. Without a delegate,
    // the picker dismisses itself.
    bool pickFile(const std::string& name);
    // The user's cancel, under the same condition as a pick.
    bool cancel();

    // Where the library's file at that index (of availableFiles) is drawn and takes touches, in the
    // view's coordinates: four square tiles to a row, below the bar.
    static constexpr int libraryColumns = 4;
    static constexpr CGFloat libraryGap = 2;
    CGRect rectForFileAtIndex(size_t) const;
    // The file whose tile holds the point (view coordinates), if any.
    std::optional<std::string> fileAtPoint(CGPoint) const;
    // The bar's Cancel button; null until the view loads.
    const std::shared_ptr<UIButton>& cancelButton() const { return m_cancelButton; }

    void loadView() override;
    void viewWillLayoutSubviews() override;

private:
    class TemporaryCopy;

    bool canRespond() const;
    std::shared_ptr<UIImagePickerController> protectedPicker();

    long m_sourceType { UIImagePickerControllerSourceTypePhotoLibrary };
    std::weak_ptr<UIImagePickerControllerDelegate> m_delegate;
    // The tiles' touches: behind the bar, over the whole view.
    std::shared_ptr<UIView> m_libraryView;
    std::shared_ptr<UIButton> m_cancelButton;
};
