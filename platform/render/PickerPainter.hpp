// The photo library picker's page under its bar: the library's files as tiles named after them,
// four to a row, or a note that the library is empty. No thumbnails: the files aren't decoded.
#pragma once

#include <render/Drawing.hpp>

class UIImagePickerController;

namespace PickerPainter {

void paintPhotoLibrary(const PaintContext&, const UIImagePickerController&, CGRect bounds);

}
