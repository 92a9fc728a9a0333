// Expression to postfix conversion and postfix evaluation.
#include "engine/expr/parser.h"

#include <cmath>

#include "engine/expr/date_time.h"
#include "engine/expr/text_scanners.h"
#include "platform/code_page.h"

namespace lf {
namespace {

bool IsPrefixCode(char c) {
  return c == opUnaryMinus || c == opUnaryPlus || c == opNot || c == opInt || c == opFrac ||
         c == opRound || c == opStr;
}

bool IsBinaryCode(char c) {
  switch (c) {
    case '*': case '/': case '+': case '-': case '<': case '=': case '>':
    case opGreaterEqual: case opLessEqual: case opNotEqual: case opOr: case opAnd: case opMod:
      return true;
    default:
      return false;
  }
}

// Lower binds tighter; "(" on the stack stops every move.
int Priority(char c) {
  switch (c) {
    case opGreaterEqual: case opLessEqual: case opNotEqual: case '<': case '=': case '>':
      return 3;
    case opOr: case opAnd: case '*': case '/': case opMod: case opNot:
      return 1;
    case '+': case '-': case opUnaryMinus: case opUnaryPlus:
      return 2;
    case opInt: case opFrac: case opRound: case opStr:
      return 0;
    case '(':
      return 5;
    case ')':
      return 4;
    default:
      return 0;
  }
}

char WordOperator(const std::string& upper) {
  if (upper == "INT") return opInt;
  if (upper == "FRAC") return opFrac;
  if (upper == "ROUND") return opRound;
  if (upper == "OR") return opOr;
  if (upper == "AND") return opAnd;
  if (upper == "NOT") return opNot;
  if (upper == "STR") return opStr;
  if (upper == "MOD") return opMod;
  return 0;
}

size_t UnquotedSemicolon(const std::string& ident) {
  bool quoted = false;
  for (size_t k = 0; k < ident.size(); ++k) {
    if (ident[k] == '"') quoted = !quoted;
    else if (ident[k] == ';' && !quoted) return k;
  }
  return std::string::npos;
}

bool StartsNumber(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ','; }

// Within 1e-10 of the nearest integer counts as that integer.
double Snap(double v) {
  double n = std::nearbyint(v);
  return std::fabs(v - n) < 1e-10 ? n : v;
}

// Text to integer, accepting only integer notation (COPY's positions).
int64_t TextToInteger(const std::string& text) {
  std::string t = text;
  size_t b = t.find_first_not_of(' ');
  size_t e = t.find_last_not_of(' ');
  t = b == std::string::npos ? "" : t.substr(b, e - b + 1);
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  bool ok = i < t.size() && t.size() - i <= 18;
  for (size_t k = i; ok && k < t.size(); ++k) ok = t[k] >= '0' && t[k] <= '9';
  if (!ok) throw EVariantError("'" + text + "' is not a valid integer value");
  return std::stoll(t);
}

// Substring by characters of the host code page, from counted from 1.
std::string CopyChars(const std::string& s, int64_t from, int64_t count) {
  if (from < 1) from = 1;
  if (count <= 0) return {};
  size_t i = 0;
  for (int64_t k = 1; k < from && i < s.size(); ++k) i += std::max<size_t>(1, CharLength(s, i));
  size_t start = std::min(i, s.size());
  for (int64_t k = 0; k < count && i < s.size(); ++k) i += std::max<size_t>(1, CharLength(s, i));
  return s.substr(start, std::min(i, s.size()) - start);
}

Variant Binary(char op, const Variant& a, const Variant& b) {
  switch (op) {
    case '+': return a.Add(b);
    case '-': return a.Subtract(b);
    case '*': return a.Multiply(b);
    case '/':
      if (b.Compare(Variant(0)) != 0) return a.Divide(b);
      return Variant(0);
    case opMod: {
      int64_t y = b.AsInteger();
      if (y == 0) throw EVariantError("Division by zero");
      int64_t x = a.AsInteger();
      if (y == -1) return Variant(int64_t{0});
      return Variant(x % y);
    }
    case opAnd:
    case opOr:
      if (a.IsBoolean() && b.IsBoolean())
        return Variant(op == opAnd ? (a.AsBoolean() && b.AsBoolean())
                                   : (a.AsBoolean() || b.AsBoolean()));
      return Variant(op == opAnd ? (a.AsInteger() & b.AsInteger()) : (a.AsInteger() | b.AsInteger()));
    case '=': return Variant(a.Compare(b) == 0 ? 1 : 0);
    case opNotEqual: return Variant(a.Compare(b) != 0 ? 1 : 0);
    case '<': return Variant(a.Compare(b) < 0 ? 1 : 0);
    case '>': return Variant(a.Compare(b) > 0 ? 1 : 0);
    case opLessEqual: return Variant(a.Compare(b) <= 0 ? 1 : 0);
    case opGreaterEqual: return Variant(a.Compare(b) >= 0 ? 1 : 0);
  }
  return Variant();
}

Variant Prefix(char op, const Variant& v) {
  switch (op) {
    case opUnaryMinus: return v.Negate();
    case opUnaryPlus: return v;
    case opNot: return Variant(v.Compare(Variant(0)) == 0 ? 1 : 0);
    case opInt: return Variant(std::trunc(Snap(v.AsDouble())));
    case opFrac: {
      double x = Snap(v.AsDouble());
      return Variant(x - std::trunc(x));
    }
    case opRound: return Variant(std::nearbyint(v.AsDouble()));
    case opStr: return Variant(v.AsText());
  }
  return v;
}

// Bounds the nesting of evaluations of one parser.
class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) {
    if (++depth_ > kParserMaxNesting) {
      --depth_;
      throw EParserError("Expression nested too deeply");
    }
  }
  ~DepthGuard() { --depth_; }

