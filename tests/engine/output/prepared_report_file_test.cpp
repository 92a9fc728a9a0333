// The prepared-report file: round trips of every page field, the older
// layouts, damaged and unsupported files, and the report's file operations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>

#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/output/compressor.h"
#include "engine/output/emf_pages.h"
#include "engine/output/prepared_report_file.h"
#include "engine/run/globals.h"
#include "engine/template/template_format.h"
#include "engine/template/template_stream.h"
#include "platform/output_file.h"
#include "platform/recording_canvas.h"
#include "prepared_pages_sample.h"

namespace lf {
namespace {

// Three pages of different papers and flags, each with object records.
void FillThreePages(TfrEMFPages& list) {
  TfrPage a4(9, 2100, 2970, -1, false);
  TfrPage a5(11, 1480, 2100, 2, true);
  a5.Margins = {1, 2, 3, 4};
  a5.SheetCoordinates = false;
  TfrPage custom(256, 1000, 1500, -1, false);
  for (TfrPage* t : {&a4, &a5, &custom}) {
    list.Add(*t);
    TfrMemoView memo;
    memo.Name = "Memo" + std::to_string(list.Count());
    memo.WorkLines = {"page " + std::to_string(list.Count())};
    AppendRecord(list.PageAt(list.Count() - 1), memo);
  }
  TfrLineView line;
  AppendRecord(list.PageAt(1), line);
}

std::string Write(TfrEMFPages& list, TPreparedReportHeader header = {}) {
  TMemoryStream s;
  WritePreparedReport(s, list, header);
  return s.Bytes();
}

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t v;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

void PutU32(std::string& bytes, size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }

// Start of the first page record of a file written by Write: version,
// compressed flag, printer string, page count.
size_t FirstRecord(const std::string& printer) { return 1 + 1 + 2 + printer.size() + 1 + 4; }

TEST(PreparedReportFile, WriteAndReadKeepEveryPageFieldAndChainTheOffsets) {
  TfrReport report;
  FillThreePages(*report.PreparedPages);
  TPreparedReportHeader header;
  header.Printer = "Virtual printer";
  header.GeneratorVersion = 77;
  const std::string bytes = Write(*report.PreparedPages, header);

  // Each next offset is where the following record starts; the last one
  // points at the generator-version byte.
  size_t at = FirstRecord(header.Printer);
  EXPECT_EQ(U32At(bytes, at - 4), 3u);
  for (int i = 0; i < 3; ++i) {
    const uint32_t next = U32At(bytes, at);
    EXPECT_EQ(next - at, kPageRecordFieldsBytes + report.PreparedPages->PageAt(i).Stream->Size());
    at = next;
  }
  EXPECT_EQ(at, bytes.size() - 1);
  EXPECT_EQ(static_cast<uint8_t>(bytes.back()), 77);

  TfrReport copy;
  TMemoryStream in(bytes);
  const TPreparedReportHeader read = ReadPreparedReport(in, *copy.PreparedPages);
  EXPECT_EQ(read.Printer, "Virtual printer");
  EXPECT_EQ(copy.PrinterName, "Virtual printer");
  EXPECT_EQ(copy.GeneratorVersion, 77);
  ASSERT_EQ(copy.PreparedPages->Count(), 3);
  for (int i = 0; i < 3; ++i) {
    const TPreparedPage& a = report.PreparedPages->PageAt(i);
    const TPreparedPage& b = copy.PreparedPages->PageAt(i);
    EXPECT_EQ(a.PaperCode, b.PaperCode);
    EXPECT_EQ(a.WidthDmm, b.WidthDmm);
    EXPECT_EQ(a.HeightDmm, b.HeightDmm);
    EXPECT_EQ(a.Landscape, b.Landscape);
    EXPECT_EQ(a.PaperSource, b.PaperSource);
    EXPECT_EQ(a.SheetCoordinates, b.SheetCoordinates);
    EXPECT_EQ(a.Margins, b.Margins);
    EXPECT_EQ(a.Stream->Bytes(), b.Stream->Bytes());
    EXPECT_GT(b.Metrics.SheetWidth, 0);
  }
  EXPECT_EQ(Write(*copy.PreparedPages, header), bytes);
}

TEST(PreparedReportFile, LayoutWithoutVersionByteHasNoPaperSourceNorMargins) {
  TfrEMFPages list(nullptr);
  FillThreePages(list);
  TPreparedReportHeader header;
  header.Layout = TPreparedLayout::NoVersion;
  const std::string bytes = Write(list, header);
  ASSERT_EQ(bytes[0], '\0');  // the compressed flag comes first
  const size_t first = FirstRecord("") - 1;
  EXPECT_EQ(U32At(bytes, first), first + kOldPageRecordFieldsBytes + list.PageAt(0).Stream->Size());
  TfrEMFPages copy(nullptr);
  TMemoryStream in(bytes);
  EXPECT_EQ(ReadPreparedReport(in, copy).Layout, TPreparedLayout::NoVersion);
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.PageAt(1).PaperSource, -1);
  EXPECT_EQ(copy.PageAt(1).Margins, TfrPageMargins{});
  EXPECT_EQ(copy.PageAt(1).Landscape, 1);
  EXPECT_EQ(copy.PageAt(1).Stream->Bytes(), list.PageAt(1).Stream->Bytes());
  EXPECT_EQ(Write(copy, header), bytes);
}

// The first byte decides the layout: 24..31 is a version; anything else is
// the compressed flag, and a flag of 2..254 starts a metafile-page file.
TEST(PreparedReportFile, FirstByteChoosesTheLayout) {
  TfrEMFPages list(nullptr);
  FillThreePages(list);
  const std::string current = Write(list);
  for (uint8_t v : {24, 31}) {
    std::string bytes = current;
    bytes[0] = static_cast<char>(v);
    TfrEMFPages copy(nullptr);
    TMemoryStream in(bytes);
    EXPECT_EQ(ReadPreparedReport(in, copy).Layout, TPreparedLayout::Current) << int(v);
    EXPECT_EQ(copy.PageAt(1).Margins, (TfrPageMargins{1, 2, 3, 4})) << int(v);
  }
  for (uint8_t v : {23, 32}) {
    std::string bytes = current;
    bytes[0] = static_cast<char>(v);
    TfrEMFPages copy(nullptr);
    TMemoryStream in(bytes);
    EXPECT_THROW(ReadPreparedReport(in, copy), EPreparedReportDamaged) << int(v);
  }
}

TEST(PreparedReportFile, MetafilePagesBecomePictureObjects) {
  // "Virtual printer" CR "second line" CR 0, count 1, one page.
  std::string bytes = "Virtual printer\rsecond line\r";
  bytes += '\0';
  auto u32 = [&](uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
  u32(1);
  const size_t record = bytes.size();
  u32(0);
  const uint16_t code = 9;
  bytes.append(reinterpret_cast<const char*>(&code), 2);
  u32(2100);
  u32(2970);
  bytes += '\0';  // portrait
  bytes += '\1';  // sheet coordinates
  // The smallest enhanced metafile: its header (88 bytes) and the end record.
  std::string metafile(88, '\0');
  auto put = [&](size_t at, uint32_t v) { std::memcpy(metafile.data() + at, &v, 4); };
  put(0, 1);
  put(4, 88);
  put(40, 0x464D4520);
  metafile += std::string("\x0E\0\0\0\x14\0\0\0", 8) + std::string(12, '\0');
  bytes += metafile;
  PutU32(bytes, record, static_cast<uint32_t>(bytes.size()));

  TfrReport report;
  TMemoryStream in(bytes);
  const TPreparedReportHeader header = ReadPreparedReport(in, *report.PreparedPages);
  EXPECT_EQ(header.Layout, TPreparedLayout::MetafilePages);
  EXPECT_EQ(report.PrinterName, "Virtual printer");
  ASSERT_EQ(report.PreparedPages->Count(), 1);
  report.PreparedPages->LoadPage(0);
  const TPreparedPage& p = report.PreparedPages->PageAt(0);
  EXPECT_EQ(p.PaperSource, -1);
  ASSERT_EQ(p.Page->Objects.size(), 1u);
  auto* picture = dynamic_cast<TfrPictureView*>(p.Page->Objects[0].get());
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Picture.Kind, TfrGraphicKind::Metafile);
  EXPECT_EQ(picture->Picture.Data, metafile);
  EXPECT_EQ(picture->Width, p.Metrics.SheetWidth);
  EXPECT_EQ(picture->Height, p.Metrics.SheetHeight);
}

struct DamageCase {
  const char* name;
  // Changes a good three-page file (printer "P") into a damaged one.
  void (*damage)(std::string& bytes);
  const char* message;  // "{N}" stands for the byte of page 3's record
  int pagesKept;
};
void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

constexpr size_t kFirst = 1 + 1 + 2 + 1 + 1 + 4;  // printer "P"

size_t ThirdRecord(const std::string& bytes) { return U32At(bytes, U32At(bytes, kFirst)); }

class PreparedReportDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(PreparedReportDamage, RaisesOneErrorNamingPageAndByte) {
  TfrEMFPages list(nullptr);
  FillThreePages(list);
  TPreparedReportHeader header;
  header.Printer = "P";
  std::string bytes = Write(list, header);
  const size_t third = ThirdRecord(bytes);
  GetParam().damage(bytes);
  // {N}: byte of page 3's record, {S}: size of the damaged file.
  std::string expected = GetParam().message;
  for (auto [mark, value] : {std::pair<const char*, size_t>{"{N}", third}, {"{N+35}", third + 35},
                             {"{S}", bytes.size()}, {"{S-10}", bytes.size() - 10}})
    if (size_t at = expected.find(mark); at != std::string::npos)
      expected.replace(at, std::strlen(mark), std::to_string(value));
  TfrEMFPages copy(nullptr);
  TMemoryStream in(bytes);
  try {
    ReadPreparedReport(in, copy);
    FAIL() << "no error";
  } catch (const EPreparedReportDamaged& e) {
    EXPECT_EQ(e.Message(), expected);
  }
  EXPECT_EQ(copy.Count(), GetParam().pagesKept);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PreparedReportDamage,
    ::testing::Values(
        DamageCase{"NextOffsetBackwards",
                   [](std::string& b) { PutU32(b, ThirdRecord(b), 5); },
                   "Prepared report damaged: page 3 at byte {N}: next offset 5 points backwards", 2},
        DamageCase{"NextOffsetInsideFields",
                   [](std::string& b) { PutU32(b, ThirdRecord(b), static_cast<uint32_t>(ThirdRecord(b) + 35)); },
                   "Prepared report damaged: page 3 at byte {N}: next offset {N+35} points backwards", 2},
        DamageCase{"NextOffsetBeyondEnd",
                   [](std::string& b) { PutU32(b, ThirdRecord(b), 0xFFFFFFF0u); },
                   "Prepared report damaged: page 3 at byte {N}: next offset 4294967280 lies beyond the end "
                   "of the file ({S} bytes)", 2},
        DamageCase{"PageCountBeyondFile",
                   [](std::string& b) { PutU32(b, kFirst - 4, 0x7FFFFFFF); },
                   "Prepared report damaged: at byte 6: page count 2147483647 is more than the remaining "
                   "{S-10} bytes can hold", 0},
        DamageCase{"NegativePageCount",
                   [](std::string& b) { PutU32(b, kFirst - 4, 0xFFFFFFFFu); },
                   "Prepared report damaged: at byte 6: page count -1 is negative", 0},
        DamageCase{"TruncatedPageRecord",
                   [](std::string& b) { b.resize(ThirdRecord(b) + 10); },
                   "Prepared report damaged: page 3 at byte {N}: truncated page record", 2},
        DamageCase{"NoGeneratorVersion",
                   [](std::string& b) { b.pop_back(); },
                   "Prepared report damaged: at byte {S}: truncated generator version", 3},
        DamageCase{"TruncatedPrinterName",
                   [](std::string& b) { b.resize(4); },
                   "Prepared report damaged: at byte 2: truncated printer name", 0},
        DamageCase{"Empty", [](std::string& b) { b.clear(); },
                   "Prepared report damaged: at byte 0: truncated header", 0}),
    [](const auto& info) { return std::string(info.param.name); });


TEST(PreparedReportFile, CompressedFilesNeedACompressorThatTransforms) {
  TfrEMFPages list(nullptr);
  FillThreePages(list);
  std::string bytes = Write(list);
  for (char flag : {'\1', '\xFF'}) {
    bytes[1] = flag;
    TfrEMFPages copy(nullptr);
    TMemoryStream in(bytes);
    try {
      ReadPreparedReport(in, copy);
      FAIL() << "no error";
    } catch (const EPreparedReportUnsupported& e) {
      EXPECT_EQ(e.Message(), "Compressed prepared reports are not supported");
    }
  }
  TPreparedReportHeader header;
  header.Compressed = 1;
  TMemoryStream out;
  EXPECT_THROW(WritePreparedReport(out, list, header), EPreparedReportUnsupported);
  EXPECT_EQ(out.Size(), 0);
}

// A compressor that really transforms: every byte inverted, so a page read
// without Decompress would not load.
class InvertingCompressor : public TfrCompressor {
 public:
  void Compress(TStream& source, TStream& target) override { Invert(source, target); }
  void Decompress(TStream& source, TStream& target) override { Invert(source, target); }
  bool Transforms() const override { return true; }

