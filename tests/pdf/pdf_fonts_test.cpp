// Texts the PDF fonts place without the shaper must come out glyph for
// glyph as the shaper places them, in every font the substitution uses.
#include "pdf/pdf_fonts.h"

#include <gtest/gtest.h>
#include <hb.h>

#include <random>
#include <string>
#include <vector>

#include "pdf/pdf_object_writer.h"
#include "platform/font_style.h"
#include "platform/stream.h"

namespace lf {
namespace {

struct Glyphs {
  std::vector<uint32_t> ids;
  std::vector<int32_t> advances, offsets;
  bool operator==(const Glyphs&) const = default;
};

// What HarfBuzz gives for text in face, with kerning and ligatures off.
Glyphs Shaped(PdfFace& face, const std::u16string& text) {
  static const hb_feature_t features[] = {
      {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
  };
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.data()),
                      static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(face.Font(), buffer, features, 3);
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
  Glyphs out;
  for (unsigned i = 0; i < count; ++i) {
    out.ids.push_back(info[i].codepoint);
    out.advances.push_back(pos[i].x_advance);
    out.offsets.push_back(pos[i].x_offset);
  }
  hb_buffer_destroy(buffer);
  return out;
}

TEST(PdfFontsShaping, TextsPlacedWithoutTheShaperMatchIt) {
  TMemoryStream out;
  PdfObjectWriter writer(out);
  PdfFonts fonts(writer);
  // Pairs that kern, ligatures, contextual forms, accents and Cyrillic.
  std::vector<std::u16string> texts = {u"AVATAR Ta Yo fi ffl office", u"Größe façade naïve",
                                       u"Ёлка съёмка ЙЦУКЕН", u"1/2 3/4 -5.00 (x) [y] {z}",
                                       u"Customer 12345", u"i\u0307 j\u0301"};
  std::mt19937 random(7);
  const std::u16string pool =
      u" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz"
      u"{|}~¡¿ÀÁÂÆÇÈÉÑÖØßàáâæçèéñöøÿЀЁЂЉЊЋАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяѐёђџ";
  for (int i = 0; i < 300; ++i) {
    std::u16string text;
    const size_t length = 1 + random() % 12;
    for (size_t k = 0; k < length; ++k) text += pool[random() % pool.size()];
    texts.push_back(text);
  }
  int compared = 0, plain = 0;
  for (const char* name : {"Arial", "Times New Roman", "Courier New", "Verdana", "SimSun"}) {
    for (int style : {0, fsBold, fsItalic, fsBold | fsItalic}) {
      CanvasFont font;
      font.Name = name;
      font.Style = style;
      font.Charset = std::string(name) == "SimSun" ? 134 : 1;
      for (const std::u16string& text : texts) {
        const std::vector<ShapedRun>& runs = fonts.Shape(font, text, false);
        ASSERT_FALSE(runs.empty());
        PdfFace& face = *runs.front().Choice.Face;
        if (runs.size() != 1) continue;  // fallback faces draw part of it
        bool allPlain = true;
        for (char16_t c : text) allPlain = allPlain && face.PlainGlyph(c) != 0;
        plain += allPlain;
        Glyphs got;
        for (const ShapedGlyph& g : runs.front().Glyphs) {
          got.ids.push_back(g.Glyph);
          got.advances.push_back(g.Advance);
          got.offsets.push_back(g.OffsetX);
        }
        EXPECT_EQ(got, Shaped(face, text)) << name << " style " << style << " text #" << compared;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 5000);
  EXPECT_GT(plain, 2000);
}

TEST(PdfFontsShaping, FontsMetInTurnKeepTheirOwnFaces) {
  TMemoryStream out;
  PdfObjectWriter writer(out);
  PdfFonts fonts(writer);
  CanvasFont sans, serif, bold;
  serif.Name = "Times New Roman";
  bold.Style = fsBold;
  std::vector<const PdfFace*> faces;
  for (int round = 0; round < 2; ++round)
    for (const CanvasFont* font : {&sans, &serif, &bold}) {
      const std::vector<ShapedRun>& runs = fonts.Shape(*font, u"Total 12", false);
      ASSERT_EQ(runs.size(), 1u);
      faces.push_back(runs.front().Choice.Face);
    }
  EXPECT_NE(faces[0], faces[1]);
  EXPECT_NE(faces[0], faces[2]);
  EXPECT_NE(faces[1], faces[2]);
  EXPECT_EQ(std::vector<const PdfFace*>(faces.begin(), faces.begin() + 3),
            std::vector<const PdfFace*>(faces.begin() + 3, faces.end()));
}

}  // namespace
}  // namespace lf
