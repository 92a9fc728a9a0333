// Aggregate registration, accumulation, reading and reset on bands.
#include "engine/functions/aggregates.h"

#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/model/page.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "engine/model/memo_view.h"
#include "engine/expr/parser.h"
#include "engine/expr/text_scanners.h"
#include "engine/model/view.h"
#include "platform/code_page.h"

namespace lf {
namespace {

// A key split into its fields, with the leading cross-tab field set apart;
// the parts point into the key, which must outlive them.
struct TKeyParts {
  std::string_view prefix;  // "0", a column number, or empty
  std::string_view band;
  char kind = 0;
  std::string_view expression;
  std::string_view flag;    // without surrounding blanks
  bool valid = false;
};

// key = [prefix END] band END kind END expression END flag [END]
TKeyParts ParseKey(std::string_view key) {
  std::string_view f[5];
  size_t count = 0, start = 0;
  for (size_t i = 0; i < key.size(); ++i) {
    if (key[i] != kAggregateFieldEnd) continue;
    if (count == 5) return {};
    f[count++] = key.substr(start, i - start);
    start = i + 1;
  }
  if (start < key.size()) {
    if (count == 5) return {};
    f[count++] = key.substr(start);
  }
  TKeyParts p;
  size_t base = 0;
  if (count == 5) {
    p.prefix = f[0];
    base = 1;
  } else if (count != 4) {
    return p;
  }
  p.band = f[base];
  p.kind = f[base + 1].empty() ? 0 : f[base + 1][0];
  p.expression = f[base + 2];
  std::string_view flag = f[base + 3];
  while (!flag.empty() && static_cast<unsigned char>(flag.front()) <= ' ') flag.remove_prefix(1);
  while (!flag.empty() && static_cast<unsigned char>(flag.back()) <= ' ') flag.remove_suffix(1);
  p.flag = flag;
  p.valid = true;
  return p;
}

// MIN and MAX start with no value (Null), so the first record sets them
// whatever its sign; the others start at 0.
Variant InitialValue(char kind) {
  return kind == akMin || kind == akMax ? Variant::Null() : Variant(0);
}

// Restores registration mode when the pass ends, also by an error.
class RegistrationMode {
 public:
  explicit RegistrationMode(TfrBand& dataBand) : state_(EngineState()) {
    saved_ = {state_.CurBand, state_.CurView};
    state_.AggregatesRegistering = true;
    state_.AggregateDataBand = &dataBand;
  }
  ~RegistrationMode() {
    state_.AggregatesRegistering = false;
    state_.AggregateDataBand = nullptr;
    state_.CurBand = saved_.first;
    state_.CurView = saved_.second;
  }

