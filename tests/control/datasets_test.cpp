// The control wraps every record table of a load as the report dataset
// frdataset<i>, and releases both with the next load and with itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/lumenfoldi.h"
#include "engine/data/band_dataset.h"
#include "engine/data/field_reference.h"
#include "engine/data/field_value.h"

namespace lf {
namespace {

constexpr const char* kTwoArrays = "[{\"a\":\"1\"},{\"a\":\"2\"}]\r\n[{\"b\":\"x\"}]";

TEST(ControlDatasets, EachTableGetsAnOpenBoundDatasetNamedAfterIt) {
  Tlumenfoldi control;
  control.LoadDataText(kTwoArrays);
  ASSERT_EQ(control.tables().size(), 2u);
  ASSERT_EQ(control.datasets().size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    TfrDBDataSet* d = control.datasets()[i];
    EXPECT_EQ(d->Name(), "frdataset" + std::to_string(i));
    EXPECT_EQ(d->Owner(), &control);
    EXPECT_EQ(d->DataSet(), control.tables()[i]);
    EXPECT_TRUE(d->OpenDataSource);
    EXPECT_TRUE(control.tables()[i]->Active());
  }
  EXPECT_EQ(control.FindComponent("FRDATASET1"), control.datasets()[1]);
}

TEST(ControlDatasets, ABandOverFrdataset0WalksTheRowsOfCds0) {
  Tlumenfoldi control;
  control.LoadDataText(kTwoArrays);
  BandDataset resolved = ResolveBandDataset(&control, "frdataset0");
  TfrDataset* d = resolved.Used;
  ASSERT_EQ(d, control.datasets()[0]);
  EXPECT_EQ(resolved.Owned, nullptr);
  TClientDataSet* table = nullptr;
  std::string field = ResolveFieldReference(&control, "cds0.\"a\"", table);
  ASSERT_EQ(field, "a");
  std::vector<std::string> values;
  for (d->First(); !d->Eof(); d->Next()) values.push_back(FieldValue(table->FieldNamed(field)).AsText());
  EXPECT_EQ(values, (std::vector<std::string>{"1", "2"}));
  ReleaseBandDataset(d);
}

TEST(ControlDatasets, ANewLoadReleasesTheDatasetsOfTheLastOne) {
  Tlumenfoldi control;
  control.LoadDataText(kTwoArrays);
  size_t members = control.ComponentCount();
  control.LoadDataText("[{\"c\":\"y\"}]");
  ASSERT_EQ(control.datasets().size(), 1u);
  EXPECT_EQ(control.ComponentCount(), members - 2);
  EXPECT_EQ(control.FindComponent("frdataset1"), nullptr);
  EXPECT_EQ(control.FindComponent("cds1"), nullptr);
  EXPECT_EQ(control.datasets()[0]->DataSet(), control.tables()[0]);
  control.LoadDataText("no arrays at all");
  EXPECT_TRUE(control.datasets().empty());
  EXPECT_EQ(control.FindComponent("frdataset0"), nullptr);
  control.LoadDataText(kTwoArrays);
  EXPECT_EQ(control.datasets().size(), 2u);
}

}  // namespace
}  // namespace lf
