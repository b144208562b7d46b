// The view tree of a window as one line of JSON, for scripts and tests to read.
#pragma once

#include "JsonWriter.hpp"

#include <coregraphics/CGGeometry.hpp>

#include <functional>
#include <string>

class UIColor;
class UIView;

namespace sim {

// Lets a host add members of its own to the views it knows (the flames view's state).
using ViewDumpExtension = std::function<void(const UIView&, JsonWriter&)>;

// [x, y, w, h] and [r, g, b, a], or null for no colour: the forms every dump uses.
void writeRect(JsonWriter&, CGRect);
void writeColor(JsonWriter&, const UIColor*);

void writeView(const UIView&, JsonWriter&, const ViewDumpExtension& = {});
std::string dumpViewTree(const UIView& root, const ViewDumpExtension& = {});

}
