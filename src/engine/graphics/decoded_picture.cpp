// DecodedPicture: decoding by kind, drawing, and the target rectangle.
#include "engine/graphics/decoded_picture.h"

#include <cmath>
#include <functional>
#include <mutex>
#include <unordered_map>

#include "engine/graphics/dib_decoder.h"
#include "engine/graphics/graphic_error.h"
#include "engine/graphics/icon_decoder.h"
#include "engine/graphics/jpeg_decoder.h"
#include "engine/graphics/metafile_player.h"
#include "platform/canvas.h"
#include "printer/printer_metrics.h"

namespace lf {

const char* GraphicKindName(TfrGraphicKind kind) {
  switch (kind) {
    case TfrGraphicKind::Bitmap: return "bitmap image";
    case TfrGraphicKind::Metafile: return "metafile";
    case TfrGraphicKind::Icon: return "icon image";
    case TfrGraphicKind::JPEG: return "JPEG image";
    default: return "picture";
  }
}

std::unique_ptr<DecodedPicture> DecodedPicture::Decode(TfrGraphicKind kind, std::string data) {
  std::unique_ptr<DecodedPicture> p(new DecodedPicture);
  p->kind_ = kind;
  switch (kind) {
    case TfrGraphicKind::Bitmap: p->image_ = ReadBitmapFile(data); break;
    case TfrGraphicKind::JPEG:
      p->image_ = ReadJpeg(data);
      p->jpeg_ = std::move(data);
      break;
    case TfrGraphicKind::Icon: p->image_ = ReadIcon(data); break;
    case TfrGraphicKind::Metafile: {
      const MetafileSize size = ReadMetafile(data);
      p->width_ = size.Width;
      p->height_ = size.Height;
      p->metafile_ = std::move(data);
      return p;
    }
    default: throw EInvalidGraphic("not a valid picture");
  }
  p->width_ = p->image_.width();
  p->height_ = p->image_.height();
  return p;
}

namespace {

// A shared picture, found by its kind and bytes while any holder keeps it.
struct SharedEntry {
  TfrGraphicKind kind;
  std::string data;
  std::weak_ptr<const DecodedPicture> picture;
};

// The shared pictures by a hash of their bytes, and the pixels they hold.
// Never destroyed, so that pictures released during static destruction
// still find them.
struct SharedPictures {
  std::mutex lock;
  std::unordered_multimap<size_t, std::unique_ptr<SharedEntry>> entries;
  int64_t pixels = 0;
};
SharedPictures& Pictures() {
  static auto* pictures = new SharedPictures;
  return *pictures;
}

int64_t PixelsOf(const DecodedPicture& p) {
  return p.Kind() == TfrGraphicKind::Metafile ? 0 : int64_t{p.Width()} * p.Height();
}

}  // namespace

std::shared_ptr<const DecodedPicture> DecodedPicture::Shared(TfrGraphicKind kind, const std::string& data) {
  SharedPictures& pictures = Pictures();
  std::lock_guard<std::mutex> hold(pictures.lock);
  const size_t key = std::hash<std::string>{}(data);
  auto [from, to] = pictures.entries.equal_range(key);
  for (auto it = from; it != to; ++it)
    if (it->second->kind == kind && it->second->data == data)
      if (auto held = it->second->picture.lock()) return held;
  std::unique_ptr<DecodedPicture> decoded;
  {
    DecodeAllowance allowance(pictures.pixels);
    decoded = Decode(kind, data);
  }
  const int64_t pixels = PixelsOf(*decoded);
  SharedEntry* entry = pictures.entries.emplace(key, std::make_unique<SharedEntry>(SharedEntry{kind, data, {}}))
                           ->second.get();
  // The last holder gives the pixels back and removes the entry.
  std::shared_ptr<const DecodedPicture> shared(decoded.release(), [key, entry, pixels](const DecodedPicture* p) {
    SharedPictures& all = Pictures();
    {
      std::lock_guard<std::mutex> hold(all.lock);
      all.pixels -= pixels;
      auto [first, last] = all.entries.equal_range(key);
      for (auto it = first; it != last; ++it)
        if (it->second.get() == entry) {
          all.entries.erase(it);
          break;
        }
    }
    delete p;
  });
  pictures.pixels += pixels;
  entry->picture = shared;
  return shared;
}

int64_t DecodedPicture::PixelsHeld() {
  std::lock_guard<std::mutex> hold(Pictures().lock);
  return Pictures().pixels;
}

void DecodedPicture::Draw(Canvas& canvas, const CanvasRect& target) const {
  if (target.IsEmpty()) return;
  if (kind_ == TfrGraphicKind::Metafile) {
    try {
      PlayMetafile(metafile_, canvas, target);
    } catch (const EInvalidGraphic&) {
      // Checked when decoded; only a canvas-dependent limit gets here.
    }
    return;
  }
  if (image_.isNull()) return;
  if (canvas.IsPrinter()) {
    if (kind_ == TfrGraphicKind::Icon) return;
    if (kind_ == TfrGraphicKind::JPEG) {
      canvas.DrawJpeg(target, image_.convertToFormat(QImage::Format_RGB888), jpeg_);
      return;
    }
    canvas.DrawImage(target, image_.convertToFormat(QImage::Format_RGB888));
    return;
  }
  canvas.DrawImage(target, image_);
}

CanvasRect PictureTarget(const CanvasRect& drawRect, int32_t width, int32_t height, int32_t pictureWidth,
                         int32_t pictureHeight, double scaleX, double scaleY, const PicturePlacement& placement) {
  if (pictureWidth <= 0 || pictureHeight <= 0) return {};
  CanvasRect r = drawRect;
  if (placement.Stretched) {
    if (drawRect.IsEmpty() || width <= 0 || height <= 0) return {};
    if (placement.KeepAspect) {
      const double kx = static_cast<double>(width) / pictureWidth;
      const double ky = static_cast<double>(height) / pictureHeight;
      if (kx >= ky) r.Right = r.Left + RoundToNearestEven(pictureWidth * ky);
      else r.Bottom = r.Top + RoundToNearestEven(pictureHeight * kx);
      if (placement.Center) {
        const int32_t dx = (drawRect.Width() - r.Width()) / 2, dy = (drawRect.Height() - r.Height()) / 2;
        r = CanvasRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
      }
    }
    return r;
  }
  const int32_t w = RoundToNearestEven(pictureWidth * scaleX), h = RoundToNearestEven(pictureHeight * scaleY);
  r = CanvasRect{drawRect.Left, drawRect.Top, drawRect.Left + w, drawRect.Top + h};
  if (placement.Center) {
    const int32_t dx = (drawRect.Width() - w) / 2, dy = (drawRect.Height() - h) / 2;
    r = CanvasRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
  }
  return r;
}

}  // namespace lf
