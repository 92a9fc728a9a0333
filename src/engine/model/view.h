// TfrView: an object placed on a report page (rectangle, frame, fill, text
// lines, script), its option bits, frame lines and virtual operations, and
// TfrStretcheable, the view whose height can follow its content.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/object.h"
#include "engine/model/text_lines.h"
#include "engine/model/unique_name.h"
#include "platform/word_bool.h"

namespace lf {

class Canvas;
class TClientDataSet;
class TField;
class TStream;
class TfrBand;
class TfrPage;
class TfrReport;

// Platform rectangle: right and bottom are exclusive.
struct TfrRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TfrRect&) const = default;
};

// Flags bits. One bit means different options by class: texts, band views
// and pictures each read it their own way.
inline constexpr uint16_t flStretched = 0x0001;
inline constexpr uint16_t flWordWrap = 0x0002;             // text
inline constexpr uint16_t flBandNewPageAfter = 0x0002;     // band view: FormNewPage
inline constexpr uint16_t flPictCenter = 0x0002;           // picture: Center
inline constexpr uint16_t flWordBreak = 0x0004;            // text
inline constexpr uint16_t flBandPrintIfSubsetEmpty = 0x0004;
inline constexpr uint16_t flPictRatio = 0x0004;            // picture: KeepAspect
inline constexpr uint16_t flAutoSize = 0x0008;             // text: AutoWidth
inline constexpr uint16_t flBandBreaked = 0x0008;
inline constexpr uint16_t flTextOnly = 0x0010;
inline constexpr uint16_t flBandOnFirstPage = 0x0010;
inline constexpr uint16_t flSuppressRepeated = 0x0020;     // text: Suppress
inline constexpr uint16_t flBandOnLastPage = 0x0020;
inline constexpr uint16_t flHideZeros = 0x0040;
inline constexpr uint16_t flBandRepeatHeader = 0x0040;
inline constexpr uint16_t flUnderlines = 0x0080;
inline constexpr uint16_t flBandPrintChildIfInvisible = 0x0080;
inline constexpr uint16_t flRTLReading = 0x0100;
inline constexpr uint16_t flHooked = 0x8000;

// FrameTyp bits: which frame lines are drawn.
inline constexpr uint16_t frftNone = 0;
inline constexpr uint16_t frftRight = 1;
inline constexpr uint16_t frftBottom = 2;
inline constexpr uint16_t frftLeft = 4;
inline constexpr uint16_t frftTop = 8;

// FrameStyle values.
enum TfrFrameStyle : uint16_t { psSolid = 0, psDash, psDot, psDashDot, psDashDotDot, psDouble };

// BandAlign values.
enum TfrBandAlign : uint8_t { baNone = 0, baLeft, baRight, baCenter, baWidth, baBottom, baTop, baRest };

// FillColor meaning no fill.
inline constexpr uint32_t clNone = 0x1FFFFFFF;
inline constexpr uint32_t clWhite = 0xFFFFFF;
inline constexpr uint32_t clBlack = 0x000000;
inline constexpr uint32_t clBtnFace = 0xFF00000F;

// Display format code: category in bits 24..27, kind in bits 16..23,
// decimals in bits 8..15, decimal separator character in bits 0..7.
inline constexpr int32_t MakeFormatCode(int category, int kind, int decimals, char separator) {
  return (category << 24) | (kind << 16) | (decimals << 8) | static_cast<unsigned char>(separator);
}
// Format of a new object: text category, 2 decimals, the process decimal separator.
int32_t DefaultViewFormat();

class TfrView : public TfrObject {
 public:
  TfrView();
  ~TfrView() override;

  // Class name as stored in records of add-in objects and shown in messages.
  virtual const char* ClassName() const { return "TfrView"; }

  // Fills the object's rectangle on DrawCanvas with FillColor (white when
  // none; in document mode 1 an object without fill draws nothing).
  virtual void DrawBackground();
  // Draws the frame lines FrameTyp selects on DrawCanvas: solid, dashed
  // (as width-many one-unit lines) or double.
  virtual void DrawFrame();
  // Loads the content of a memo or binary field of a record table.
  virtual void LoadBlob(TField& field);
  // Told about every text object printed after this one (Hooked objects).
  virtual void OnHook(TfrView* view);
  // Called for every object of every page after a template has been read.
  virtual void AfterLoad();
  // Makes the object the engine's current object; with a current page,
  // applies horizontal band alignment, saves the rectangle, gaps and frame
  // width, scales them (scale 1 and no offset in design mode) and computes
  // DrawRect. EndDraw restores them. Draw sets DrawCanvas first.
  virtual void BeginDraw();
  virtual void EndDraw();
  virtual void Draw(Canvas& canvas) = 0;
  // Into the page being formed: loads a bound large-object field, raises
  // OnBeforePrint, runs the script and, when visible, writes the type code,
  // the class name of code-10 objects and the record with Tag expanded and
  // vertical band alignment applied.
  virtual void Print(TStream& stream);
  // Hands the object to the active export filter; no filter exists.
  virtual void ExportData();
  // The object's own record; the template format reads and writes it.
  virtual void LoadFromStream(TStream& stream);
  virtual void SaveToStream(TStream& stream);
  // Rectangle covered by the object with its frame; wide adds 10 page units
  // on every side.
  virtual TfrRect GetRegion(bool wide);

