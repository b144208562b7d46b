// The picture list page: one row per picture, and while the custom picture is chosen a "Choose your
// picture" button below its row that imports a GIF from the photo library.
#pragma once

#include <preferences/PSListItemsController.hpp>
#include <uikit/UIImagePickerController.hpp>

class UIButton;

class ZOVAListItemsController : public PSListItemsController, public UIImagePickerControllerDelegate, public UINavigationControllerDelegate {
public:
    ZOVAListItemsController() = default;
    ~ZOVAListItemsController() override;

    void tableViewWillDisplayCellForRowAtIndexPath(UITableView*, std::shared_ptr<UITableViewCell>, std::shared_ptr<NSIndexPath>) override;
    void viewWillAppear(bool animated) override;

    // The action of the "Choose your picture" button.
    void picker();
    void imagePickerControllerDidFinishPickingMediaWithInfo(std::shared_ptr<UIImagePickerController>, const UIImagePickerInfo&) override;

    const std::shared_ptr<UIButton>& custom() const { return _custom; }
    void setCustom(std::shared_ptr<UIButton> button) { _custom = std::move(button); }

private:
    void runChangeBlock(const std::shared_ptr<UITableViewCell>&, const std::shared_ptr<NSIndexPath>&);
    void showCustomButton(const UITableViewCell&);
    void clear();
    void presentBanner(bool didImport);

    std::shared_ptr<UIButton> _custom;
};
