// Helpers of the prepared-page tests: appending object records as band
// printing does, and a registered add-in object that notes how it is drawn.
#pragma once

#include <string>
#include <vector>

#include "engine/model/view.h"
#include "engine/model/view_factory.h"
#include "engine/output/prepared_page.h"
#include "engine/run/globals.h"
#include "engine/template/template_stream.h"

namespace lf {

// Appends view's prepared record to the end of the page's stream.
inline void AppendRecord(TPreparedPage& page, TfrView& view) {
  TStream& s = *page.Stream;
  s.Seek(0, SeekOrigin::End);
  ScopedStreamVersion version(kCurrentStreamVersion);
  view.StreamMode = true;
  WriteU8(s, view.TypeCode);
  if (view.TypeCode == gtAddIn) WriteFrString(s, view.ClassName());
  view.SaveToStream(s);
  view.StreamMode = false;
}

struct TProbeDraw {
  std::string Name;
  double ScaleX, ScaleY;
  int32_t OffsetX, OffsetY;
  bool Printing;
  int DocMode;
};

inline std::vector<TProbeDraw>& ProbeDraws() {
  static std::vector<TProbeDraw> draws;
  return draws;
}

inline std::vector<std::string> ProbeNames() {
  std::vector<std::string> names;
  for (const TProbeDraw& d : ProbeDraws()) names.push_back(d.Name);
  return names;
}

// An add-in object (type code 10) that records every Draw.
class TProbeView : public TfrView {
 public:
  const char* ClassName() const override { return "TfrProbeView"; }
  void Draw(Canvas&) override {
    ProbeDraws().push_back({Name, ScaleX, ScaleY, DrawOffsetX, DrawOffsetY, Printing,
                            EngineState().DocMode});
  }
};

inline void RegisterProbeView() {
  if (!FindAddInObject("TfrProbeView"))
    RegisterAddInObject("TfrProbeView", [] { return std::make_unique<TProbeView>(); });
}

}  // namespace lf