  // Property operations of every view (names upper-cased when compared).
  void SetProperty(const std::string& name, const Variant& value) override;
  Variant GetProperty(const std::string& name) override;
  void CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                  const Variant& p3, Variant& result) override;
  void DeclareProperties() override;
  // The names every view has, bands and sub-report frames included: name,
  // geometry, flags, visibility, text and restrictions.
  void DeclareBaseProperties();

  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  // Rectangle and gaps (page units) and frame width as they were before
  // BeginDraw scaled them; outside BeginDraw/EndDraw the current ones.
  struct TUnscaled {
    int32_t Left, Top, Width, Height, GapX, GapY;
    float FrameWidth;
  };
  TUnscaled Unscaled() const;
  // Gives the object BaseName followed by the smallest number from 1 to
  // kUniqueNameLimit that no object of report uses (case ignored); the name
  // stays as it was when all are taken.
  void UniqueName(const TfrReport& report);

  bool HasFlag(uint16_t bit) const { return (Flags & bit) != 0; }
  void SetFlag(uint16_t bit, bool on) { Flags = on ? (Flags | bit) : (Flags & ~bit); }

  // Fields in declared order (geometry in page units).
  bool RedrawAtEnd = false;      // run time: drawn again when a split band ends
  int32_t SavedHeight = 0;       // run time: height before stretching
  int32_t SaveX = 0, SaveY = 0, SaveDX = 0, SaveDY = 0;  // kept by BeginDraw
  int32_t SaveGX = 0, SaveGY = 0;
  float SaveFW = 0;
  std::string BaseName = "View";
  Canvas* DrawCanvas = nullptr;  // run time: canvas being drawn on (not owned)
  TfrRect DrawRect;              // run time: outer rectangle from BeginDraw
  TfrLines WorkLines;            // text being printed; finished text in a prepared page
  TClientDataSet* BoundDataSet = nullptr;  // table of a whole-text field reference (not owned)
  std::string DataField;         // that field's name
  bool StreamMode = false;       // read or written as part of a prepared page
  std::string Name;
  uint8_t TypeCode = 10;
  uint8_t FormatVersion = 0;
  uint8_t FormatRevision = 0;
  int32_t Serial = 0;            // set by the view factory
  bool Pending = false;          // run time: not yet placed / not yet printed
  int32_t SplitX = 0, SplitY = 0, SplitDX = 0, SplitDY = 0;  // saved before a band split
  double ScaleX = 1.0, ScaleY = 1.0;
  int32_t DrawOffsetX = 0, DrawOffsetY = 0;
  bool Printing = false;         // drawn to a printer
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  uint16_t Flags = flStretched;
  uint16_t FrameTyp = frftNone;  // band views: the band kind
  float FrameWidth = 1.0f;       // page units
  uint32_t FrameColor = clBlack;
  uint16_t FrameStyle = psSolid;
  uint32_t FillColor = clNone;
  int32_t Format = DefaultViewFormat();  // display format code
  std::string FormatStr;         // pattern; band views: data source or group condition
  WordBool Visible{true};
  int32_t GapX = 2, GapY = 1;    // inner margins, page units
  uint16_t Restrictions = 0;     // designer bits, stored only
  std::string Tag;
  TfrLines Memo;
  TfrLines Script;
  uint8_t BandAlign = baNone;
  TfrBand* Parent = nullptr;     // run time: band the object prints with (not owned)
  TfrPage* ParentPage = nullptr; // run time: dialog page of a dialog control (not owned)

 protected:
  // Right and bottom of the scaled rectangle before the frame adjustments
  // (between BeginDraw and EndDraw), device units.
  int32_t ScaledRight() const;
  int32_t ScaledBottom() const;
  // How far the frame's lines reach past the rectangle, page units: outside
  // its left and top edges, and past its right and bottom ones (a double
  // frame reaches further).
  struct FrameReach {
    int32_t outside = 0;
    int32_t past = 0;
  };
  FrameReach ReachOfFrame() const;
  // r, grown by 10 page units on every side when wide.
  static TfrRect Widened(TfrRect r, bool wide);

 private:
  // Left, right, centre, width and rest alignment against page's usable area.
  void AlignHorizontally(const TfrPage& page);
  bool drawing_ = false;  // between a BeginDraw that scaled and its EndDraw
};

// Parallel one-unit lines a dashed frame edge is drawn with at most; wider
// frames spread this many lines over their width.
inline constexpr int32_t kMaxDashedFrameLines = 64;

// Draw modes of stretchable views.
enum TfrDrawMode : uint8_t { drAll = 0, drCalcHeight = 1, drAfterCalcHeight = 2 };

class TfrStretcheable : public TfrView {
 public:
  const char* ClassName() const override { return "TfrStretcheable"; }

  // Heights in page units.
  virtual int32_t CalcHeight() = 0;
  virtual int32_t MinHeight() = 0;
  virtual int32_t RemainHeight() = 0;
  // After a print in splitting mode: whether nothing is left for the next page.
  virtual bool SplitFinished() const { return false; }

  void CallMethod(const std::string& name, const Variant& p1, const Variant& p2,
                  const Variant& p3, Variant& result) override;

  uint8_t DrawMode = drAll;  // 0 normal, 1 measuring, 2 splitting
  // Splitting on a fresh page: the next print draws at least one line, cut
  // at the bottom when it is taller than Height. Reset by every print.
  bool AtLeastOneLine = false;
};

}  // namespace lf
