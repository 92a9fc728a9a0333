// Whole templates: save and load keep every record, old versions load, and
// bad templates end in the boxes and states users are shown.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/model/band_view.h"
#include "engine/run/globals.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/model/subreport_view.h"
#include "engine/template/template_format.h"
#include "engine/template/template_sample.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_text.h"
#include "engine/template/template_view_record.h"
#include "engine/model/view_factory.h"
#include "platform/message_box.h"
#include "platform/password_prompt.h"

namespace lf {
namespace {

const char* const kMissingText =
    "Report contains the following non-plugged components:\rTfrChartView\r"
    "You must include these components into your project.";

class TemplateFormat : public ::testing::Test {
 protected:
  RecordingMessageService boxes;
  ScopedMessageService scoped{&boxes};

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> out;
    for (const auto& b : boxes.boxes) out.push_back(b.caption + ": " + b.text);
    return out;
  }
};

std::string Save(TfrReport& r, bool keepModified = true) {
  TMemoryStream s;
  SaveToStream(r, s, keepModified);
  return s.Bytes();
}

void Load(TfrReport& r, const std::string& bytes) {
  TMemoryStream s(bytes);
  LoadFromStream(r, s);
}

TEST_F(TemplateFormat, SaveLoadSaveReproducesTheSameBytes) {
  auto original = SampleReport();
  std::string first = Save(*original);
  TfrReport copy;
  Load(copy, first);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(Save(copy), first);

  ASSERT_EQ(copy.Pages->Count(), 2);
  EXPECT_TRUE(copy.TwoPass);
  TfrPage* p1 = copy.Pages->PageAt(0);
  EXPECT_EQ(p1->PaperCode, 256);
  EXPECT_EQ(p1->WidthDmm, 1000);
  EXPECT_TRUE(p1->Landscape);
  EXPECT_EQ(p1->Margins, (TfrPageMargins{10, 20, 30, 40}));
  EXPECT_EQ(p1->Script, (TfrLines{"begin", "end"}));
  EXPECT_EQ(p1->Objects.size(), 4u);
  TfrPage* p2 = copy.Pages->PageAt(1);
  EXPECT_EQ(p2->Name, "Dialog1");
  EXPECT_EQ(p2->Caption, "Параметры");
  EXPECT_EQ(p2->BorderStyle, bsSizeable);
  EXPECT_EQ(p2->Position, poDesigned);
  auto* memo = dynamic_cast<TfrMemoView*>(copy.FindObject("memo1"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Font.Name, "SimSun");
  EXPECT_FLOAT_EQ(memo->FrameWidth, 0.5f);
  auto* pic = dynamic_cast<TfrPictureView*>(copy.FindObject("Picture1"));
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->Picture.Data, std::string("\xFF\xD8\xFF\xD9", 4));
  EXPECT_EQ(copy.Dictionary->Variables.NameAt(0), " Totals");
  EXPECT_EQ(copy.Dictionary->FieldAliases.Lookup("Customer").AsText(), "cds0.Name");
  EXPECT_EQ(copy.Password, "pw");
  EXPECT_EQ(copy.ReportAutor, "Ольга");
  EXPECT_DOUBLE_EQ(copy.ReportCreateDate, 45000.25);
  EXPECT_DOUBLE_EQ(copy.ReportLastChange, 46000.5);
}

std::string Version21Template();

// Other hosts store true as -1, older writers as 1: whatever a template
// holds comes back unchanged, and a true the program sets is -1.
TEST_F(TemplateFormat, SixteenBitBooleansKeepTheirStoredValue) {
  auto original = SampleReport();
  original->UseDefaultPrinter = true;
  std::string bytes = Save(*original);
  ASSERT_EQ(bytes.substr(1, 2), "\xFF\xFF");
  bytes[1] = 1;
  bytes[2] = 0;
  TfrReport copy;
  Load(copy, bytes);
  EXPECT_TRUE(copy.UseDefaultPrinter);
  EXPECT_EQ(Save(copy), bytes);
}

// Geometry beyond the limits is saturated, so later arithmetic on it
// cannot overflow.
TEST_F(TemplateFormat, GeometryIsSaturatedAtTheLimits) {
  TfrReport r;
  std::string bytes = Version21Template();
  auto put = [&bytes](size_t at, int32_t v) { std::memcpy(&bytes[at], &v, 4); };
  put(19, INT32_MIN);  // left margin
  put(27, INT32_MAX);  // right margin
  put(56, INT32_MIN);  // the text object's left
  Load(r, bytes);
  EXPECT_TRUE(boxes.boxes.empty());
  const TfrPage& page = *r.Pages->PageAt(0);
  EXPECT_EQ(page.Margins.Left, -kMaxPageCoordinate);
  EXPECT_EQ(page.Margins.Right, kMaxPageCoordinate);
  EXPECT_EQ(page.Objects[0]->Left, -kMaxPageCoordinate);
}

TEST_F(TemplateFormat, SavingStampsTheModificationDateUnlessKept) {
  auto r = SampleReport();
  Save(*r, false);
  EXPECT_GT(r->ReportLastChange, 46000.5);
  EXPECT_EQ(r->GeneratorVersion, 88);
}

TEST_F(TemplateFormat, PasswordIsStoredAsHexWithDoubledLength) {
  auto r = SampleReport();
  std::string bytes = Save(*r);
  // password text, GeneratorVersion, PasswordProtected, two dates.
  std::string tail = bytes.substr(bytes.size() - (2 + 4 + 1 + 1 + 16));
  EXPECT_EQ(tail.substr(0, 6), std::string("\x04\x00" "7077", 6));
  EXPECT_EQ(static_cast<uint8_t>(tail[6]), 88);
}

TEST_F(TemplateFormat, LowerCasePasswordDigitsReadTheSame) {
  auto r = SampleReport();
  r->Password = "\xAB";
  std::string bytes = Save(*r);
  size_t at = bytes.size() - (2 + 1 + 1 + 16);
  ASSERT_EQ(bytes.substr(at, 2), "AB");
  bytes.replace(at, 2, "ab");
  TfrReport copy;
  Load(copy, bytes);
  EXPECT_EQ(copy.Password, "\xAB");
}

TEST_F(TemplateFormat, EmptyStreamOnlyClearsTheDictionary) {
  TfrReport r;
  r.Pages->Add();
  r.Dictionary->Variables.Assign("x", Variant(1));
  Load(r, "");
  EXPECT_EQ(r.Pages->Count(), 1);
  EXPECT_EQ(r.Dictionary->Variables.Count(), 0);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TemplateFormat, VersionAbove25IsRefusedAndPagesStay) {
  TfrReport r;
  r.Pages->Add();
  r.Pages->Add();
  Load(r, std::string("\x1A\0\0", 3));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error: Unsupported FRF format"});
  EXPECT_EQ(boxes.boxes[0].flags & mbIconError, mbIconError);
  EXPECT_EQ(r.Pages->Count(), 2);
}

TEST_F(TemplateFormat, VersionByteAloneGivesNoPagesAndDefaultInformation) {
  TfrReport r;
  r.Pages->Add();
  r.ReportName = "old";
  Load(r, "\x19");
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(r.Pages->Count(), 0);
  EXPECT_EQ(r.ReportName, "");
}

TEST_F(TemplateFormat, PagesBlockWithoutEndMarkerResetsTheInformation) {
  TMemoryStream s;
  WriteU8(s, 25);
  WriteBool16(s, false);
  WriteBool16(s, true);
  WriteFrString(s, "1");
  TfrReport r;
  r.ReportName = "old";
  Load(r, s.Bytes());
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(r.Pages->Count(), 0);
  EXPECT_TRUE(r.TwoPass);
  EXPECT_EQ(r.ReportName, "");
}

TEST_F(TemplateFormat, UnknownRecordCodeLeavesOneEmptyPage) {
  auto r = SampleReport();
  std::string bytes = Save(*r);
  TMemoryStream s;
  WriteU8(s, 25);
  WriteBool16(s, false);
  WriteBool16(s, false);
  WriteFrString(s, "1");
  WriteU8(s, 200);
  TfrReport copy;
  Load(copy, bytes);
  Load(copy, s.Bytes());
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error: Unsupported FRF format"});
  ASSERT_EQ(copy.Pages->Count(), 1);
  EXPECT_TRUE(copy.Pages->PageAt(0)->Objects.empty());
}

// Writes the head of a template: version, flags, virtual printer, one page.
void WriteHead(TStream& s, TfrReport& r, int version = 25) {
  WriteU8(s, static_cast<uint8_t>(version));
  WriteBool16(s, false);
  WriteBool16(s, false);
  WriteFrString(s, "1");
  WriteU8(s, kCodePage);
  SaveToStream(*r.Pages->Add(), s);
}

// One version-25 object record; body replaces the view's record when given.
void WriteObject(TStream& s, uint8_t code, const std::string& className, TfrView* view,
                 const std::string& body = {}) {
  WriteU8(s, code);
  if (code == gtAddIn) WriteFrString(s, className);
  WriteU8(s, 0);
  int64_t at = s.Position();
  WriteU32(s, 0);
  if (view) WriteViewRecord(s, *view);
  else s.WriteBuffer(body.data(), body.size());
  int64_t end = s.Position();
  s.SetPosition(at);
  WriteU32(s, static_cast<uint32_t>(end));
  s.SetPosition(end);
}

std::string TemplateWithUnknownClass() {
  TfrReport r;
  TMemoryStream s;
  WriteHead(s, r);
  TfrMemoView before, after;
  before.Name = "Before";
  after.Name = "After";
  WriteObject(s, gtMemo, "", &before);
  WriteObject(s, gtAddIn, "TfrChartView", nullptr, std::string(37, '\xEE'));
  WriteObject(s, gtMemo, "", &after);
  WriteU8(s, kCodeEndOfPages);
  s.WriteBuffer("junk", 4);  // never read: the load stops at the missing class
  return s.Bytes();
}

TEST_F(TemplateFormat, UnknownClassIsSkippedByItsEndPositionAndNamed) {
  TfrReport r;
  Load(r, TemplateWithUnknownClass());
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{std::string("Error: ") + kMissingText});
  ASSERT_EQ(r.Pages->Count(), 1);
  ASSERT_EQ(r.Pages->PageAt(0)->Objects.size(), 2u);
  EXPECT_EQ(r.Pages->PageAt(0)->Objects[0]->Name, "Before");
  EXPECT_EQ(r.Pages->PageAt(0)->Objects[1]->Name, "After");
}

