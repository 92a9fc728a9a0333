// PdfFonts: the fonts of a PDF document: the installed font files that draw
// a template font (through the substitution table and fontconfig), texts
// shaped with HarfBuzz into glyph runs, and at the end each used font
// embedded as a subset with its glyph widths and a map back to characters.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/canvas.h"

struct hb_face_t;
struct hb_font_t;
struct hb_buffer_t;

namespace lf {

class PdfObjectWriter;

// Shaped texts a document keeps for texts met again; past this it starts over.
inline constexpr size_t kMaxShapedTexts = 65536;

// One font file (a face of it, for collections) as the document embeds it.
class PdfFace {
 public:
  // Raises lf::Exception when the file is no font HarfBuzz can read.
  PdfFace(std::string path, unsigned index, int resourceNumber);
  ~PdfFace();
  PdfFace(const PdfFace&) = delete;
  PdfFace& operator=(const PdfFace&) = delete;

  // The glyph of c; 0 when the font has none.
  uint32_t Glyph(char32_t c) const;
  // Advance of glyph in font units.
  int32_t Advance(uint32_t glyph);
  int32_t UnitsPerEm() const { return upem_; }
  hb_font_t* Font() const { return font_; }
  // "/F3": the name page contents use.
  const std::string& ResourceName() const { return resourceName_; }
  // The object number of the font dictionary (reserved at first use).
  int Object(PdfObjectWriter& writer);
  bool Used() const { return object_ != 0; }

  // Records that glyph stands for the characters text (first record wins).
  void Use(uint32_t glyph, std::u16string_view text);

  // The glyph of c when shaping leaves c alone: no substitution or
  // positioning the shaper applies by default (kerning and ligatures being
  // off) can reach it, and it is no mark. 0 for other characters and for
  // characters outside the common Latin and Cyrillic letters and signs.
  uint32_t PlainGlyph(char32_t c);

  // Line positions in font units, y upwards from the baseline.
  int32_t UnderlineOffset = 0, UnderlineSize = 0, StrikeoutOffset = 0, StrikeoutSize = 0;

  // Writes the subset font program, its descriptor, widths and character map.
  void Write(PdfObjectWriter& writer);

 private:
  std::string path_;
  unsigned index_;
  hb_face_t* face_ = nullptr;
  hb_font_t* font_ = nullptr;
  int32_t upem_ = 1000;
  std::string resourceName_;
  int object_ = 0;
  // Fills plainGlyphs_ (the first time a text asks for it).
  void FindPlainGlyphs();

  std::vector<int32_t> advances_;              // by glyph; -1 unknown
  std::map<uint32_t, std::u16string> used_;    // glyph -> characters
  std::vector<bool> recorded_;                 // by glyph: Use has seen it
  std::vector<uint32_t> plainGlyphs_;          // by character; 0 not plain
  bool plainKnown_ = false;
};

// A face in the list that draws a template font, with what the file lacks
// of the asked style and is drawn as an effect.
struct PdfFontChoice {
  PdfFace* Face = nullptr;
  bool SyntheticBold = false;
  bool SyntheticItalic = false;
};

struct ShapedGlyph {
  uint32_t Glyph = 0;
  int32_t Advance = 0;   // font units, where the next glyph starts
  int32_t OffsetX = 0;   // font units, the glyph moved from its pen position
};

// Glyphs of one face, in drawing order (left to right).
struct ShapedRun {
  PdfFontChoice Choice;
  std::vector<ShapedGlyph> Glyphs;
  int64_t Advance = 0;   // font units, the run's length
};

// The faces that draw one template font.
struct PdfFontChain {
  std::vector<PdfFontChoice> Faces;
  std::string Family;        // the first family asked for
  bool Bold = false, Italic = false;
  std::vector<char32_t> Missing;  // characters no installed font has
};

class PdfFonts {
 public:
  explicit PdfFonts(PdfObjectWriter& writer);
  ~PdfFonts();
  PdfFonts(const PdfFonts&) = delete;
  PdfFonts& operator=(const PdfFonts&) = delete;

  // The faces that draw font, in the order characters look for their glyph:
  // the substitute family, the family of its character set, DejaVu Sans,
  // then for characters none of them has the font fontconfig finds for them.
  PdfFontChain& Chain(const CanvasFont& font);
  // Shapes text (UTF-16) in font; rightToLeft puts the runs of a
  // right-to-left paragraph in reading order from the right. The glyphs are
  // recorded as used. The result stays valid until the next call.
  const std::vector<ShapedRun>& Shape(const CanvasFont& font, std::u16string_view text,
                                      bool rightToLeft);

  // The font entries of the page resources ("/F1 7 0 R...").
  std::string ResourceEntries(PdfObjectWriter& writer);
  // Writes every used font.
  void WriteAll();

 private:
  // The face fontconfig matches for family and style; with anyFamily
  // whatever family it offers instead, with c a face that has c.
  PdfFace* FaceFor(const std::string& family, bool bold, bool italic, bool anyFamily,
                   PdfFontChoice& choice, char32_t c = 0);
  PdfFontChain& FindChain(const CanvasFont& font);
  // The index in chain of the face that draws c (0 when none does).
  size_t ChoiceFor(PdfFontChain& chain, char32_t c);
  void ShapeRuns(PdfFontChain& chain, std::u16string_view text, bool rightToLeft,
                 std::vector<ShapedRun>& runs);
  // Shapes into plain_, without the shaper, a text whose characters the
  // first face draws as they are; false for any other text.
  bool ShapePlain(PdfFontChain& chain, std::u16string_view text);

  PdfObjectWriter& writer_;
  hb_buffer_t* buffer_ = nullptr;
  std::vector<std::unique_ptr<PdfFace>> faces_;
  std::unordered_map<std::string, PdfFace*> facesByFile_;  // "path\0index"
  std::unordered_map<std::string, PdfFontChain> chains_;
  CanvasFont lastFont_;                  // the font Chain() gave lastChain_ for
  PdfFontChain* lastChain_ = nullptr;
  std::unordered_map<std::string, std::vector<ShapedRun>> shaped_;
  std::vector<ShapedRun> scratch_;
  std::vector<ShapedRun> plain_;  // one run, its glyph list reused
};

}  // namespace lf
