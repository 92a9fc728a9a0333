// Field references and dictionary names: component paths with dots, quoted
// field names, bare names by band kind, field values and null defaults,
// aliases, variables and the lookup cache, large-object fields.
#include "engine/data/band_dataset.h"
#include "engine/data/component_path.h"
#include "engine/data/dictionary_names.h"
#include "engine/data/field_reference.h"
#include "engine/data/field_value.h"
#include "engine/data/large_object.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/model/properties.h"
#include "engine/model/data_dictionary.h"
#include "engine/data/dataset_errors.h"
#include "engine/run/globals.h"
#include "engine/model/page.h"
#include "engine/expr/parser.h"
#include "engine/model/report.h"
#include "engine/functions/report_values.h"
#include "platform/stream.h"
#include "printer/paper_table.h"

namespace lf {
namespace {

// A control-like owner with tables cds0 (name, na.me, age, flag; two rows)
// and cds1 (detail), their report datasets and the report frReport1.
class FieldReferences : public ::testing::Test {
 protected:
  void SetUp() override {
    cds0 = TComponent::Create<TClientDataSet>(&owner, "cds0");
    cds0->DefineField("name", ftString, 20, false);
    cds0->DefineField("na.me", ftString, 20, false);
    cds0->DefineField("age", ftInteger, 0, false);
    cds0->DefineField("flag", ftBoolean, 0, false);
    cds0->DefineField("big", ftLargeint, 0, false);
    cds0->DefineField("notes", ftMemo, 0, false);
    cds0->CreateTable();
    cds0->AppendRowValues({TFieldValue("Ann"), TFieldValue("dotted"), TFieldValue("42"),
                           TFieldValue("True"), TFieldValue("12345678901"),
                           TFieldValue("line 1\r\nline 2")});
    cds0->AppendRowValues({std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                           std::nullopt, std::nullopt});
    cds0->First();
    cds1 = TComponent::Create<TClientDataSet>(&owner, "cds1");
    cds1->DefineField("item", ftString, 20, false);
    cds1->CreateTable();
    frdataset0 = TComponent::Create<TfrDBDataSet>(&owner, "frdataset0");
    frdataset0->SetDataSet(cds0);
    frdataset1 = TComponent::Create<TfrDBDataSet>(&owner, "frdataset1");
    frdataset1->SetDataSet(cds1);
    report = TComponent::Create<TfrReport>(&owner, "frReport1");
    saved = EngineState();
    EngineState().CurReport = report;
    EngineState().CurBand = nullptr;
    EngineState().CurPage = nullptr;
  }
  void TearDown() override {
    EngineState() = saved;
    SharedParser().ValueCallback = nullptr;
    SharedParser().FunctionCallback = nullptr;
  }

  std::string Resolve(const std::string& text, TClientDataSet*& table) {
    return ResolveFieldReference(&owner, text, table);
  }

