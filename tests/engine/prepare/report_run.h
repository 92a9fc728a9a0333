// A report made in a test: record tables from a data text, template pages
// built from bands and texts, and the prepared pages read back as text.
#pragma once

#include <algorithm>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/data_tables.h"
#include "engine/data/dataset.h"
#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/report.h"
#include "engine/model/subreport_view.h"
#include "engine/output/emf_pages.h"
#include "engine/prepare/preparation.h"
#include "engine/run/globals.h"
#include "platform/component.h"
#include "platform/format_settings.h"

namespace lf::test {

class ReportRun {
 public:
  // data: a data text of JSON arrays, one table (cds0, ...) and report
  // dataset (frdataset0, ...) per array.
  explicit ReportRun(const std::string& data = "") {
    report_ = TComponent::Create<TfrReport>(&owner_, "frReport1");
    report_->ShowProgress = false;
    if (!data.empty())
      LoadDataTables(data, owner_, tables_, [this](size_t i, TClientDataSet& table) {
        auto* ds = TComponent::Create<TfrDBDataSet>(&owner_, "frdataset" + std::to_string(i));
        ds->SetDataSet(&table);
        ds->OpenTable();
      });
  }
  ~ReportRun() {
    EngineState() = TfrEngineState{};
    SharedParser().ValueCallback = nullptr;
    SharedParser().FunctionCallback = nullptr;
  }

  TfrReport& Report() { return *report_; }

  // A report page whose usable area runs from (20, 20) to (520, bottom).
  TfrPage& AddPage(int32_t bottom = 220) {
    TfrPage& page = *report_->Pages->Add();
    page.Margins = {20, 20, page.Metrics.SheetWidth - 520, page.Metrics.SheetHeight - bottom};
    return page;
  }

  TfrBandView& Band(TfrPage& page, TfrBandType kind, int32_t top, int32_t height,
                    const std::string& source = "", uint16_t flags = 0) {
    auto view = std::make_unique<TfrBandView>();
    view->SetBandType(kind);
    view->Name = std::string(BandKindName(kind)) + std::to_string(++serial_);
    view->Name.erase(std::remove(view->Name.begin(), view->Name.end(), ' '), view->Name.end());
    view->SetBounds(0, top, 500, height);
    view->FormatStr = source;
    view->Flags = flags;
    return static_cast<TfrBandView&>(*page.AddObject(std::move(view)));
  }

  TfrMemoView& Text(TfrPage& page, int32_t left, int32_t top, const std::string& text,
                    int32_t width = 100, int32_t height = 20) {
    auto view = std::make_unique<TfrMemoView>();
    view->Name = "Memo" + std::to_string(++serial_);
    view->SetBounds(left, top, width, height);
    view->Memo = {text};
    view->Flags = flWordWrap;
    return static_cast<TfrMemoView&>(*page.AddObject(std::move(view)));
  }

  TfrSubReportView& SubReport(TfrPage& page, int32_t left, int32_t top, int32_t subPage) {
    auto view = std::make_unique<TfrSubReportView>();
    view->Name = "SubReport" + std::to_string(++serial_);
    view->SetBounds(left, top, 200, 20);
    view->SubPage = subPage;
    return static_cast<TfrSubReportView&>(*page.AddObject(std::move(view)));
  }

  bool Prepare(TfrRunOptions options = {}) { return PrepareReport(*report_, std::move(options)); }

  // Each prepared page as "top:text" of its texts in drawing order, joined
  // by " | "; a text's left follows as "@left" when it is not 20.
  std::vector<std::string> Pages() {
    std::vector<std::string> out;
    TfrEMFPages& pages = *report_->PreparedPages;
    for (int i = 0; i < pages.Count(); ++i) {
      pages.LoadPage(i);
      std::string line;
      for (auto& obj : pages.PageAt(i).Page->Objects) {
        auto* memo = dynamic_cast<TfrMemoView*>(obj.get());
        if (!memo) continue;
        std::string text;
        for (std::string l : memo->Memo) {
          // Lines of a split text keep their layout marker.
          l.erase(std::remove(l.begin(), l.end(), '\x01'), l.end());
          text += (text.empty() ? "" : "/") + l;
        }
        if (!line.empty()) line += " | ";
        line += std::to_string(memo->Top) + ":" + text;
        if (memo->Left != 20) line += "@" + std::to_string(memo->Left);
      }
      pages.PageAt(i).Page.reset();
      out.push_back(line);
    }
    return out;
  }

 private:
  ScopedFormatSettings fs_{InvariantFormatSettings()};
  TComponent owner_;
  TfrReport* report_ = nullptr;
  std::vector<TClientDataSet*> tables_;
  int serial_ = 0;
};

// A table-driven report case: data, a build of the template pages, and the
// pages expected as ReportRun::Pages gives them.
struct ReportCase {
  const char* name;
  std::string data;
  std::function<void(ReportRun&)> build;
  std::vector<std::string> pages;
};

inline void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

inline std::string ReportCaseName(const ::testing::TestParamInfo<ReportCase>& info) { return info.param.name; }

// Builds, prepares and reads back the case's report.
inline std::vector<std::string> PagesOf(const ReportCase& c) {
  ReportRun run(c.data);
  c.build(run);
  if (!run.Prepare()) return {"(not prepared)"};
  return run.Pages();
}

// A data text of one table with field n holding 1..count.
inline std::string Numbers(int count, const std::string& field = "n") {
  std::string text = "[";
  for (int i = 1; i <= count; ++i)
    text += std::string(i > 1 ? "," : "") + "{\"" + field + "\":\"" + std::to_string(i) + "\"}";
  return text + "]";
}

}  // namespace lf::test
