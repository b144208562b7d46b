#include <cepheiprefs/PSListController+HBTintAdditions.hpp>

#include <cepheiprefs/HBAppearanceSettings.hpp>
#include <preferences/PSListController.hpp>
#include <uikit/UILabel.hpp>
#include <uikit/UINavigationBar.hpp>
#include <uikit/UINavigationController.hpp>
#include <uikit/UISwitch.hpp>
#include <uikit/UITableViewCell.hpp>

#include <algorithm>
#include <vector>

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
        // Settings pages sit in a navigation controller inside the app's own: colour every bar above.
        int depth = 0;
        for (auto navigation = page.navigationController(); navigation && depth < maximumAncestors;
             navigation = navigation->navigationController(), ++depth)
            styleBar(navigation->navigationBar(), settings.get());
    }

private:
    // The bar's colours before the first themed page changed them.
    struct SavedBar {
        std::weak_ptr<UINavigationBar> bar;
        std::shared_ptr<UIColor> barTintColor;
        std::shared_ptr<UIColor> tintColor;
    };

    // Each page that appears sets the bars for itself: a themed one to its colours (the saved ones
    // where it names none), any other back to what they were. The bars are put back when a page
    // without settings (the Settings app's own list) shows again, not as a themed page goes: going
    // back to a themed page that pushed it must not show the platform's colours in between.
    void styleBar(const std::shared_ptr<UINavigationBar>& bar, const HBAppearanceSettings* settings)
    {
        std::erase_if(m_savedBars, [](const SavedBar& saved) { return saved.bar.expired(); });
        auto saved = std::find_if(m_savedBars.begin(), m_savedBars.end(),
            [&](const SavedBar& entry) { return entry.bar.lock() == bar; });
        bool isThemed = settings && (settings->navigationBarBackgroundColor() || settings->navigationBarTintColor());
        if (!isThemed && saved == m_savedBars.end())
            return;
        if (saved == m_savedBars.end())
            saved = m_savedBars.insert(m_savedBars.end(), { bar, bar->barTintColor(), bar->tintColor() });
        auto original = *saved;
        if (!isThemed)
            m_savedBars.erase(saved);
        auto barTint = isThemed ? settings->navigationBarBackgroundColor() : nullptr;
        auto tint = isThemed ? settings->navigationBarTintColor() : nullptr;
        bar->setBarTintColor(barTint ? barTint : original.barTintColor);
        bar->setTintColor(tint ? tint : original.tintColor);
    }

    std::vector<SavedBar> m_savedBars;
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
