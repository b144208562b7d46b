// Start-up: bind the settings, then replace the flames view's didMoveToSuperview.
#include "Tweak.hpp"
#include "ZovaSettings.hpp"

#include <substrate/substrate.hpp>

std::shared_ptr<HBPreferences> preferences;
bool acceso;
bool trasparente;
int64_t siripic;
std::shared_ptr<UIView> gifView;
std::shared_ptr<UIImageView> gifImageView;

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
    // Nothing may unwind into the loader: a failure here leaves the host without the overlay.
    try {
        installOverlay();
    } catch (...) {
    }
}
