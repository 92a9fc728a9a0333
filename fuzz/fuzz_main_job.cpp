// libFuzzer target: the whole main job. An input is a small data text and a
// binary template: its first two bytes (little endian) give the data text's
// length, the data text follows and the template is the rest. The record
// tables and report datasets are built as the control builds them, the
// template loads, the report prepares and every prepared page is drawn on a
// recording canvas. Run with -rss_limit_mb=2048 -timeout=20, so that runaway
// pages, slow paths and memory bombs are findings.
#include <string>
#include <string_view>
#include <vector>

#include "data/data_tables.h"
#include "engine/data/dataset.h"
#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "engine/prepare/preparation.h"
#include "engine/template/template_format.h"
#include "fuzz_engine_input.h"
#include "platform/component.h"
#include "platform/message_box.h"
#include "platform/recording_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t dataLength = std::min<size_t>(data[0] | (size_t{data[1]} << 8), size - 2);
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, dataLength);
  return lf::fuzz::RunOnInput(data + 2 + dataLength, size - 2 - dataLength, [text](lf::TStream& in) {
    lf::RecordingMessageService boxes;
    lf::ScopedMessageService scoped(&boxes);
    lf::TComponent owner;
    std::vector<lf::TClientDataSet*> tables;
    try {
      lf::LoadDataTables(text, owner, tables, [&owner](size_t i, lf::TClientDataSet& table) {
        auto* ds = lf::TComponent::Create<lf::TfrDBDataSet>(&owner, "frdataset" + std::to_string(i));
        ds->SetDataSet(&table);
        ds->OpenTable();
      });
    } catch (const lf::Exception&) {
      // The tables built before the error stay, as in the control.
    }
    auto* report = lf::TComponent::Create<lf::TfrReport>(&owner, "frReport1");
    report->ShowProgress = false;
    lf::LoadFromStream(*report, in);
    if (!boxes.boxes.empty()) return;
    try {
      lf::PrepareReport(*report);
    } catch (const lf::Exception&) {
      return;
    }
    if (!report->PreparedPages) return;
    lf::TfrEMFPages& pages = *report->PreparedPages;
    pages.OpenLink = [](const std::string&) { return false; };  // never start anything
    for (int i = 0; i < pages.Count(); ++i) {
      lf::TPreparedPage& page = pages.PageAt(i);
      page.Shown = true;
      lf::RecordingCanvas canvas;
      try {
        pages.Draw(i, canvas, {0, 0, 794, 1123});
      } catch (const lf::Exception&) {
      }
      page.Shown = false;
      pages.Draw(i, canvas, {});
    }
  });
}
