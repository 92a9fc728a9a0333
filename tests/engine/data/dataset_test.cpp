// Report datasets: counting datasets, walking record tables with ranges and
// events, the table binding and its clearing, and band data sources.
#include "engine/data/dataset.h"

#include <gtest/gtest.h>

#include "param_name.h"

#include <ostream>
#include <string>
#include <vector>

#include "engine/model/band.h"
#include "engine/data/dataset_errors.h"
#include "engine/data/band_dataset.h"
#include "engine/data/field_value.h"
#include "engine/model/band_view.h"
#include "engine/model/properties.h"

namespace lf {
namespace {

// A container like the control: a table cds0 with rows "a".."e" and the
// report dataset frdataset0 bound to it.
class Datasets : public ::testing::Test {
 protected:
  void SetUp() override {
    table = TComponent::Create<TClientDataSet>(&owner, "cds0");
    table->DefineField("name", ftString, 20, false);
    table->CreateTable();
    for (const char* n : {"a", "b", "c", "d", "e"}) table->AppendRowValues({TFieldValue(n)});
    dataset = TComponent::Create<TfrDBDataSet>(&owner, "frdataset0");
    dataset->SetDataSet(table);
  }

  // Walks as the engine does: First, then Next while not Eof.
  std::vector<std::string> Walk(TfrDataset& d) {
    std::vector<std::string> seen;
    d.First();
    for (int guard = 0; !d.Eof() && guard < 100; ++guard) {
      seen.push_back(table->FieldNamed("name").AsString());
      d.Next();
    }
    return seen;
  }

