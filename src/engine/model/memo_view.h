// TfrMemoView: the report's text object, its font, alignment, highlight and
// spacing fields.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/view.h"

namespace lf {

// Font style bits in the report's own order.
inline constexpr uint16_t fsItalic = 1;
inline constexpr uint16_t fsBold = 2;
inline constexpr uint16_t fsUnderline = 4;
inline constexpr uint16_t fsStrikeOut = 8;

// Character set given to new fonts.
inline constexpr uint16_t kDefaultCharset = 1;

// Alignment values: bits 0-1 horizontal, then vertical text, middle, bottom.
inline constexpr int32_t frtaLeft = 0;
inline constexpr int32_t frtaRight = 1;
inline constexpr int32_t frtaCenter = 2;
inline constexpr int32_t frtaJustify = 3;
inline constexpr int32_t frtaVertical = 4;
inline constexpr int32_t frtaMiddle = 8;
inline constexpr int32_t frtaDown = 16;

struct TfrFont {
  std::string Name = "Arial";
  int32_t Size = 10;                // points
  uint16_t Style = 0;               // fsItalic | fsBold | fsUnderline | fsStrikeOut
  uint32_t Color = clBlack;
  uint16_t Charset = kDefaultCharset;
  bool operator==(const TfrFont&) const = default;
};

// Appearance of a text whose condition holds.
struct TfrHighlightAttr {
  uint16_t FontStyle = fsBold;
  uint32_t FontColor = clBlack;
  uint32_t FillColor = clWhite;
  std::string Condition;            // expression; postfix form while preparing
};

class TfrMemoView : public TfrStretcheable {
 public:
  TfrMemoView();
  const char* ClassName() const override { return "TfrMemoView"; }

  // Text layout and drawing are filled with the text object's drawing;
  // until then the heights are the object's own.
  void Draw(Canvas& canvas) override;
  int32_t CalcHeight() override;
  int32_t MinHeight() override;
  int32_t RemainHeight() override;

  void SetProperty(const std::string& name, const Variant& value) override;
  Variant GetProperty(const std::string& name) override;
  void CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                  const Variant& p3, Variant& result) override;
  void DeclareProperties() override;

  TfrFont Font;
  int32_t Alignment = frtaLeft;
  TfrHighlightAttr Highlight;
  int32_t LineSpacing = 2;          // page units between lines
  int32_t CharSpacing = 0;          // page units between characters
  // Run time.
  bool PreWrapped = false;          // the working lines already hold layout lines
  int32_t DrawnLines = 0;           // lines output by the last layout or drawing
  int32_t TextHeight = 0;           // height the laid-out text needs
  int32_t LineStep = 0;             // LineSpacing plus the font's pixel height
  std::string LastPrintedText;      // for Suppress; kept across preparations
};

}  // namespace lf
