// The library list and registry, the standard and database libraries, and
// the report's function callback with its procedures.
#include <gtest/gtest.h>

#include <ostream>

#include "param_name.h"

#include "engine/model/band.h"
#include "engine/functions/function_library.h"
#include "engine/run/globals.h"
#include "engine/model/report.h"
#include "engine/functions/report_values.h"
#include "engine/functions/std_functions.h"
#include "platform/format_settings.h"
#include "platform/message_box.h"

namespace lf {
namespace {

// A report bound to the shared parser for the length of a test.
class FunctionTest : public ::testing::Test {
 protected:
  FunctionTest() { AttachReport(SharedParser(), *report_); }
  ~FunctionTest() override {
    SharedParser().ValueCallback = nullptr;
    SharedParser().FunctionCallback = nullptr;
    EngineState() = TfrEngineState{};
    Globals().ScriptVariables->Clear();
  }
  std::string Text(const std::string& e) { return SharedParser().Evaluate(e).AsText(); }
  Variant Eval(const std::string& e) { return SharedParser().Evaluate(e); }

  ScopedFormatSettings fs_{InvariantFormatSettings()};
  TComponent owner_;
  TfrReport* report_ = TComponent::Create<TfrReport>(&owner_, "frReport1");
};

struct FunctionCase {
  const char* expression;
  const char* kind;
  const char* text;
};
void PrintTo(const FunctionCase& c, std::ostream* os) { *os << c.expression; }

class StdFunctions : public FunctionTest, public ::testing::WithParamInterface<FunctionCase> {};

TEST_P(StdFunctions, Answers) {
  Variant v = Eval(GetParam().expression);
  EXPECT_STREQ(VariantKindName(v.Kind()), GetParam().kind) << GetParam().expression;
  EXPECT_EQ(v.AsText(), GetParam().text) << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StdFunctions,
    ::testing::Values(
        FunctionCase{"POS('b', 'abc')", "integer", "2"},
        FunctionCase{"POS('z', 'abc')", "integer", "0"},
        FunctionCase{"POS('', 'abc')", "integer", "0"},
        FunctionCase{"NAMECASE('jOHN')", "text", "John"},
        FunctionCase{"NAMECASE('')", "text", ""},
        FunctionCase{"LENGTH('')", "integer", "0"},
        FunctionCase{"LENGTH('abc' + 'd')", "integer", "4"},
        FunctionCase{"LOWERCASE('AbC')", "text", "abc"},
        FunctionCase{"UPPERCASE('AbC')", "text", "ABC"},
        FunctionCase{"UPPERCASE('stra\xC3\x9F\xC3\xA9 \xF0\x90\x90\xA8')", "text",
                     "STRASS\xC3\x89 \xF0\x90\x90\x80"},  // "ß" grows; U+10428 is U+10400 in upper case
        FunctionCase{"LOWERCASE('\xC4\xB0X')", "text", "i\xCC\x87x"},  // U+0130 lower-cases to two
        FunctionCase{"TRIM('  a b  ')", "text", "a b"},
        FunctionCase{"MAXNUM('10', 9)", "text", "10"},
        FunctionCase{"MINNUM('10', 9)", "double", "9"},
        FunctionCase{"DAYOF(45000)", "integer", "15"},
        FunctionCase{"MONTHOF(45000)", "integer", "3"},
        FunctionCase{"YEAROF(45000)", "integer", "2023"},
        FunctionCase{"YEAROF('3/15/2023')", "integer", "2023"},
        FunctionCase{"FORMATDATETIME('yyyy-mm-dd', 45000)", "text", "2023-03-15"},
        FunctionCase{"FORMATFLOAT('0.00', 2/3)", "text", "0.67"},
        FunctionCase{"FORMATTEXT('(000) 000', '123456')", "text", "123456"},
        FunctionCase{"FORMATTEXT('>LLL', 'abc')", "text", "ABC"},
        FunctionCase{"FORMATTEXT('000', '1a')", "text", "1  "},
        // names nobody answers, and procedures with nothing to act on
        FunctionCase{"NOSUCHFUNCTION(1, 2)", "text", "0"},
        FunctionCase{"NEWPAGE(0)", "text", "0"}),
    [](const ::testing::TestParamInfo<StdFunctions::ParamType>& info) { return lf::test::ParamName(info.param.expression); });

// Each way an expression makes a text longer than what it was given.
TEST_F(FunctionTest, TextsGrownBeyondTheTextLimitFail) {
  TfrVariables& vars = *Globals().ScriptVariables;
  vars.Assign("Half", Variant(std::string(kMaxTextValueBytes / 2 + 1, 'x')));
  std::string greek(2 * (kMaxTextValueBytes / 6 + 1), '\xCE');  // U+0390: upper case is six bytes
  for (size_t i = 1; i < greek.size(); i += 2) greek[i] = '\x90';
  vars.Assign("Greek", Variant(std::move(greek)));
  // One digit per zero and a separator per three.
  vars.Assign("Digits", Variant("#,0" + std::string(kMaxTextValueBytes / 4 * 3, '0')));
  for (const char* expression : {"Half + Half", "UPPERCASE(Greek)", "FORMATFLOAT(Digits, 1)"}) {
    try {
      Eval(expression);
      ADD_FAILURE() << expression << ": no error";
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.Message(), "Text longer than 67108864 bytes") << expression;
    }
  }
}

TEST_F(FunctionTest, ArgumentErrorsReachTheCaller) {
  EXPECT_THROW(Eval("DAYOF('soon')"), EVariantError);
  EXPECT_THROW(Eval("MESSAGEBOX('a', 'b', 'many')"), EVariantError);
}

TEST_F(FunctionTest, InputAndMessageBoxGoThroughTheDialogService) {
  RecordingMessageService service;
  ScopedMessageService scope(&service);
  service.inputReplies = {"typed"};
  service.replies = {idNo};
  EXPECT_EQ(Text("INPUT('Name?', 'def')"), "typed");
  EXPECT_EQ(Text("INPUT('Again?', 'def')"), "def");  // no reply queued: the default
  EXPECT_EQ(Eval("MESSAGEBOX('Sure?', 'Title', mb_YesNo + mb_IconQuestion)").AsInteger(), idNo);
  ASSERT_EQ(service.inputs.size(), 2u);
  EXPECT_EQ(service.inputs[0].caption, "");
  EXPECT_EQ(service.inputs[0].prompt, "Name?");
  ASSERT_EQ(service.boxes.size(), 1u);
  EXPECT_EQ(service.boxes[0].caption, "Title");
  EXPECT_EQ(service.boxes[0].text, "Sure?");
  EXPECT_EQ(service.boxes[0].flags, mbYesNo | mbIconQuestion);
}

TEST_F(FunctionTest, UserFunctionSeesEveryNameNoLibraryTook) {
  std::vector<std::string> seen;
  report_->OnUserFunction = [&](const std::string& name, const Variant& p1, const Variant&,
                                const Variant&, Variant& result) {
    seen.push_back(name);
    if (name == "DOUBLEIT") result = Variant(SharedParser().Evaluate(p1.AsText()).AsDouble() * 2);
  };
  EXPECT_EQ(Text("DOUBLEIT(21)"), "42");
  EXPECT_EQ(Text("STOPREPORT(0)"), "0");
  EXPECT_EQ(Text("POS('a', 'a')"), "1");
  EXPECT_EQ(seen, (std::vector<std::string>{"DOUBLEIT", "STOPREPORT"}));
  EXPECT_TRUE(report_->StopRequested);
}

TEST_F(FunctionTest, BreakRequestsCountOnTheCurrentBand) {
  TfrBand band(btMasterData, nullptr);
  EngineState().CurBand = &band;
  Eval("NEWPAGE(0)");
  Eval("NEWPAGE(0)");
  Eval("NEWCOLUMN(0)");
  EXPECT_EQ(band.PageBreakRequests, 2);
  EXPECT_EQ(band.ColumnBreakRequests, 1);
}

TEST_F(FunctionTest, ArraysLiveInScriptVariables) {
  Eval("SETARRAY(Totals, 1 + 1, 'two')");
  Eval("SETARRAY(Totals, 'k', 5 * 5)");
  EXPECT_EQ(Text("GETARRAY(Totals, 2)"), "two");
  EXPECT_EQ(Text("Totals[2]"), "two");
  EXPECT_EQ(Eval("Totals['k'] + 1").AsDouble(), 26);
  EXPECT_TRUE(Eval("GETARRAY(Totals, 3)").IsNull());
  EXPECT_EQ(Globals().ScriptVariables->Lookup("Arr_Totals_2").AsText(), "two");
}

TEST_F(FunctionTest, IncAndDecAssignThroughTheInterpreter) {
  Globals().ScriptVariables->Assign("Counter", Variant(5));
  Eval("INC(Counter)");
  Eval("INC(Counter)");
  Eval("DEC(Counter)");
  EXPECT_EQ(Globals().ScriptVariables->Lookup("Counter").AsInteger(), 6);
}

TEST_F(FunctionTest, FieldIsNullWithoutADatasetIsTrue) {
  EXPECT_TRUE(Eval("FIELDISNULL('cds0.x')").AsBoolean());
}

// A library used to check the list's rules.
class CountingLibrary : public TfrFunctionLibrary {
 public:
  explicit CountingLibrary(std::string cls = "TCountingLibrary") : cls_(std::move(cls)) {
    Names = {"TWICE", "POS"};
  }
  void Execute(int index, const Variant& p1, const Variant&, const Variant&,
               Variant& result) override {
    result = Variant(index == 0 ? "twice:" + p1.AsText() : "mine");
  }
  std::string ClassName() const override { return cls_; }
  void DescribeFunctions(TfrInstalledFunctions& r) override {
    r.Add(ClassName(), "TWICE", "Tests", "TWICE(x)/x twice");
  }

