// Metafile pictures: which form a picture is, its checking and playing.
#include "engine/graphics/metafile_player.h"

#include "engine/graphics/metafile_device.h"

namespace lf {

bool IsEnhancedMetafile(std::string_view data) {
  return data.size() >= 44 && data.substr(0, 4) == std::string_view("\x01\x00\x00\x00", 4) &&
         data.substr(40, 4) == " EMF";
}

MetafileSize ReadMetafile(std::string_view data) {
  const CanvasRect probe{0, 0, 1000, 1000};
  return IsEnhancedMetafile(data) ? PlayEnhanced(data, nullptr, probe) : PlayWindows(data, nullptr, probe);
}

void PlayMetafile(std::string_view data, Canvas& canvas, const CanvasRect& target) {
  if (target.IsEmpty()) return;
  if (IsEnhancedMetafile(data)) PlayEnhanced(data, &canvas, target);
  else PlayWindows(data, &canvas, target);
}

}  // namespace lf
