// libFuzzer target: reads arbitrary bytes as a prepared-report file, then
// rebuilds and draws every page read (also those before a damage) on a
// recording canvas, hit-tests it, and writes what was read. Errors are the
// engine's own exceptions; nothing may crash, hang or allocate beyond a
// small multiple of the input.
#include <string>

#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "engine/output/prepared_report_file.h"
#include "fuzz_engine_input.h"
#include "platform/exception.h"
#include "platform/recording_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return lf::fuzz::RunOnInput(data, size, [](lf::TStream& in) {
    lf::TfrReport report;
    lf::TfrEMFPages& pages = *report.PreparedPages;
    pages.OpenLink = [](const std::string&) { return false; };  // never start anything
    try {
      lf::ReadPreparedReport(in, pages);
    } catch (const lf::Exception&) {
    }
    for (int i = 0; i < pages.Count(); ++i) {
      lf::TPreparedPage& page = pages.PageAt(i);
      page.Shown = true;
      lf::RecordingCanvas canvas;
      try {
        pages.Draw(i, canvas, {0, 0, 794, 1123});
        std::string link;
        int cursor = lf::kCursorDefault;
        pages.HitTest(i, 10, 10, link, cursor, true);
        pages.HitTest(i, 10, 10, link, cursor, false);
      } catch (const lf::Exception&) {
      }
      page.Shown = false;
      pages.Draw(i, canvas, {});
    }
    if (pages.Count() > 0) {
      lf::TMemoryStream out;
      lf::WritePreparedReport(out, pages, {});
    }
  });
}
