// The text object while a report prepares: bracket expansion with inline
// formats, HideZeros, null fields, heights, Suppress, highlight, split
// printing and the records it writes.
#include <gtest/gtest.h>

#include <map>
#include <ostream>

#include "data/client_dataset.h"
#include "engine/functions/report_values.h"
#include "engine/model/bracket_expansion.h"
#include "engine/model/memo_layout.h"
#include "engine/model/memo_view.h"
#include "engine/model/report.h"
#include "engine/run/globals.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_view_record.h"
#include "platform/code_page.h"
#include "platform/format_settings.h"
#include "platform/stream.h"

namespace lf {
namespace {

// A report whose OnGetValue answers a few names, an owner with the table
// cds0 (one row of nulls), and a text object in Liberation Mono 10 pt
// whose inner width holds ten characters.
class MemoText : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = EngineState();
    cds0 = TComponent::Create<TClientDataSet>(&owner, "cds0");
    cds0->DefineField("name", ftString, 20, false);
    cds0->DefineField("age", ftInteger, 0, false);
    cds0->CreateTable();
    cds0->AppendRowValues({std::nullopt, std::nullopt});
    cds0->First();
    report = TComponent::Create<TfrReport>(&owner, "frReport1");
    report->OnGetValue = [this](const std::string& name, Variant& value) {
      auto it = values.find(name);
      if (it != values.end()) value = it->second;
    };
    AttachReport(SharedParser(), *report);
    EngineState().DocMode = kDocModePrinting;
    memo.Name = "Memo1";
    memo.Font.Name = "Liberation Mono";
    const int32_t advance = TfrAdvanceCache::For(memo.MeasureFont()).CharWidth("M");
    memo.SetBounds(0, 0, 10 * advance + 2 * memo.GapX, 100);
    EngineState().CurView = &memo;
  }
  void TearDown() override {
    EngineState() = saved;
    SharedParser().ValueCallback = nullptr;
    SharedParser().FunctionCallback = nullptr;
  }

  std::string Expanded(const std::string& line) {
    memo.Memo = {line};
    memo.Expand();
    return JoinLines(memo.WorkLines);
  }

  // Prints in the given draw mode; the record written, read back (empty
  // lines when nothing was written).
  TfrLines Printed(uint8_t mode) {
    TMemoryStream s;
    memo.DrawMode = mode;
    memo.Print(s);
    if (s.Bytes().empty()) return {};
    s.Seek(0, SeekOrigin::Begin);
    EXPECT_EQ(ReadU8(s), 0);
    TfrMemoView back;
    back.StreamMode = true;
    ScopedStreamVersion v(kCurrentStreamVersion);
    ReadViewRecord(s, back);
    lastPrinted = back.Font;
    return back.WorkLines;
  }

  TComponent owner;
  TClientDataSet* cds0 = nullptr;
  TfrReport* report = nullptr;
  std::map<std::string, Variant> values{{"a", Variant(1)},          {"b", Variant("two")},
                                        {"amount", Variant(1234.5)}, {"zero", Variant(0)},
                                        {"zerotext", Variant("0")},  {"two", Variant("x\r\ny")},
                                        {"long", Variant("aaaa bbbb cccc dddd")}};
  TfrMemoView memo;
  TfrFont lastPrinted;
  TfrEngineState saved;
};

TEST_F(MemoText, ExpandsEveryBracketOfALineAndSplitsValuesAtLineBreaks) {
  EXPECT_EQ(Expanded("[a] and [b]!"), "1 and two!\r\n");
  EXPECT_EQ(Expanded("<[two]>"), "<x\r\ny>\r\n");
  EXPECT_EQ(memo.WorkLines.size(), 2u);
  // Inserted text is not scanned again; an unclosed bracket takes the rest.
  values["br"] = Variant("[a]");
  EXPECT_EQ(Expanded("[br] [a "), "[a] 1\r\n");
  EXPECT_EQ(Expanded("[a\xE2\x82\xAC"), "1\r\n");  // a last character of three bytes
  memo.SetFlag(flTextOnly, true);
  EXPECT_EQ(Expanded("[a]"), "[a]\r\n");
}

TEST_F(MemoText, ExpansionStopsAtTheTextLimit) {
  values["half"] = Variant(std::string(kMaxTextValueBytes / 2 + 1, 'x'));
  for (const TfrLines& lines : {TfrLines{"[half][half]"}, TfrLines{"[half]", "[half]"}}) {
    memo.Memo = lines;
    try {
      memo.Expand();
      ADD_FAILURE() << lines.size() << " lines: no error";
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.Message(), "Text longer than 67108864 bytes");
    }
  }
}

