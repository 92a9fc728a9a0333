// Font files found through fontconfig, texts shaped with HarfBuzz, fonts
// embedded as subsets with widths and a character map.
#include "pdf/pdf_fonts.h"

#include <fontconfig/fontconfig.h>
#include <hb-aat.h>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <cstring>

#include "pdf/pdf_object_writer.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/font_files.h"
#include "platform/font_style.h"
#include "platform/text_measurer.h"

namespace lf {

namespace {

// Tables a PDF reader never looks at in an embedded font.
constexpr hb_tag_t kDroppedTables[] = {
    HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
    HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'), HB_TAG('M', 'A', 'T', 'H'),
    HB_TAG('k', 'e', 'r', 'n'), HB_TAG('D', 'S', 'I', 'G'), HB_TAG('m', 'o', 'r', 'x'),
    HB_TAG('V', 'O', 'R', 'G'), HB_TAG('v', 'h', 'e', 'a'), HB_TAG('v', 'm', 't', 'x'),
    HB_TAG('h', 'd', 'm', 'x'), HB_TAG('L', 'T', 'S', 'H'), HB_TAG('g', 'a', 's', 'p'),
};

// Kerning and ligatures off: every character keeps the advance the
// measurer laid the text out with.
const hb_feature_t* ShapingFeatures(unsigned& count) {
  static const hb_feature_t features[] = {
      {HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
  };
  count = sizeof features / sizeof features[0];
  return features;
}

int16_t ReadInt16(const char* p) {
  return static_cast<int16_t>((static_cast<uint8_t>(p[0]) << 8) | static_cast<uint8_t>(p[1]));
}

// The characters at [i, ...) of UTF-16 text: one code point.
char32_t CodePointAt(std::u16string_view text, size_t i, size_t& length) {
  char32_t c = text[i];
  length = 1;
  if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] < 0xE000) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    length = 2;
  }
  return c;
}

std::string PostScriptName(hb_face_t* face) {
  char name[128];
  unsigned size = sizeof name;
  std::string out;
  if (hb_ot_name_get_utf8(face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, name) > 0)
    out = name;
  // Only what a PDF name may hold unescaped.
  out.erase(std::remove_if(out.begin(), out.end(),
                           [](char c) {
                             return !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                      (c >= '0' && c <= '9') || c == '-' || c == '_');
                           }),
            out.end());
  return out.empty() ? "Font" : out;
}

// Features the shaper never applies to Latin or Cyrillic text unless asked
// for (or applies only around characters that are never plain), besides
// those ShapingFeatures turns off.
constexpr hb_tag_t kOptionalFeatures[] = {
    HB_TAG('a', 'a', 'l', 't'), HB_TAG('c', '2', 's', 'c'), HB_TAG('c', '2', 'p', 'c'),
    HB_TAG('c', 'a', 's', 'e'), HB_TAG('c', 'p', 's', 'p'), HB_TAG('d', 'l', 'i', 'g'),
    HB_TAG('d', 'n', 'o', 'm'), HB_TAG('f', 'r', 'a', 'c'), HB_TAG('h', 'i', 's', 't'),
    HB_TAG('h', 'l', 'i', 'g'), HB_TAG('l', 'n', 'u', 'm'), HB_TAG('n', 'u', 'm', 'r'),
    HB_TAG('o', 'n', 'u', 'm'), HB_TAG('o', 'r', 'd', 'n'), HB_TAG('p', 'n', 'u', 'm'),
    HB_TAG('s', 'a', 'l', 't'), HB_TAG('s', 'i', 'n', 'f'), HB_TAG('s', 'm', 'c', 'p'),
    HB_TAG('s', 'u', 'b', 's'), HB_TAG('s', 'u', 'p', 's'), HB_TAG('s', 'w', 's', 'h'),
    HB_TAG('t', 'i', 't', 'l'), HB_TAG('t', 'n', 'u', 'm'), HB_TAG('z', 'e', 'r', 'o'),
    HB_TAG('k', 'e', 'r', 'n'), HB_TAG('l', 'i', 'g', 'a'), HB_TAG('c', 'l', 'i', 'g'),
    HB_TAG('v', 'e', 'r', 't'), HB_TAG('v', 'r', 't', '2'), HB_TAG('v', 'k', 'r', 'n'),
};

