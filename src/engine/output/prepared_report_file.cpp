// Reading and writing prepared-report files. The reader checks every count
// and offset against the stream's size before it trusts it, so a damaged
// file gives one error naming the page and byte, and never an allocation
// beyond the file's size.
#include "engine/output/prepared_report_file.h"

#include <algorithm>
#include <vector>

#include "engine/model/picture_view.h"
#include "engine/model/view_factory.h"
#include "engine/output/compressor.h"
#include "engine/output/emf_pages.h"
#include "engine/template/template_format.h"
#include "engine/template/template_stream.h"
#include "printer/paper_table.h"
#include "printer/printer.h"

namespace lf {
namespace {

// Reads of one file with the place of each failure.
class Reader {
 public:
  explicit Reader(TStream& s) : s_(s), size_(s.Size()) {}

  [[noreturn]] void Fail(int page, int64_t at, const std::string& what) const {
    std::string where = page > 0 ? "page " + std::to_string(page) + " at byte " : "at byte ";
    throw EPreparedReportDamaged("Prepared report damaged: " + where + std::to_string(at) + ": " + what);
  }
  // Raises unless n more bytes exist.
  void Need(int64_t n, int page, const char* what) const {
    const int64_t at = s_.Position();
    if (size_ - at < n) Fail(page, at, std::string("truncated ") + what);
  }
  uint8_t U8() { return ReadU8(s_); }
  uint16_t U16() { return ReadU16(s_); }
  int32_t I32() { return ReadI32(s_); }
  uint32_t U32() { return ReadU32(s_); }
  // string = u16 n, n bytes, one byte
  std::string String(int page, const char* what) {
    const int64_t at = s_.Position();
    if (size_ - at < 2) Fail(page, at, std::string("truncated ") + what);
    const uint16_t n = U16();
    if (size_ - at < 2 + static_cast<int64_t>(n) + 1) Fail(page, at, std::string("truncated ") + what);
    std::string text = ReadBytes(s_, n);
    U8();
    return text;
  }
  std::string Bytes(int64_t n) { return ReadBytes(s_, static_cast<size_t>(n)); }
  int64_t Position() const { return s_.Position(); }
  int64_t Size() const { return size_; }
  void Seek(int64_t to) { s_.SetPosition(to); }

