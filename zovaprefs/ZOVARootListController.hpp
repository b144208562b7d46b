// The root settings page: the overlay's switches, the link to the picture list, the maker's page
// and the about alert, in a dark scheme with a muted violet accent.
#pragma once

#include <preferences/PSListController.hpp>

class ZOVARootListController : public PSListController {
public:
    ZOVARootListController();

    void viewWillAppear(bool animated) override;
    std::shared_ptr<PSSpecifierArray> specifiers() override;

    // Actions of the rows; the list framework sends them by selector, with no argument.
    void twitter();
    void help();
};