// Characters that may be plain: Latin and Cyrillic letters, digits and
// signs, no marks, controls, format characters or spaces other than U+0020.
bool MayBePlain(char32_t c) {
  return (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFF && c != 0xAD) ||
         (c >= 0x400 && c <= 0x45F);
}
constexpr char32_t kPlainLimit = 0x460;

// Lookup types of a GPOS table, by lookup index (extensions resolved);
// empty when the table cannot be read.
std::vector<uint16_t> PositioningLookupTypes(hb_face_t* face) {
  std::vector<uint16_t> types;
  hb_blob_t* blob = hb_face_reference_table(face, HB_OT_TAG_GPOS);
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  auto u16 = [&](size_t at) -> int32_t {
    return at + 2 <= length ? (static_cast<uint8_t>(data[at]) << 8) | static_cast<uint8_t>(data[at + 1])
                            : -1;
  };
  const int32_t listOffset = u16(8);
  const int32_t count = listOffset > 0 ? u16(static_cast<size_t>(listOffset)) : -1;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t lookup = u16(static_cast<size_t>(listOffset) + 2 + 2 * static_cast<size_t>(i));
    if (lookup < 0) break;
    const size_t at = static_cast<size_t>(listOffset) + static_cast<size_t>(lookup);
    int32_t type = u16(at);
    if (type == 9) {
      // An extension names the real type in its first subtable.
      const int32_t first = u16(at + 4) > 0 ? u16(at + 6) : -1;
      type = first < 0 ? -1 : u16(at + static_cast<size_t>(first) + 2);
    }
    types.push_back(static_cast<uint16_t>(std::max(type, 0)));
  }
  hb_blob_destroy(blob);
  return types;
}

std::string HexGlyph(uint32_t glyph) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s(4, '0');
  for (int i = 0; i < 4; ++i) s[3 - i] = kHex[(glyph >> (4 * i)) & 0xF];
  return s;
}

}  // namespace

PdfFace::PdfFace(std::string path, unsigned index, int resourceNumber)
    : path_(std::move(path)), index_(index) {
  hb_blob_t* blob = hb_blob_create_from_file_or_fail(path_.c_str());
  if (!blob) throw Exception("cannot read the font file '" + path_ + "'");
  face_ = hb_face_create(blob, index_);
  hb_blob_destroy(blob);
  if (hb_face_get_glyph_count(face_) == 0) {
    hb_face_destroy(face_);
    throw Exception("'" + path_ + "' holds no glyphs");
  }
  upem_ = static_cast<int32_t>(hb_face_get_upem(face_));
  font_ = hb_font_create(face_);
  hb_font_set_scale(font_, upem_, upem_);
  advances_.assign(hb_face_get_glyph_count(face_), -1);
  recorded_.assign(hb_face_get_glyph_count(face_), false);
  hb_position_t v = 0;
  if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_UNDERLINE_OFFSET, &v)) UnderlineOffset = v;
  if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_UNDERLINE_SIZE, &v)) UnderlineSize = v;
  if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_STRIKEOUT_OFFSET, &v)) StrikeoutOffset = v;
  if (hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_STRIKEOUT_SIZE, &v)) StrikeoutSize = v;
  if (UnderlineSize <= 0) UnderlineSize = upem_ / 20;
  if (StrikeoutSize <= 0) StrikeoutSize = UnderlineSize;
  if (UnderlineOffset == 0) UnderlineOffset = -upem_ / 10;
  if (StrikeoutOffset == 0) StrikeoutOffset = upem_ / 4;
  resourceName_ = "/F" + std::to_string(resourceNumber);
}

