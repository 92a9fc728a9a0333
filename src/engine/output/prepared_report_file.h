// The prepared-report file: its three layouts (current, without version
// byte, metafile pages), the reader that validates every offset and count,
// and the writer with its 32-bit offsets.
#pragma once

#include <cstdint>
#include <string>

#include "platform/exception.h"
#include "platform/stream.h"

namespace lf {

class TfrEMFPages;

// A prepared-report file whose structure does not hold together. The
// message names the page (from 1) and the byte where the damage was found.
class EPreparedReportDamaged : public Exception {
 public:
  using Exception::Exception;
};

// A prepared report this build cannot read or write (compressed data
// without a compressor that decompresses, files beyond 32-bit offsets).
class EPreparedReportUnsupported : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kCompressedUnsupported = "Compressed prepared reports are not supported";

// First bytes of the current layout; any other first byte is no version.
inline constexpr int kFirstPreparedVersion = 24;
inline constexpr int kLastPreparedVersion = 31;
// Largest file the writer produces: its offsets are 32-bit.
inline constexpr int64_t kMaxPreparedReportBytes = 0xFFFFFFFFll;
// Page record sizes before the page data: next offset and paper fields.
inline constexpr int64_t kPageRecordFieldsBytes = 36;      // current layout
inline constexpr int64_t kOldPageRecordFieldsBytes = 16;   // without version byte, and metafile pages

// Layouts, as PreparedLayout values.
enum class TPreparedLayout : uint8_t {
  Current,          // version byte, paper source and margins
  NoVersion,        // compressed byte first; no paper source, no margins
  MetafilePages,    // printer text lines, then pages that are metafile pictures
};

// What a file holds beside its pages.
struct TPreparedReportHeader {
  TPreparedLayout Layout = TPreparedLayout::Current;
  uint8_t Version = 25;            // current layout only
  uint8_t Compressed = 0;          // 0 plain; 1 (or 255 when read) compressed
  std::string Printer;             // host code page
  uint8_t GeneratorVersion = 88;
};

// Replaces the pages of list by those of the stream (from its position) and
// returns the header. Selects the file's printer through the list's report
// and each page's paper on the shared printer to compute its metrics.
// Raises EPreparedReportDamaged or EPreparedReportUnsupported; the pages
// read before the error stay in the list.
TPreparedReportHeader ReadPreparedReport(TStream& stream, TfrEMFPages& list);

// Writes list in the header's layout (Current or NoVersion). Offsets are
// absolute stream positions. Raises EPreparedReportUnsupported when they
// would pass kMaxPreparedReportBytes or when the pages are to be compressed
// by a compressor that does not transform them; nothing is written then
// unless a compressor made the size known only page by page.
void WritePreparedReport(TStream& stream, TfrEMFPages& list, const TPreparedReportHeader& header);

}  // namespace lf
