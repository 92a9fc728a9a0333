// TfrMemoView: the report's text object, its font, alignment, highlight and
// spacing fields.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/view.h"
#include "platform/exception.h"
#include "platform/font_style.h"

namespace lf {

struct CanvasFont;

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

// Character that ends the last layout line of a paragraph; a text holding
// it anywhere is already laid out.
inline constexpr char kParagraphMarker = '\x01';
// Whether any of the lines holds a paragraph marker (lines laid out before).
bool HoldsMarker(const TfrLines& lines);
// Extra width, page units, an AutoWidth text is laid out in when drawn.
inline constexpr int32_t kAutoWidthLayoutExtra = 100;
// Layout lines one text may produce; more stops the layout with
// EMemoLayoutError naming the object. Underlines stop at the same count.
inline constexpr size_t kMaxLayoutLines = 100000;

class EMemoLayoutError : public Exception {
 public:
  using Exception::Exception;
};

// Geometry a text is laid out in, at scale 1 (page units).
struct TfrMemoBox {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  int32_t GapX = 0, GapY = 0;  // inner margins with half the frame width
};

class TfrMemoView : public TfrStretcheable {
 public:
  TfrMemoView();
  const char* ClassName() const override { return "TfrMemoView"; }

  // Draws the stored text (prepared pages) or, on no canvas while a band
  // splits, measures how many lines fit (DrawnLines).
  void Draw(Canvas& canvas) override;
  // Runs the script, expands and lays out the text; the height it needs
  // (0 when invisible or suppressed).
  int32_t CalcHeight() override;
  // Height of one line with frame and gaps; sets LineStep.
  int32_t MinHeight() override;
  // Part of the height that holds no whole line.
  int32_t RemainHeight() override;
  bool SplitFinished() const override { return WorkLines.empty(); }
  // Writes the object with its finished text into the page being prepared,
  // in the current draw mode, then resets the draw mode.
  void Print(TStream& stream) override;

  // WorkLines := the text of a memo or binary field (none when null).
  void LoadBlob(TField& field) override;
  // Width the lines need with frame and gaps, page units (CALCWIDTH).
  int32_t CalcWidth(const TfrLines& lines);
  // WorkLines := Memo with every bracket expanded (unless TextOnly).
  void Expand();
  // Lays WorkLines out into LayoutLines at scale 1 in the unscaled
  // rectangle widened by extraWidth; sets LineStep, TextHeight and
  // DrawnLines. While preparing the design-mode rule for one long line
  // beginning with [ never applies.
  void Wrap(bool preparing, int32_t extraWidth = 0);
  // Converts the highlight condition to postfix form (once per preparation).
  void PrepareHighlight();

  // The layout font at scale 1: pixel height size * 96 / 72, rounded, at least 1.
  CanvasFont MeasureFont() const;
  // Pixel height of the font at scale 1.
  int32_t FontPixelHeight() const;
  // LineSpacing plus FontPixelHeight, at least 1.
  int32_t LineStepAtScaleOne() const;
  // The unscaled rectangle with the gaps BeginDraw would give at scale 1
  // (between BeginDraw and EndDraw: the rectangle BeginDraw aligned).
  TfrMemoBox LayoutBox() const;

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
  TfrLines LayoutLines;             // run time: lines of the last Wrap
  bool HighlightPostfix = false;    // Highlight.Condition holds postfix form

 private:
  struct TSavedLook {
    uint16_t Style;
    uint32_t FontColor, FillColor;
  };
  // Evaluates the highlight condition; on success puts the highlight's look
  // in place and returns true (errors leave the normal look).
  bool ApplyHighlight(TSavedLook& saved);
  void RestoreLook(const TSavedLook& saved);
  // Loads a bound memo or binary field into WorkLines and lets OnBeforePrint
  // see them; true when WorkLines differ from Memo afterwards.
  bool LoadAndNotify();
  void RunScript();
  // Number of layout lines whose bottom stays inside the drawing rectangle
  // of an object of height (scale 1), as split drawing counts them.
  int32_t FittingLines(const TfrLines& lines, int32_t height) const;
  void DrawLines(Canvas& canvas, const TfrLines& lines);
  void DrawUnderlines(Canvas& canvas);
};

// Horizontal alignment bits of Alignment.
inline int32_t HorizontalAlign(int32_t alignment) { return alignment & 3; }

}  // namespace lf