PdfFace::~PdfFace() {
  hb_font_destroy(font_);
  hb_face_destroy(face_);
}

uint32_t PdfFace::Glyph(char32_t c) const {
  hb_codepoint_t glyph = 0;
  return hb_font_get_nominal_glyph(font_, c, &glyph) ? glyph : 0;
}

int32_t PdfFace::Advance(uint32_t glyph) {
  if (glyph >= advances_.size()) return 0;
  int32_t& a = advances_[glyph];
  if (a < 0) a = hb_font_get_glyph_h_advance(font_, glyph);
  return a;
}

int PdfFace::Object(PdfObjectWriter& writer) {
  if (object_ == 0) object_ = writer.Reserve();
  return object_;
}

void PdfFace::Use(uint32_t glyph, std::u16string_view text) {
  if (glyph < recorded_.size()) {
    if (recorded_[glyph]) return;
    recorded_[glyph] = true;
  }
  used_.try_emplace(glyph, text);
}

uint32_t PdfFace::PlainGlyph(char32_t c) {
  if (!plainKnown_) FindPlainGlyphs();
  return c < plainGlyphs_.size() ? plainGlyphs_[c] : 0;
}

void PdfFace::FindPlainGlyphs() {
  plainKnown_ = true;
  plainGlyphs_.assign(kPlainLimit, 0);
  // Every glyph a lookup of a feature in use may look at, before, at or
  // after the glyph it changes. Mark attachment only ever moves marks.
  hb_set_t* reached = hb_set_create();
  hb_set_t* lookups = hb_set_create();
  hb_set_t* scratch = hb_set_create();
  const std::vector<uint16_t> positioningTypes = PositioningLookupTypes(face_);
  // Fonts shaped by their AAT tables are left to the shaper.
  bool readable = !hb_aat_layout_has_substitution(face_) && !hb_aat_layout_has_positioning(face_) &&
                  !hb_aat_layout_has_tracking(face_);
  for (hb_tag_t table : {HB_OT_TAG_GSUB, HB_OT_TAG_GPOS}) {
    std::vector<hb_tag_t> tags(hb_ot_layout_table_get_feature_tags(face_, table, 0, nullptr, nullptr));
    unsigned count = static_cast<unsigned>(tags.size());
    hb_ot_layout_table_get_feature_tags(face_, table, 0, &count, tags.data());
    tags.resize(count);
    std::vector<hb_tag_t> used;
    for (hb_tag_t tag : tags)
      if (std::find(std::begin(kOptionalFeatures), std::end(kOptionalFeatures), tag) ==
              std::end(kOptionalFeatures) &&
          std::find(used.begin(), used.end(), tag) == used.end())
        used.push_back(tag);
    if (used.empty()) continue;
    used.push_back(HB_TAG_NONE);
    hb_set_clear(lookups);
    hb_ot_layout_collect_lookups(face_, table, nullptr, nullptr, used.data(), lookups);
    for (hb_codepoint_t lookup = HB_SET_VALUE_INVALID; hb_set_next(lookups, &lookup);) {
      if (table == HB_OT_TAG_GPOS) {
        if (lookup >= positioningTypes.size()) {
          readable = false;
          break;
        }
        const uint16_t type = positioningTypes[lookup];
        if (type >= 4 && type <= 6) continue;
      }
      hb_set_clear(scratch);
      hb_ot_layout_lookup_collect_glyphs(face_, table, lookup, scratch, scratch, scratch, nullptr);
      hb_set_union(reached, scratch);
    }
  }
  if (readable) {
    for (char32_t c = 0; c < kPlainLimit; ++c) {
      if (!MayBePlain(c)) continue;
      const uint32_t glyph = Glyph(c);
      if (glyph != 0 && !hb_set_has(reached, glyph) &&
          hb_ot_layout_get_glyph_class(face_, glyph) != HB_OT_LAYOUT_GLYPH_CLASS_MARK)
        plainGlyphs_[c] = glyph;
    }
  }
  hb_set_destroy(scratch);
  hb_set_destroy(lookups);
  hb_set_destroy(reached);
}