  TComponent owner;
  TClientDataSet* table = nullptr;
  TfrDBDataSet* dataset = nullptr;
};

TEST_F(Datasets, CountingDatasetWalksItsRecordNumbers) {
  BandDataset resolved = ResolveBandDataset(&owner, "3");
  TfrDataset* counter = resolved.Used;
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(resolved.Owned.get(), counter);
  EXPECT_NE(dynamic_cast<TfrUserDataset*>(counter), nullptr);
  std::vector<int> numbers;
  int nextEvents = 0, firstEvents = 0;
  counter->OnNext = [&](TfrDataset*) { ++nextEvents; };
  counter->OnFirst = [&](TfrDataset*) { ++firstEvents; };
  counter->First();
  while (!counter->Eof()) {
    numbers.push_back(counter->RecordNo);
    counter->Next();
  }
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(counter->RecordNo, 3);
  EXPECT_EQ(firstEvents, 1);
  EXPECT_EQ(nextEvents, 2);  // the step that reaches the count raises nothing
  counter->Prior();
  EXPECT_EQ(counter->RecordNo, 2);
  EXPECT_FALSE(counter->Eof());
  ReleaseBandDataset(counter);
}

TEST_F(Datasets, CheckEofHandlerDecidesTheEnd) {
  TfrUserDataset user;
  EXPECT_FALSE(user.Eof());  // reLast without a table never ends by itself
  user.OnCheckEOF = [](TfrDataset* d, bool& eof) { eof = d->RecordNo >= 2; };
  user.First();
  user.Next();
  EXPECT_FALSE(user.Eof());
  user.Next();
  EXPECT_TRUE(user.Eof());
}

struct BadNameCase {
  const char* name;
  const char* message;
};
void PrintTo(const BadNameCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }
class BandDatasetNames : public Datasets, public ::testing::WithParamInterface<BadNameCase> {};
TEST_P(BandDatasetNames, RejectsNumbersThatAreNoInteger) {
  try {
    ResolveBandDataset(&owner, GetParam().name);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), GetParam().message);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Datasets, BandDatasetNames,
    ::testing::Values(BadNameCase{"3a", "'3a' is not a valid integer value"},
                      BadNameCase{"1 ", "'1 ' is not a valid integer value"},
                      BadNameCase{"2147483648", "'2147483648' is not a valid integer value"},
                      BadNameCase{"10000001", "The data source 10000001 counts more than 10000000 records"},
                      BadNameCase{"99999999999999999999",
                                  "'99999999999999999999' is not a valid integer value"}),
    [](const ::testing::TestParamInfo<BandDatasetNames::ParamType>& info) { return lf::test::ParamName(info.param.name); });

TEST_F(Datasets, BandDataSourceNamesAReportDatasetOrNothing) {
  table->Close();
  BandDataset named = ResolveBandDataset(&owner, "FRDATASET0");
  EXPECT_EQ(named.Used, dataset);
  EXPECT_EQ(named.Owned, nullptr);
  EXPECT_TRUE(table->Active());  // Init opened the table
  EXPECT_EQ(ResolveBandDataset(&owner, "frdataset7").Used, nullptr);
  EXPECT_EQ(ResolveBandDataset(&owner, "").Used, nullptr);
  EXPECT_EQ(ResolveBandDataset(&owner, "10000000").Used->RangeEndCount, kMaxCountingRecords);
  try {
    ResolveBandDataset(&owner, "cds0");
    FAIL() << "no error";
  } catch (const EInvalidCast& e) {
    EXPECT_EQ(e.Message(), "Invalid class typecast");
  }
}

TEST_F(Datasets, WalksEveryRowOfItsTable) {
  dataset->Init();
  EXPECT_EQ(Walk(*dataset), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(dataset->RecordNo, 5);
  dataset->Exit();
}

TEST_F(Datasets, EmptyTableEndsAtOnce) {
  auto* empty = TComponent::Create<TClientDataSet>(&owner, "cds1");
  empty->DefineField("name", ftString, 20, false);
  empty->CreateTable();
  auto* d = TComponent::Create<TfrDBDataSet>(&owner, "frdataset1");
  d->SetDataSet(empty);
  d->RangeBegin = rbCurrent;
  d->RangeEnd = reCurrent;
  d->Init();
  d->First();
  EXPECT_TRUE(d->Eof());
  d->Exit();
}

TEST_F(Datasets, CurrentRangeWalksTheRowCurrentAtInitAndRestoresIt) {
  table->First();
  table->Next();
  table->Next();  // on "c"
  dataset->RangeBegin = rbCurrent;
  dataset->RangeEnd = reCurrent;
  dataset->Init();
  EXPECT_TRUE(dataset->HasSavedMark());
  EXPECT_EQ(Walk(*dataset), std::vector<std::string>{"c"});
  table->Last();
  dataset->Exit();
  EXPECT_FALSE(dataset->HasSavedMark());
  EXPECT_EQ(table->FieldNamed("name").AsString(), "c");
}

TEST_F(Datasets, FromTheFirstRowUpToTheCurrentOneEndsThere) {
  table->First();
  table->Next();  // on "b"
  dataset->RangeEnd = reCurrent;
  dataset->Init();
  EXPECT_EQ(Walk(*dataset), (std::vector<std::string>{"a", "b"}));
  dataset->Exit();
  EXPECT_EQ(table->FieldNamed("name").AsString(), "b");
}

TEST_F(Datasets, CountRangeStopsAfterThatManyRecords) {
  dataset->RangeEnd = reCount;
  dataset->RangeEndCount = 2;
  dataset->Init();
  EXPECT_EQ(Walk(*dataset), (std::vector<std::string>{"a", "b"}));
  dataset->Exit();
}

TEST_F(Datasets, OpensAndClosesTheTableAsConfigured) {
  std::vector<std::string> events;
  dataset->OnOpen = [&](TfrDataset*) { events.push_back(table->Active() ? "open:active" : "open:closed"); };
  dataset->OnClose = [&](TfrDataset*) { events.push_back(table->Active() ? "close:active" : "close:closed"); };
  table->Close();
  dataset->CloseDataSource = true;
  dataset->Init();
  dataset->Exit();
  EXPECT_FALSE(table->Active());
  dataset->OpenDataSource = false;
  dataset->Init();
  EXPECT_FALSE(table->Active());
  EXPECT_TRUE(dataset->Eof());  // a closed table has no rows to walk
  EXPECT_EQ(events, (std::vector<std::string>{"open:active", "close:active", "open:closed"}));
}

TEST_F(Datasets, WithoutATableEveryTableOperationFails) {
  auto* unbound = TComponent::Create<TfrDBDataSet>(&owner, "frdataset9");
  for (auto op : std::vector<void (*)(TfrDBDataSet&)>{
           [](TfrDBDataSet& d) { d.Init(); }, [](TfrDBDataSet& d) { d.First(); },
           [](TfrDBDataSet& d) { d.Next(); }, [](TfrDBDataSet& d) { (void)d.Eof(); }}) {
    try {
      op(*unbound);
      ADD_FAILURE() << "no error";
    } catch (const EDatasetError& e) {
      EXPECT_EQ(e.Message(), "Unable to open dataset frdataset9");
    }
  }
  unbound->Exit();  // nothing saved, nothing to close: no table needed
}

TEST_F(Datasets, ADataSourceLinkTakesPrecedenceAndSettingOneClearsTheOther) {
  auto* other = TComponent::Create<TClientDataSet>(&owner, "cds1");
  other->DefineField("x", ftString, 5, false);
  other->CreateTable();
  auto* link = TComponent::Create<TDataSource>(&owner, "ds1");
  link->SetDataSet(other);
  dataset->SetDataSource(link);
  EXPECT_EQ(dataset->DataSet(), nullptr);
  EXPECT_EQ(&TableOf(*dataset), other);
  dataset->SetDataSet(table);
  EXPECT_EQ(dataset->DataSource(), nullptr);
  EXPECT_EQ(&TableOf(*dataset), table);
}

TEST_F(Datasets, DestroyedTablesAndLinksAreForgotten) {
  auto* link = TComponent::Create<TDataSource>(&owner, "ds1");
  auto* other = TComponent::Create<TClientDataSet>(&owner, "cds1");
  link->SetDataSet(other);
  dataset->SetDataSource(link);
  other->Free();
  EXPECT_EQ(link->DataSet(), nullptr);
  link->Free();
  EXPECT_EQ(dataset->DataSource(), nullptr);
  dataset->SetDataSet(table);
  table->Free();
  EXPECT_EQ(dataset->DataSet(), nullptr);
  EXPECT_THROW(TableOf(*dataset), EDatasetError);
}

TEST_F(Datasets, ADatasetGoneBeforeItsTableLeavesTheTableIntact) {
  size_t members = table->ComponentCount();
  dataset->Free();
  EXPECT_EQ(table->ComponentCount(), members - 1);
  EXPECT_EQ(table->RecordCount(), 5);
}

TEST_F(Datasets, BandViewMethodsWalkTheBandsDataset) {
  TfrBandView view;
  view.SetBandType(btMasterData);
  TfrBand band(btMasterData, nullptr, &view);
  band.DataSet = dataset;
  dataset->Init();
  Variant result;
  view.CallMethod("FIRST", Variant(), Variant(), Variant(), result);
  view.CallMethod("NEXT", Variant(), Variant(), Variant(), result);
  EXPECT_EQ(table->FieldNamed("name").AsString(), "b");
  view.CallMethod("PRIOR", Variant(), Variant(), Variant(), result);
  EXPECT_EQ(table->FieldNamed("name").AsString(), "a");
  EXPECT_FALSE(view.GetProperty("EOF").AsBoolean());
}

}  // namespace
}  // namespace lf
