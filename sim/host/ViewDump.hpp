// The view tree of a window as JSON, for scripts and tests to read.
#pragma once

#include "Json.hpp"

#include <coregraphics/CGGeometry.hpp>

#include <functional>

class UIColor;
class UIView;

namespace sim {

// Lets a host add members of its own to the views it knows (the flames view's state).
using ViewDumpExtension = std::function<void(const UIView&, Json&)>;

// [x, y, w, h] and [r, g, b, a], or null for no colour: the forms every dump uses.
Json jsonOfRect(CGRect);
Json jsonOfColor(const UIColor*);

Json dumpViewTree(const UIView& root, const ViewDumpExtension& = {});

}
