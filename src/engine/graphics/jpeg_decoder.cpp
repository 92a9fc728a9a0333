// JPEG decoding with libjpeg; its errors come back by longjmp to the one
// frame that set it up, which holds no objects with destructors.
#include "engine/graphics/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "engine/graphics/graphic_error.h"

namespace lf {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
// Warnings are ignored, except data ending before the image does: libjpeg
// would make up every missing row, so a few bytes could ask for the work
// and memory of a full-size image.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

struct Progress {
  jpeg_progress_mgr pub;
  bool tooManyScans = false;
};

void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->is_decompressor && d->input_scan_number > kMaxJpegScans) {
    reinterpret_cast<Progress*>(cinfo->progress)->tooManyScans = true;
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
  }
}

enum class Outcome { Ok, Invalid, TooLarge };

// Reads into image (allocated here once the size is known); no C++ object
// with a destructor is created between setjmp and the last libjpeg call.
Outcome Decode(std::string_view data, QImage* image, JDIMENSION* width, JDIMENSION* height) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  Progress progress;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  progress.pub.progress_monitor = OnProgress;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return Outcome::Invalid;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress.pub;
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  *width = cinfo.image_width;
  *height = cinfo.image_height;
  if (cinfo.image_width == 0 || cinfo.image_height == 0) {
    jpeg_destroy_decompress(&cinfo);
    return Outcome::Invalid;
  }
  if (static_cast<int64_t>(cinfo.image_width) > DecodablePixels() / cinfo.image_height) {
    jpeg_destroy_decompress(&cinfo);
    return Outcome::TooLarge;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  cinfo.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  *image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                  QImage::Format_RGB32);
  if (image->isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return Outcome::TooLarge;
  }
  const int components = cinfo.output_components;
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              cinfo.output_width * components, 1);
  // Adobe writers store CMYK inverted.
  const bool inverted = cinfo.saw_Adobe_marker;
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, row, 1);
    auto* out = reinterpret_cast<QRgb*>(image->scanLine(y));
    const JSAMPLE* in = row[0];
    for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
      if (components == 1) {
        out[x] = qRgb(in[x], in[x], in[x]);
      } else if (components == 3) {
        out[x] = qRgb(in[x * 3], in[x * 3 + 1], in[x * 3 + 2]);
      } else {
        int c = in[x * 4], m = in[x * 4 + 1], ye = in[x * 4 + 2], k = in[x * 4 + 3];
        if (!inverted) c = 255 - c, m = 255 - m, ye = 255 - ye, k = 255 - k;
        out[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return Outcome::Ok;
}

}  // namespace

QImage ReadJpeg(std::string_view data) {
  QImage image;
  JDIMENSION width = 0, height = 0;
  switch (Decode(data, &image, &width, &height)) {
    case Outcome::Ok: return image;
    case Outcome::TooLarge: CheckPictureSize(width, height, "JPEG image"); [[fallthrough]];
    default: throw EInvalidGraphic("not a valid JPEG image");
  }
}

}  // namespace lf