  TComponent owner;
  TClientDataSet *cds0 = nullptr, *cds1 = nullptr;
  TfrDBDataSet *frdataset0 = nullptr, *frdataset1 = nullptr;
  TfrReport* report = nullptr;
  TfrEngineState saved;
};

TEST_F(FieldReferences, FindsComponentsWithUpToTwoDots) {
  TTopLevelContainer form;
  form.SetName("Form7");
  auto* module = TComponent::Create<TComponent>(&form, "Module");
  auto* inner = TComponent::Create<TClientDataSet>(module, "Orders");
  auto* direct = TComponent::Create<TClientDataSet>(&form, "Lines");
  EXPECT_EQ(FindNamedComponent(&owner, "CDS0"), cds0);
  EXPECT_EQ(FindNamedComponent(&owner, "form7.lines"), direct);
  EXPECT_EQ(FindNamedComponent(&owner, "Form7.Module.Orders"), inner);
  EXPECT_EQ(FindNamedComponent(&owner, "Form7.Nothing"), nullptr);
  EXPECT_EQ(FindNamedComponent(&owner, "Nowhere.Lines"), nullptr);
  EXPECT_EQ(FindNamedComponent(&owner, "Form7.Module.Orders.x"), nullptr);
  EXPECT_EQ(FindNamedComponent(nullptr, "cds0"), nullptr);

  TClientDataSet* table = nullptr;
  inner->DefineField("total", ftFloat, 0, false);
  inner->CreateTable();
  EXPECT_EQ(Resolve("Form7.Module.Orders.TOTAL", table), "TOTAL");
  EXPECT_EQ(table, inner);
}

TEST_F(FieldReferences, QuotedFieldNamesKeepTheirDots) {
  TClientDataSet* table = nullptr;
  EXPECT_EQ(Resolve("cds0.\"na.me\"", table), "na.me");
  EXPECT_EQ(table, cds0);
  table = cds1;
  EXPECT_EQ(Resolve("cds0.na.me", table), "");  // container cds0, member na, field me
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(Resolve("cds0.\"name\"", table), "name");
  EXPECT_EQ(Resolve("cds0.NAME", table), "NAME");
  EXPECT_EQ(Resolve("cds0.\"\"", table), "");
}

TEST_F(FieldReferences, AReportDatasetIsNoTable) {
  TClientDataSet* table = cds1;
  EXPECT_EQ(Resolve("frdataset0.\"name\"", table), "");
  EXPECT_EQ(table, nullptr);
}

TEST_F(FieldReferences, MalformedReferencesLeaveTheTableAlone) {
  for (const char* text : {"cds0.", "a.b.c.d.e", "a.b.c.", "."}) {
    TClientDataSet* table = cds1;
    EXPECT_EQ(Resolve(text, table), "") << text;
    EXPECT_EQ(table, cds1) << text;
  }
}

TEST_F(FieldReferences, BareNamesUseTheIncomingTable) {
  TClientDataSet* table = cds0;
  EXPECT_EQ(Resolve("age", table), "age");
  EXPECT_EQ(Resolve("\"age\"", table), "age");
  EXPECT_EQ(table, cds0);
  table = nullptr;
  EXPECT_EQ(Resolve("age", table), "");
}

TEST_F(FieldReferences, LongPartsAreCutTo255Bytes) {
  auto* wide = TComponent::Create<TClientDataSet>(&owner, "cds2");
  std::string longName(255, 'f');
  std::string quotedName(253, 'q');
  wide->DefineField(longName, ftString, 5, false);
  wide->DefineField(quotedName, ftString, 5, false);
  wide->DefineField(quotedName + "q", ftString, 5, false);
  wide->CreateTable();
  TClientDataSet* table = nullptr;
  EXPECT_EQ(Resolve("cds2." + longName + "ggg", table), longName);
  EXPECT_EQ(Resolve("cds2.\"" + quotedName + "\"", table), quotedName);
  // One byte more and the closing quote is cut off.
  EXPECT_EQ(Resolve("cds2.\"" + quotedName + "q\"", table), "");
}

// A report page with master, detail and cross data bands over their own
// datasets, for bare names by band kind.
class DefaultTables : public FieldReferences {
 protected:
  void SetUp() override {
    FieldReferences::SetUp();
    page = std::make_unique<TfrPage>(kPaperA4, 0, 0, -1, false);
    for (TfrBandType k : {btMasterData, btDetailData, btSubDetailData, btCrossData})
      page->Bands[k] = std::make_unique<TfrBand>(k, page.get());
    page->Bands[btMasterData]->DataSet = frdataset0;
    page->Bands[btDetailData]->DataSet = frdataset1;
    report->Dataset = report0 = TComponent::Create<TfrDBDataSet>(&owner, "frreportset");
    report0->SetDataSet(cds2 = TComponent::Create<TClientDataSet>(&owner, "cds2"));
    EngineState().CurPage = page.get();
  }
  void TearDown() override {
    for (auto& b : page->Bands)
      if (b) b->DataSet = nullptr;
    page.reset();
    FieldReferences::TearDown();
  }
  TClientDataSet* For(TfrBandType kind) {
    TfrBand band(kind, page.get());
    EngineState().CurBand = &band;
    TClientDataSet* t = DefaultTable();
    EngineState().CurBand = nullptr;
    return t;
  }
  std::unique_ptr<TfrPage> page;
  TfrDBDataSet* report0 = nullptr;
  TClientDataSet* cds2 = nullptr;
};

TEST_F(DefaultTables, FollowTheBandKind) {
  EXPECT_EQ(DefaultTable(), cds2);  // no band printing: the report's Dataset
  for (TfrBandType k : {btReportTitle, btPageFooter, btMasterHeader, btMasterData, btGroupHeader,
                        btGroupFooter})
    EXPECT_EQ(For(k), cds0) << k;
  EXPECT_EQ(For(btDetailData), cds1);
  EXPECT_EQ(For(btDetailFooter), cds1);
  for (TfrBandType k : {btDetailHeader, btSubDetailHeader, btOverlay, btColumnHeader, btChild})
    EXPECT_EQ(For(k), cds2) << k;
  EXPECT_EQ(For(btSubDetailData), nullptr);  // its band has no dataset
  EXPECT_EQ(For(btCrossFooter), nullptr);
}

TEST_F(DefaultTables, DialogPagesAndUserDatasetsGiveNoBandTable) {
  page->PageType = ptDialog;
  EXPECT_EQ(For(btDetailData), cds2);
  page->PageType = ptReport;
  TfrUserDataset counter;
  page->Bands[btDetailData]->DataSet = &counter;
  EXPECT_EQ(For(btDetailData), nullptr);
  page->Bands[btDetailData]->DataSet = nullptr;
}

TEST_F(DefaultTables, BareNamesInADetailBandReadTheDetailTable) {
  TfrBand band(btDetailData, page.get());
  EngineState().CurBand = &band;
  EXPECT_TRUE(IsKnownName(*report, "item"));
  EXPECT_FALSE(IsKnownName(*report, "age"));
  EngineState().CurBand = nullptr;
}

TEST_F(DefaultTables, ABandTakesTheDatasetItsDataSourceNames) {
  TfrBandView view;
  view.SetBandType(btMasterData);
  TfrBand band(btMasterData, page.get(), &view);
  view.FormatStr = "3";
  ResolveBandDataSource(band, *report);
  ASSERT_NE(band.DataSet, nullptr);
  EXPECT_EQ(band.PrivateDataSet.get(), band.DataSet);
  EXPECT_EQ(band.DataSet->RangeEndCount, 3);
  // A script that changes DataSource has the band resolve it again.
  view.SetProperty("DataSource", Variant("frdataset1"));
  EXPECT_EQ(band.DataSet, frdataset1);
  EXPECT_EQ(band.PrivateDataSet, nullptr);
  view.FormatStr = "";
  ResolveBandDataSource(band, *report);
  EXPECT_EQ(band.DataSet, report0);  // master data of a simple report
  report->ReportType = rtMultiple;
  ResolveBandDataSource(band, *report);
  EXPECT_EQ(band.DataSet, nullptr);
  view.FormatStr = "Band1=frdataset0;";
  ResolveBandDataSource(band, *report);
  EXPECT_EQ(band.DataSet, nullptr);
  view.FormatStr = "frdataset0";
  ResolveBandDataSource(band, *report);
  EXPECT_EQ(band.DataSet, frdataset0);
  band.DataSet = nullptr;
}

TEST_F(FieldReferences, NullsReadAsTheDefaultOfTheFieldType) {
  cds0->Next();  // the row of nulls
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("name")).SameAs(Variant(std::string())));
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("flag")).SameAs(Variant(false)));
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("age")).SameAs(Variant(0)));
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("notes")).SameAs(Variant(0)));
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("big")).SameAs(Variant(std::string())));
}

