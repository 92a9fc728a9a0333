// Aggregates driven on bands: registration keys, defaults by band kind,
// accumulation of visible and flagged records, reading and reset.
#include <gtest/gtest.h>

#include <memory>

#include "engine/functions/aggregates.h"
#include "engine/model/band.h"
#include "engine/run/globals.h"
#include "engine/model/memo_view.h"
#include "engine/model/report.h"
#include "engine/functions/report_values.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

class AggregateTest : public ::testing::Test {
 protected:
  AggregateTest() {
    AttachReport(SharedParser(), *report_);
    report_->OnGetValue = [this](const std::string& name, Variant& value) {
      if (name == "PRICE") value = price_;
    };
    data_.Name = "MasterData1";
    footer_.Name = "MasterFooter1";
  }
  ~AggregateTest() override {
    SharedParser().ValueCallback = nullptr;
    SharedParser().FunctionCallback = nullptr;
    EngineState() = TfrEngineState{};
  }

  // Registers calls written in summarizing for data.
  void Register(TfrBand& summarizing, const std::vector<std::string>& calls, TfrBand* data = nullptr) {
    TfrBand& d = data ? *data : data_;
    EngineState().AggregatesRegistering = true;
    EngineState().AggregateDataBand = &d;
    EngineState().CurBand = &summarizing;
    for (const std::string& c : calls) SharedParser().EvaluatePostfix(c);
    EngineState().AggregatesRegistering = false;
    EngineState().AggregateDataBand = nullptr;
  }
  void Record(const Variant& price, bool visible = true) {
    price_ = price;
    data_.Visible = visible;
    EngineState().CurBand = &data_;
    AccumulateAggregates(data_, SharedParser());
  }
  Variant Read(const std::string& call, TfrBand* band = nullptr) {
    EngineState().CurBand = band ? band : &footer_;
    return SharedParser().Evaluate(call);
  }

  ScopedFormatSettings fs_{InvariantFormatSettings()};
  TComponent owner_;
  TfrReport* report_ = TComponent::Create<TfrReport>(&owner_, "frReport1");
  TfrBand data_{btMasterData, nullptr};
  TfrBand footer_{btMasterFooter, nullptr};
  Variant price_;
};

TEST_F(AggregateTest, RegistrationStoresKeyWithInitialValue) {
  Register(footer_, {"SUM(Price)", "MIN(Price)", "COUNT(MasterData1, 1)", "AVG(Price, , 1)"});
  TfrVariables& list = data_.Aggregates;
  ASSERT_EQ(list.Count(), 4);
  const std::string end(1, '\1');
  auto key = [&](char kind, const std::string& expr, const std::string& flag) {
    return "MasterFooter1" + end + std::string(1, kind) + end + expr + end + flag + end;
  };
  EXPECT_EQ(list.NameAt(0), key(11, "Price", ""));
  EXPECT_EQ(list.NameAt(2), key(15, "MasterData1", " 1"));
  EXPECT_EQ(list.NameAt(3), key(14, "Price", " 1"));
  EXPECT_TRUE(list.ValueAt(0).SameAs(Variant(0)));
  EXPECT_TRUE(list.ValueAt(1).IsNull());  // MIN: no value yet
  EXPECT_EQ(footer_.AggregateSource, &data_);
}

TEST_F(AggregateTest, SumOverVisibleRecordsRestartsAfterReset) {
  Register(footer_, {"SUM(Price)"});
  Record(10);
  Record(2.5);
  Record(100, /*visible=*/false);
  EXPECT_EQ(Read("SUM(Price)").AsDouble(), 12.5);
  EXPECT_EQ(data_.RecordCount, 3);
  ResetAggregates(footer_);
  EXPECT_EQ(data_.RecordCount, 0);
  Record(4);
  EXPECT_EQ(Read("SUM(Price)").AsDouble(), 4);
}

TEST_F(AggregateTest, FlagOneTakesHiddenRecordsAndBandNameIgnoresCase) {
  Register(footer_, {"SUM(Price, masterdata1, 1)", "COUNT(MASTERDATA1)"});
  ASSERT_EQ(data_.Aggregates.Count(), 2);
  Record(1);
  Record(2, false);
  Record(3);
  EXPECT_EQ(Read("SUM(Price, masterdata1, 1)").AsDouble(), 6);
  EXPECT_EQ(Read("COUNT(MASTERDATA1)").AsInteger(), 2);
}

TEST_F(AggregateTest, AverageDividesByRecordCountAndIsZeroWithoutRecords) {
  Register(footer_, {"AVG(Price)"});
  EXPECT_TRUE(Read("AVG(Price)").SameAs(Variant(0)));
  Record(1);
  Record(2);
  EXPECT_DOUBLE_EQ(Read("AVG(Price)").AsDouble(), 1.5);
}