TEST_F(TemplateFormat, OldClassNamesAreRenamedOrReadAsTextObjects) {
  TfrReport r;
  TMemoryStream s;
  WriteHead(s, r);
  TfrMemoView framed;
  framed.Name = "Framed";
  TMemoryStream body;
  {
    ScopedStreamVersion v(25);
    WriteViewRecord(body, framed);
  }
  WriteObject(s, gtAddIn, "tfrFramedMemoView", nullptr, body.Bytes() + std::string(8, '\x7F'));
  WriteObject(s, gtAddIn, "TFRBDELOOKUPCONTROL", nullptr, std::string(5, '\0'));
  WriteU8(s, kCodeEndOfPages);
  TfrReport loaded;
  Load(loaded, s.Bytes());
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "Error: Report contains the following non-plugged components:\r"
                            "TfrDBLookupControl\rYou must include these components into your project."});
  ASSERT_EQ(loaded.Pages->PageAt(0)->Objects.size(), 1u);
  EXPECT_NE(dynamic_cast<TfrMemoView*>(loaded.Pages->PageAt(0)->Objects[0].get()), nullptr);
  EXPECT_EQ(loaded.Pages->PageAt(0)->Objects[0]->Name, "Framed");
}

TEST_F(TemplateFormat, ObjectEndPositionPointingBackwardsIsAFormatError) {
  TfrReport r;
  TMemoryStream s;
  WriteHead(s, r);
  TfrMemoView memo;
  WriteObject(s, gtMemo, "", &memo);
  const uint32_t backwards = 3;
  // The end field follows the code and page-index bytes of the record.
  TfrReport other;
  TMemoryStream head;
  WriteHead(head, other);
  std::memcpy(s.Bytes().data() + head.Bytes().size() + 2, &backwards, 4);
  TfrReport loaded;
  Load(loaded, s.Bytes());
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error: Unsupported FRF format"});
  ASSERT_EQ(loaded.Pages->Count(), 1);
  EXPECT_TRUE(loaded.Pages->PageAt(0)->Objects.empty());
}

