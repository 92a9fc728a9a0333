// EngineStateScope: saves the engine globals that drawing, measuring and hit
// tests change (current report, page, band, object, document mode, stream
// version) and puts them back when it goes, because the preview draws while
// a preparation dispatches messages.
#pragma once

#include "engine/run/globals.h"

namespace lf {

class EngineStateScope {
 public:
  EngineStateScope() : saved_(Take()) {}
  ~EngineStateScope() { Put(saved_); }
  EngineStateScope(const EngineStateScope&) = delete;
  EngineStateScope& operator=(const EngineStateScope&) = delete;

 private:
  struct Saved {
    TfrReport* CurReport;
    TfrPage* CurPage;
    TfrBand* CurBand;
    TfrView* CurView;
    int DocMode;
    int StreamVersion;
  };
  static Saved Take() {
    const TfrEngineState& s = EngineState();
    return {s.CurReport, s.CurPage, s.CurBand, s.CurView, s.DocMode, s.StreamVersion};
  }
  static void Put(const Saved& v) {
    TfrEngineState& s = EngineState();
    s.CurReport = v.CurReport;
    s.CurPage = v.CurPage;
    s.CurBand = v.CurBand;
    s.CurView = v.CurView;
    s.DocMode = v.DocMode;
    s.StreamVersion = v.StreamVersion;
  }
  Saved saved_;
};

}  // namespace lf