TEST_F(AggregateTest, MaxOfNegativesAndMinOfLargeValuesAreTheirExtremes) {
  Register(footer_, {"MAX(Price)", "MIN(Price)"});
  EXPECT_TRUE(Read("MAX(Price)").SameAs(Variant(0)));  // no record yet
  EXPECT_TRUE(Read("MIN(Price)").SameAs(Variant(0)));
  Record(-5);
  Record(-2);
  Record(-9);
  EXPECT_EQ(Read("MAX(Price)").AsDouble(), -2);
  EXPECT_EQ(Read("MIN(Price)").AsDouble(), -9);
  ResetAggregates(footer_);
  Record(1e301);
  EXPECT_EQ(Read("MIN(Price)").AsDouble(), 1e301);
}

TEST_F(AggregateTest, NullValuesCountAsZero) {
  Register(footer_, {"SUM(Price)", "MIN(Price)"});
  Record(Variant::Null());
  Record(3);
  EXPECT_EQ(Read("SUM(Price)").AsDouble(), 3);
  EXPECT_EQ(Read("MIN(Price)").AsDouble(), 0);
}

TEST_F(AggregateTest, DefaultDataBandFollowsTheSummarizingKind) {
  TfrBand detail(btDetailData, nullptr);
  detail.Name = "DetailData1";
  TfrBand detailFooter(btDetailFooter, nullptr);
  detailFooter.Name = "DetailFooter1";
  // A detail footer without a band name sums the detail band, not the master.
  Register(detailFooter, {"SUM(Price)"}, &data_);
  EXPECT_EQ(data_.Aggregates.Count(), 0);
  Register(detailFooter, {"SUM(Price)"}, &detail);
  EXPECT_EQ(detail.Aggregates.Count(), 1);
  EXPECT_EQ(DefaultAggregateDataKind(btReportSummary), btMasterData);
  EXPECT_EQ(DefaultAggregateDataKind(btGroupFooter), btMasterData);
  EXPECT_EQ(DefaultAggregateDataKind(btSubDetailFooter), btSubDetailData);
  EXPECT_EQ(DefaultAggregateDataKind(btCrossFooter), btCrossData);
  EXPECT_EQ(DefaultAggregateDataKind(btPageHeader), -1);
}

TEST_F(AggregateTest, CallOutsideSummarizingBandsReadsTextZero) {
  TfrBand header(btPageHeader, nullptr);
  header.Name = "PageHeader1";
  Register(header, {"SUM(Price)", "SUM(Price, NoSuchBand)"});
  EXPECT_EQ(data_.Aggregates.Count(), 0);
  Variant v = Read("SUM(Price)", &header);
  EXPECT_TRUE(v.SameAs(Variant("0")));
}

TEST_F(AggregateTest, RegistrationPassScansObjectTextsAndSwitchesModeOff) {
  auto memo = std::make_unique<TfrMemoView>();
  memo->Memo = {"Total: [SUM(Price)] of [COUNT(MasterData1)]", "[IF(1, MAX(Price), 0)] [x"};
  footer_.Objects.push_back(memo.get());
  RegisterAggregates(data_, {&footer_}, SharedParser(), nullptr, Globals().Interpreter.get());
  EXPECT_EQ(data_.Aggregates.Count(), 3);
  EXPECT_FALSE(EngineState().AggregatesRegistering);
  EXPECT_EQ(EngineState().AggregateDataBand, nullptr);
  footer_.Objects.clear();  // the band lets go of objects it does not own
}

TEST_F(AggregateTest, RegistrationModeEndsWhenTheScanFails) {
  auto memo = std::make_unique<TfrMemoView>();
  // Arguments are not evaluated while registering; a call of four is rejected.
  memo->Memo = {"[SUM(COPY('a', 'x', 1))] [MAX(Price, MasterData1, 1, 2)]"};
  footer_.Objects.push_back(memo.get());
  EXPECT_THROW(RegisterAggregates(data_, {&footer_}, SharedParser(), nullptr, nullptr),
               EParserError);
  EXPECT_FALSE(EngineState().AggregatesRegistering);
  EXPECT_EQ(data_.Aggregates.Count(), 1);
  footer_.Objects.clear();
}

TEST(AggregateSplitter, FindsCallsInBracketsAndThroughVariables) {
  std::vector<std::string> found;
  TfrVariables vars;
  vars.Assign("Total", Variant("SUM([Price]) * 2"));
  TAggregateFunctionsSplitter splitter(found, &vars);
  splitter.SplitMemo({"[Total] / [COUNT(MasterData1)]", "'SUM(no)' [AVG(MAX(x))]", "[SUM(Order)"});
  EXPECT_EQ(found, (std::vector<std::string>{"SUM([Price])", "COUNT(MasterData1)", "MAX(x)",
                                             "AVG(MAX(x))"}));
}

}  // namespace
}  // namespace lf
