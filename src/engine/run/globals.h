// TfrGlobals: the engine-wide objects every report shares (shared parser and
// interpreter, function libraries, script variables, constants, scratch list,
// measuring surfaces, compressor hook, hooked objects) and the engine-wide
// current state of a run.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/expr/parser.h"
#include "engine/model/text_lines.h"
#include "engine/output/compressor.h"
#include "engine/expr/variables.h"
#include "engine/expr/variant.h"

class QImage;

namespace lf {

class TStream;
class TfrBand;
class TfrFunctionLibraries;
class TfrInstalledFunctions;
class TfrInterpretator;
class TfrPage;
class TfrReport;
class TfrView;

// Document mode of the engine.
inline constexpr int kDocModeDesign = 0;
inline constexpr int kDocModePrinting = 1;

// Engine-wide current state of a run. One preparation runs at a time; nothing
// is locked. Pointers are never owned.
struct TfrEngineState {
  TfrReport* CurReport = nullptr;     // names, objects and functions expressions see
  TfrReport* MasterReport = nullptr;  // pass flags read by FINALPASS
  TfrPage* CurPage = nullptr;
  TfrBand* CurBand = nullptr;         // none outside band printing
  TfrView* CurView = nullptr;         // object being printed, measured or drawn
  int DocMode = kDocModeDesign;
  bool Preparing = false;             // a preparation runs
  bool FirstPass = false;             // first pass of a two-pass report
  int32_t PageNo = 0;                 // PAGE# (from 1 while forming)
  int32_t TotalPages = 0;             // TOTALPAGES
  double StartDate = 0;               // DATE: days
  double StartTime = 0;               // TIME: fraction of a day
  Variant CurValue;                   // VALUE
  std::string CurVariable;            // expression behind VALUE
  std::string ReentryName;            // name under re-evaluation; empty when none
  bool AggregatesRegistering = false; // registration pass of aggregates
  TfrBand* AggregateDataBand = nullptr;  // data band handled by that pass
  bool ErrorFlag = false;
  std::string ErrorText;              // calculation error message
  int StreamVersion = 0;              // version of the stream being read
  int32_t ObjectSerial = 0;           // source of object serials
};

// Tables loaded from localized strings at start.
struct TfrLocalizedTables {
  int DefaultCharset = 1;
  std::array<std::string, 23> BandNames;
  std::array<std::string, 4> BooleanFormats;
  std::array<std::string, 4> DateFormats;
  std::array<std::string, 4> TimeFormats;
};

// Registries nothing in this system fills, kept for their fixed size.
inline constexpr int kMaxAddIns = 64;

class TfrGlobals {
 public:
  // Creates everything in start order; see globals.cpp.
  TfrGlobals();
  // Destroys in the reverse documented order.
  ~TfrGlobals();
  TfrGlobals(const TfrGlobals&) = delete;
  TfrGlobals& operator=(const TfrGlobals&) = delete;

  TfrLocalizedTables Tables;
  TfrLines Scratch;                       // layout lines; script compile errors
  std::unique_ptr<QImage> BandBrush;      // 8 x 8 white/silver checkerboard
  std::unique_ptr<QImage> MeasureBitmap;  // 8 x 8 measuring surface
  std::unique_ptr<TfrInstalledFunctions> Functions;  // description registry
  std::unique_ptr<TfrFunctionLibraries> Libraries;
  std::unique_ptr<TfrParser> Parser;            // the shared parser
  std::unique_ptr<TfrInterpretator> Interpreter;  // the shared interpreter
  std::unique_ptr<TfrVariables> ScriptVariables;  // sorted
  std::unique_ptr<TfrVariables> Constants;        // sorted
  std::unique_ptr<TfrCompressor> Compressor;
  std::vector<TfrView*> HookedObjects;  // objects with the Hooked flag; not owned
  int AddInCount = 0, ExportFilterCount = 0, ToolsCount = 0;
  // Progress window and dialog window: created by the windowed layers.
  void* ProgressWindow = nullptr;
  void* DialogWindow = nullptr;
};

// The engine globals, created on first use (library start) and kept until
// DestroyGlobals or process exit.
TfrGlobals& Globals();
// Whether the globals exist now.
bool GlobalsCreated();
// Destroys the globals (library unload); the next Globals() creates them anew.
void DestroyGlobals();

// The engine-wide current state.
TfrEngineState& EngineState();

// The shared parser (Globals().Parser).
TfrParser& SharedParser();

// Splits a ";"-separated list into lines (enumerated property value names).
TfrLines SplitSemicolonList(std::string_view text);

}  // namespace lf
