// Resolution of band datasets, component paths and field references, field
// values, and the dictionary's names with its lookup cache.
#include "engine/data/field_reference.h"

#include <set>
#include <utility>
#include <vector>

#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/model/data_dictionary.h"
#include "engine/data/dataset_errors.h"
#include "engine/run/globals.h"
#include "engine/model/page.h"
#include "engine/expr/parser.h"
#include "engine/model/properties.h"
#include "engine/model/report.h"
#include "engine/functions/report_values.h"
#include "engine/model/view_factory.h"
#include "platform/code_page.h"

namespace lf {
namespace {

bool Contains(std::string_view text, char c) { return FindText(text, std::string_view(&c, 1)) != std::string_view::npos; }

std::string Cut(std::string_view text, size_t maxBytes) { return std::string(CutAtBoundary(text, maxBytes)); }

}  // namespace

// integer = blank* ["+" | "-"] digit+
int32_t TextToInteger(std::string_view text) {
  auto fail = [&]() -> int32_t {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  };
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return fail();
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fail();
    v = v * 10 + (text[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return fail();
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return fail();
  return static_cast<int32_t>(v);
}

// ---- datasets of bands --------------------------------------------------------

TfrDataset* ResolveBandDataset(TComponent* reportOwner, std::string_view name, bool& owned) {
  owned = false;
  if (!name.empty() && name[0] >= '1' && name[0] <= '9') {
    int32_t count = TextToInteger(name);
    auto counter = std::make_unique<TfrUserDataset>();
    counter->RangeEnd = reCount;
    counter->RangeEndCount = count;
    counter->Init();
    owned = true;
    return counter.release();  // released by ReleaseBandDataset
  }
  TComponent* found = FindNamedComponent(reportOwner, name);
  if (!found) return nullptr;
  auto* dataset = dynamic_cast<TfrDataset*>(found);
  if (!dataset) throw EInvalidCast(kInvalidCastMessage);
  dataset->Init();
  return dataset;
}

void ReleaseBandDataset(TfrDataset* dataset, bool owned) {
  if (!dataset) return;
  std::unique_ptr<TfrDataset> holder(owned ? dataset : nullptr);
  try {
    dataset->Exit();
  } catch (const std::exception&) {
    // Releasing happens while bands are torn down; a table that went away
    // in the meantime has nothing left to restore.
  }
}

void ResolveBandDataSource(TfrBand& band, TfrReport& report) {
  TfrDataset* previous = band.DataSet;
  bool ownedPrevious = band.OwnsDataSet;
  band.DataSet = nullptr;
  band.OwnsDataSet = false;
  ReleaseBandDataset(previous, ownedPrevious);
  std::string source = band.View ? band.View->FormatStr : std::string();
  if (Contains(source, ';')) return;
  bool owned = false;
  TfrDataset* dataset = ResolveBandDataset(report.Owner(), source, owned);
  if (!dataset && source.empty() && band.Kind == btMasterData && report.ReportType == rtSimple &&
      report.Dataset) {
    dataset = report.Dataset;
    dataset->Init();
  }
  band.DataSet = dataset;
  band.OwnsDataSet = owned;
}

// ---- component paths ----------------------------------------------------------

// path = member | container "." member | container "." member "." member
TComponent* FindNamedComponent(TComponent* owner, std::string_view name) {
  try {
    size_t dot = FindText(name, ".");
    if (dot == std::string_view::npos) return owner ? owner->FindComponent(name) : nullptr;
    TComponent* container = TApplication::FindContainer(name.substr(0, dot));
    if (!container) return nullptr;
    std::string_view rest = name.substr(dot + 1);
    size_t second = FindText(rest, ".");
    if (second == std::string_view::npos) return container->FindComponent(rest);
    TComponent* member = container->FindComponent(rest.substr(0, second));
    return member ? member->FindComponent(rest.substr(second + 1)) : nullptr;
  } catch (const std::exception&) {
    throw EClassNotFound("Missing " + std::string(name));
  }
}

// ---- default table ------------------------------------------------------------

namespace {

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

// ---- field references ---------------------------------------------------------

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

// ---- values -------------------------------------------------------------------

Variant FieldValue(TField& field) {
  TClientDataSet& table = field.DataSet();
  if (!table.Active()) table.Open();
  TFieldType type = field.DataType();
  if (field.OnGetText || type == ftLargeint) return Variant(field.DisplayText());
  if (field.IsNull()) {
    if (type == ftString || type == ftWideString) return Variant(std::string());
    if (type == ftBoolean) return Variant(false);
    return Variant(0);
  }
  // Stored values are texts; numbers, booleans and dates read as their kind.
  std::string text = field.AsString();
  try {
    switch (type) {
      case ftSmallint: case ftInteger: case ftWord: case ftAutoInc:
        return Variant(Variant(text).AsInteger());
      case ftFloat: case ftBCD: case ftFMTBcd: return Variant(TextToDouble(text));
      case ftCurrency: return Variant::Currency(TextToDouble(text));
      case ftBoolean: return Variant(Variant(text).AsBoolean());
      case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
        return Variant::DateTime(Variant(text).AsDateTime());
      default: break;
    }
  } catch (const std::exception&) {
    // A stored text that does not read as its type is passed on as text.
  }
  return Variant(std::move(text));
}

// ---- dictionary names ---------------------------------------------------------

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

std::string DatasetAliasToName(const TfrDataDictionary& dictionary, std::string_view part) {
  const TfrVariables& aliases = dictionary.FieldAliases;
  for (int i = 0; i < aliases.Count(); ++i)
    if (SameTextAscii(aliases.ValueAt(i).AsText(), part)) return aliases.NameAt(i);
  return std::string(part);
}

std::string FieldAliasToName(const TfrDataDictionary& dictionary, std::string_view datasetPart,
                             std::string_view fieldPart) {
  const TfrVariables& aliases = dictionary.FieldAliases;
  for (int i = 0; i < aliases.Count(); ++i) {
    std::string name = aliases.NameAt(i);
    if (!SameTextAscii(aliases.ValueAt(i).AsText(), fieldPart)) continue;
    if (name.size() < datasetPart.size() ||
        !SameTextAscii(std::string_view(name).substr(0, datasetPart.size()), datasetPart))
      continue;
    std::string ds, field;
    SplitReference(name, ds, field);
    return field;
  }
  return std::string(fieldPart);
}

bool IsKnownName(TfrReport& report, const std::string& name) {
  if (!report.Dictionary) return false;
  TfrDataDictionary& dict = *report.Dictionary;
  if (dict.FindCached(name)) return true;
  TComponent* owner = report.Owner();
  if (const Variant* v = dict.Variables.Find(name)) {
    if (!v->IsNull()) {
      std::string text = v->AsText();
      if (Contains(text, '.')) {
        TClientDataSet* table = DefaultTable();
        std::string field = ResolveFieldReference(owner, text, table);
        if (!field.empty() && table) dict.Cache(name, table, field);
      }
    }
    return true;
  }
  std::string reference = name;
  if (Contains(name, '.')) {
    std::string datasetPart, fieldPart;
    SplitReference(name, datasetPart, fieldPart);
    datasetPart = DatasetAliasToName(dict, datasetPart);
    fieldPart = FieldAliasToName(dict, datasetPart, fieldPart);
    reference = datasetPart + ".\"" + fieldPart + "\"";
  }
  TClientDataSet* table = DefaultTable();
  std::string field = ResolveFieldReference(owner, reference, table);
  if (field.empty() || !table) return false;
  dict.Cache(name, table, field);
  return true;
}

namespace {

// Dictionary variables being evaluated now, innermost last.
std::vector<std::pair<const TfrReport*, std::string>>& NamesInFlight() {
  static std::vector<std::pair<const TfrReport*, std::string>> names;
  return names;
}

class NameInFlight {
 public:
  NameInFlight(const TfrReport& report, const std::string& name) {
    auto& names = NamesInFlight();
    for (const auto& [r, n] : names)
      if (r == &report && CompareNames(n, name) == 0)
        throw EParserError("Variable " + name + " refers to itself");
    if (static_cast<int>(names.size()) >= kMaxNameNesting)
      throw EParserError("Variables nested too deeply at " + name);
    names.emplace_back(&report, name);
  }
  ~NameInFlight() { NamesInFlight().pop_back(); }
  NameInFlight(const NameInFlight&) = delete;
  NameInFlight& operator=(const NameInFlight&) = delete;
};

}  // namespace

Variant NameValue(TfrReport& report, const std::string& name) {
  if (!report.Dictionary) return Variant::Null();
  TfrDataDictionary& dict = *report.Dictionary;
  if (const TfrCacheItem* cached = dict.FindCached(name)) {
    TClientDataSet& table = *cached->DataSet;
    if (!table.Active()) table.Open();
    return FieldValue(table.FieldNamed(cached->DataField));
  }
  if (const Variant* v = dict.Variables.Find(name)) {
    if (const Variant* global = Globals().ScriptVariables->Find(name)) return *global;
    if (v->IsText() && !v->AsText().empty()) {
      std::string expression = v->AsText();
      NameInFlight guard(report, name);
      return SharedParser().Evaluate(expression);
    }
    return *v;
  }
  return Variant::Null();
}

// ---- large objects ------------------------------------------------------------

bool IsLargeObjectField(const TField* field) {
  if (!field) return false;
  switch (field->DataType()) {
    case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle:
    case ftDBaseOle: case ftTypedBinary: case ftOraBlob:
      return true;
    default:
      return false;
  }
}

void CopyLargeObject(const TField& field, TfrLines& target) { target = SplitLines(field.AsString()); }

void CopyLargeObject(const TField& field, TStream& target) {
  field.CopyTo(target);
  target.SetPosition(0);
}

// ---- hooks --------------------------------------------------------------------

void InstallDatasetLayer() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  TfrBandDatasetHooks& hooks = BandDatasetHooks();
  if (!hooks.Eof) hooks.Eof = [](TfrDataset& d) { return d.Eof(); };
  if (!hooks.Move)
    hooks.Move = [](TfrDataset& d, int step) {
      if (step == 0) d.First();
      else if (step > 0) d.Next();
      else d.Prior();
    };
  if (!hooks.Reresolve)
    hooks.Reresolve = [](TfrBand& band) {
      if (TfrReport* report = EngineState().CurReport) ResolveBandDataSource(band, *report);
    };
  auto& releaser = TfrBand::DatasetReleaser();
  if (!releaser) releaser = ReleaseBandDataset;
  TDictionaryResolver& resolver = DictionaryResolver();
  if (!resolver)
    resolver = [](TfrReport& report, const std::string& name, Variant& value) {
      if (!IsKnownName(report, name)) return false;
      value = NameValue(report, name);
      return true;
    };
}

namespace {
// Band views, band teardown and the expression language see the datasets as
// soon as this layer is part of the program.
const bool kLayerInstalled = (InstallDatasetLayer(), true);
}  // namespace

}  // namespace lf