TEST_F(TemplateFormat, EveryTruncationEndsInABoxOrACleanLoad) {
  auto r = SampleReport();
  std::string bytes = Save(*r);
  for (size_t cut = 1; cut < bytes.size(); ++cut) {
    TfrReport copy;
    boxes.boxes.clear();
    Load(copy, bytes.substr(0, cut));
    ASSERT_GE(copy.Pages->Count(), 0);
    if (!boxes.boxes.empty()) {
      EXPECT_EQ(boxes.boxes.back().text, "Unsupported FRF format") << "cut " << cut;
      EXPECT_EQ(copy.Pages->Count(), 1) << "cut " << cut;
    }
  }
}

// A version-21 template as old designers wrote it: no version byte, old page
// record, old strings, an old text record, the old dictionary form.
std::string Version21Template() {
  TMemoryStream s;
  WriteBool16(s, false);  // first byte 0: no version byte
  WriteBool16(s, true);
  s.WriteBuffer("1\0", 2);
  WriteU8(s, kCodePage);
  for (int32_t v : {9, 2100, 2970, 5, 6, 7, 8}) WriteI32(s, v);  // no marker
  WriteU8(s, 0);
  s.WriteBuffer("\0\0\0\0\0\0", 6);
  WriteBool16(s, false);
  WriteBool16(s, true);
  WriteI32(s, 1);
  WriteI32(s, 0);
  // Text object on page 0.
  WriteU8(s, gtMemo);
  WriteU8(s, 0);
  for (int32_t v : {10, 20, 100, 16}) WriteI32(s, v);
  WriteU16(s, 0);
  WriteU16(s, 0);
  WriteI32(s, 1);
  WriteU32(s, 0);
  WriteU16(s, 0);
  WriteU32(s, clNone);
  WriteI32(s, 0);
  s.WriteBuffer("\0", 1);
  s.WriteBuffer("[Total]\0", 8);
  s.WriteBuffer("Arial\0", 6);
  WriteI32(s, 10);
  WriteU16(s, 0);
  WriteU32(s, 0);
  WriteI32(s, 0);
  WriteU16(s, 0);
  WriteU16(s, 0);
  WriteU32(s, 0);
  WriteU32(s, 0);
  s.WriteBuffer("\0", 1);
  // Old dictionary: one field entry, one system-variable entry, and the
  // variable list with a category.
  WriteU8(s, kCodeDictionary);
  WriteI32(s, 2);
  WriteU8(s, 1);
  WriteI32(s, 0);
  for (const char* t : {"cds0", "Amount", "Total"}) {
    WriteU8(s, static_cast<uint8_t>(std::strlen(t)));
    s.WriteBuffer(t, std::strlen(t));
  }
  WriteU8(s, 2);
  WriteI32(s, 8);
  for (const char* t : {"", "", "Pages"}) {
    WriteU8(s, static_cast<uint8_t>(std::strlen(t)));
    s.WriteBuffer(t, std::strlen(t));
  }
  s.WriteBuffer("Sums\r Total\r Pages\0", 19);
  WriteU8(s, kCodeEndOfPages);
  return s.Bytes();
}