 private:
  std::string cls_;
};

TEST(FunctionLibraries, ListAsksInOrderAndKeepsOneInstancePerClass) {
  TfrInstalledFunctions registry;
  TfrFunctionLibraries list(registry);
  list.Register<TfrStdFunctionLibrary>();
  list.Register<CountingLibrary>();
  list.Register<CountingLibrary>();
  EXPECT_EQ(list.Count(), 2);
  Variant result;
  ASSERT_TRUE(list.Dispatch("twice", Variant("a"), Variant(""), Variant(""), result));
  EXPECT_EQ(result.AsText(), "twice:a");
  EXPECT_FALSE(list.Dispatch("NOPE", Variant(""), Variant(""), Variant(""), result));
  // POS belongs to both: the standard library was registered first.
  ASSERT_TRUE(list.Dispatch("POS", Variant("'b'"), Variant("'abc'"), Variant(""), result));
  EXPECT_EQ(result.AsInteger(), 2);
  list.Unregister("TfrStdFunctionLibrary");
  ASSERT_TRUE(list.Dispatch("POS", Variant(""), Variant(""), Variant(""), result));
  EXPECT_EQ(result.AsText(), "mine");
}

TEST(FunctionLibraries, ListHoldsAtMost64) {
  TfrInstalledFunctions registry;
  TfrFunctionLibraries list(registry);
  for (int i = 0; i < kMaxFunctionLibraries; ++i)
    list.Register(std::make_unique<CountingLibrary>("L" + std::to_string(i)));
  try {
    list.Register(std::make_unique<CountingLibrary>("one more"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Too many function libraries (at most 64)");
  }
  EXPECT_EQ(list.Count(), kMaxFunctionLibraries);
}

TEST(FunctionLibraries, RegistryKeepsDescribedEntriesWithTexts) {
  const auto& items = Globals().Functions->Items();
  std::vector<std::string> names;
  for (const TfrFunctionDesc& d : items) names.push_back(d.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"REPORTCOMMENT", "REPORTNAME", "REPORTAUTOR",
                                             "VMAJOR", "VMINOR", "VRELEASE", "VBUILD",
                                             "REPORTDATE", "REPORTLASTCHANGE", "FIELDISNULL"}));
  EXPECT_EQ(items[2].Category, "Report info");
  EXPECT_EQ(items[2].Description, "REPORTAUTOR/Returns report author");
  EXPECT_EQ(items[9].Category, "Database");
  EXPECT_EQ(items[9].Description, "FIELDISNULL(<FieldName>)/Returns 'true' if DB-field is null");

  TfrInstalledFunctions registry;
  registry.Add("A", "F", "", "no category: ignored");
  registry.Add("A", "F", "Cat", "first");
  registry.Add("B", "F", "Cat", "same name: ignored");
  registry.Add("B", "G", "Cat", "kept");
  registry.RemoveLibrary("A");
  ASSERT_EQ(registry.Items().size(), 1u);
  EXPECT_EQ(registry.Items()[0].Name, "G");
}

}  // namespace
}  // namespace lf
