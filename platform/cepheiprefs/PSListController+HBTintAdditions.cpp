#include <cepheiprefs/PSListController+HBTintAdditions.hpp>

#include <cepheiprefs/HBAppearanceSettings.hpp>
#include <preferences/PSListController.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableViewCell.hpp>

namespace HBTintAdditions {

namespace {

// The key under which a page keeps its settings.
const char s_settingsKey = 0;
// Pages are pushed from pages; a longer chain than this can only be a loop.
constexpr int maximumAncestors = 64;

template<typename Setter>
void applyColor(const std::shared_ptr<UIColor>& color, Setter setter)
{
    if (color)
        setter(color);
}

class AppearanceTheme final : public PSListController::Theme {
public:
    void styleTable(PSListController& page, UITableView& table) override
    {
        auto settings = hb_appearanceSettings(page);
        if (!settings)
            return;
        applyColor(settings->tableViewBackgroundColor(), [&](auto color) { table.setBackgroundColor(color); });
        applyColor(settings->tableViewCellSeparatorColor(), [&](auto color) { table.setSeparatorColor(color); });
        applyColor(settings->tintColor(), [&](auto color) { table.setTintColor(color); });
    }

    void styleCell(PSListController& page, UITableViewCell& cell) override
    {
        auto settings = hb_appearanceSettings(page);
        if (!settings)
            return;
        applyColor(settings->tableViewCellBackgroundColor(), [&](auto color) { cell.setBackgroundColor(color); });
        applyColor(settings->tableViewCellTextColor(), [&](auto color) { cell.textLabel()->setTextColor(color); });
        if (auto control = std::dynamic_pointer_cast<UISwitch>(cell.accessoryView()))
            applyColor(settings->tintColor(), [&](auto color) { control->setOnTintColor(color); });
        applyColor(settings->tableViewCellSelectionColor(), [&](auto color) {
            auto selection = UIView::initWithFrame(cell.bounds());
            selection->setBackgroundColor(color);
            cell.setSelectedBackgroundView(selection);
        });
    }

    void pageWillAppear(PSListController& page) override
    {
        auto settings = hb_appearanceSettings(page);
        if (!settings)
            return;
        // Settings pages sit in a navigation controller inside the app's own: colour every bar above.
        int depth = 0;
        for (auto navigation = page.navigationController(); navigation && depth < maximumAncestors;
             navigation = navigation->navigationController(), ++depth) {
            const auto& bar = navigation->navigationBar();
            applyColor(settings->navigationBarBackgroundColor(), [&](auto color) { bar->setBarTintColor(color); });
            applyColor(settings->navigationBarTintColor(), [&](auto color) { bar->setTintColor(color); });
        }
    }
};

void installTheme()
{
    static bool isInstalled = false;
    if (isInstalled)
        return;
    PSListController::setTheme(std::make_shared<AppearanceTheme>());
    isInstalled = true;
}

}

void hb_setAppearanceSettings(PSListController& page, std::shared_ptr<HBAppearanceSettings> settings)
{
    installTheme();
    page.setAssociatedObject(&s_settingsKey, std::move(settings));
    if (!page.isViewLoaded())
        return;
    auto table = page.table();
    if (!table)
        return;
    AppearanceTheme theme;
    theme.styleTable(page, *table);
    for (const auto& cell : table->visibleCells())
        theme.styleCell(page, *cell);
}

std::shared_ptr<HBAppearanceSettings> hb_appearanceSettings(const PSListController& page)
{
    const PSListController* current = &page;
    std::shared_ptr<PSListController> holder;
    for (int depth = 0; current && depth < maximumAncestors; ++depth) {
        if (auto settings = std::dynamic_pointer_cast<HBAppearanceSettings>(current->associatedObject(&s_settingsKey)))
            return settings;
        holder = current->parentController();
        current = holder.get();
    }
    return nullptr;
}

}
