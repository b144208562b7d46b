#include <preferences/PSListItemsController.hpp>

#include <uikit/NSIndexPath.hpp>
#include <uikit/UITableViewCell.hpp>

static const Class s_class = objc::registerClass<PSListItemsController>("PSListItemsController", "PSListController");

namespace {

const char* const valueKey = "value";

}

std::shared_ptr<PSSpecifierArray> PSListItemsController::specifiers()
{
    if (_specifiers)
        return _specifiers;
    auto items = std::make_shared<PSSpecifierArray>();
    items->push_back(PSSpecifier::preferenceSpecifierNamed(std::string(), {}, PSGroupCell));
    if (const auto& opening = specifier()) {
        auto values = opening->values();
        auto titles = opening->titles();
        for (size_t i = 0; i < values.size(); ++i) {
            auto item = PSSpecifier::preferenceSpecifierNamed(titles[i], weak_from_this(), PSListItemCell);
            item->setPropertyForKey(values[i], valueKey);
            items->push_back(std::move(item));
        }
    }
    _specifiers = std::move(items);
    return _specifiers;
}

void PSListItemsController::showValue(UITableViewCell& cell, const PSSpecifier& item)
{
    PSListController::showValue(cell, item);
    if (item.cellType() == PSListItemCell)
        cell.setAccessoryType(isCurrentValue(item) ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
}

void PSListItemsController::didSelectSpecifier(const std::shared_ptr<PSSpecifier>& item)
{
    if (item->cellType() != PSListItemCell) {
        PSListController::didSelectSpecifier(item);
        return;
    }
    // Change blocks that run on the write read the checkmarks, so they move first.
    moveCheckmarkTo(item.get());
    auto value = item->propertyForKey(valueKey);
    if (const auto& opening = specifier(); opening && value)
        setPreferenceValue(*value, *opening);
}

bool PSListItemsController::isCurrentValue(const PSSpecifier& item) const
{
    const auto& opening = specifier();
    auto value = item.propertyForKey(valueKey);
    auto current = opening ? readPreferenceValue(*opening) : std::nullopt;
    return value && current && PSSpecifier::isSameValue(*value, *current);
}

void PSListItemsController::moveCheckmarkTo(const PSSpecifier* item)
{
    auto table = this->table();
    if (!table)
        return;
    for (const auto& cell : table->visibleCells()) {
        auto indexPath = table->indexPathForCell(cell.get());
        auto shown = indexPath ? specifierAtIndexPath(*indexPath) : nullptr;
        if (shown && shown->cellType() == PSListItemCell)
            cell->setAccessoryType(shown.get() == item ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
    }
}