 private:
  int& depth_;
};

}  // namespace

Variant TfrParser::Evaluate(std::string_view expression) {
  DepthGuard guard(depth_);
  return EvaluatePostfixAt(ToPostfix(expression));
}

Variant TfrParser::EvaluatePostfix(std::string_view postfix) {
  DepthGuard guard(depth_);
  return EvaluatePostfixAt(postfix);
}

// expression := term { operator term } [ ";" anything ]
// term       := prefix-op term | "(" expression ")" | operand
// operand    := number | 'string' | [bracketed] | identifier [ "[" index "]" ]
//             | identifier "(" arguments ")" | TRUE | FALSE
std::string TfrParser::ToPostfix(std::string_view s) {
  std::string out;
  std::string stack;  // operator stack; front is the top
  bool operandBefore = false;
  auto handleOperator = [&](char op) {
    if (!operandBefore) {
      if (op == '-') op = opUnaryMinus;
      else if (op == '+') op = opUnaryPlus;
    }
    if (!IsPrefixCode(op)) {
      const int p = Priority(op);
      while (!stack.empty() && p >= Priority(stack[0])) {
        out += stack[0];
        stack.erase(0, 1);
      }
    }
    stack.insert(stack.begin(), op);
    operandBefore = false;
  };
  size_t i = 1;  // position from 1, as the scanners count
  while (i <= s.size()) {
    char c = s[i - 1];
    if (static_cast<unsigned char>(c) <= 32) {
      ++i;
      continue;
    }
    switch (c) {
      case '(':
        stack.insert(stack.begin(), '(');
        operandBefore = false;
        ++i;
        continue;
      case ')': {
        size_t open = stack.find('(');
        if (open != std::string::npos) {
          out += stack.substr(0, open);
          stack.erase(0, open + 1);
        }
        operandBefore = true;
        ++i;
        continue;
      }
      case '<':
        if (i < s.size() && s[i] == '>') { handleOperator(opNotEqual); i += 2; continue; }
        if (i < s.size() && s[i] == '=') { handleOperator(opLessEqual); i += 2; continue; }
        handleOperator(c);
        ++i;
        continue;
      case '>':
        if (i < s.size() && s[i] == '=') { handleOperator(opGreaterEqual); i += 2; continue; }
        handleOperator(c);
        ++i;
        continue;
      case '*': case '+': case '-': case '/': case '=':
        handleOperator(c);
        ++i;
        continue;
      case ';':
        i = s.size() + 1;
        continue;
      default:
        break;
    }
    // An operand.
    if (c == '\'') {
      out += ReadQuoted(s, i);
      out += ' ';
      operandBefore = true;
      continue;
    }
    if (c == '[') {
      size_t at = i;
      std::string inner = ReadBracketed(s, at);
      out += '[' + inner + "] ";
      i = at + 1;
      operandBefore = true;
      continue;
    }
    size_t start = i;
    std::string ident = ReadIdentifier(s, i);
    if (ident.empty()) {
      i = start + 1;
      continue;
    }
    // A ";" outside double quotes ends the expression, even inside a word.
    if (size_t semi = UnquotedSemicolon(ident); semi != std::string::npos) {
      ident.resize(semi);
      i = s.size() + 1;
      if (ident.empty()) continue;
    }
    if (i <= s.size() && s[i - 1] == '[') {
      size_t at = i;
      std::string index = ReadBracketed(s, at);
      out += ident + '[' + index + "] ";
      i = at + 1;
      operandBefore = true;
      continue;
    }
    if (!StartsNumber(ident[0])) {
      if (char op = WordOperator(AsciiUpper(ident))) {
        handleOperator(op);
        continue;
      }
    }
    if (i <= s.size() && s[i - 1] == '(') {
      size_t nameStart = start;
      while (nameStart <= s.size() && static_cast<unsigned char>(s[nameStart - 1]) <= 32) ++nameStart;
      try {
        SplitArguments(s, i);
      } catch (const EParserError& e) {
        if (*e.what()) throw;
        throw EParserError("Missing \")\" in call of " + AsciiUpper(ident));
      }
      out.append(s.substr(nameStart - 1, i - nameStart));
      operandBefore = true;
      continue;
    }
    out += ident;
    out += ' ';
    operandBefore = true;
  }
  if (stack.find('(') != std::string::npos) throw EParserError("Missing \")\" in expression");
  out += stack;
  return out;
}