 private:
  static void Invert(TStream& source, TStream& target) {
    source.SetPosition(0);
    char c;
    while (source.Read(&c, 1) == 1) {
      c = static_cast<char>(~c);
      target.WriteBuffer(&c, 1);
    }
  }
};

TEST(PreparedReportFile, InstalledCompressorPassesEveryPageThroughItself) {
  std::unique_ptr<TfrCompressor> builtIn = std::move(Globals().Compressor);
  Globals().Compressor = std::make_unique<InvertingCompressor>();
  SharedCompressor().Active = true;
  TfrReport report;
  FillThreePages(*report.PreparedPages);
  TMemoryStream file;
  report.PreparedPages->WriteToStream(&file);
  Globals().Compressor = std::move(builtIn);
  ASSERT_EQ(file.Bytes()[1], '\1');
  EXPECT_EQ(file.Bytes().find("page 2"), std::string::npos);

  TfrEMFPages copy(nullptr);
  file.SetPosition(0);
  EXPECT_THROW(copy.ReadFromStream(&file), EPreparedReportUnsupported);
  Globals().Compressor = std::make_unique<InvertingCompressor>();
  file.SetPosition(0);
  copy.ReadFromStream(&file);
  Globals().Compressor = std::make_unique<TfrCompressor>();
  ASSERT_EQ(copy.Count(), 3);
  EXPECT_EQ(copy.PageAt(1).Stream->Bytes(), report.PreparedPages->PageAt(1).Stream->Bytes());
}

// A stream that keeps no bytes, only positions, so that a file near 4 GiB
// costs no memory.
class PositionOnlyStream : public TStream {
 public:
  explicit PositionOnlyStream(int64_t start) : pos_(start), size_(start) {}
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void*, size_t count) override {
    pos_ += static_cast<int64_t>(count);
    size_ = std::max(size_, pos_);
    return count;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    pos_ = origin == SeekOrigin::Begin ? offset : origin == SeekOrigin::Current ? pos_ + offset : size_ + offset;
    return pos_;
  }
  void SetSize(int64_t size) override { size_ = size; }