TEST_F(MemoText, BracketBytesInsideDoubleByteCharactersAreText) {
  ScopedHostCodePage gbk("GBK");
  // 0x81 0x5B is one character whose second byte is "[".
  EXPECT_EQ(Expanded("\x81\x5B" "[a]\x81\x5D"), "\x81\x5B" "1\x81\x5D\r\n");
}

struct InlineCase {
  const char* name;
  const char* line;
  const char* text;
};
void PrintTo(const InlineCase& c, std::ostream* os) { *os << c.name; }

class MemoInlineFormat : public MemoText, public ::testing::WithParamInterface<InlineCase> {};

TEST_P(MemoInlineFormat, Writes) {
  ScopedFormatSettings fs(InvariantFormatSettings());
  values["when"] = Variant::DateTime(36114.5);  // 15 November 1998, noon
  values["yes"] = Variant(true);
  EXPECT_EQ(Expanded(GetParam().line), std::string(GetParam().text) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MemoInlineFormat,
    ::testing::Values(InlineCase{"FixedWithComma", "[amount #N0,00]", "1234,50"},
                      InlineCase{"FixedNoSeparator", "[amount #N0]", "1235"},
                      InlineCase{"LeadingDigit", "[amount #0.000]", "1234.500"},
                      InlineCase{"CustomNumber", "[amount #N#,##0.00]", "1,234.50"},
                      InlineCase{"Date", "[when #Ddd.mm.yyyy]", "15.11.1998"},
                      InlineCase{"Time", "[when #thh:nn]", "12:00"},
                      InlineCase{"Boolean", "[yes #BNo;Yes]", "Yes"},
                      InlineCase{"PatternOfObjectFormat", "[b #xyz]", "two"}),
    [](const ::testing::TestParamInfo<InlineCase>& i) { return std::string(i.param.name); });

TEST_F(MemoText, HideZerosHidesNumbersNotTexts) {
  memo.SetFlag(flHideZeros, true);
  EXPECT_EQ(Expanded("[zero]|[zerotext]|[a]"), "|0|1\r\n");
}

TEST_F(MemoText, NullFieldsReadAsTheirTypesDefault) {
  EXPECT_EQ(Expanded("<[cds0.name]>"), "<>\r\n");
  EXPECT_EQ(Expanded("<[cds0.age]>"), "<0>\r\n");
  EXPECT_EQ(Expanded("<[Null]>"), "<>\r\n");
  memo.SetFlag(flHideZeros, true);
  EXPECT_EQ(Expanded("<[cds0.age]>"), "<>\r\n");
}

TEST_F(MemoText, ValueIsTheLastBracketsResult) {
  Expanded("[amount]");
  EXPECT_EQ(EngineState().CurValue.AsDouble(), 1234.5);
  EXPECT_EQ(EngineState().CurVariable, "amount");
  memo.Highlight.Condition = "VALUE > 1000";
  memo.Highlight.FontColor = 0xFF;
  memo.PrepareHighlight();
  memo.Memo = {"[amount]"};
  ScopedFormatSettings fs(InvariantFormatSettings());  // a number's text uses the locale's mark
  EXPECT_EQ(Printed(drAll), (TfrLines{"1234.5"}));
  EXPECT_EQ(lastPrinted.Style, fsBold);
  EXPECT_EQ(lastPrinted.Color, 0xFFu);
  EXPECT_EQ(memo.Font.Style, 0);  // restored after the print
  memo.Memo = {"[zero]"};
  Printed(drAll);
  EXPECT_EQ(lastPrinted.Style, 0);
}

TEST_F(MemoText, HeightsCountLinesAndNeverDivideByZero) {
  memo.Memo = {"[long]"};
  const int32_t step = memo.LineSpacing + 13;
  EXPECT_EQ(memo.CalcHeight(), 2 * step + 2 * memo.GapY);
  EXPECT_EQ(memo.WorkLines, (TfrLines{"aaaa bbbb", "cccc dddd\x01"}));
  EXPECT_EQ(memo.MinHeight(), 2 + 2 + 2 + 13);
  memo.Height = 2 + 2 + 3 * step + 5;
  EXPECT_EQ(memo.RemainHeight(), 2 + 2 + 5);
  memo.Font.Size = 0;
  memo.LineSpacing = -50;
  EXPECT_EQ(memo.RemainHeight(), 4);
  EXPECT_EQ(memo.LineStep, 1);
}

TEST_F(MemoText, PreparingWrapsALongBracketLineEvenInDesignMode) {
  EngineState().DocMode = kDocModeDesign;
  memo.Memo = {"[long]"};
  memo.SetFlag(flTextOnly, true);
  memo.Memo = {"[aaaa bbbb cccc]"};
  memo.CalcHeight();
  EXPECT_EQ(memo.WorkLines.size(), 2u);
}

TEST_F(MemoText, TooManyLayoutLinesStopWithAnErrorNamingTheObject) {
  memo.SetFlag(flTextOnly, true);
  memo.Memo.assign(kMaxLayoutLines + 1, "x");
  try {
    memo.CalcHeight();
    FAIL() << "no error";
  } catch (const EMemoLayoutError& e) {
    EXPECT_EQ(e.Message(), "Object Memo1: the text needs more than 100000 lines");
  }
}

TEST_F(MemoText, SuppressSkipsARepeatedTextAndItsHeight) {
  memo.SetFlag(flSuppressRepeated, true);
  memo.Memo = {"[b]"};
  EXPECT_GT(memo.CalcHeight(), 0);
  EXPECT_EQ(Printed(drCalcHeight), (TfrLines{"two\x01"}));
  EXPECT_EQ(memo.CalcHeight(), 0);
  EXPECT_EQ(Printed(drCalcHeight), TfrLines{});
  memo.Memo = {"[a]"};
  EXPECT_GT(memo.CalcHeight(), 0);
  EXPECT_EQ(Printed(drCalcHeight), (TfrLines{"1\x01"}));
}

TEST_F(MemoText, SplitPrintingWritesTheLinesThatFitAndKeepsTheRest) {
  memo.Memo = {"[long]", "eeee"};
  memo.DrawMode = drCalcHeight;
  memo.CalcHeight();
  const int32_t step = memo.LineSpacing + 13;
  memo.Height = 2 * memo.GapY + 2 * step;
  EXPECT_EQ(Printed(drAfterCalcHeight), (TfrLines{"aaaa bbbb", "cccc dddd\x01"}));
  EXPECT_EQ(memo.DrawnLines, 2);
  EXPECT_EQ(memo.WorkLines, (TfrLines{"eeee\x01"}));
  EXPECT_EQ(memo.DrawMode, drAll);
  memo.Height = 2 * memo.GapY + step;
  EXPECT_EQ(Printed(drAfterCalcHeight), (TfrLines{"eeee\x01"}));
  EXPECT_TRUE(memo.WorkLines.empty());
}

TEST_F(MemoText, SplitPrintingLeavesABottomFrameLineItsRoom) {
  memo.Memo = {"[long]"};
  memo.CalcHeight();
  memo.Height = 2 * (memo.LineSpacing + 13);
  memo.FrameTyp = frftBottom;
  memo.FrameWidth = 2;
  EXPECT_EQ(Printed(drAfterCalcHeight), (TfrLines{"aaaa bbbb", "\x01"}));
}

TEST_F(MemoText, SplitPartWithoutParagraphEndStillCountsAsLaidOut) {
  memo.Memo = {"[long]"};
  memo.CalcHeight();
  memo.Height = 2 * memo.GapY + memo.LineSpacing + 13;
  EXPECT_EQ(Printed(drAfterCalcHeight), (TfrLines{"aaaa bbbb", "\x01"}));
}

TEST_F(MemoText, BoundFieldReplacesTheTextAndCalcWidthMeasuresTheWidestLine) {
  cds0->AppendRowValues({TFieldValue("first\r\nsecond line"), TFieldValue("3")});
  cds0->Last();
  memo.Memo = {"[cds0.name]"};
  memo.BoundDataSet = cds0;
  memo.DataField = "name";
  report->OnBeforePrint = [](TfrLines& lines, TfrView*) { lines.push_back("+"); };
  memo.CalcHeight();
  EXPECT_EQ(memo.WorkLines, (TfrLines{"first\x01", "second", "line\x01", "+\x01"}));
  // The widest of the template's lines, with frame, gaps and one unit.
  const int32_t advance = TfrAdvanceCache::For(memo.MeasureFont()).CharWidth("M");
  memo.Memo = {"abc", "abcdef\x01"};
  Variant width;
  ReportGetValue(*report, "CALCWIDTH", width);
  EXPECT_EQ(width.AsInteger(), 6 * advance + 1 + 2 * memo.GapX + 1);
}

TEST_F(MemoText, BeforePrintSeesTheLinesAndItsChangeIsKept) {
  memo.Memo = {"[a]"};
  report->OnBeforePrint = [](TfrLines& lines, TfrView*) { lines = {"changed [a]"}; };
  EXPECT_EQ(Printed(drAll), (TfrLines{"changed [a]"}));
  report->OnBeforePrint = [](TfrLines& lines, TfrView*) { lines.push_back("more"); };
  memo.CalcHeight();
  EXPECT_EQ(memo.WorkLines, (TfrLines{"[a]\x01", "more\x01"}));
}

}  // namespace
}  // namespace lf