void PdfFace::Write(PdfObjectWriter& writer) {
  if (object_ == 0) return;
  // Glyph numbers stay as they are in the file, so that pages written
  // before the subset was known can name them.
  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  if (!input) throw Exception("out of memory subsetting '" + path_ + "'");
  hb_set_t* glyphs = hb_subset_input_glyph_set(input);
  hb_set_add(glyphs, 0);
  for (const auto& [glyph, text] : used_) hb_set_add(glyphs, glyph);
  hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
  for (hb_tag_t tag : kDroppedTables) hb_set_add(dropped, tag);
  hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
  hb_face_t* subset = hb_subset_or_fail(face_, input);
  hb_subset_input_destroy(input);
  if (!subset) throw Exception("cannot make a subset of the font '" + path_ + "'");
  hb_blob_t* blob = hb_face_reference_blob(subset);
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  std::string program(data ? data : "", length);
  hb_blob_destroy(blob);
  hb_face_destroy(subset);

  hb_blob_t* cff = hb_face_reference_table(face_, HB_TAG('C', 'F', 'F', ' '));
  const bool isCff = hb_blob_get_length(cff) > 0;
  hb_blob_destroy(cff);

  auto toThousandths = [&](int64_t v) { return static_cast<int64_t>(v * 1000 / upem_); };
  // The subset's tag: six capitals, different for every font of the file.
  std::string tag;
  for (int i = 0, n = object_; i < 6; ++i, n /= 26) tag += static_cast<char>('A' + n % 26);
  const std::string baseFont = tag + "+" + PostScriptName(face_);

  const int descendant = writer.Reserve(), descriptor = writer.Reserve();
  const int file = writer.Reserve(), toUnicode = writer.Reserve();

  std::string s = "<</Type/Font/Subtype/Type0/BaseFont/" + baseFont +
                  "/Encoding/Identity-H/DescendantFonts[";
  AppendInt(s, descendant);
  s += " 0 R]/ToUnicode ";
  AppendInt(s, toUnicode);
  s += " 0 R>>";
  writer.WriteObject(object_, s);

  s = "<</Type/Font/Subtype/";
  s += isCff ? "CIDFontType0" : "CIDFontType2";
  s += "/BaseFont/" + baseFont +
       "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor ";
  AppendInt(s, descriptor);
  s += " 0 R/DW 1000/W[";
  // Runs of consecutive glyphs share one array.
  uint32_t next = UINT32_MAX;
  for (const auto& [glyph, text] : used_) {
    if (glyph != next) {
      if (next != UINT32_MAX) s += ']';
      AppendInt(s, glyph);
      s += '[';
    } else {
      s += ' ';
    }
    AppendInt(s, toThousandths(Advance(glyph)));
    next = glyph + 1;
  }
  if (next != UINT32_MAX) s += ']';
  s += ']';
  if (!isCff) s += "/CIDToGIDMap/Identity";
  s += ">>";
  writer.WriteObject(descendant, s);

  hb_blob_t* head = hb_face_reference_table(face_, HB_TAG('h', 'e', 'a', 'd'));
  unsigned headLength = 0;
  const char* h = hb_blob_get_data(head, &headLength);
  int64_t box[4] = {0, -upem_ / 4, upem_, upem_};
  if (h && headLength >= 44)
    for (int i = 0; i < 4; ++i) box[i] = ReadInt16(h + 36 + 2 * i);
  hb_blob_destroy(head);
  hb_position_t ascent = upem_ * 4 / 5, descent = -upem_ / 5, capHeight = upem_ * 7 / 10;
  hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &ascent);
  hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &descent);
  hb_ot_metrics_get_position(font_, HB_OT_METRICS_TAG_CAP_HEIGHT, &capHeight);
  s = "<</Type/FontDescriptor/FontName/" + baseFont + "/Flags 4/FontBBox[";
  for (int i = 0; i < 4; ++i) {
    if (i) s += ' ';
    AppendInt(s, toThousandths(box[i]));
  }
  s += "]/ItalicAngle 0/Ascent ";
  AppendInt(s, toThousandths(ascent));
  s += "/Descent ";
  AppendInt(s, toThousandths(descent));
  s += "/CapHeight ";
  AppendInt(s, toThousandths(capHeight));
  s += "/StemV 80";
  s += isCff ? "/FontFile3 " : "/FontFile2 ";
  AppendInt(s, file);
  s += " 0 R>>";
  writer.WriteObject(descriptor, s);

  if (isCff) {
    writer.WriteStream(file, "/Subtype/OpenType", program, true);
  } else {
    std::string dict = "/Length1 ";
    AppendInt(dict, static_cast<int64_t>(program.size()));
    writer.WriteStream(file, dict, program, true);
  }

  std::string cmap =
      "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n"
      "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
  std::vector<std::pair<uint32_t, const std::u16string*>> mapped;
  for (const auto& [glyph, text] : used_)
    if (!text.empty()) mapped.emplace_back(glyph, &text);
  // At most 100 entries a block.
  for (size_t at = 0; at < mapped.size(); at += 100) {
    const size_t n = std::min<size_t>(100, mapped.size() - at);
    AppendInt(cmap, static_cast<int64_t>(n));
    cmap += " beginbfchar\n";
    for (size_t i = at; i < at + n; ++i) {
      cmap += '<' + HexGlyph(mapped[i].first) + "><";
      for (char16_t c : *mapped[i].second) cmap += HexGlyph(c);
      cmap += ">\n";
    }
    cmap += "endbfchar\n";
  }
  cmap += "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
  writer.WriteStream(toUnicode, "", cmap, true);
}

