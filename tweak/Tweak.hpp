// The tweak's globals: the settings bound to the store, and the views of the latest placement.
// They are exported under these exact names; the library keeps them for the life of the host.
#pragma once

#include <cephei/HBPreferences.hpp>
#include <objc/runtime.hpp>
#include <uikit/UIImageView.hpp>
#include <uikit/UIView.hpp>

#include <cstdint>
#include <memory>

#define ZOVA_EXPORT __attribute__((visibility("default")))

extern ZOVA_EXPORT std::shared_ptr<HBPreferences> preferences;
extern ZOVA_EXPORT bool acceso;
extern ZOVA_EXPORT bool trasparente;
extern ZOVA_EXPORT int64_t siripic;
extern ZOVA_EXPORT std::shared_ptr<UIView> gifView;
extern ZOVA_EXPORT std::shared_ptr<UIImageView> gifImageView;

// The flames view's own didMoveToSuperview, saved when the replacement is installed. Not exported.
extern IMP hostDidMoveToSuperview;

// The replacement of -[SUICFlamesView didMoveToSuperview].
void overlayDidMoveToSuperview(id self, SEL _cmd);