TEST_F(TemplateFormat, ReadsVersion21WithoutVersionByte) {
  TfrReport r;
  Load(r, Version21Template());
  EXPECT_TRUE(boxes.boxes.empty()) << BoxTexts()[0];
  EXPECT_TRUE(r.TwoPass);
  ASSERT_EQ(r.Pages->Count(), 1);
  TfrPage* page = r.Pages->PageAt(0);
  EXPECT_EQ(page->Name, "Page1");
  EXPECT_EQ(page->PaperCode, 9);
  EXPECT_EQ(page->Margins, (TfrPageMargins{5, 6, 7, 8}));
  EXPECT_EQ(page->PaperSource, kDefaultBin);
  EXPECT_TRUE(page->Script.empty());
  ASSERT_EQ(page->Objects.size(), 1u);
  auto* memo = dynamic_cast<TfrMemoView*>(page->Objects[0].get());
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Name, "Memo1");
  EXPECT_EQ(memo->Memo, TfrLines{"[Total]"});
  EXPECT_TRUE(memo->HasFlag(flWordWrap));
  const TfrVariables& vars = r.Dictionary->Variables;
  ASSERT_EQ(vars.Count(), 3);
  EXPECT_EQ(vars.NameAt(0), " Sums");
  EXPECT_EQ(vars.NameAt(1), "Total");
  EXPECT_EQ(vars.ValueAt(1).AsText(), "cds0.\"Amount\"");
  EXPECT_EQ(vars.NameAt(2), "Pages");
  EXPECT_EQ(vars.ValueAt(2).AsText(), "TOTALPAGES");
  EXPECT_EQ(r.Dictionary->FieldAliases.Count(), 0);
  // No information block: defaults.
  EXPECT_EQ(r.ReportName, "");
}