PdfFonts::PdfFonts(PdfObjectWriter& writer) : writer_(writer), buffer_(hb_buffer_create()) {}

PdfFonts::~PdfFonts() { hb_buffer_destroy(buffer_); }

PdfFace* PdfFonts::FaceFor(const std::string& family, bool bold, bool italic, bool anyFamily,
                           PdfFontChoice& choice, char32_t c) {
  PinEngineFontFiles();
  FcPattern* pattern = FcPatternCreate();
  if (c) {
    FcCharSet* chars = FcCharSetCreate();
    FcCharSetAddChar(chars, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, chars);
    FcCharSetDestroy(chars);
  }
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  PdfFace* face = nullptr;
  bool sameFamily = anyFamily;
  FcChar8* name = nullptr;
  for (int i = 0; !sameFamily && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    sameFamily = SameTextAscii(reinterpret_cast<const char*>(name), family);
  FcChar8* file = nullptr;
  int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  if (sameFamily && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    const std::string path = reinterpret_cast<const char*>(file);
    const std::string key = path + '\0' + std::to_string(index);
    auto it = facesByFile_.find(key);
    if (it != facesByFile_.end()) {
      face = it->second;
    } else {
      try {
        faces_.push_back(std::make_unique<PdfFace>(path, static_cast<unsigned>(index),
                                                   static_cast<int>(faces_.size()) + 1));
        face = faces_.back().get();
        facesByFile_.emplace(key, face);
      } catch (const Exception&) {
        face = nullptr;  // not a font HarfBuzz reads: the next family draws
      }
    }
  }
  if (face) {
    // fontconfig may offer a plain face as the bold or italic one, marked
    // to be emboldened or slanted.
    FcBool embolden = FcFalse;
    FcMatrix* matrix = nullptr;
    const bool slanted = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch &&
                         matrix && matrix->xy != 0;
    FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
    choice.Face = face;
    choice.SyntheticBold = bold && (weight < FC_WEIGHT_DEMIBOLD || embolden);
    choice.SyntheticItalic = italic && (slant == FC_SLANT_ROMAN || slanted);
  }
  FcPatternDestroy(match);
  return face;
}

PdfFontChain& PdfFonts::Chain(const CanvasFont& font) {
  if (lastChain_ && font.Name == lastFont_.Name && font.Style == lastFont_.Style &&
      font.Charset == lastFont_.Charset)
    return *lastChain_;
  PdfFontChain& chain = FindChain(font);
  lastFont_ = font;
  lastChain_ = &chain;
  return chain;
}

PdfFontChain& PdfFonts::FindChain(const CanvasFont& font) {
  const bool bold = (font.Style & fsBold) != 0, italic = (font.Style & fsItalic) != 0;
  std::string key = font.Name;
  key += '\0';
  key += static_cast<char>(font.Charset);
  key += static_cast<char>('0' + (bold ? 1 : 0) + (italic ? 2 : 0));
  auto it = chains_.find(key);
  if (it != chains_.end()) return it->second;
  std::vector<std::string> families{SubstituteFamily(font.Name, font.Charset)};
  for (std::string fallback : {CharsetFamily(font.Charset), std::string("DejaVu Sans")})
    if (std::find(families.begin(), families.end(), fallback) == families.end())
      families.push_back(fallback);
  PdfFontChain chain;
  chain.Family = families.front();
  chain.Bold = bold;
  chain.Italic = italic;
  for (const std::string& family : families) {
    PdfFontChoice choice;
    if (FaceFor(family, bold, italic, false, choice) &&
        std::none_of(chain.Faces.begin(), chain.Faces.end(),
                     [&](const PdfFontChoice& c) { return c.Face == choice.Face; }))
      chain.Faces.push_back(choice);
  }
  if (chain.Faces.empty()) {
    PdfFontChoice choice;
    if (!FaceFor("sans-serif", bold, italic, true, choice))
      throw Exception("no font is installed to draw '" + HostToUtf8(font.Name) + "'");
    chain.Faces.push_back(choice);
  }
  return chains_.emplace(std::move(key), std::move(chain)).first->second;
}

const std::vector<ShapedRun>& PdfFonts::Shape(const CanvasFont& font, std::u16string_view text,
                                              bool rightToLeft) {
  PdfFontChain& chain = Chain(font);
  if (ShapePlain(chain, text)) return plain_;
  std::string key(reinterpret_cast<const char*>(&chain), sizeof &chain);
  key += rightToLeft ? 'R' : 'L';
  key.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
  auto it = shaped_.find(key);
  if (it != shaped_.end()) return it->second;
  scratch_.clear();
  ShapeRuns(chain, text, rightToLeft, scratch_);
  if (shaped_.size() >= kMaxShapedTexts) shaped_.clear();
  return shaped_.emplace(std::move(key), scratch_).first->second;
}

size_t PdfFonts::ChoiceFor(PdfFontChain& chain, char32_t c) {
  if (c < 0x20) return 0;
  for (size_t k = 0; k < chain.Faces.size(); ++k)
    if (chain.Faces[k].Face->Glyph(c) != 0) return k;
  if (std::find(chain.Missing.begin(), chain.Missing.end(), c) != chain.Missing.end()) return 0;
  PdfFontChoice choice;
  if (FaceFor(chain.Family, chain.Bold, chain.Italic, true, choice, c) && choice.Face->Glyph(c) != 0) {
    chain.Faces.push_back(choice);
    return chain.Faces.size() - 1;
  }
  // Bounded: a text of unknown characters must not make the list grow without end.
  if (chain.Missing.size() < 1024) chain.Missing.push_back(c);
  return 0;
}

bool PdfFonts::ShapePlain(PdfFontChain& chain, std::u16string_view text) {
  if (text.empty()) return false;
  const PdfFontChoice choice = chain.Faces.front();
  PdfFace& face = *choice.Face;
  for (char16_t c : text)
    if (face.PlainGlyph(c) == 0) return false;
  plain_.resize(1);
  ShapedRun& run = plain_.front();
  run.Choice = choice;
  run.Glyphs.clear();
  run.Advance = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t glyph = face.PlainGlyph(text[i]);
    const int32_t advance = face.Advance(glyph);
    face.Use(glyph, text.substr(i, 1));
    run.Glyphs.push_back({glyph, advance, 0});
    run.Advance += advance;
  }
  return true;
}

