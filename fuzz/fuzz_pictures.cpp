// libFuzzer target: arbitrary bytes to each picture reader (bitmap, JPEG,
// icon, Windows and enhanced metafile); whatever decodes is drawn on the
// recording canvas. No input may crash, hang or exhaust memory; refusals
// are EInvalidGraphic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/graphics/decoded_picture.h"
#include "engine/graphics/graphic_error.h"
#include "fuzz_engine_input.h"
#include "platform/recording_canvas.h"

namespace {

// The first byte picks the reader; an enhanced metafile gets a valid
// header signature so that its records are reached.
std::string Input(uint8_t selector, const uint8_t* data, size_t size, lf::TfrGraphicKind& kind) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  switch (selector % 5) {
    case 0: kind = lf::TfrGraphicKind::Bitmap; break;
    case 1: kind = lf::TfrGraphicKind::JPEG; break;
    case 2: kind = lf::TfrGraphicKind::Icon; break;
    case 3: kind = lf::TfrGraphicKind::Metafile; break;
    default:
      kind = lf::TfrGraphicKind::Metafile;
      if (bytes.size() < 88) bytes.resize(88, '\0');
      bytes.replace(0, 4, std::string("\x01\0\0\0", 4));
      bytes.replace(40, 4, " EMF");
      break;
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lf::fuzz::StartOffscreenApplication();
  if (size == 0) return 0;
  lf::TfrGraphicKind kind;
  std::string bytes = Input(data[0], data + 1, size - 1, kind);
  try {
    auto picture = lf::DecodedPicture::Decode(kind, std::move(bytes));
    lf::RecordingCanvas canvas(4096, 4096);
    picture->Draw(canvas, lf::CanvasRect{0, 0, 640, 480});
  } catch (const lf::EInvalidGraphic&) {
  }
  return 0;
}
