// TfrEMFPages: the prepared pages of a report, kept as byte streams and
// turned into objects only while a page is drawn, hit-tested, printed,
// searched or exported; its reading and writing as a prepared-report file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/model/report.h"
#include "engine/output/page_spill.h"
#include "engine/output/prepared_page.h"

namespace lf {

class Canvas;
struct CanvasRect;

// Cursor identifiers of hit tests, as the platform numbers them.
inline constexpr int kCursorDefault = 0;
inline constexpr int kCursorHandPoint = -21;

// Objects whose names begin with this are hyperlinks.
inline constexpr const char* kLinkObjectPrefix = "URL";

class TfrEMFPages {
 public:
  // report: the owner whose events, printer choice and generator version the
  // list uses; may be null (no events, no printer choice).
  explicit TfrEMFPages(TfrReport* report);
  ~TfrEMFPages();
  TfrEMFPages(const TfrEMFPages&) = delete;
  TfrEMFPages& operator=(const TfrEMFPages&) = delete;

  int Count() const { return static_cast<int>(pages_.size()); }
  // The page at index; the index must lie inside the list.
  TPreparedPage& PageAt(int index) { return *pages_.at(static_cast<size_t>(index)); }
  const TPreparedPage& PageAt(int index) const { return *pages_.at(static_cast<size_t>(index)); }
  TPreparedPage& operator[](int index) { return PageAt(index); }

  // Appends a page with the paper of the template page, then raises the
  // begin-page events of the current and the master report.
  void Add(const TfrPage& templatePage);
  // A page with the paper of the template page before index (at the end
  // when index is not below Count).
  void Insert(int index, const TfrPage& templatePage);
  // Releases the page with its objects and stream; nothing outside the list.
  void Delete(int index);
  void Clear();
  // Appends a zero-filled page without a stream (readers fill it).
  TPreparedPage& AppendEmpty();

  // Draws the page scaled into rect (device units), or only releases its
  // objects when it is not Shown. Document mode is printing while it runs;
  // the engine state is restored afterwards.
  void Draw(int index, Canvas& canvas, const CanvasRect& rect);
  // Rebuilds the page's objects from its stream (replacing any there).
  void LoadPage(int index);
  // Rewrites the page's stream from its objects.
  void StorePage(int index);
  // Hands every object to the export path, then releases the objects.
  void ExportPage(int index);
  // Finds the topmost object under (x, y), page units from the page's
  // top-left corner; raises the report's object events and follows
  // hyperlinks on a click. link receives the link text (empty when none);
  // cursor is changed only over a link or by the mouse-over handler.
  bool HitTest(int index, int32_t x, int32_t y, std::string& link, int& cursor, bool click);

  // Replaces the list by the pages of a prepared-report stream. Raises
  // EPreparedReportDamaged for a damaged stream (the pages read before the
  // damage stay) and EPreparedReportUnsupported for a compressed one.
  void ReadFromStream(TStream* stream);
  // Writes the list as a prepared-report stream at its position. Raises
  // EPreparedReportUnsupported when the file would not fit in 32-bit
  // offsets or compression is asked of a compressor that cannot compress.
  void WriteToStream(TStream* stream);

  TfrReport* Report() const { return report_; }

  // The page's stream; one moved to the spill file is read back and kept
  // in memory again (for pages that are written to once more).
  TMemoryStream& StreamAt(int index);
  // The bytes of the page's stream; a spilled one is read into scratch
  // and stays in the file.
  std::string_view StreamBytes(int index, std::string& scratch);
  int64_t StreamSize(int index) const;
  // Preparation has finished the page: it counts against MemoryBudget, and
  // past it the oldest finished pages move to a temporary spill file (made
  // on first need, gone with the list or the process).
  void PageFinished(int index);
  // Bytes of page streams moved to the spill file so far.
  int64_t SpilledBytes() const;
  // Bytes of finished page streams kept in memory.
  int64_t MemoryBudget = kPageMemoryBudget;

  // Opens a hyperlink address (host code page) with the platform; returns
  // whether it was handed over. Replaceable so that tests and hosts can see
  // what would be opened.
  std::function<bool(const std::string& address)> OpenLink;
  // What the last click on a hyperlink did: opened, or refused and why.
  std::string LinkStatus;

 private:
  TPreparedPage& MakePage(int index, const TfrPage& templatePage);

  TfrReport* report_;  // not owned; outlives the list
  std::vector<std::unique_ptr<TPreparedPage>> pages_;
  std::unique_ptr<PageSpill> spill_;  // made when the first page spills
  int64_t resident_ = 0;              // bytes of finished streams in memory
  int spillFrom_ = 0;                 // pages before it are spilled or were kept
};

// Reads the object records of a page stream (after its version byte, which
// the caller has made the current stream version) into page. With
// measureAutoWidth, texts that size themselves are drawn once on a scratch
// canvas to compute their width. Raises EPreparedReportDamaged naming
// pageIndex (from 0), or the view factory's EClassNotFound.
void ReadObjectRecords(TStream& stream, TfrPage& page, int pageIndex, bool measureAutoWidth);
// Appends one object record (type code, class name of add-ins, the
// object's prepared record); the object's StreamMode stays set.
void WriteObjectRecord(TStream& stream, TfrView& view);

// A new empty list owned the way TfrReport holds it.
TfrEMFPagesPtr NewEMFPages(TfrReport* report);

}  // namespace lf