 private:
  TStream& s_;
  int64_t size_;
};

// The metrics of a paper on the shared printer; a paper the printer refuses
// is tried as a custom size, and one refused again keeps zero metrics
// (such pages draw nothing).
TPrinterMetrics PaperMetrics(const TPreparedPage& p) {
  TfrPrinter& printer = SharedPrinter();
  try {
    printer.SelectPaper(p.PaperCode, p.WidthDmm, p.HeightDmm, p.PaperSource, p.Landscape != 0);
    return printer.Metrics();
  } catch (const std::exception&) {
  }
  try {
    printer.SelectPaper(kPaperCustom, p.WidthDmm, p.HeightDmm, kAnySource, p.Landscape != 0);
    return printer.Metrics();
  } catch (const std::exception&) {
  }
  return {};
}

void SelectFilePrinter(TfrEMFPages& list, const std::string& name) {
  if (TfrReport* report = list.Report()) report->SelectPrinterByName(name);
}

// A page count read at countAt, checked against what the rest of the file
// can hold at recordBytes per page.
int32_t PageCount(Reader& r, int64_t recordBytes) {
  const int64_t at = r.Position();
  r.Need(4, 0, "page count");
  const int32_t n = r.I32();
  if (n < 0) r.Fail(0, at, "page count " + std::to_string(n) + " is negative");
  if (n > (r.Size() - r.Position()) / recordBytes)
    r.Fail(0, at, "page count " + std::to_string(n) + " is more than the remaining " +
                      std::to_string(r.Size() - r.Position()) + " bytes can hold");
  return n;
}

// The next offset of a page record whose fields end at fieldsEnd.
int64_t NextOffset(Reader& r, int page, int64_t recordAt, int64_t next, int64_t fieldsEnd) {
  if (next < fieldsEnd)
    r.Fail(page, recordAt, "next offset " + std::to_string(next) + " points backwards");
  if (next > r.Size())
    r.Fail(page, recordAt, "next offset " + std::to_string(next) + " lies beyond the end of the file (" +
                               std::to_string(r.Size()) + " bytes)");
  return next;
}

// page record = next-offset PaperCode WidthDmm HeightDmm Landscape [PaperSource]
//               SheetCoordinates [margins] page-data
// Appends the page of the record at the reader's position (the file's
// page-th) with its fields read; current: the fields of versions above 23.
// next: where the record's data ends.
TPreparedPage& ReadPageFields(Reader& r, TfrEMFPages& list, int page, bool current, int64_t& next) {
  const int64_t fieldsBytes = current ? kPageRecordFieldsBytes : kOldPageRecordFieldsBytes;
  const int64_t at = r.Position();
  r.Need(fieldsBytes, page, "page record");
  next = NextOffset(r, page, at, r.U32(), at + fieldsBytes);
  TPreparedPage& p = list.AppendEmpty();
  p.PaperCode = r.U16();
  p.WidthDmm = std::clamp(r.I32(), 0, kMaxPaperSizeDmm);
  p.HeightDmm = std::clamp(r.I32(), 0, kMaxPaperSizeDmm);
  p.Landscape = r.U8();
  p.PaperSource = current ? r.I32() : kAnySource;
  p.SheetCoordinates = r.U8();
  if (current) {
    p.Margins.Left = SaturatedCoordinate(r.I32());
    p.Margins.Top = SaturatedCoordinate(r.I32());
    p.Margins.Right = SaturatedCoordinate(r.I32());
    p.Margins.Bottom = SaturatedCoordinate(r.I32());
  }
  return p;
}

void ReadMetafilePages(Reader& r, TfrEMFPages& list, TPreparedReportHeader& header) {
  header.Layout = TPreparedLayout::MetafilePages;
  header.Version = 0;
  // text = lines separated by 13, ended by a byte 0
  std::vector<std::string> lines;
  std::string line;
  for (;;) {
    r.Need(1, 0, "printer text");
    const char c = static_cast<char>(r.U8());
    if (c == 0) break;
    if (c == '\r') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  if (!lines.empty()) {
    header.Printer = lines.front();
    SelectFilePrinter(list, header.Printer);
  }
  const int32_t count = PageCount(r, kOldPageRecordFieldsBytes);
  for (int32_t i = 0; i < count; ++i) {
    int64_t next = 0;
    TPreparedPage& p = ReadPageFields(r, list, i + 1, false, next);
    p.Metrics = PaperMetrics(p);
    TfrPictureView picture;
    picture.SetBounds(0, 0, p.Metrics.SheetWidth, p.Metrics.SheetHeight);
    picture.Picture.Kind = TfrGraphicKind::Metafile;
    picture.Picture.Data = r.Bytes(next - r.Position());
    picture.StreamMode = true;
    p.Stream = std::make_unique<TMemoryStream>();
    ScopedStreamVersion version(kCurrentStreamVersion);
    WriteU8(*p.Stream, static_cast<uint8_t>(kCurrentStreamVersion));
    WriteU8(*p.Stream, gtPicture);
    picture.SaveToStream(*p.Stream);
    r.Seek(next);
  }
}

}  // namespace

TPreparedReportHeader ReadPreparedReport(TStream& stream, TfrEMFPages& list) {
  list.Clear();
  TPreparedReportHeader header;
  const int64_t start = stream.Position();
  Reader r(stream);
  r.Need(1, 0, "header");
  int v = r.U8();
  if (v < kFirstPreparedVersion || v > kLastPreparedVersion) {
    v = 0;
    r.Seek(start);
  }
  r.Need(1, 0, "header");
  const uint8_t c = r.U8();
  if (c >= 2 && c != 255) {
    r.Seek(start);
    ReadMetafilePages(r, list, header);
    return header;
  }
  header.Layout = v == 0 ? TPreparedLayout::NoVersion : TPreparedLayout::Current;
  header.Version = static_cast<uint8_t>(v);
  header.Compressed = c;
  TfrCompressor& compressor = SharedCompressor();
  if (c != 0 && !compressor.Transforms()) throw EPreparedReportUnsupported(kCompressedUnsupported);
  header.Printer = r.String(0, "printer name");
  SelectFilePrinter(list, header.Printer);

  const bool current = v > 23;
  const int64_t fieldsBytes = current ? kPageRecordFieldsBytes : kOldPageRecordFieldsBytes;
  const int32_t count = PageCount(r, fieldsBytes);
  for (int32_t i = 0; i < count; ++i) {
    int64_t next = 0;
    TPreparedPage& p = ReadPageFields(r, list, i + 1, current, next);
    std::string data = r.Bytes(next - r.Position());
    if (c != 0) {
      TMemoryStream packed(std::move(data));
      p.Stream = std::make_unique<TMemoryStream>();
      compressor.Decompress(packed, *p.Stream);
    } else {
      p.Stream = std::make_unique<TMemoryStream>(std::move(data));
    }
    // A page without records is a page without objects.
    if (p.Stream->Size() == 0) WriteU8(*p.Stream, static_cast<uint8_t>(kCurrentStreamVersion));
    p.Stream->SetPosition(0);
    p.Metrics = PaperMetrics(p);
    r.Seek(next);
  }
  r.Need(1, 0, "generator version");
  header.GeneratorVersion = r.U8();
  if (TfrReport* report = list.Report()) report->GeneratorVersion = header.GeneratorVersion;
  return header;
}

void WritePreparedReport(TStream& stream, TfrEMFPages& list, const TPreparedReportHeader& header) {
  if (header.Layout == TPreparedLayout::MetafilePages)
    throw EPreparedReportUnsupported("Prepared reports with metafile pages are read, never written");
  TfrCompressor& compressor = SharedCompressor();
  const bool compress = header.Compressed != 0;
  if (compress && !compressor.Transforms()) throw EPreparedReportUnsupported(kCompressedUnsupported);
  if (list.Count() == 0) throw EPreparedReportUnsupported("A prepared report without pages is not written");
  const bool current = header.Layout == TPreparedLayout::Current;
  const int64_t fieldsBytes = current ? kPageRecordFieldsBytes : kOldPageRecordFieldsBytes;

  // Uncompressed sizes are known before anything is written.
  const int64_t start = stream.Position();
  if (!compress) {
    int64_t total = start + (current ? 1 : 0) + 1 + 2 + static_cast<int64_t>(header.Printer.size()) + 1 + 4 + 1;
    for (int i = 0; i < list.Count(); ++i)
      total += fieldsBytes + std::max<int64_t>(list.StreamSize(i), 1);
    if (total > kMaxPreparedReportBytes)
      throw EPreparedReportUnsupported("Prepared report too large: " + std::to_string(total) +
                                       " bytes, more than the " +
                                       std::to_string(kMaxPreparedReportBytes) +
                                       " a prepared-report file can address");
    if (auto* memory = dynamic_cast<TMemoryStream*>(&stream)) memory->Bytes().reserve(static_cast<size_t>(total));
  }

  if (current) WriteU8(stream, header.Version);
  WriteU8(stream, compress ? 1 : 0);
  WriteFrString(stream, header.Printer);
  WriteI32(stream, list.Count());
  const std::string kEmptyPage(1, static_cast<char>(kCurrentStreamVersion));
  std::string scratch;
  for (int i = 0; i < list.Count(); ++i) {
    TPreparedPage& p = list.PageAt(i);
    const int64_t at = stream.Position();
    WriteU32(stream, static_cast<uint32_t>(at));
    WriteU16(stream, p.PaperCode);
    WriteI32(stream, p.WidthDmm);
    WriteI32(stream, p.HeightDmm);
    WriteU8(stream, p.Landscape);
    if (current) WriteI32(stream, p.PaperSource);
    WriteU8(stream, p.SheetCoordinates);
    if (current) {
      WriteI32(stream, p.Margins.Left);
      WriteI32(stream, p.Margins.Top);
      WriteI32(stream, p.Margins.Right);
      WriteI32(stream, p.Margins.Bottom);
    }
    // Every page holds at least its version byte; spilled pages are
    // copied from the spill file through scratch.
    std::string_view data = list.StreamBytes(i, scratch);
    if (data.empty()) data = kEmptyPage;
    if (compress) {
      TMemoryStream unpacked{std::string(data)}, packed;
      compressor.Compress(unpacked, packed);
      stream.WriteBuffer(packed.Bytes().data(), packed.Bytes().size());
    } else {
      stream.WriteBuffer(data.data(), data.size());
    }
    const int64_t next = stream.Position();
    if (next > kMaxPreparedReportBytes)
      throw EPreparedReportUnsupported("Prepared report too large: page " + std::to_string(i + 1) +
                                       " ends at byte " + std::to_string(next) + ", beyond the " +
                                       std::to_string(kMaxPreparedReportBytes) +
                                       " a prepared-report file can address");
    stream.SetPosition(at);
    WriteU32(stream, static_cast<uint32_t>(next));
    stream.SetPosition(next);
  }
  WriteU8(stream, header.GeneratorVersion);
}

}  // namespace lf
