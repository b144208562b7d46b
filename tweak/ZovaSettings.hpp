// What the tweak and the settings bundle agree on: the store's identifier, its keys and defaults, and
// the picture file and container that each choice names.
#pragma once

#include "InstallPrefix.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace zova {

inline constexpr const char* preferencesIdentifier = "com.velmarok.zovaprefs";

inline constexpr const char* accesoKey = "acceso";
inline constexpr const char* trasparenteKey = "trasparente";
inline constexpr const char* siripicKey = "siripic";

inline constexpr bool accesoDefault = true;
inline constexpr bool trasparenteDefault = true;
inline constexpr int64_t siripicDefault = 0;

// Picture 5 is the one the user imports; the settings page recognises it by this row.
inline constexpr int64_t customPictureChoice = 5;
inline constexpr const char* customPicturePath = "/var/mobile/Documents/siricustom.gif";

// The square picture gets a fixed container; the others fill the screen.
inline constexpr double squareContainerSide = 500.0;

enum class ContainerSize {
    Screen,
    FixedSquare,
};

struct Picture {
    std::string path;
    ContainerSize container;
};

// The picture a value of `siripic` names; none for values outside 0 to 5. The shipped pictures lie
// in the settings bundle, wherever the package installed it; the custom picture is the user's.
inline std::optional<Picture> pictureForChoice(int64_t choice)
{
    switch (choice) {
    case 0: return Picture { installedPath("/Library/PreferenceBundles/zovaprefs.bundle/a.gif"), ContainerSize::Screen };
    case 1: return Picture { installedPath("/Library/PreferenceBundles/zovaprefs.bundle/b.gif"), ContainerSize::Screen };
    case 2: return Picture { installedPath("/Library/PreferenceBundles/zovaprefs.bundle/c.gif"), ContainerSize::FixedSquare };
    case 3: return Picture { installedPath("/Library/PreferenceBundles/zovaprefs.bundle/h.gif"), ContainerSize::Screen };
    case 4: return Picture { installedPath("/Library/PreferenceBundles/zovaprefs.bundle/e.gif"), ContainerSize::Screen };
    case customPictureChoice: return Picture { customPicturePath, ContainerSize::Screen };
    default: return std::nullopt;
    }
}

}
