// Band kinds: the 23 kinds a band view keeps in its FrameTyp field and a
// run-time band in its Kind field, with their display names.
#pragma once

#include <array>

namespace lf {

enum TfrBandType : int {
  btReportTitle = 0,
  btReportSummary = 1,
  btPageHeader = 2,
  btPageFooter = 3,
  btMasterHeader = 4,
  btMasterData = 5,
  btMasterFooter = 6,
  btDetailHeader = 7,
  btDetailData = 8,
  btDetailFooter = 9,
  btSubDetailHeader = 10,
  btSubDetailData = 11,
  btSubDetailFooter = 12,
  btOverlay = 13,
  btColumnHeader = 14,
  btColumnFooter = 15,
  btGroupHeader = 16,
  btGroupFooter = 17,
  btCrossHeader = 18,
  btCrossData = 19,
  btCrossFooter = 20,
  btChild = 21,
  btNone = 22,  // run time only: holds the objects that lie in no band
};

inline constexpr int kBandKindCount = 23;

// Localized string numbers of the kind names: first + kind.
inline constexpr int kBandKindNameFirstString = 55077;

// English names of the kinds, by kind.
inline constexpr std::array<const char*, kBandKindCount> kBandKindNames = {
    "Report title",  "Report summary",   "Page header",      "Page footer",
    "Master header", "Master data",      "Master footer",    "Detail header",
    "Detail data",   "Detail footer",    "Subdetail header", "Subdetail data",
    "Subdetail footer", "Overlay",       "Column header",    "Column footer",
    "Group header",  "Group footer",     "Cross header",     "Cross data",
    "Cross footer",  "Child",            "None"};

// The kind's name, or empty text for a number outside 0..22.
inline const char* BandKindName(int kind) {
  return kind >= 0 && kind < kBandKindCount ? kBandKindNames[kind] : "";
}

inline constexpr bool IsValidBandKind(int kind) { return kind >= 0 && kind < kBandKindCount; }
// Master, detail and sub-detail data bands: the kinds that walk records.
inline constexpr bool IsDataBandKind(int kind) {
  return kind == btMasterData || kind == btDetailData || kind == btSubDetailData;
}

// The header, data and footer kinds of the three data levels, in the order the
// engine walks them.
struct TBandTriple {
  TfrBandType header, data, footer;
};
inline constexpr std::array<TBandTriple, 3> kBandTriples = {{
    {btMasterHeader, btMasterData, btMasterFooter},
    {btDetailHeader, btDetailData, btDetailFooter},
    {btSubDetailHeader, btSubDetailData, btSubDetailFooter},
}};

}  // namespace lf
