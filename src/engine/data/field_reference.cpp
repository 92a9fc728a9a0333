// Field references such as cds0."na.me" and the default table bare field
// names read from.
#include "engine/data/field_reference.h"

#include <vector>

#include "engine/data/component_path.h"
#include "engine/data/dataset.h"
#include "engine/model/band.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/run/globals.h"
#include "platform/code_page.h"

namespace lf {

namespace {

std::string Cut(std::string_view text, size_t maxBytes) { return std::string(CutAtBoundary(text, maxBytes)); }


// The data band whose dataset a band of that kind reads bare names from;
// btNone for the report's Dataset.
TfrBandType DataBandOf(int kind) {
  switch (kind) {
    case btReportTitle: case btReportSummary: case btPageHeader: case btPageFooter:
    case btMasterHeader: case btMasterData: case btMasterFooter: case btGroupHeader:
    case btGroupFooter:
      return btMasterData;
    case btDetailData: case btDetailFooter: return btDetailData;
    case btSubDetailData: case btSubDetailFooter: return btSubDetailData;
    case btCrossData: case btCrossFooter: return btCrossData;
    default: return btNone;
  }
}

}  // namespace

TClientDataSet* DefaultTable() {
  TfrEngineState& state = EngineState();
  TfrDataset* dataset = state.CurReport ? state.CurReport->Dataset : nullptr;
  TfrBand* band = state.CurBand;
  TfrPage* page = state.CurPage ? state.CurPage : band ? band->Page : nullptr;
  if (band && page && page->PageType == ptReport) {
    TfrBandType dataKind = DataBandOf(band->Kind);
    if (dataKind != btNone) {
      TfrBand* data = page->Bands[dataKind].get();
      dataset = data ? data->DataSet : nullptr;
    }
  }
  auto* db = dynamic_cast<TfrDBDataSet*>(dataset);
  return db ? &TableOf(*db) : nullptr;
}

std::string UnquoteReferencePart(std::string_view part) {
  if (part.size() > 2 && part.front() == '"' && part.back() == '"')
    return std::string(part.substr(1, part.size() - 2));
  return std::string(part);
}

// reference = part { "." part } [ '"' quoted-rest ]
std::string ResolveFieldReference(TComponent* reportOwner, std::string_view text,
                                  TClientDataSet*& table) {
  std::vector<std::string> parts;
  int dots = 0;
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (text[i] == '.') {
      parts.emplace_back(text.substr(start, i - start));
      ++dots;
      start = i + 1;
    } else if (text[i] == '"') {
      // A quoted name runs to the end: dots inside it do not cut.
      parts.push_back(Cut(text.substr(i), kMaxReferencePart));
      quoted = true;
      break;
    }
  }
  if (!quoted && start < text.size()) parts.push_back(Cut(text.substr(start), kMaxReferencePart));

  std::string field;
  if (dots == 0) {
    field = UnquoteReferencePart(text);
  } else {
    if (dots > kMaxReferenceDots || static_cast<int>(parts.size()) < dots + 1) return {};
    std::string path = parts[0];
    for (int i = 1; i < dots; ++i) path += "." + parts[static_cast<size_t>(i)];
    table = dynamic_cast<TClientDataSet*>(FindNamedComponent(reportOwner, path));
    field = UnquoteReferencePart(parts[static_cast<size_t>(dots)]);
  }
  if (!table) return {};
  std::vector<std::string> names;
  table->ListFieldNames(names);
  for (const std::string& n : names)
    if (SameTextAscii(n, field)) return field;
  return {};
}

std::string ResolveFieldReference(std::string_view text, TClientDataSet*& table) {
  TfrReport* report = EngineState().CurReport;
  return ResolveFieldReference(report ? report->Owner() : nullptr, text, table);
}

void SplitReference(std::string_view text, std::string& datasetPart, std::string& fieldPart) {
  datasetPart.clear();
  fieldPart.clear();
  // Character starts of the dots and quotes, scanned from the end.
  std::vector<size_t> marks;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i))
    if (text[i] == '.' || text[i] == '"') marks.push_back(i);
  bool inQuotes = false;
  for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
    if (text[*it] == '"') {
      inQuotes = !inQuotes;
    } else if (!inQuotes) {
      datasetPart = std::string(text.substr(0, *it));
      fieldPart = UnquoteReferencePart(text.substr(*it + 1));
      return;
    }
  }
}

}  // namespace lf
