// Aggregate functions SUM, AVG, MIN, MAX and COUNT: registration with a data
// band, accumulation after each record, reading and reset, and the splitter
// that finds aggregate calls in texts and scripts.
#pragma once

#include <string>
#include <vector>

#include "engine/model/band_kind.h"
#include "engine/expr/function_splitter.h"
#include "engine/model/text_lines.h"
#include "engine/expr/variant.h"

namespace lf {

class TfrBand;
class TfrInterpretator;
class TfrParser;

// Kind codes, one character of an aggregate key.
enum TfrAggregateKind : char {
  akSum = 11,
  akMin = 12,
  akMax = 13,
  akAvg = 14,
  akCount = 15,
};

// Ends every field of an aggregate key.
inline constexpr char kAggregateFieldEnd = 1;

// The data band kind whose records a summarizing band of kind aggregates by
// default; -1 when the band kind has none.
int DefaultAggregateDataKind(int summarizingKind);

// Band kinds scanned for aggregate calls while registering for a data band
// of dataKind (empty for a kind that is no data band).
std::vector<TfrBandType> AggregateScanKinds(int dataKind);

// Key of one aggregate: band name, kind, expression and flag, each followed
// by code 1; crossCells puts the field "0" first.
std::string AggregateKey(const std::string& bandName, TfrAggregateKind kind,
                         const std::string& expression, const std::string& flag,
                         bool crossCells = false);

// Runs the aggregate call kind(p1, p2, p3) (argument source texts) in the
// engine-wide current state: during the registration pass it registers
// with the handled data band; otherwise it reads the value accumulated for
// the current band. result arrives as the text "0" and stays so when there
// is nothing to read.
void AggregateFunction(TfrAggregateKind kind, const std::string& p1, const std::string& p2,
                       const std::string& p3, Variant& result);

// The registration pass of dataBand over the scanned bands (each made the
// current band in turn): collects their aggregate calls and evaluates each
// with parser in registration mode. Registration mode is switched off at the
// end and when an error escapes. dictionaryVariables expands names while
// splitting (may be null); interpreter splits compiled scripts (may be null).
void RegisterAggregates(TfrBand& dataBand, const std::vector<TfrBand*>& scanned,
                        TfrParser& parser, const TfrVariables* dictionaryVariables,
                        const TfrInterpretator* interpreter);

// After each record of dataBand: accumulates its own keys with parser, then
// counts the record. With column > 0 (a cross column of the record) only
// that column's copies of the cross-cell keys accumulate, and no record is
// counted.
void AccumulateAggregates(TfrBand& dataBand, TfrParser& parser, int column = 0);

// After summarizing has been printed: sets every key of its source's list
// that names summarizing back to its initial value, and the source's record
// counter to 0.
void ResetAggregates(TfrBand& summarizing);

// Finds aggregate calls. Owns its name list; variables and the receiving
// list belong to the caller.
class TAggregateFunctionsSplitter : public TfrFunctionSplitter {
 public:
  TAggregateFunctionsSplitter(std::vector<std::string>& found, const TfrVariables* variables);
  // Splits each top-level [ ... ] of each line, brackets included.
  void SplitMemo(const TfrLines& lines);
  // Splits the expressions of a compiled script.
  void SplitScript(const TfrLines& compiled, const TfrInterpretator& interpreter);

 private:
  static const std::vector<std::string>& AggregateNames();
};

}  // namespace lf
