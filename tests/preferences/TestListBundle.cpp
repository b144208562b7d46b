// A settings bundle's executable for the tests: a page whose rows come from the bundle's "Root".
#include <preferences/PSListController.hpp>

namespace {

class BundlePage : public PSListController {
public:
    std::shared_ptr<PSSpecifierArray> specifiers() override
    {
        if (!_specifiers)
            _specifiers = loadSpecifiersFromPlistName("Root", shared_from_this());
        return _specifiers;
    }
};

const Class s_class = objc::registerClass<BundlePage>("ZTBundleListPage", "PSListController");

}