TEST_F(TemplateFormat, ReadsVersion23) {
  TMemoryStream s;
  WriteU8(s, 23);
  WriteBool16(s, false);
  WriteBool16(s, false);
  WriteFrString(s, "1");
  WriteU8(s, kCodePage);
  WriteI32(s, -1);  // marker, yet no script before version 24
  for (int32_t v : {256, 1000, 800, 0, 0, 0, 0}) WriteI32(s, v);
  WriteU8(s, 1);
  WriteBool16(s, false);
  WriteBool16(s, true);
  WriteI32(s, 0);
  WriteI32(s, 0);
  WriteU8(s, gtBand);
  WriteU8(s, 0);
  WriteFrString(s, "Header");
  for (int32_t v : {0, 0, 700, 30}) WriteI32(s, v);
  WriteU16(s, 48);
  WriteU16(s, btPageHeader);
  WriteI32(s, 1);
  WriteU32(s, 0);
  WriteU16(s, 0);
  WriteU32(s, clNone);
  WriteI32(s, 0);
  WriteFrString(s, "");
  WriteFrLines(s, {});
  WriteFrLines(s, {"Visible := True"});
  WriteBool16(s, true);
  WriteU8(s, kCodeDictionary);
  WriteI16(s, -2);
  for (int i = 0; i < 3; ++i) WriteI32(s, 0);
  WriteU8(s, kCodeEndOfPages);
  TfrReport r;
  Load(r, s.Bytes());
  EXPECT_TRUE(boxes.boxes.empty());
  ASSERT_EQ(r.Pages->Count(), 1);
  TfrPage* page = r.Pages->PageAt(0);
  EXPECT_EQ(page->WidthDmm, 1000);
  EXPECT_TRUE(page->Landscape);
  ASSERT_EQ(page->Objects.size(), 1u);
  auto* band = dynamic_cast<TfrBandView*>(page->Objects[0].get());
  ASSERT_NE(band, nullptr);
  EXPECT_EQ(band->Name, "Header");
  EXPECT_EQ(band->BandType(), btPageHeader);
  EXPECT_EQ(band->Script, TfrLines{"Visible := True"});
}

TEST_F(TemplateFormat, OldBorderStylesAndPositionsAreNormalised) {
  TfrReport r;
  TfrPage* page = r.Pages->Add();
  page->BorderStyle = bsSizeable;
  page->Position = poScreenCenter;
  TMemoryStream s;
  SaveToStream(*page, s);
  std::string bytes = s.Bytes();
  // BorderStyle follows PageType and the name "Page1".
  size_t border = 4 * 8 + 1 + 4 + 2 + 2 + 4 + 4 + 1 + 2 + 5 + 1;
  ASSERT_EQ(static_cast<uint8_t>(bytes[border]), bsSizeable);
  size_t position = bytes.size() - 3 - 1;
  ASSERT_EQ(static_cast<uint8_t>(bytes[position]), poScreenCenter);
  for (auto [stored, expected] : {std::pair{0, bsDialog}, {1, bsSizeable}}) {
    bytes[border] = static_cast<char>(stored);
    bytes[position] = 7;
    TMemoryStream in(bytes);
    TfrPage* copy = r.Pages->Add();
    LoadFromStream(*copy, in, 25);
    EXPECT_EQ(copy->BorderStyle, expected);
    EXPECT_EQ(copy->Position, poScreenCenter);
  }
}