TEST_F(FieldReferences, ValuesReadAsTheirFieldType) {
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("name")).SameAs(Variant("Ann")));
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("age")).SameAs(Variant(int64_t{42})));
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("flag")).SameAs(Variant(true)));
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("big")).SameAs(Variant("12345678901")));
  cds0->FieldNamed("age").OnGetText = [](TField&, std::string& text, bool) { text = "<" + text + ">"; };
  EXPECT_TRUE(FieldValue(cds0->FieldNamed("age")).SameAs(Variant("<42>")));
}

TEST_F(FieldReferences, FieldValueOpensAClosedTable) {
  cds0->Close();
  FieldValue(cds0->FieldNamed("name"));
  EXPECT_TRUE(cds0->Active());
}

TEST_F(FieldReferences, SplitsAtTheLastDotOutsideQuotes) {
  std::string ds, field;
  SplitReference("cds0.\"na.me\"", ds, field);
  EXPECT_EQ(ds, "cds0");
  EXPECT_EQ(field, "na.me");
  SplitReference("Form.cds0.age", ds, field);
  EXPECT_EQ(ds, "Form.cds0");
  EXPECT_EQ(field, "age");
  SplitReference("\"a.b\"", ds, field);
  EXPECT_EQ(ds, "");
  EXPECT_EQ(field, "");
  SplitReference("plain", ds, field);
  EXPECT_EQ(ds, "");
}

