// The accent colour that both settings pages give their tint and text.
#pragma once

#include <uikit/UIColor.hpp>

#include <memory>

namespace zova {

inline std::shared_ptr<UIColor> accentColor()
{
    return UIColor::colorWithRed(0.55, 0.5, 0.64, 1.0);
}

}
