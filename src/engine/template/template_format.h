// The report template stream: reading and writing a whole template (pages
// block, page records, object records, dictionary, information block), the
// component-stored "ReportForm" property, and how a load reports problems.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/stream.h"

namespace lf {

class TfrDataDictionary;
class TfrPage;
class TfrReport;

// Record codes of the pages block.
inline constexpr uint8_t kCodePage = 255;
inline constexpr uint8_t kCodeDictionary = 254;
inline constexpr uint8_t kCodeExtension = 253;
inline constexpr uint8_t kCodeEndOfPages = 252;
inline constexpr uint8_t kCodeLastObject = 10;
// An object names its page in one byte, so a template holds at most this
// many pages that carry objects.
inline constexpr int kMaxTemplatePages = 256;
// Geometry a template may give: page and object coordinates, sizes and
// margins within +-kMaxPageCoordinate page units (about 277 m), paper sizes
// from 0 to kMaxPaperSizeDmm tenths of a millimetre (10 m). Sums of a few
// such values never overflow 32 bits. The binary loader saturates values
// beyond them; the text form refuses them.
inline constexpr int32_t kMaxPageCoordinate = 1'000'000;
inline constexpr int32_t kMaxPaperSizeDmm = 100'000;
// The value saturated into [-kMaxPageCoordinate, kMaxPageCoordinate].
int32_t SaturatedCoordinate(int32_t v);

// How a template load ended. The message box a failed load shows says only
// "Unsupported FRF format"; cause keeps the precise reason (e.g. "Template
// truncated at byte 120") for callers that report it.
enum class TemplateLoadOutcome {
  Loaded,
  FormatError,        // bad bytes or an unknown version: the report is emptied
  MissingComponents,  // classes not plugged in: the pages read so far stay
  PasswordCancelled,  // protected template, password not given: report emptied
};

struct TemplateLoadResult {
  TemplateLoadOutcome outcome = TemplateLoadOutcome::Loaded;
  std::string cause;  // empty when loaded
  bool Loaded() const { return outcome == TemplateLoadOutcome::Loaded; }
};

// Replaces the report's template by the one at the stream's position. Never
// raises: a bad template is reported in a message box (caption "Error") and
// leaves the report as a failed load does (one empty page, or the pages read
// so far when classes are missing). A protected template read from a stream
// that is not in memory asks for its password.
TemplateLoadResult LoadFromStream(TfrReport& report, TStream& stream);

// Writes the report as a version-25 template at the stream's position. The
// modification date-time becomes now unless keepModified is set. Raises
// ETemplateFormatError when an object sits on a page beyond
// kMaxTemplatePages.
void SaveToStream(TfrReport& report, TStream& stream, bool keepModified = false);

// page record = [-1] PaperCode WidthDmm HeightDmm Margins Landscape [6 bytes]
//               [PaperSource] PrintToPrevPage SheetCoordinates Columns ColumnGap
//               [PageType Name BorderStyle Caption Color bounds Position [Script]]
// The page then takes its paper from the printer layer.
void LoadFromStream(TfrPage& page, TStream& stream, int version);
void SaveToStream(TfrPage& page, TStream& stream);

// A report page with the default paper and no name yet (the pages list's own
// Add names it by searching the list, which is quadratic over a template of
// many pages).
std::unique_ptr<TfrPage> NewTemplatePage();

// dictionary record = -2 Variables FieldAliases BandDataSources
// (older records: see the reader).
void LoadFromStream(TfrDataDictionary& dictionary, TStream& stream);
void SaveToStream(const TfrDataDictionary& dictionary, TStream& stream);

// The "ReportForm" property: i32 25, then with StoreInDFM the length and the
// bytes of a whole template. Reading keeps the bytes in TemplateStream until
// FinishReportFormLoading loads them.
void WriteReportForm(TfrReport& report, TStream& stream);
void ReadReportForm(TfrReport& report, TStream& stream);
void FinishReportFormLoading(TfrReport& report);

}  // namespace lf
