// DecodedPicture: a picture's bytes decoded once for drawing (an image, or
// a checked metafile played on every draw), and where it lands in the
// object's rectangle.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <QImage>

namespace lf {

// Only declared here: the model's headers include this one, and the text
// object's font style names must not meet the canvas's.
class Canvas;
struct CanvasRect;

// Graphic kinds in the order picture records store them.
enum class TfrGraphicKind : uint8_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, JPEG = 4 };

// "bitmap image", "metafile", "icon image", "JPEG image".
const char* GraphicKindName(TfrGraphicKind kind);

class DecodedPicture {
 public:
  // Decodes data of kind; raises EInvalidGraphic ("not a valid JPEG image",
  // or the pixel limit error).
  static std::unique_ptr<DecodedPicture> Decode(TfrGraphicKind kind, std::string data);
  // The decoded picture of data, shared with every other holder of the same
  // kind and bytes (one decode per distinct picture while any holder lives).
  // The pixels of the pictures held at once stay within kMaxDecodedPixels.
  static std::shared_ptr<const DecodedPicture> Shared(TfrGraphicKind kind, const std::string& data);
  // Pixels of the shared pictures held now.
  static int64_t PixelsHeld();

  TfrGraphicKind Kind() const { return kind_; }
  // Pixels at 96 dpi.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  // Stretches the picture into target. On a printer canvas bitmaps and
  // JPEG images go as 24-bit images and icons are left out. A metafile
  // whose records stop holding together mid-way keeps what was drawn.
  void Draw(Canvas& canvas, const CanvasRect& target) const;

 private:
  DecodedPicture() = default;
  TfrGraphicKind kind_ = TfrGraphicKind::None;
  int32_t width_ = 0, height_ = 0;
  QImage image_;          // bitmaps, JPEG images, icons
  std::string metafile_;  // metafile bytes, checked
  std::string jpeg_;      // JPEG file bytes, for canvases that take them as they are
};

// Picture Flags as the target rectangle needs them.
struct PicturePlacement {
  bool Stretched = true;
  bool KeepAspect = true;
  bool Center = false;
};

// Where a picture of pictureWidth x pictureHeight pixels is drawn in an
// object whose drawing rectangle is drawRect and whose scaled size is
// width x height: the whole rectangle when stretched (with KeepAspect the
// side that would overflow shrinks), else its own size x scale at the top
// left; Center moves it by half the free space. Empty when the picture or
// the rectangle has no size.
CanvasRect PictureTarget(const CanvasRect& drawRect, int32_t width, int32_t height, int32_t pictureWidth,
                         int32_t pictureHeight, double scaleX, double scaleY, const PicturePlacement& placement);

}  // namespace lf
