// Picture readers and the metafile player on images the tests write
// themselves: bitmaps of every depth and coding, JPEG images through
// libjpeg, icons, Windows and enhanced metafiles; their limits and errors;
// picture objects drawn through the painter canvas.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>
#include <jpeglib.h>

#include "engine/graphics/decoded_picture.h"
#include "engine/graphics/dib_decoder.h"
#include "engine/graphics/graphic_error.h"
#include "engine/graphics/icon_decoder.h"
#include "engine/graphics/jpeg_decoder.h"
#include "engine/graphics/metafile_player.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/run/engine_state_scope.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_view_record.h"
#include "platform/painter_canvas.h"
#include "platform/recording_canvas.h"
#include "platform/stream.h"

namespace lf {
namespace {

// Little-endian writer for building picture files.
struct Bytes {
  std::string s;
  Bytes& u8(uint32_t v) { s.push_back(static_cast<char>(v)); return *this; }
  Bytes& u16(uint32_t v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& raw(const std::string& b) { s += b; return *this; }
  Bytes& pad4() { while (s.size() % 4) u8(0); return *this; }
};

uint32_t Rgb(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// A bitmap file: info header (40 bytes, or 108 with masks), colour table
// (0x00RRGGBB entries), then the rows as given.
std::string BitmapFile(int32_t w, int32_t h, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
                       const std::string& bits, std::vector<uint32_t> masks = {}) {
  Bytes info;
  const bool v4 = !masks.empty();
  info.u32(v4 ? 108 : 40).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(h)).u16(1).u16(bpp);
  info.u32(compression).u32(static_cast<uint32_t>(bits.size())).u32(2835).u32(2835);
  info.u32(static_cast<uint32_t>(palette.size())).u32(0);
  if (v4) {
    for (uint32_t m : masks) info.u32(m);
    while (info.s.size() < 108) info.u8(0);
  }
  for (uint32_t c : palette) info.u32(c);
  Bytes file;
  file.u8('B').u8('M').u32(static_cast<uint32_t>(14 + info.s.size() + bits.size())).u32(0);
  file.u32(static_cast<uint32_t>(14 + info.s.size())).raw(info.s).raw(bits);
  return file.s;
}

struct BitmapCase {
  const char* name;
  std::string file;
  // Expected colours of the 2 x 2 image: top-left, top-right, bottom-left, bottom-right.
  uint32_t tl, tr, bl, br;
};
void PrintTo(const BitmapCase& c, std::ostream* os) { *os << c.name; }

class BitmapReader : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(BitmapReader, DecodesEveryDepthAndCoding) {
  const BitmapCase& c = GetParam();
  const QImage image = ReadBitmapFile(c.file);
  ASSERT_EQ(image.size(), QSize(2, 2));
  EXPECT_EQ(Rgb(image, 0, 0), c.tl);
  EXPECT_EQ(Rgb(image, 1, 0), c.tr);
  EXPECT_EQ(Rgb(image, 0, 1), c.bl);
  EXPECT_EQ(Rgb(image, 1, 1), c.br);
}

const std::vector<uint32_t> kFour = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

// Rows are stored bottom row first unless the height is negative.
INSTANTIATE_TEST_SUITE_P(
    Forms, BitmapReader,
    ::testing::Values(
        BitmapCase{"OneBit", BitmapFile(2, 2, 1, 0, {0x000000, 0xFFFFFF}, std::string("\x40\0\0\0\x80\0\0\0", 8)),
                   0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF},
        BitmapCase{"FourBit", BitmapFile(2, 2, 4, 0, kFour, std::string("\x23\0\0\0\x01\0\0\0", 8)), 0xFF0000,
                   0x00FF00, 0x0000FF, 0xFFFFFF},
        BitmapCase{"EightBit", BitmapFile(2, 2, 8, 0, kFour, std::string("\x02\x03\0\0\x00\x01\0\0", 8)),
                   0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
        BitmapCase{"EightBitTopDown", BitmapFile(2, -2, 8, 0, kFour, std::string("\x00\x01\0\0\x02\x03\0\0", 8)),
                   0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
        BitmapCase{"SixteenBit555", BitmapFile(2, 2, 16, 0, {}, std::string("\x1F\x00\xFF\x7F\x00\x7C\xE0\x03", 8)),
                   0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
        BitmapCase{"SixteenBit565Masks",
                   BitmapFile(2, 2, 16, 3, {}, std::string("\x1F\x00\xFF\xFF\x00\xF8\xE0\x07", 8),
                              {0xF800, 0x07E0, 0x001F, 0}),
                   0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
        BitmapCase{"TwentyFourBit",
                   BitmapFile(2, 2, 24, 0, {}, std::string("\xFF\0\0\xFF\xFF\xFF\0\0" "\0\0\xFF\0\xFF\0\0\0", 16)),
                   0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
        BitmapCase{"ThirtyTwoBit",
                   BitmapFile(2, 2, 32, 0, {}, std::string("\xFF\0\0\0\xFF\xFF\xFF\0\0\0\xFF\0\0\xFF\0\0", 16)),
                   0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
        // RLE8: a run of two of index 2 (bottom row), end of line, runs
        // of one 0 and one 1, end of bitmap.
        BitmapCase{"RunLength8", BitmapFile(2, 2, 8, 1, kFour, std::string("\x02\x02\x00\x00\x01\x00\x01\x01\x00\x01", 10)),
                   0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF},
        // RLE4: a run of two alternating 2 and 3, end of line, a run of two of 0 and 1.
        BitmapCase{"RunLength4", BitmapFile(2, 2, 4, 2, kFour, std::string("\x02\x23\x00\x00\x02\x01\x00\x01", 8)),
                   0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadPicture {
  const char* name;
  TfrGraphicKind kind;
  std::string data;
  const char* message;
};
void PrintTo(const BadPicture& c, std::ostream* os) { *os << c.name; }

class PictureErrors : public ::testing::TestWithParam<BadPicture> {};

TEST_P(PictureErrors, RefuseWithOneClearMessage) {
  const BadPicture& c = GetParam();
  try {
    DecodedPicture::Decode(c.kind, c.data);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), c.message);
  }
}

std::string EmfHeaderOnly(uint32_t firstRecordSize) {
  Bytes b;
  b.u32(1).u32(88).u32(0).u32(0).u32(99).u32(99).u32(0).u32(0).u32(2500).u32(2500);
  b.u32(0x464D4520).u32(0x10000).u32(0).u32(0).u16(1).u16(0).u32(0).u32(0).u32(0);
  b.u32(400).u32(400).u32(100).u32(100);
  b.u32(43).u32(firstRecordSize);
  return b.s;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PictureErrors,
    ::testing::Values(
        BadPicture{"TruncatedBitmap", TfrGraphicKind::Bitmap, BitmapFile(2, 2, 24, 0, {}, std::string(10, '\0')),
                   "not a valid bitmap image"},
        BadPicture{"BitmapWithoutPixels", TfrGraphicKind::Bitmap, BitmapFile(0, 2, 24, 0, {}, ""),
                   "not a valid bitmap image"},
        BadPicture{"BitmapOverPixelLimit", TfrGraphicKind::Bitmap, BitmapFile(20000, 20000, 1, 0, {0, 0}, ""),
                   "image of 20000 x 20000 pixels is larger than the limit of 100000000 pixels"},
        BadPicture{"PaletteBeyondData", TfrGraphicKind::Bitmap,
                   BitmapFile(2, 2, 8, 0, {}, std::string(8, '\0')).replace(46, 4, std::string("\0\x01\0\0", 4)),
                   "not a valid bitmap image"},
        BadPicture{"RunLengthAskingTooMuchPerByte", TfrGraphicKind::Bitmap,
                   BitmapFile(5000, 5000, 8, 1, kFour, std::string("\0\x01", 2)), "not a valid bitmap image"},
        // 514 pixels from two bytes is past 256 a byte.
        BadPicture{"RunLengthJustPastItsLimit", TfrGraphicKind::Bitmap,
                   BitmapFile(514, 1, 8, 1, kFour, std::string("\0\x01", 2)), "not a valid bitmap image"},
        BadPicture{"NotJpeg", TfrGraphicKind::JPEG, std::string("\xFF\xD8\xFFjunk", 7), "not a valid JPEG image"},
        BadPicture{"EmptyIcon", TfrGraphicKind::Icon, std::string("\0\0\1\0\0\0", 6), "not a valid icon image"},
        BadPicture{"MetafileRecordOfSizeZero", TfrGraphicKind::Metafile, EmfHeaderOnly(0), "not a valid metafile"},
        BadPicture{"MetafileRecordPastTheEnd", TfrGraphicKind::Metafile, EmfHeaderOnly(4000), "not a valid metafile"},
        BadPicture{"MetafileWithoutHeader", TfrGraphicKind::Metafile, "WMF?", "not a valid metafile"}),
    [](const auto& info) { return std::string(info.param.name); });

// JPEG through libjpeg: components per pixel from pixel(x, y, out).
template <typename Pixel>
std::string Jpeg(int w, int h, J_COLOR_SPACE space, int components, bool progressive, Pixel pixel) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(w * components));
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < w; ++x) pixel(x, static_cast<int>(c.next_scanline), &row[static_cast<size_t>(x * components)]);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  std::string data(reinterpret_cast<char*>(out), size);
  jpeg_destroy_compress(&c);
  free(out);
  return data;
}

// Left half red, right half blue.
void Halves(int x, int, JSAMPLE* p) {
  p[0] = x < 8 ? 255 : 0, p[1] = 0, p[2] = x < 8 ? 0 : 255;
}

bool Near(uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 24) return false;
  return true;
}

TEST(JpegReader, ReadsBaselineProgressiveGreyAndCmyk) {
  for (bool progressive : {false, true}) {
    const QImage image = ReadJpeg(Jpeg(16, 8, JCS_RGB, 3, progressive, Halves));
    ASSERT_EQ(image.size(), QSize(16, 8));
    EXPECT_TRUE(Near(Rgb(image, 2, 4), 0xFF0000)) << progressive;
    EXPECT_TRUE(Near(Rgb(image, 13, 4), 0x0000FF)) << progressive;
  }
  const QImage grey = ReadJpeg(Jpeg(8, 8, JCS_GRAYSCALE, 1, false, [](int x, int, JSAMPLE* p) { p[0] = x < 4 ? 40 : 220; }));
  EXPECT_TRUE(Near(Rgb(grey, 1, 1), 0x282828));
  EXPECT_TRUE(Near(Rgb(grey, 6, 1), 0xDCDCDC));
  // libjpeg marks CMYK files as Adobe's, whose inks are stored inverted.
  const QImage cmyk = ReadJpeg(Jpeg(8, 8, JCS_CMYK, 4, false, [](int, int, JSAMPLE* p) {
    p[0] = 255, p[1] = 0, p[2] = 0, p[3] = 255;  // no cyan, full magenta and yellow, no black
  }));
  EXPECT_TRUE(Near(Rgb(cmyk, 4, 4), 0xFF0000));
  // Data that ends before the image does is refused, not made up.
  const std::string whole = Jpeg(64, 64, JCS_RGB, 3, false, Halves);
  try {
    ReadJpeg(whole.substr(0, whole.size() / 2));
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "not a valid JPEG image");
  }
}

// An icon file of two images: a 2 x 2 one at 24 bits and a 4 x 4 one at
// 4 bits whose mask makes its top-left pixel transparent.
std::string TwoImageIcon() {
  Bytes small;
  small.u32(40).u32(2).u32(4).u16(1).u16(24).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
  for (int i = 0; i < 2; ++i) small.raw(std::string("\0\xFF\0\0\xFF\0\0\0", 8));  // green rows
  small.u32(0).u32(0);                                                               // mask: all opaque
  Bytes large;
  large.u32(40).u32(4).u32(8).u16(1).u16(4).u32(0).u32(0).u32(0).u32(0).u32(16).u32(0);
  for (int i = 0; i < 16; ++i) large.u32(i == 1 ? 0x0000FF : 0xFF0000);  // index 1 blue, others red
  for (int i = 0; i < 4; ++i) large.u32(0x00001111);  // every pixel index 1
  // Mask rows bottom-up; the top row (last) has its first pixel transparent.
  large.u32(0).u32(0).u32(0).u32(0x80);
  Bytes file;
  file.u16(0).u16(1).u16(2);
  const uint32_t first = 6 + 2 * 16;
  file.u8(2).u8(2).u8(0).u8(0).u16(1).u16(24).u32(static_cast<uint32_t>(small.s.size())).u32(first);
  file.u8(4).u8(4).u8(16).u8(0).u16(1).u16(4).u32(static_cast<uint32_t>(large.s.size()))
      .u32(first + static_cast<uint32_t>(small.s.size()));
  return file.s + small.s + large.s;
}

TEST(IconReader, TakesTheLargestImageWithItsMask) {
  const QImage image = ReadIcon(TwoImageIcon());
  ASSERT_EQ(image.size(), QSize(4, 4));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(image.pixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(image.pixel(3, 3), 0xFF0000FFu);
}

// A placeable Windows metafile 100 x 100 pixels (at 96 units per inch):
// a red rectangle (10, 10)-(50, 50) without outline and a black line.
std::string PlaceableWmf(bool placeable) {
  Bytes rec;
  auto record = [&](uint16_t function, std::vector<uint16_t> params) {
    rec.u32(static_cast<uint32_t>(3 + params.size())).u16(function);
    for (uint16_t p : params) rec.u16(p);
  };
  record(0x020B, {0, 0});                       // window origin
  record(0x020C, {100, 100});                   // window extent
  record(0x02FC, {0, 0x00FF, 0x0000, 0});       // solid red brush -> slot 0
  record(0x012D, {0});
  record(0x02FA, {5, 0, 0, 0, 0});              // null pen -> slot 1
  record(0x012D, {1});
  record(0x041B, {50, 50, 10, 10});             // rectangle: bottom right top left
  record(0x02FA, {0, 2, 0, 0, 0});              // black pen 2 wide -> slot 2
  record(0x012D, {2});
  record(0x0214, {80, 70});                     // move to (70, 80)
  record(0x0213, {80, 95});                     // line to (95, 80)
  record(0x0000, {});
  Bytes file;
  if (placeable) file.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(100).u16(100).u16(96).u32(0).u16(0);
  file.u16(1).u16(9).u16(0x300).u32(static_cast<uint32_t>((18 + rec.s.size()) / 2)).u16(3).u32(8).u16(0);
  return file.s + rec.s;
}

// An enhanced metafile whose frame is 100 x 100 reference pixels: a blue
// rectangle (0, 0)-(50, 50), a green 4-unit line at x = 60 and a text.
std::string SimpleEmf() {
  Bytes rec;
  auto record = [&](uint32_t type, std::vector<uint32_t> params) {
    rec.u32(type).u32(static_cast<uint32_t>(8 + 4 * params.size()));
    for (uint32_t p : params) rec.u32(p);
  };
  record(39, {1, 0, 0xFF0000, 0});           // brush 1: solid blue
  record(37, {1});
  record(37, {0x80000008});                  // stock null pen
  record(43, {0, 0, 50, 50});
  record(38, {2, 0, 4, 0, 0x00FF00});         // pen 2: solid green, 4 wide
  record(37, {2});
  record(27, {60, 10});
  record(54, {60, 90});
  // EXTTEXTOUTW "Hi" at (5, 70): bounds, mode, scales, reference, count,
  // string offset, options, rectangle, dx offset, then the characters.
  const uint32_t textAt = 8 + 16 + 4 + 8 + 8 + 4 + 4 + 4 + 16 + 4;
  record(84, {0, 0, 0, 0, 1, 0, 0, 5, 70, 2, textAt, 0, 0, 0, 0, 0, 0, 'H' | ('i' << 16)});
  record(14, {0, 16, 20});
  Bytes header;
  header.u32(1).u32(88).u32(0).u32(0).u32(99).u32(99).u32(0).u32(0).u32(2500).u32(2500);
  header.u32(0x464D4520).u32(0x10000).u32(static_cast<uint32_t>(88 + rec.s.size())).u32(10).u16(3).u16(0);
  header.u32(0).u32(0).u32(0).u32(400).u32(400).u32(100).u32(100);
  return header.s + rec.s;
}

QImage Paint(const DecodedPicture& picture, const CanvasRect& target, bool printer = false) {
  QImage image(200, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PainterCanvas canvas(painter, 96, printer);
  picture.Draw(canvas, target);
  painter.end();
  return image;
}

TEST(MetafilePlayer, WindowsMetafileMapsItsWindowOntoTheTarget) {
  for (bool placeable : {true, false}) {
    const auto picture = DecodedPicture::Decode(TfrGraphicKind::Metafile, PlaceableWmf(placeable));
    EXPECT_EQ(picture->Width(), 100);
    EXPECT_EQ(picture->Height(), 100);
    const QImage image = Paint(*picture, CanvasRect{0, 0, 200, 200});
    EXPECT_EQ(Rgb(image, 60, 60), 0xFF0000u) << placeable;
    EXPECT_EQ(Rgb(image, 110, 60), 0xFFFFFFu) << placeable;
    EXPECT_EQ(Rgb(image, 170, 160), 0x000000u) << placeable;
  }
}

TEST(MetafilePlayer, EnhancedMetafileMapsItsFrameOntoTheTarget) {
  const auto picture = DecodedPicture::Decode(TfrGraphicKind::Metafile, SimpleEmf());
  EXPECT_EQ(picture->Width(), 94);  // 25 mm at 96 dpi
  const QImage image = Paint(*picture, CanvasRect{0, 0, 200, 200});
  EXPECT_EQ(Rgb(image, 50, 50), 0x0000FFu);
  EXPECT_EQ(Rgb(image, 150, 50), 0xFFFFFFu);
  EXPECT_EQ(Rgb(image, 120, 100), 0x00FF00u);
  RecordingCanvas canvas;
  picture->Draw(canvas, CanvasRect{0, 0, 200, 200});
  EXPECT_EQ(canvas.Texts(), std::vector<std::string>{"Hi"});
}

TEST(MetafilePlayer, UnknownRecordsAreSkipped) {
  std::string wmf = PlaceableWmf(true);
  // An unknown function code with two parameters before the first record.
  const std::string unknown("\x05\0\0\0\x34\x12\xAA\xAA\xBB\xBB", 10);
  wmf.insert(22 + 18, unknown);
  const auto picture = DecodedPicture::Decode(TfrGraphicKind::Metafile, wmf);
  EXPECT_EQ(Rgb(Paint(*picture, CanvasRect{0, 0, 200, 200}), 60, 60), 0xFF0000u);
}

TEST(DecodedPictureDraw, PrinterLeavesIconsOutAndGetsBitmaps) {
  const auto icon = DecodedPicture::Decode(TfrGraphicKind::Icon, TwoImageIcon());
  EXPECT_EQ(Rgb(Paint(*icon, CanvasRect{0, 0, 40, 40}), 30, 30), 0x0000FFu);
  EXPECT_EQ(Rgb(Paint(*icon, CanvasRect{0, 0, 40, 40}, true), 30, 30), 0xFFFFFFu);
  const auto bitmap = DecodedPicture::Decode(TfrGraphicKind::Bitmap, BitmapFile(2, 2, 8, 0, kFour, std::string("\x02\x03\0\0\x00\x01\0\0", 8)));
  const QImage printed = Paint(*bitmap, CanvasRect{0, 0, 40, 40}, true);
  EXPECT_EQ(Rgb(printed, 5, 5), 0xFF0000u);
  EXPECT_EQ(Rgb(printed, 35, 35), 0xFFFFFFu);
}

// A blank run-length coded bitmap as an encoder writes it: runs of at most
// 255 pixels, an end of line per row.
std::string BlankRle8(int w, int h) {
  Bytes bits;
  for (int y = 0; y < h; ++y) {
    for (int left = w; left > 0; left -= 255) bits.u8(std::min(left, 255)).u8(3);
    bits.u8(0).u8(0);
  }
  bits.u8(0).u8(1);
  return BitmapFile(w, h, 8, 1, kFour, bits.s);
}

TEST(RunLengthBitmap, BlankRowsCodedAsEncodersDoAreRead) {
  const QImage image = ReadBitmapFile(BlankRle8(4000, 30));
  ASSERT_EQ(image.width(), 4000);
  EXPECT_EQ(Rgb(image, 3999, 29), 0xFFFFFFu);
}

// One decode per distinct picture; the pixels held at once are limited, and
// given back when the last holder goes.
TEST(SharedPicture, SameBytesShareOneDecodeWithinTheBudget) {
  // 1 bit a pixel: 30,000,000 pixels from 3.8 MB; the two differ in a colour.
  const std::string rows(static_cast<size_t>(628) * 6000, '\0');
  const std::string black = BitmapFile(5000, 6000, 1, 0, {0, 0xFFFFFF}, rows);
  const std::string red = BitmapFile(5000, 6000, 1, 0, {0xFF0000, 0xFFFFFF}, rows);
  const int64_t before = DecodedPicture::PixelsHeld();
  auto first = DecodedPicture::Shared(TfrGraphicKind::Bitmap, black);
  auto again = DecodedPicture::Shared(TfrGraphicKind::Bitmap, black);
  EXPECT_EQ(first.get(), again.get());
  EXPECT_EQ(DecodedPicture::PixelsHeld(), before + 30'000'000);
  try {
    DecodedPicture::Shared(TfrGraphicKind::Bitmap, red);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "image of 5000 x 6000 pixels would make " + std::to_string(before + 60'000'000) +
                               " decoded pixels at once, more than the limit of 50000000");
  }
  first.reset();
  again.reset();
  EXPECT_EQ(DecodedPicture::PixelsHeld(), before);
  EXPECT_EQ(DecodedPicture::Shared(TfrGraphicKind::Bitmap, red)->Width(), 5000);
}

class PictureObject : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = report_.Pages->Add();
    EngineState().CurPage = page_;
    EngineState().DocMode = kDocModePrinting;
    EngineState().FirstPass = false;
    picture_ = static_cast<TfrPictureView*>(page_->AddObject(std::make_unique<TfrPictureView>()));
    picture_->Name = "Picture1";
  }
  EngineStateScope scope_;
  TfrReport report_;
  TfrPage* page_ = nullptr;
  TfrPictureView* picture_ = nullptr;
};

TEST_F(PictureObject, KeepsAspectAndCentresOnTheImage) {
  // 100 x 50 red-left/blue-right JPEG in a 40 x 40 object at (10, 10).
  picture_->Picture = TfrPicture{TfrGraphicKind::JPEG, Jpeg(100, 50, JCS_RGB, 3, false, [](int x, int, JSAMPLE* p) {
                                   p[0] = x < 50 ? 255 : 0, p[1] = 0, p[2] = x < 50 ? 0 : 255;
                                 })};
  picture_->SetBounds(10, 10, 40, 40);
  picture_->Flags = flStretched | flPictRatio | flPictCenter;
  QImage image(100, 100, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PainterCanvas canvas(painter);
    picture_->Draw(canvas);
  }
  // Drawn 41 x 20 from y = 20: white above and below.
  EXPECT_EQ(Rgb(image, 30, 15), 0xFFFFFFu);
  EXPECT_TRUE(Near(Rgb(image, 15, 30), 0xFF0000));
  EXPECT_TRUE(Near(Rgb(image, 45, 30), 0x0000FF));
  EXPECT_EQ(Rgb(image, 30, 45), 0xFFFFFFu);
}

TEST_F(PictureObject, DecodesOnceUntilThePictureChanges) {
  picture_->Picture = TfrPicture{TfrGraphicKind::Icon, TwoImageIcon()};
  const DecodedPicture* first = picture_->Decoded();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(picture_->Decoded(), first);
  // Another object showing the same bytes draws the same decoded image.
  TfrPictureView copy;
  copy.Picture = picture_->Picture;
  EXPECT_EQ(copy.Decoded(), first);
  picture_->Picture = TfrPicture{TfrGraphicKind::Metafile, PlaceableWmf(true)};
  const DecodedPicture* second = picture_->Decoded();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Kind(), TfrGraphicKind::Metafile);
  picture_->Picture.Clear();
  EXPECT_EQ(picture_->Decoded(), nullptr);
}

TEST_F(PictureObject, UnreadableRecordFailsNamingTheObject) {
  picture_->Picture = TfrPicture{TfrGraphicKind::JPEG, "not a jpeg at all"};
  SetStreamVersion(25);
  TMemoryStream stream;
  WriteViewRecord(stream, *picture_);
  stream.SetPosition(0);
  TfrPictureView loaded;
  try {
    ReadViewRecord(stream, loaded);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Picture1: not a valid JPEG image");
  }
}

TEST_F(PictureObject, LoadFromFileClearsForAMissingFileAndFailsForABadOne) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("lf_picture_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string bad = (dir / "bad.jpg").string();
  std::ofstream(bad, std::ios::binary) << std::string("\xFF\xD8\xFF\xE0 broken", 11);
  const std::string good = (dir / "good.bmp").string();
  std::ofstream(good, std::ios::binary) << BitmapFile(2, 2, 24, 0, {}, std::string(16, '\0'));

  picture_->LoadFromFile(good);
  EXPECT_EQ(picture_->Picture.Kind, TfrGraphicKind::Bitmap);
  try {
    picture_->LoadFromFile(bad);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Picture1: not a valid JPEG image");
  }
  EXPECT_EQ(picture_->Picture.Kind, TfrGraphicKind::Bitmap);
  picture_->LoadFromFile((dir / "missing.png").string());
  EXPECT_TRUE(picture_->Picture.Empty());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lf
