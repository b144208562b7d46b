// The choice page a link-list row opens: one group with a row per valid value of that row, the
// stored value checked. A tap moves the checkmark first, then writes the value through the store.
#pragma once

#include <preferences/PSListController.hpp>

class PSListItemsController : public PSListController {
public:
    PSListItemsController() = default;

    // Built once from the specifier that opened the page; empty without one.
    std::shared_ptr<PSSpecifierArray> specifiers() override;

protected:
    void showValue(UITableViewCell&, const PSSpecifier&) override;
    void didSelectSpecifier(const std::shared_ptr<PSSpecifier>&) override;

private:
    bool isCurrentValue(const PSSpecifier& item) const;
    void moveCheckmarkTo(const PSSpecifier* item);
};
