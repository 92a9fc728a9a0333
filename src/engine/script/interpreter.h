// TfrInterpretator: compiles scripts of the report's small structured language
// into a list of simple commands and runs them; knows nothing of reports.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/expr/function_splitter.h"
#include "engine/expr/parser.h"
#include "platform/liveness.h"
#include "engine/model/text_lines.h"
#include "engine/expr/variant.h"

namespace lf {

// First byte of a compiled command. Any other first byte starts an
// assignment: target name, one space, postfix expression.
enum TfrCommandCode : char {
  ccJumpIfZero = 1,  // code, address low, address high, postfix expression
  ccJump = 2,        // code, address low, address high, label text (digits)
  ccCall = 3,        // code, postfix expression (result discarded)
};

// Bytes of the joined script (each line plus one carriage return).
inline constexpr size_t kScriptMaxLength = 32000;
// Labels one script may define.
inline constexpr size_t kScriptMaxLabels = 101;
// Characters of a label, its digits and the colon.
inline constexpr size_t kScriptMaxLabelLength = 16;
// Commands one script may compile to: addresses are two bytes, and the
// address equal to the number of commands still has to fit.
inline constexpr size_t kScriptMaxCommands = 65535;
// Nesting of statements and of expression factors.
inline constexpr int kScriptMaxNesting = 200;
// Commands run between two looks at pending events and the stop request.
inline constexpr int kScriptStopCheckInterval = 4096;

// Compiler messages, each shown as "Line L/C: " followed by the message.
inline constexpr const char* kScriptNeedSemicolonOrEnd = "Need \";\" or \"end\" here";
inline constexpr const char* kScriptNeedThen = "Need \"then\" here";
inline constexpr const char* kScriptNeedSemicolonOrUntil = "Need \";\" or \"until\" here";
inline constexpr const char* kScriptNeedDo = "Need \"do\" here";
inline constexpr const char* kScriptNeedTo = "Need \"to\" here";
inline constexpr const char* kScriptGotoNeedsNumber = "\"goto\" label must be a number";
inline constexpr const char* kScriptNeedAssign = "Need \":=\" here";
inline constexpr const char* kScriptNeedCloseParen = "Need \")\" here";
inline constexpr const char* kScriptNeedCloseBracket = "Need \"]\" here";
inline constexpr const char* kScriptNeedCommaOrParen = "Need \",\" or \")\" here";
// Statements and operands that fit no rule of the language.
inline constexpr const char* kScriptNeedStatement = "Need a statement here";
inline constexpr const char* kScriptNeedExpression = "Need an expression here";
inline constexpr const char* kScriptUnterminatedString = "Unterminated string";
// Limits of the compiler.
inline constexpr const char* kScriptTooLong = "Script is longer than 32000 characters";
inline constexpr const char* kScriptTooManyLabels = "More than 101 labels";
inline constexpr const char* kScriptLabelTooLong = "Label is longer than 16 characters";
inline constexpr const char* kScriptTooManyCommands = "Script compiles to more than 65535 commands";
inline constexpr const char* kScriptTooDeep = "Statements or expressions nested too deeply";

// Address stored in a jump command (bytes 1 and 2, low first); -1 when the
// line is no jump or too short to hold one.
int CommandAddress(std::string_view line);
// The expression part of a compiled command in postfix form: from the fourth
// byte of a conditional jump, from the second of a call, after the target of
// an assignment; empty for an unconditional jump.
std::string_view CommandExpression(std::string_view line);
// One command for listings: "jz\tADDRESS\tPOSTFIX", "jmp\tADDRESS",
// "call\tPOSTFIX" or "set\tTARGET\tPOSTFIX", operator codes written {n}.
std::string CommandToDisplay(std::string_view line);

class TfrInterpretator {
 public:
  TfrInterpretator();
  virtual ~TfrInterpretator();
  TfrInterpretator(const TfrInterpretator&) = delete;
  TfrInterpretator& operator=(const TfrInterpretator&) = delete;

  // Value of a name read by an expression; the base supplies nothing.
  virtual void GetValue(const std::string& name, Variant& value);
  // Assignment of a script; the base stores nothing.
  virtual void SetValue(const std::string& name, const Variant& value);
  // A function an expression calls, with the source texts of its first three
  // arguments; the base answers nothing.
  virtual void DoFunction(const std::string& name, const Variant& p1, const Variant& p2,
                          const Variant& p3, Variant& result);
  // Clears target and errors, compiles source into target and appends one
  // line per error ("Line L/C: message"). Compilation stops at the first
  // error; the commands emitted before it remain. source and target may be
  // the same list.
  virtual void PrepareScript(const TfrLines& source, TfrLines& target,
                             TfrLines& errors);
  // Runs compiled commands. Evaluation and assignment errors are not caught.
  // Every kScriptStopCheckInterval commands pending events are processed and
  // the run ends when StopRequested() answers true.
  virtual void DoScript(const TfrLines& compiled);

  // Hands the expression part of every command of a compiled script to split
  // (the aggregate splitter looks for function calls in them).
  void SplitScript(const TfrLines& compiled,
                   const std::function<void(const std::string&)>& split) const;
  // The same, each expression handed to splitter.Split.
  void SplitScript(const TfrLines& compiled, TfrFunctionSplitter& splitter) const;

  // The interpreter's own parser, whose callbacks are GetValue and DoFunction.
  TfrParser& Parser() { return parser_; }

 protected:
  // Asked during long runs whether the script is to end early; the base
  // never stops.
  virtual bool StopRequested();
  // Ended when the interpreter goes; scripts process events while they run.
  Liveness liveness_;

 private:
  TfrParser parser_;
};

}  // namespace lf
