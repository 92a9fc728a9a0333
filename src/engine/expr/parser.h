// TfrParser: converts expressions to postfix form and evaluates postfix forms
// on a fixed stack of values, asking its owner for names and functions.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "engine/expr/variant.h"
#include "platform/exception.h"

namespace lf {

// Errors of the expression language: "Undefined symbol", "Expression too
// complex", unbalanced parentheses (empty message), too many arguments.
class EParserError : public Exception {
 public:
  using Exception::Exception;
};

// One-character operator codes of the postfix form. The one-character source
// operators * / + - < = > stand for themselves.
enum TfrOperatorCode : char {
  opGreaterEqual = 1,  // >=
  opLessEqual = 2,     // <=
  opNotEqual = 3,      // <>
  opOr = 4,
  opAnd = 5,
  opInt = 6,
  opFrac = 7,
  opUnaryMinus = 9,
  opUnaryPlus = 10,
  opStr = 11,
  opNot = 12,
  opMod = 13,
  opRound = 14,
};

// Values pending on the evaluation stack at once.
inline constexpr int kParserStackSize = 32;
// Nesting of evaluations (function arguments, IF branches, array elements)
// within one call of Evaluate / EvaluatePostfix.
inline constexpr int kParserMaxNesting = 64;
// Arguments a function call may carry.
inline constexpr int kParserMaxArguments = 3;

// Asked for the value of a name; value arrives as Null. Leaving it Null
// means the name has no value.
using TValueCallback = std::function<void(const std::string& name, Variant& value)>;
// Asked to run a function; the name is upper-cased and the three arguments
// are the source texts of the call's first three arguments, as text values
// (missing ones empty). result arrives as Null.
using TFunctionCallback =
    std::function<void(const std::string& name, const Variant& p1, const Variant& p2,
                       const Variant& p3, Variant& result)>;

class TfrParser {
 public:
  // Either may be unset: names and functions other than the built-in ones
  // then yield Null.
  TValueCallback ValueCallback;
  TFunctionCallback FunctionCallback;

  // ToPostfix, then EvaluatePostfix.
  Variant Evaluate(std::string_view expression);
  // Source text to postfix form: operands followed by one space, function
  // calls copied from name to ")" with no space after, operators as one
  // character (TfrOperatorCode or the source character).
  std::string ToPostfix(std::string_view expression);
  Variant EvaluatePostfix(std::string_view postfix);

 private:
  Variant EvaluatePostfixAt(std::string_view postfix);
  Variant EvaluateFunction(const std::string& name, const std::string& a1,
                           const std::string& a2, const std::string& a3);
  int depth_ = 0;  // nesting of evaluations in progress
};

// Writes the postfix form with each operator code shown as {n} (for display
// and the command line).
std::string PostfixToDisplay(std::string_view postfix);

}  // namespace lf