TEST_F(TemplateFormat, DictionaryFlipsNamesStoredWithoutLeadingSpaces) {
  TMemoryStream s;
  WriteI16(s, -2);
  WriteI32(s, 2);
  for (const char* t : {"Category", "", " Var", "1 + 1"}) WriteFrString(s, t);
  WriteI32(s, 0);
  WriteI32(s, 0);
  s.SetPosition(0);
  TfrDataDictionary d;
  LoadFromStream(d, s);
  EXPECT_EQ(d.Variables.NameAt(0), " Category");
  EXPECT_EQ(d.Variables.NameAt(1), "Var");
  EXPECT_EQ(d.Variables.ValueAt(1).AsText(), "1 + 1");
}

TEST_F(TemplateFormat, OldMarkedDictionaryDropsDeadAliasesAndEmptyBandDataSources) {
  TMemoryStream s;
  WriteI16(s, -1);
  WriteI32(s, 0);
  WriteI32(s, 2);
  for (const char* t : {"Gone", "nosuchtable.Amount", "Kept", ""}) WriteFrString(s, t);
  WriteI32(s, 2);
  for (const char* t : {"Band1", "", "Band2", "frdataset1"}) WriteFrString(s, t);
  s.SetPosition(0);
  TfrReport report;  // aliases resolve against the current report
  EngineState().CurReport = &report;
  TfrDataDictionary d;
  LoadFromStream(d, s);
  EngineState().CurReport = nullptr;
  ASSERT_EQ(d.BandDataSources.Count(), 1);
  EXPECT_EQ(d.BandDataSources.NameAt(0), "Band2");
  ASSERT_EQ(d.FieldAliases.Count(), 1);
  EXPECT_EQ(d.FieldAliases.NameAt(0), "Kept");
}

TEST_F(TemplateFormat, DictionaryCountBeyondTheStreamIsRefused) {
  TMemoryStream s;
  WriteI16(s, -2);
  WriteI32(s, 0x7FFFFFFF);
  s.SetPosition(0);
  TfrDataDictionary d;
  try {
    LoadFromStream(d, s);
    FAIL();
  } catch (const ETemplateFormatError& e) {
    EXPECT_STREQ(e.what(), "Invalid dictionary entry count 2147483647 at byte 6");
  }
}

TEST_F(TemplateFormat, ObjectsBeyondPage256CannotBeSaved) {
  TfrReport r;
  for (int i = 0; i <= kMaxTemplatePages; ++i) r.Pages->Add();
  TMemoryStream ok;
  EXPECT_NO_THROW(SaveToStream(r, ok));
  r.Pages->PageAt(kMaxTemplatePages)->AddObject(std::make_unique<TfrLineView>());
  TMemoryStream s;
  try {
    SaveToStream(r, s);
    FAIL();
  } catch (const ETemplateFormatError& e) {
    EXPECT_STREQ(e.what(), "Objects can be stored on the first 256 pages only");
  }
}

class TemplatePassword : public TemplateFormat {
 protected:
  HeadlessPasswordPrompt prompt;
  ScopedPasswordPrompt scopedPrompt{&prompt};
  // ctest runs the tests of this suite side by side, each in its own process.
  std::string path = ::testing::TempDir() + "/protected_" + std::to_string(::getpid()) + ".frf";

  void LoadFile(TfrReport& r) {
    auto original = SampleReport();
    original->PasswordProtected = true;
    original->Password = "Secret";
    TMemoryStream bytes;
    SaveToStream(*original, bytes, true);
    bytes.SaveToFile(path);
    TFileStream f(path, FileMode::OpenRead);
    LoadFromStream(r, f);
  }
};

TEST_F(TemplatePassword, RightPasswordOpensTheTemplate) {
  prompt.answer = "Secret";
  TfrReport r;
  LoadFile(r);
  EXPECT_EQ(r.Pages->Count(), 2);
  EXPECT_EQ(r.ReportName, "Invoice");
}

