// Prepared reports for the preview tests: A4 pages holding text stamps, an
// add-in object that draws its prepared text lines where it stands (hyperlinks are
// stamps named "URL..." with their target in the tag).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/view.h"
#include "engine/model/view_factory.h"
#include "engine/output/emf_pages.h"
#include "engine/template/template_stream.h"
#include "platform/canvas.h"

namespace lf {

class TTextStampView : public TfrView {
 public:
  const char* ClassName() const override { return "TfrTextStampView"; }
  void Draw(Canvas& canvas) override {
    BeginDraw();
    int32_t y = DrawRect.Top;
    for (const std::string& line : WorkLines) {
      canvas.TextOut(DrawRect.Left, y, line, TextOutOptions{});
      y += canvas.FontMetrics().Height;
    }
    EndDraw();
  }
};

inline void RegisterTextStamp() {
  if (!FindAddInObject("TfrTextStampView"))
    RegisterAddInObject("TfrTextStampView", [] { return std::make_unique<TTextStampView>(); });
}

struct SampleObject {
  int page;  // 0-based
  std::string name;
  int32_t left, top;  // page units
  std::vector<std::string> lines;
  std::string tag;
};

// A report whose prepared pages are count A4 sheets with the objects on them.
inline std::unique_ptr<TfrReport> SampleReport(int count, const std::vector<SampleObject>& objects = {}) {
  RegisterTextStamp();
  auto report = std::make_unique<TfrReport>();
  TfrPage a4(9, 2100, 2970, -1, false);
  for (int i = 0; i < count; ++i) report->PreparedPages->Insert(i, a4);
  for (const SampleObject& o : objects) {
    TTextStampView view;
    view.Name = o.name;
    view.SetBounds(o.left, o.top, 200, 40);
    view.WorkLines = o.lines;  // the text as a prepared page holds it
    view.Tag = o.tag;
    TStream& s = *report->PreparedPages->PageAt(o.page).Stream;
    s.Seek(0, SeekOrigin::End);
    ScopedStreamVersion version(kCurrentStreamVersion);
    view.StreamMode = true;
    WriteU8(s, view.TypeCode);
    WriteFrString(s, view.ClassName());
    view.SaveToStream(s);
    view.StreamMode = false;
  }
  return report;
}

}  // namespace lf