Variant TfrParser::EvaluatePostfixAt(std::string_view p) {
  Variant slots[kParserStackSize];
  slots[0] = Variant(0);
  int top = 0;  // values pushed
  auto push = [&]() -> Variant& {
    if (top >= kParserStackSize) throw EParserError("Expression too complex");
    return slots[top++];
  };
  size_t i = 1;
  while (i <= p.size()) {
    char c = p[i - 1];
    if (IsBinaryCode(c)) {
      if (top < 2) throw EParserError("Missing operand in expression");
      slots[top - 2] = Binary(c, slots[top - 2], slots[top - 1]);
      slots[top - 1] = Variant();
      --top;
      ++i;
      continue;
    }
    if (IsPrefixCode(c)) {
      Variant& v = slots[top > 0 ? top - 1 : 0];
      v = Prefix(c, v);
      ++i;
      continue;
    }
    if (c == '[') {
      size_t at = i;
      std::string inner = ReadBracketed(p, at);
      Variant& slot = push();
      slot = Variant::Null();
      if (ValueCallback) ValueCallback(inner, slot);
      i = at + 1;
      continue;
    }
    if (c == '\'') {
      std::string q = ReadQuoted(p, i);
      std::string text;
      size_t end = q.size() >= 2 && q.back() == '\'' ? q.size() - 1 : q.size();
      for (size_t k = 1; k < end; ++k) {
        text += q[k];
        if (q[k] == '\'' && k + 1 < end && q[k + 1] == '\'') ++k;
      }
      push() = Variant(std::move(text));
      continue;
    }
    if (static_cast<unsigned char>(c) <= 32 || c == '(' || c == ')') {
      ++i;
      continue;
    }
    size_t start = i;
    std::string ident = ReadIdentifier(p, i);
    if (ident.empty()) {
      i = start + 1;
      continue;
    }
    if (StartsNumber(ident[0])) {
      push() = Variant(TextToDouble(ident));
      continue;
    }
    std::string upper = AsciiUpper(ident);
    if (upper == "TRUE" || upper == "FALSE") {
      push() = Variant(upper == "TRUE");
      continue;
    }
    if (i <= p.size() && p[i - 1] == '[') {
      size_t at = i;
      std::string index = ReadBracketed(p, at);
      i = at + 1;
      Variant v = Evaluate("GETARRAY(" + ident + ", " + index + ")");
      push() = std::move(v);
      continue;
    }
    if (i <= p.size() && p[i - 1] == '(') {
      TArguments args = SplitArguments(p, i);
      if (args.count > kParserMaxArguments)
        throw EParserError("Too many arguments in call of " + upper);
      Variant v = EvaluateFunction(upper, args.a1, args.a2, args.a3);
      push() = std::move(v);
      continue;
    }
    Variant& slot = push();
    slot = Variant::Null();
    if (ValueCallback) ValueCallback(upper, slot);
  }
  return slots[0];
}

Variant TfrParser::EvaluateFunction(const std::string& name, const std::string& a1,
                                    const std::string& a2, const std::string& a3) {
  if (name == "COPY") {
    std::string s = Evaluate(a1).AsText();
    int64_t from = TextToInteger(Evaluate(a2).AsText());
    int64_t count = TextToInteger(Evaluate(a3).AsText());
    return Variant(CopyChars(s, from, count));
  }
  if (name == "IF") {
    Variant cond = Evaluate(a1);
    double n = cond.IsBoolean() ? (cond.AsBoolean() ? 1 : 0) : TextToDouble(cond.AsText());
    return std::trunc(n) != 0 ? Evaluate(a2) : Evaluate(a3);
  }
  if (name == "STRTODATE") return Variant::DateTime(StrToDate(Evaluate(a1).AsText()));
  if (name == "STRTOTIME") return Variant::DateTime(StrToTime(Evaluate(a1).AsText()));
  Variant result = Variant::Null();
  if (FunctionCallback) FunctionCallback(name, Variant(a1), Variant(a2), Variant(a3), result);
  // Case mapping, formats and host functions may return more than they got.
  CheckTextLength(result.TextSize());
  return result;
}

std::string PostfixToDisplay(std::string_view postfix) {
  std::string out;
  for (char c : postfix) {
    if (c >= 1 && c <= 14) out += "{" + std::to_string(static_cast<int>(c)) + "}";
    else out += c;
  }
  return out;
}

}  // namespace lf
