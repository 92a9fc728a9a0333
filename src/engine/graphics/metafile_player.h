// Metafile pictures, enhanced (EMF) and Windows (WMF, with or without the
// placeable header), played record by record onto a Canvas.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/canvas.h"

namespace lf {

// Saved drawing states a metafile may stack; deeper saves are ignored.
inline constexpr int kMaxMetafileSavedStates = 256;
// Drawing objects a metafile's object table may hold.
inline constexpr int kMaxMetafileObjects = 65535;
// Pixels of all the bitmaps one playing decodes together.
inline constexpr int64_t kMaxMetafileImagePixels = 100'000'000;

struct MetafileSize {
  int32_t Width = 0, Height = 0;  // pixels at 96 dpi
};

// Whether data starts like an enhanced metafile (rather than a Windows one).
bool IsEnhancedMetafile(std::string_view data);

// Checks the header and every record and returns the picture's size.
// Raises EInvalidGraphic "not a valid metafile".
MetafileSize ReadMetafile(std::string_view data);

// Plays the metafile so that its picture frame fills target. Raises
// EInvalidGraphic at the first record that does not hold together; what
// was drawn before stays.
void PlayMetafile(std::string_view data, Canvas& canvas, const CanvasRect& target);

}  // namespace lf