TEST_F(TemplatePassword, WrongCaseOrCancelLeavesAnUntitledEmptyReport) {
  for (std::optional<std::string> answer : {std::optional<std::string>("secret"),
                                            std::optional<std::string>()}) {
    prompt.answer = answer;
    TfrReport r;
    r.SourceFileName = "x.frf";
    LoadFile(r);
    ASSERT_EQ(r.Pages->Count(), 1);
    EXPECT_TRUE(r.Pages->PageAt(0)->Objects.empty());
    EXPECT_EQ(r.ReportName, "");
    EXPECT_FALSE(r.PasswordProtected);
    EXPECT_EQ(r.SourceFileName, "Untitled");
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TemplatePassword, MemoryStreamsNeverAsk) {
  prompt.answer.reset();
  auto original = SampleReport();
  original->PasswordProtected = true;
  TfrReport r;
  Load(r, Save(*original));
  EXPECT_EQ(r.Pages->Count(), 2);
  EXPECT_TRUE(r.PasswordProtected);
}

TEST_F(TemplateFormat, ReportFormPropertyWithoutTemplateGivesAnEmptyReport) {
  TfrReport r;
  TMemoryStream out;
  WriteReportForm(r, out);
  EXPECT_EQ(out.Bytes(), std::string("\x19\0\0\0", 4));
  for (bool store : {false, true}) {
    TfrReport fresh;
    fresh.StoreInDFM = store;
    TMemoryStream in(out.Bytes());
    ReadReportForm(fresh, in);
    FinishReportFormLoading(fresh);
    EXPECT_EQ(fresh.Pages->Count(), 0);
    EXPECT_FALSE(fresh.TemplateStream);
  }
}

TEST_F(TemplateFormat, ReportFormPropertyCarriesTheTemplateWhenStoredInForm) {
  auto original = SampleReport();
  original->StoreInDFM = true;
  TMemoryStream out;
  WriteReportForm(*original, out);
  TfrReport r;
  r.StoreInDFM = true;
  out.SetPosition(0);
  ReadReportForm(r, out);
  ASSERT_TRUE(r.TemplateStream);
  EXPECT_EQ(r.Pages->Count(), 0);
  FinishReportFormLoading(r);
  EXPECT_FALSE(r.TemplateStream);
  EXPECT_EQ(r.Pages->Count(), 2);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace lf

namespace lf {
namespace {

// The binary loader, the text form and the model name the objects a
// template leaves unnamed alike: names in use on any page, in any case,
// are skipped; each kind counts on its own.
TEST_F(TemplateFormat, LoadersAndTheModelNameUnnamedObjectsAlike) {
  TfrReport r;
  r.Pages->Add();
  r.Pages->Add();
  auto add = [&](int page, std::unique_ptr<TfrView> v, const char* name) {
    v->Name = name;
    r.Pages->PageAt(page)->AddObject(std::move(v));
  };
  add(0, std::make_unique<TfrMemoView>(), "");
  add(0, std::make_unique<TfrMemoView>(), "MEMO2");
  add(0, std::make_unique<TfrBandView>(), "");
  add(1, std::make_unique<TfrMemoView>(), "");
  add(1, std::make_unique<TfrMemoView>(), "memo4");
  add(1, std::make_unique<TfrMemoView>(), "");
  add(1, std::make_unique<TfrLineView>(), "Band2");
  add(1, std::make_unique<TfrBandView>(), "");
  const std::vector<std::string> expected = {"Memo1", "MEMO2", "Band1", "Memo3",
                                             "memo4", "Memo5", "Band2", "Band3"};
  auto names = [](const TfrReport& report) {
    std::vector<std::string> all;
    for (int i = 0; i < report.Pages->Count(); ++i)
      for (const auto& v : report.Pages->PageAt(i)->Objects) all.push_back(v->Name);
    return all;
  };
  TfrReport binary;
  Load(binary, Save(r));
  EXPECT_EQ(names(binary), expected);
  TfrReport text;
  TemplateFromText(text, TemplateToText(r));
  EXPECT_EQ(names(text), expected);
  r.NameUnnamedObjects();
  EXPECT_EQ(names(r), expected);
}

}  // namespace
}  // namespace lf
