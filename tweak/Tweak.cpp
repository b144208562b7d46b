// Start-up: bind the settings, then replace the flames view's didMoveToSuperview.
#include "Tweak.hpp"
#include "ZovaSettings.hpp"

#include <substrate/substrate.hpp>

#include <new>

// The strong references live as long as the host and are never destroyed. A std::shared_ptr defined
// at namespace scope has a destructor, which the compiler would register from an initialiser of its
// own; so their storage is plain zeroed bytes defined under their exported names, and the
// constructor, the library's only initialiser, begins their lifetime.
template<typename T>
using StrongReferenceStorage = unsigned char[sizeof(std::shared_ptr<T>)];

alignas(std::shared_ptr<HBPreferences>) ZOVA_EXPORT constinit StrongReferenceStorage<HBPreferences> preferencesStorage asm("preferences") = {};
alignas(std::shared_ptr<UIView>) ZOVA_EXPORT constinit StrongReferenceStorage<UIView> gifViewStorage asm("gifView") = {};
alignas(std::shared_ptr<UIImageView>) ZOVA_EXPORT constinit StrongReferenceStorage<UIImageView> gifImageViewStorage asm("gifImageView") = {};

bool acceso;
bool trasparente;
int64_t siripic;

IMP hostDidMoveToSuperview;

namespace {

void installOverlay()
{
    preferences = HBPreferences::initWithIdentifier(zova::preferencesIdentifier);
    // Registered before the hook, so the very first placement sees the stored values.
    preferences->registerBool(&trasparente, zova::trasparenteDefault, zova::trasparenteKey);
    preferences->registerBool(&acceso, zova::accesoDefault, zova::accesoKey);
    preferences->registerInteger(&siripic, zova::siripicDefault, zova::siripicKey);

    Class flamesViewClass = objc_getClass("SUICFlamesView");
    MSHookMessageEx(flamesViewClass, sel_registerName("didMoveToSuperview"), &overlayDidMoveToSuperview, &hostDidMoveToSuperview);
}

}

__attribute__((constructor)) static void zovaInitialize()
{
    new (&preferences) std::shared_ptr<HBPreferences>();
    new (&gifView) std::shared_ptr<UIView>();
    new (&gifImageView) std::shared_ptr<UIImageView>();
    // Nothing may unwind into the loader: a failure here leaves the host without the overlay.
    try {
        installOverlay();
    } catch (...) {
    }
}
