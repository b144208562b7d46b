// What a table row draws besides its labels: the selection, the accessory glyph (a checkmark in
// the table's tint colour, a chevron, an info circle) and the separator under it in the table's
// separator colour.
#pragma once

#include <render/Drawing.hpp>

class UITableViewCell;

namespace TablePainter {

// The platform's grey, for a selected row without a selected background view.
void paintDefaultSelection(const PaintContext&, const UITableViewCell&);
// The accessory glyph unless an accessory view stands in for it, and the separator inset from the
// left, under every row but the last of its section.
void paintDecorations(const PaintContext&, const UITableViewCell&);

}