void PdfFonts::ShapeRuns(PdfFontChain& chain, std::u16string_view text, bool rightToLeft,
                         std::vector<ShapedRun>& runs) {
  // Each character takes the first face that has it; control characters
  // draw as nothing in the first face.
  struct Piece {
    size_t Start, End;
    size_t Choice;
  };
  std::vector<Piece> pieces;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    const char32_t c = CodePointAt(text, i, length);
    const size_t choice = ChoiceFor(chain, c);
    if (!pieces.empty() && pieces.back().Choice == choice && pieces.back().End == i)
      pieces.back().End = i + length;
    else
      pieces.push_back({i, i + length, choice});
    i += length;
  }
  unsigned featureCount = 0;
  const hb_feature_t* features = ShapingFeatures(featureCount);
  for (const Piece& piece : pieces) {
    const PdfFontChoice choice = chain.Faces[piece.Choice];
    PdfFace& face = *choice.Face;
    hb_buffer_clear_contents(buffer_);
    hb_buffer_add_utf16(buffer_, reinterpret_cast<const uint16_t*>(text.data()),
                        static_cast<int>(text.size()), static_cast<unsigned>(piece.Start),
                        static_cast<int>(piece.End - piece.Start));
    hb_buffer_guess_segment_properties(buffer_);
    hb_shape(face.Font(), buffer_, features, featureCount);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, &count);
    ShapedRun run;
    run.Choice = choice;
    run.Glyphs.reserve(count);
    // The characters of a cluster reach to the next cluster's start.
    std::vector<uint32_t> starts;
    starts.reserve(count + 1);
    for (unsigned g = 0; g < count; ++g) starts.push_back(info[g].cluster);
    starts.push_back(static_cast<uint32_t>(piece.End));
    std::sort(starts.begin(), starts.end());
    uint32_t previous = UINT32_MAX;
    for (unsigned g = 0; g < count; ++g) {
      uint32_t glyph = info[g].codepoint;
      const uint32_t cluster = info[g].cluster;
      const uint32_t end = *std::upper_bound(starts.begin(), starts.end(), cluster);
      // Only the first glyph of a cluster stands for its characters.
      std::u16string_view chars;
      if (cluster != previous) chars = text.substr(cluster, end - cluster);
      previous = cluster;
      if (!chars.empty() && chars[0] < 0x20) {
        glyph = face.Glyph(' ');
        chars = {};
      }
      face.Use(glyph, chars);
      run.Glyphs.push_back({glyph, pos[g].x_advance, pos[g].x_offset});
      run.Advance += pos[g].x_advance;
    }
    runs.push_back(std::move(run));
  }
  if (rightToLeft) std::reverse(runs.begin(), runs.end());
}

std::string PdfFonts::ResourceEntries(PdfObjectWriter& writer) {
  std::string s;
  for (const auto& face : faces_) {
    if (!face->Used()) continue;
    s += face->ResourceName() + ' ';
    AppendInt(s, face->Object(writer));
    s += " 0 R";
  }
  return s;
}

void PdfFonts::WriteAll() {
  for (const auto& face : faces_) face->Write(writer_);
}

}  // namespace lf
