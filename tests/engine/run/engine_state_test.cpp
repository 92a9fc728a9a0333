// The engine-wide run state against reports that come and go.
#include <gtest/gtest.h>

#include <memory>

#include "engine/run/globals.h"
#include "engine/model/report.h"

namespace lf {
namespace {

TEST(EngineStateLifetime, DestroyedCurrentReportLeavesNoDanglingState) {
  auto report = std::make_unique<TfrReport>();
  EngineState().CurReport = report.get();
  report.reset();
  EXPECT_EQ(EngineState().CurReport, nullptr);
  EXPECT_EQ(EngineState().CurPage, nullptr);
  EXPECT_EQ(EngineState().CurView, nullptr);
}

TEST(EngineStateLifetime, AnotherReportGoingKeepsTheCurrentOne) {
  TfrReport current;
  EngineState().CurReport = &current;
  { TfrReport other; }
  EXPECT_EQ(EngineState().CurReport, &current);
  EngineState().CurReport = nullptr;
}

}  // namespace
}  // namespace lf
