#include "ZOVAListItemsController.hpp"
#include "ZovaAppearance.hpp"

#include <audiotoolbox/AudioServices.hpp>
#include <cephei/HBPreferences.hpp>
#include <coregraphics/CGGeometry.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSThread.hpp>
#include <foundation/NSURL.hpp>
#include <tweak/ZovaSettings.hpp>
#include <uikit/CALayer.hpp>
#include <uikit/NSIndexPath.hpp>
#include <uikit/UIButton.hpp>
#include <uikit/UIFont.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UINavigationItem.hpp>
#include <uikit/UITableView.hpp>
#include <uikit/UITableViewCell.hpp>

// The bundle's own copies, one per process, shared by every picture list page.
std::shared_ptr<HBPreferences> preferences;
int64_t siripic;

static const Class s_class = objc::registerClass<ZOVAListItemsController>("ZOVAListItemsController", "PSListItemsController",
    { { "picker", objc::method<&ZOVAListItemsController::picker>() } });

namespace {

constexpr long customButtonTag = 999;
constexpr long checkmark = 3;
constexpr unsigned long touchUpInside = 64;
constexpr SystemSoundID tapSound = 1519;
constexpr SystemSoundID importedSound = 1504;
constexpr const char* pageTitle = "Zova Pictures";

constexpr const char* importedText = "DONE!\n\u2611\uFE0F";
// Same look, so the user reads the outcome where the confirmation would be.
constexpr const char* failedText = "FAILED!\n\u26A0\uFE0F";

void registerSiripic()
{
    preferences->registerInteger(&siripic, zova::siripicDefault, zova::siripicKey);
}

// Copies the picked file's bytes whole; false when there is no file, it can't be read, or the
// atomic write fails (the previous custom picture then stays as it was).
bool importPickedFile(const UIImagePickerInfo& info)
{
    auto entry = info.find(UIImagePickerControllerImageURL);
    auto url = entry == info.end() ? nullptr : std::dynamic_pointer_cast<NSURL>(entry->second);
    auto data = NSData::dataWithContentsOfURL(url.get());
    if (!data)
        return false;
    NSError error;
    return data->writeToFile(zova::customPicturePath, NSDataWritingAtomic, &error);
}

std::shared_ptr<UIViewController> makeBanner(bool didImport)
{
    auto banner = std::make_shared<UIViewController>();
    auto view = banner->view();
    view->setBackgroundColor(UIColor::clearColor());
    auto label = UILabel::initWithFrame(CGRectMake(0, 0, 200, 100));
    label->setCenter(CGPointMake(view->center().x, view->frame().size.height / 3.0));
    label->setTextColor(UIColor::whiteColor());
    label->setText(didImport ? importedText : failedText);
    label->setNumberOfLines(2);
    label->setClipsToBounds(true);
    label->setTextAlignment(1);
    label->setBackgroundColor(UIColor::darkGrayColor());
    label->layer()->setCornerRadius(30.0);
    label->setFont(UIFont::fontWithName("HelveticaNeue-Bold", 30.0));
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumScaleFactor(0.5);
    view->addSubview(label);
    return banner;
}

}

ZOVAListItemsController::~ZOVAListItemsController() = default;

void ZOVAListItemsController::tableViewWillDisplayCellForRowAtIndexPath(UITableView*, std::shared_ptr<UITableViewCell> cell, std::shared_ptr<NSIndexPath> indexPath)
{
    setCustom(UIButton::buttonWithType(1));
    _custom->setFrame(CGRectMake(0, 0, 300, 40));
    _custom->setTitle("Choose your picture", 0);
    _custom->setTintColor(zova::accentColor());
    _custom->setBackgroundColor(cell->backgroundColor());
    _custom->layer()->setCornerRadius(10.0);
    _custom->titleLabel()->setFont(UIFont::systemFontOfSize(16.0));
    _custom->addTarget(weak_from_this(), sel_registerName("picker"), touchUpInside);

    preferences = HBPreferences::initWithIdentifier(zova::preferencesIdentifier);
    registerSiripic();
    auto page = std::static_pointer_cast<ZOVAListItemsController>(shared_from_this());
    preferences->registerPreferenceChangeBlock([page, cell, indexPath] { page->runChangeBlock(cell, indexPath); });
}

void ZOVAListItemsController::runChangeBlock(const std::shared_ptr<UITableViewCell>& cell, const std::shared_ptr<NSIndexPath>& indexPath)
{
    registerSiripic();
    bool isCustomChosen = siripic == zova::customPictureChoice;
    bool isCustomRow = indexPath->row() == zova::customPictureChoice;
    bool isChecked = cell->accessoryType() == checkmark;
    if (isCustomChosen && isCustomRow && isChecked)
        showCustomButton(*cell);
    else if (isChecked && !(isCustomChosen && isCustomRow))
        clear();
    AudioServicesPlaySystemSound(tapSound);
}

void ZOVAListItemsController::showCustomButton(const UITableViewCell& cell)
{
    _custom->layer()->setZPosition(16000.0);
    table()->addSubview(_custom);
    CGRect row = cell.frame();
    _custom->setCenter(CGPointMake(CGRectGetMidX(row), CGRectGetMaxY(row) + 25.0));
    _custom->setTag(customButtonTag);
    _custom->setAlpha(1.0);
}

// Every button this page's rows have made may still be in the table: remove them all by tag.
void ZOVAListItemsController::clear()
{
    auto tableView = table();
    while (auto button = tableView->viewWithTag(customButtonTag))
        button->removeFromSuperview();
    if (_custom)
        _custom->removeFromSuperview();
}

void ZOVAListItemsController::viewWillAppear(bool animated)
{
    PSListItemsController::viewWillAppear(animated);
    if (siripic != zova::customPictureChoice)
        clear();
    navigationItem()->setTitle(pageTitle);
    auto pageNavigation = navigationController();
    if (!pageNavigation)
        return;
    if (auto outer = pageNavigation->navigationController())
        outer->navigationBar()->setTranslucent(true);
}

void ZOVAListItemsController::picker()
{
    AudioServicesPlaySystemSound(tapSound);
    auto imagePicker = std::make_shared<UIImagePickerController>();
    imagePicker->setSourceType(UIImagePickerControllerSourceTypePhotoLibrary);
    imagePicker->setDelegate(std::static_pointer_cast<ZOVAListItemsController>(shared_from_this()));
    presentViewController(imagePicker, true, nullptr);
}

void ZOVAListItemsController::imagePickerControllerDidFinishPickingMediaWithInfo(std::shared_ptr<UIImagePickerController>, const UIImagePickerInfo& info)
{
    // The copy comes first, while the picked file is surely there, so that the banner can tell
    // the truth about it.
    bool didImport = importPickedFile(info);
    dismissViewControllerAnimated(true, nullptr);
    presentBanner(didImport);
}

void ZOVAListItemsController::presentBanner(bool didImport)
{
    auto page = shared_from_this();
    presentViewController(makeBanner(didImport), true, [page, this, didImport] {
        if (didImport)
            AudioServicesPlaySystemSound(importedSound);
        NSThread::sleepForTimeInterval(0.7);
        dismissViewControllerAnimated(true, nullptr);
    });
}