 private:
  int64_t pos_, size_;
};

TEST(PreparedReportFile, FilesBeyondThirtyTwoBitOffsetsAreRefusedBeforeWriting) {
  TfrEMFPages list(nullptr);
  FillThreePages(list);
  const int64_t size = static_cast<int64_t>(Write(list).size());
  PositionOnlyStream fits(kMaxPreparedReportBytes - size);
  WritePreparedReport(fits, list, {});
  EXPECT_EQ(fits.Size(), kMaxPreparedReportBytes);

  PositionOnlyStream over(kMaxPreparedReportBytes - size + 1);
  try {
    WritePreparedReport(over, list, {});
    FAIL() << "no error";
  } catch (const EPreparedReportUnsupported& e) {
    EXPECT_EQ(e.Message(), "Prepared report too large: 4294967296 bytes, more than the 4294967295 "
                           "a prepared-report file can address");
  }
  EXPECT_EQ(over.Size(), kMaxPreparedReportBytes - size + 1);
}

// Files the fuzz target found: margins near the 32-bit limits, text objects
// with a character spacing or a width of as much, and a custom paper of as
// much overflowed the sums of drawing, hit testing and paper matching. Margins
// and paper sizes read are saturated as a template's are.
TEST(PreparedReportFile, FuzzFoundFilesDrawAndHitTestWithinRange) {
  for (const char* name : {"margins-beyond-the-print-width", "margins-beyond-the-print-height",
                           "char-spacing-beyond-32-bits", "memo-width-beyond-its-gaps",
                           "custom-paper-beyond-32-bits"}) {
    std::ifstream in(std::string(LF_TEST_DATA_DIR) + "/fuzz/prepared_pages/" + name + ".frp", std::ios::binary);
    ASSERT_TRUE(in) << name;
    TMemoryStream s(std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    TfrReport report;
    TfrEMFPages& pages = *report.PreparedPages;
    try {
      ReadPreparedReport(s, pages);
    } catch (const Exception&) {
      // A damaged rest keeps the pages read before it.
    }
    ASSERT_GT(pages.Count(), 0) << name;
    for (int i = 0; i < pages.Count(); ++i) {
      const TfrPageMargins& m = pages.PageAt(i).Margins;
      for (int32_t v : {m.Left, m.Top, m.Right, m.Bottom}) EXPECT_LE(std::abs(v), kMaxPageCoordinate) << name;
      EXPECT_LE(pages.PageAt(i).WidthDmm, kMaxPaperSizeDmm) << name;
      EXPECT_LE(pages.PageAt(i).HeightDmm, kMaxPaperSizeDmm) << name;
      // Objects of unknown classes raise the engine's errors; the rest draws.
      RecordingCanvas canvas;
      try {
        pages.Draw(i, canvas, {0, 0, 794, 1123});
      } catch (const Exception&) {
      }
      std::string link;
      int cursor = kCursorDefault;
      try {
        pages.HitTest(i, 10, 10, link, cursor, false);
      } catch (const Exception&) {
      }
    }
  }
}

TEST(PreparedReportFile, NoPagesAndEmptyPagesAreReadButNeverWritten) {
  TfrEMFPages list(nullptr);
  TMemoryStream none;
  try {
    WritePreparedReport(none, list, {});
    FAIL() << "no error";
  } catch (const EPreparedReportUnsupported& e) {
    EXPECT_EQ(e.Message(), "A prepared report without pages is not written");
  }

  FillThreePages(list);
  std::string bytes = Write(list);
  PutU32(bytes, FirstRecord("") - 4, 0);
  TMemoryStream zero(bytes);
  ReadPreparedReport(zero, list);
  EXPECT_EQ(list.Count(), 0);

  // One page whose record ends right after its fields.
  std::string empty = Write(*[] {
    static TfrEMFPages one(nullptr);
    one.Clear();
    one.Add(TfrPage(9, 2100, 2970, -1, false));
    return &one;
  }());
  empty.erase(empty.size() - 2, 1);  // drop the version byte of the page
  PutU32(empty, FirstRecord(""), static_cast<uint32_t>(empty.size() - 1));
  TMemoryStream in(empty);
  ReadPreparedReport(in, list);
  ASSERT_EQ(list.Count(), 1);
  std::string link;
  int cursor = kCursorDefault;
  EXPECT_FALSE(list.HitTest(0, 0, 0, link, cursor, true));
  EXPECT_EQ(list.PageAt(0).Stream->Bytes(), std::string(1, '\x19'));
}

TEST(PreparedReportFile, ReportSavesAndLoadsFilesAndIsThenNotRebuildable) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("lf_prepared_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".frp");
  TfrReport report;
  FillThreePages(*report.PreparedPages);
  report.SavePreparedReport(path.string());

  TfrReport loaded;
  loaded.Rebuildable = true;
  loaded.ReportName = "old";
  loaded.LoadPreparedReport(path.string());
  EXPECT_FALSE(loaded.Rebuildable);
  EXPECT_EQ(loaded.ReportName, "");
  ASSERT_EQ(loaded.PreparedPages->Count(), 3);
  EXPECT_EQ(loaded.PreparedPages->PageAt(2).Stream->Bytes(), report.PreparedPages->PageAt(2).Stream->Bytes());

  // A save that fails leaves the earlier file whole and no stray file.
  const auto before = std::filesystem::file_size(path);
  TfrReport empty;
  EXPECT_THROW(empty.SavePreparedReport(path.string()), EPreparedReportUnsupported);
  EXPECT_EQ(std::filesystem::file_size(path), before);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path()))
    files += entry.path().string().rfind(path.string(), 0) == 0;
  EXPECT_EQ(files, 1u);

  // A file that fails to load changes nothing: not the pages, not the
  // report's information, not whether it can be prepared again.
  loaded.Rebuildable = true;
  loaded.ReportName = "kept";
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  WriteFileAtomically(path.string(), bytes.substr(0, bytes.size() - 10));
  EXPECT_THROW(loaded.LoadPreparedReport(path.string()), EPreparedReportDamaged);
  std::filesystem::remove(path);
  EXPECT_THROW(loaded.LoadPreparedReport(path.string()), EStreamError);
  EXPECT_TRUE(loaded.Rebuildable);
  EXPECT_EQ(loaded.ReportName, "kept");
  EXPECT_EQ(loaded.PreparedPages->Count(), 3);
}

}  // namespace
}  // namespace lf