TEST_F(FieldReferences, KnownNamesAreCachedAndRead) {
  TfrDataDictionary& dict = *report->Dictionary;
  EXPECT_TRUE(IsKnownName(*report, "cds0.\"na.me\""));
  EXPECT_TRUE(IsKnownName(*report, "cds0.age"));
  ASSERT_NE(dict.FindCached("cds0.age"), nullptr);
  EXPECT_EQ(dict.FindCached("cds0.age")->DataSet, cds0);
  EXPECT_EQ(dict.FindCached("cds0.age")->DataField, "age");
  EXPECT_TRUE(NameValue(*report, "cds0.age").SameAs(Variant(int64_t{42})));
  EXPECT_TRUE(NameValue(*report, "CDS0.\"NA.ME\"").SameAs(Variant("dotted")));
  EXPECT_FALSE(IsKnownName(*report, "frdataset0.\"name\""));
  EXPECT_FALSE(IsKnownName(*report, "cds0.missing"));
  EXPECT_FALSE(IsKnownName(*report, "nothing"));
  EXPECT_TRUE(NameValue(*report, "nothing").IsNull());
  EXPECT_EQ(dict.FieldCache.size(), 2u);
}

TEST_F(FieldReferences, AliasesLeadToTheirFields) {
  TfrDataDictionary& dict = *report->Dictionary;
  dict.FieldAliases.Assign("cds0", Variant("Customers"));
  dict.FieldAliases.Assign("cds0.\"name\"", Variant("Customer name"));
  EXPECT_EQ(DatasetAliasToName(dict, "customers"), "cds0");
  EXPECT_EQ(DatasetAliasToName(dict, "cds9"), "cds9");
  EXPECT_EQ(FieldAliasToName(dict, "cds0", "customer NAME"), "name");
  EXPECT_EQ(FieldAliasToName(dict, "cds1", "Customer name"), "Customer name");
  EXPECT_TRUE(IsKnownName(*report, "Customers.\"Customer name\""));
  EXPECT_TRUE(NameValue(*report, "Customers.\"Customer name\"").SameAs(Variant("Ann")));
}

TEST_F(FieldReferences, VariablesAreKnownAndEvaluated) {
  TfrDataDictionary& dict = *report->Dictionary;
  dict.Variables.Assign("Age", Variant("cds0.age"));
  dict.Variables.Assign("Sum", Variant("1 + 2"));
  dict.Variables.Assign("Blank", Variant(""));
  EXPECT_TRUE(IsKnownName(*report, "age"));
  ASSERT_NE(dict.FindCached("age"), nullptr);  // the variable's field is cached under its name
  EXPECT_TRUE(NameValue(*report, "Age").SameAs(Variant(int64_t{42})));
  EXPECT_TRUE(IsKnownName(*report, "Sum"));
  EXPECT_EQ(dict.FindCached("Sum"), nullptr);
  EXPECT_EQ(NameValue(*report, "Sum").AsInteger(), 3);
  EXPECT_TRUE(NameValue(*report, "Blank").SameAs(Variant("")));
  Globals().ScriptVariables->Assign("Sum", Variant(99));
  EXPECT_EQ(NameValue(*report, "Sum").AsInteger(), 99);
  Globals().ScriptVariables->DeleteAt(Globals().ScriptVariables->IndexOf("Sum"));
}

TEST_F(FieldReferences, AVariableThatRefersToItselfIsAnError) {
  report->Dictionary->Variables.Assign("Loop", Variant("Loop + 1"));
  AttachReport(SharedParser(), *report);
  try {
    NameValue(*report, "Loop");
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Variable LOOP refers to itself");  // the parser asks in capitals
  }
}

TEST_F(FieldReferences, LargeObjectFieldsCopyIntoLinesAndStreams) {
  EXPECT_TRUE(IsLargeObjectField(&cds0->FieldNamed("notes")));
  EXPECT_FALSE(IsLargeObjectField(&cds0->FieldNamed("name")));
  EXPECT_FALSE(IsLargeObjectField(nullptr));
  TfrLines lines{"old"};
  CopyLargeObject(cds0->FieldNamed("notes"), lines);
  EXPECT_EQ(lines, (TfrLines{"line 1", "line 2"}));
  TMemoryStream stream;
  CopyLargeObject(cds0->FieldNamed("notes"), stream);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(stream.Size(), 14);
}

}  // namespace
}  // namespace lf