 private:
  TfrEngineState& state_;
  std::pair<TfrBand*, TfrView*> saved_;
};

// A band that also prints objects of another band (the cells of a cross-tab)
// keeps its keys apart with a leading "0" field.
bool CarriesCrossCells(const TfrBand& band) {
  if (band.Kind == btCrossFooter) return false;
  for (const TfrView* view : band.Objects)
    if (view && view->Parent && view->Parent != &band) return true;
  return false;
}

void Register(TfrAggregateKind kind, const std::string& p1, const std::string& p2,
              const std::string& p3) {
  TfrEngineState& st = EngineState();
  TfrBand* data = st.AggregateDataBand;
  TfrBand* cur = st.CurBand;
  if (!data || !cur) return;
  std::string bandArg = kind == akCount ? p1 : p2;
  std::string flag = kind == akCount ? p2 : p3;
  std::string name = Trim(bandArg);
  if (name.empty()) {
    if (data->Kind != DefaultAggregateDataKind(cur->Kind)) return;
    name = data->Name;
  }
  if (!SameTextAscii(name, data->Name)) return;
  std::string key = AggregateKey(cur->Name, kind, p1, flag, CarriesCrossCells(*cur));
  data->Aggregates.Assign(key, InitialValue(kind));
  cur->AggregateSource = data;
}

void Read(TfrAggregateKind kind, const std::string& p1, const std::string& p2,
          const std::string& p3, Variant& result) {
  TfrBand* cur = EngineState().CurBand;
  if (!cur || !cur->AggregateSource) return;
  TfrBand* source = cur->AggregateSource;
  std::string flag = kind == akCount ? p2 : p3;
  std::string key;
  if (cur->Kind == btCrossData) {
    // A cross-tab cell reads the column's key of its source's source.
    if (source->AggregateSource) {
      key = std::to_string(cur->Page ? cur->Page->CrossColumn : 0) + kAggregateFieldEnd +
            AggregateKey(source->Name, kind, p1, flag);
      source = source->AggregateSource;
    } else {
      key = AggregateKey(cur->Name, kind, p1, flag);
    }
  } else {
    key = AggregateKey(cur->Name, kind, p1, flag, CarriesCrossCells(*cur));
  }
  Variant v = source->Aggregates.Lookup(key);
  if (kind == akAvg) {
    if (source->RecordCount == 0 || v.IsNull()) {
      result = Variant(0);
      return;
    }
    result = v.Divide(Variant(source->RecordCount));
    return;
  }
  if ((kind == akMin || kind == akMax) && v.IsNull()) {
    // No record accumulated: no minimum or maximum to show.
    result = Variant(0);
    return;
  }
  result = v;
}

}  // namespace

int DefaultAggregateDataKind(int summarizingKind) {
  switch (summarizingKind) {
    case btReportSummary: case btPageFooter: case btMasterFooter: case btGroupFooter:
      return btMasterData;
    case btDetailFooter: return btDetailData;
    case btSubDetailFooter: return btSubDetailData;
    case btCrossFooter: return btCrossData;
    default: return -1;
  }
}

std::vector<TfrBandType> AggregateScanKinds(int dataKind) {
  switch (dataKind) {
    case btMasterData:
      return {btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary};
    case btDetailData:
      return {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btGroupFooter,
              btReportSummary};
    case btSubDetailData:
      return {btPageFooter,      btColumnFooter, btMasterFooter, btDetailFooter,
              btSubDetailFooter, btGroupFooter,  btReportSummary};
    case btCrossData: return {btCrossFooter};
    default: return {};
  }
}

std::string AggregateKey(const std::string& bandName, TfrAggregateKind kind,
                         const std::string& expression, const std::string& flag,
                         bool crossCells) {
  std::string key;
  if (crossCells) {
    key += '0';
    key += kAggregateFieldEnd;
  }
  key += bandName;
  key += kAggregateFieldEnd;
  key += static_cast<char>(kind);
  key += kAggregateFieldEnd;
  key += expression;
  key += kAggregateFieldEnd;
  key += flag;
  key += kAggregateFieldEnd;
  return key;
}

void AggregateFunction(TfrAggregateKind kind, const std::string& p1, const std::string& p2,
                       const std::string& p3, Variant& result) {
  if (EngineState().AggregatesRegistering) Register(kind, p1, p2, p3);
  else Read(kind, p1, p2, p3, result);
}

void RegisterAggregates(TfrBand& dataBand, const std::vector<TfrBand*>& scanned,
                        TfrParser& parser, const TfrVariables* dictionaryVariables,
                        const TfrInterpretator* interpreter) {
  RegistrationMode mode(dataBand);
  TfrEngineState& st = EngineState();
  for (TfrBand* band : scanned) {
    if (!band) continue;
    st.CurBand = band;
    st.CurView = band->View;
    std::vector<std::string> calls;
    TAggregateFunctionsSplitter splitter(calls, dictionaryVariables);
    if (interpreter) splitter.SplitScript(band->Script, *interpreter);
    for (TfrView* view : band->Objects) {
      if (!view) continue;
      st.CurView = view;
      if (dynamic_cast<TfrMemoView*>(view)) splitter.SplitMemo(view->Memo);
      if (interpreter) splitter.SplitScript(view->Script, *interpreter);
    }
    for (const std::string& call : calls) parser.EvaluatePostfix(call);
  }
}

void AccumulateAggregates(TfrBand& dataBand, TfrParser& parser, int column) {
  TfrVariables& list = dataBand.Aggregates;
  std::string prevExpression;
  Variant prevValue;
  bool havePrev = false;
  const bool take = dataBand.Visible;
  const std::string columnText = std::to_string(column);
  if (column > 0) {
    // Each cross column keeps its own copy of the keys of cross cells.
    const int count = list.Count();
    for (int i = 0; i < count; ++i) {
      const std::string name = list.NameAt(i);
      TKeyParts key = ParseKey(name);
      if (!key.valid || key.prefix != "0") continue;
      std::string copy = columnText + name.substr(1);
      if (!list.Find(copy)) list.Assign(copy, InitialValue(key.kind));
    }
  }
  for (int i = 0; i < list.Count(); ++i) {
    const std::string name = list.NameAt(i);
    TKeyParts key = ParseKey(name);
    if (!key.valid) continue;
    if (column > 0 ? key.prefix != columnText : !key.prefix.empty()) continue;
    Variant value(0);
    if (key.kind != akCount) {
      if (havePrev && key.expression == prevExpression) {
        value = prevValue;
      } else {
        value = parser.Evaluate(key.expression);
        if (value.IsNull()) value = Variant(0);
        prevExpression.assign(key.expression);
        prevValue = value;
        havePrev = true;
      }
    }
    if (!take && key.flag != "1") continue;
    Variant running = list.ValueAt(i);
    switch (key.kind) {
      case akSum:
      case akAvg:
        if (running.IsNull()) running = Variant(0);
        list.AssignAt(i, running.Add(value));
        break;
      case akMin:
        if (running.IsNull() || value.Compare(running) < 0) list.AssignAt(i, value);
        break;
      case akMax:
        if (running.IsNull() || value.Compare(running) > 0) list.AssignAt(i, value);
        break;
      case akCount:
        if (running.IsNull()) running = Variant(0);
        list.AssignAt(i, running.Add(Variant(1)));
        break;
      default:
        break;
    }
  }
  // Cross columns of one record do not count as records.
  if (column == 0) ++dataBand.RecordCount;
}

void ResetAggregates(TfrBand& summarizing) {
  if (summarizing.Kind == btGroupHeader) {
    // The group now printed starts from the current value of its condition.
    Variant value = summarizing.GroupCondition.empty()
                        ? Variant()
                        : SharedParser().EvaluatePostfix(summarizing.GroupCondition);
    for (TfrBand* g = &summarizing; g; g = g->Next.get()) g->LastGroupValue = value;
    return;
  }
  TfrBand* source = summarizing.AggregateSource;
  if (!source) return;
  TfrVariables& list = source->Aggregates;
  for (int i = 0; i < list.Count(); ++i) {
    const std::string name = list.NameAt(i);
    TKeyParts key = ParseKey(name);
    if (key.valid && key.band == summarizing.Name) list.AssignAt(i, InitialValue(key.kind));
  }
  source->RecordCount = 0;
}

TAggregateFunctionsSplitter::TAggregateFunctionsSplitter(std::vector<std::string>& found,
                                                         const TfrVariables* variables)
    : TfrFunctionSplitter(AggregateNames(), found, variables) {}

const std::vector<std::string>& TAggregateFunctionsSplitter::AggregateNames() {
  static const std::vector<std::string> names = {"AVG", "COUNT", "MAX", "MIN", "SUM"};
  return names;
}

void TAggregateFunctionsSplitter::SplitMemo(const TfrLines& lines) {
  for (const std::string& line : lines) {
    size_t i = 1;
    while (i <= line.size()) {
      if (line[i - 1] != '[') {
        i += std::max<size_t>(1, CharLength(line, i - 1));
        continue;
      }
      size_t at = i;
      std::string inner = ReadBracketed(line, at);
      Split("[" + inner + "]");
      if (at >= line.size()) break;  // the rest of the line, or an unbalanced end
      i = at + 1;
    }
  }
}

void TAggregateFunctionsSplitter::SplitScript(const TfrLines& compiled,
                                              const TfrInterpretator& interpreter) {
  if (compiled.empty()) return;
  interpreter.SplitScript(compiled, *this);
}

}  // namespace lf
