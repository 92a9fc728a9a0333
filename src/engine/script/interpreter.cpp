// TfrInterpretator: the script compiler (statements to jump, call and
// assignment commands) and the command runner.
#include "engine/script/interpreter.h"

#include <QCoreApplication>

#include <algorithm>

#include "platform/code_page.h"

namespace lf {
namespace {

// Placeholder address of a jump whose target is not known yet.
constexpr int kUnfilled = -1;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
// Bytes from 0x80 up start characters of the host code page beyond ASCII;
// they count as letters so that names in the host language work.
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsLetter(c) || IsDigit(c) || c == '.' || c == '_'; }

struct CompileError {
  std::string message;
  size_t pos;  // byte offset in the compilation buffer
};

// One command as the compiler emits it: expressions still in source form.
struct Command {
  char code = 0;        // ccJumpIfZero, ccJump, ccCall, or 0 for an assignment
  int address = kUnfilled;
  std::string label;    // goto target digits
  std::string target;   // assignment target
  std::string expr;     // source text of the expression
  size_t pos = 0;       // buffer offset of the expression, for conversion errors
};

// A comment taken out of the buffer: where it was and how many bytes went.
struct RemovedComment {
  size_t pos;
  size_t removed;
};

class ScriptCompiler {
 public:
  explicit ScriptCompiler(TfrParser& parser) : parser_(parser) {}

  void Compile(const TfrLines& source, TfrLines& target, TfrLines& errors);

 private:
  // Buffer handling.
  void JoinLines(const TfrLines& source);
  void RemoveComments();
  std::string ErrorLine(const CompileError& e) const;
  size_t Next(size_t p) const { return p + CharLength(buf_, p); }
  unsigned char At(size_t p) const { return p < buf_.size() ? static_cast<unsigned char>(buf_[p]) : 0; }
  bool AtEnd() const { return cur_ >= buf_.size(); }
  [[noreturn]] void Fail(const char* message, size_t pos) const { throw CompileError{message, pos}; }

  // Tokens.
  void SkipSpace();
  std::string GetToken();
  bool WordAt(std::string_view word) const;
  std::string ReadDigits();
  std::string ReadName();

  // Statements.
  void Statement();
  void Block();
  void If();
  void Repeat();
  void While();
  void For();
  void Goto();
  bool Label();
  void VariableStatement(std::string* assignedVariable);
  void CallStatement();

  // Expressions: each checks the grammar and moves past it.
  std::string ExpressionText();
  void Expression();
  void SimpleExpression();
  void Term();
  void Factor();
  void Arguments();
  void Index();
  void Bracketed();
  void QuotedString();

  // Commands.
  size_t Emit(Command c);
  void Fill(size_t index) { commands_[index].address = static_cast<int>(commands_.size()); }
  void Finish(TfrLines& target, TfrLines& errors);

  struct DepthGuard {
    DepthGuard(ScriptCompiler& c, size_t pos) : c_(c) {
      if (++c_.depth_ > kScriptMaxNesting) c_.Fail(kScriptTooDeep, pos);
    }
    ~DepthGuard() { --c_.depth_; }
    ScriptCompiler& c_;
  };

  TfrParser& parser_;
  std::string buf_;       // the script being compiled, comments taken out
  std::string original_;  // the joined script as written
  std::vector<RemovedComment> comments_;
  size_t cur_ = 0;
  size_t tokenPos_ = 0;  // start of the last token read, for error positions
  int depth_ = 0;
  std::vector<Command> commands_;
  // Label table: text with its colon and the index of the command after it.
  std::vector<std::pair<std::string, int>> labels_;
};

// Each line followed by a carriage return, tabs turned into spaces.
void ScriptCompiler::JoinLines(const TfrLines& source) {
  for (const std::string& line : source) {
    buf_ += line;
    buf_ += '\r';
  }
  std::replace(buf_.begin(), buf_.end(), '\t', ' ');
  original_ = buf_;
}

// Comments "{ ... }" and "// ... " up to the line end are replaced by one
// space, so that they never join the tokens around them; the line end after
// "//" stays. Quoted strings and double-quoted names are left alone.
void ScriptCompiler::RemoveComments() {
  std::string out;
  out.reserve(buf_.size());
  char quote = 0;
  size_t p = 0;
  while (p < buf_.size()) {
    char c = buf_[p];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '{' || (c == '/' && At(p + 1) == '/')) {
      size_t end = c == '{' ? buf_.find('}', p) : buf_.find('\r', p);
      if (end == std::string::npos) end = buf_.size();
      else if (c == '{') ++end;  // the closing brace goes with the comment
      size_t len = end - p;
      comments_.push_back({out.size(), len - 1});
      out += ' ';
      p = end;
      continue;
    }
    size_t n = CharLength(buf_, p);
    out.append(buf_, p, n);
    p += n;
  }
  buf_ = std::move(out);
}

// "Line L/C: message", the position mapped back to the source lines by
// adding the bytes of the comments removed before it.
std::string ScriptCompiler::ErrorLine(const CompileError& e) const {
  size_t pos = std::min(e.pos, buf_.size());
  for (const RemovedComment& c : comments_)
    if (c.pos < e.pos) pos += c.removed;
  pos = std::min(pos, original_.size());
  // An error at the end of the text points just past its last character.
  if (pos == original_.size())
    while (pos > 0 && static_cast<unsigned char>(original_[pos - 1]) <= 32) --pos;
  size_t line = 1, lineStart = 0;
  for (size_t i = 0; i < pos; ++i)
    if (original_[i] == '\r') {
      ++line;
      lineStart = i + 1;
    }
  return "Line " + std::to_string(line) + "/" + std::to_string(pos - lineStart + 1) + ": " + e.message;
}

void ScriptCompiler::SkipSpace() {
  while (cur_ < buf_.size() && static_cast<unsigned char>(buf_[cur_]) <= 32) ++cur_;
}

// token = run of bytes above 32 after the skipped space, upper-cased; " "
// when the text has ended.
std::string ScriptCompiler::GetToken() {
  SkipSpace();
  tokenPos_ = cur_;
  size_t start = cur_;
  while (cur_ < buf_.size() && static_cast<unsigned char>(buf_[cur_]) > 32) ++cur_;
  if (cur_ == start) return " ";
  return AsciiUpper(std::string_view(buf_).substr(start, cur_ - start));
}

// True when the word operator stands at the current position as a whole word.
bool ScriptCompiler::WordAt(std::string_view word) const {
  if (cur_ + word.size() > buf_.size()) return false;
  if (!SameTextAscii(std::string_view(buf_).substr(cur_, word.size()), word)) return false;
  return !IsNameChar(At(cur_ + word.size()));
}

std::string ScriptCompiler::ReadDigits() {
  size_t start = cur_;
  while (IsDigit(At(cur_))) ++cur_;
  return buf_.substr(start, cur_ - start);
}

// name = letter { letter | digit | "." | "_" }
std::string ScriptCompiler::ReadName() {
  size_t start = cur_;
  if (!IsLetter(At(cur_))) return {};
  while (cur_ < buf_.size() && IsNameChar(At(cur_))) cur_ = Next(cur_);
  return buf_.substr(start, cur_ - start);
}

// statement = block | if | repeat | while | for | goto | label statement
//           | assignment | call | exit | (nothing before end / until)
void ScriptCompiler::Statement() {
  DepthGuard guard(*this, cur_);
  size_t start = cur_;
  std::string tok = GetToken();
  if (tok == "BEGIN") return Block();
  if (tok == "IF") return If();
  if (tok == "REPEAT") return Repeat();
  if (tok == "WHILE") return While();
  if (tok == "FOR") return For();
  if (tok == "GOTO") return Goto();
  if (tok == "END" || tok.starts_with("END;") || tok == "UNTIL" || tok == " ") {
    cur_ = tokenPos_;  // the enclosing block or loop reads it
    return;
  }
  cur_ = start;
  SkipSpace();
  if (Label()) return Statement();
  size_t nameStart = cur_;
  std::string name = ReadName();
  cur_ = nameStart;
  if (!name.empty() && At(nameStart + name.size()) != '(') return VariableStatement(nullptr);
  CallStatement();
}

// block = "begin" statement { ";" statement } "end"
void ScriptCompiler::Block() {
  for (;;) {
    Statement();
    std::string tok = GetToken();
    if (tok[0] == ';') {
      cur_ = tokenPos_ + 1;
      continue;
    }
    if (tok == "END" || tok.starts_with("END;")) {
      cur_ = tokenPos_ + 3;
      return;
    }
    Fail(kScriptNeedSemicolonOrEnd, tokenPos_);
  }
}

// if = "if" expression "then" statement [ "else" statement ]
void ScriptCompiler::If() {
  size_t exprPos = cur_;
  std::string cond = ExpressionText();
  size_t c = Emit({ccJumpIfZero, kUnfilled, {}, {}, cond, exprPos});
  if (GetToken() != "THEN") Fail(kScriptNeedThen, tokenPos_);
  Statement();
  if (GetToken() != "ELSE") {
    Fill(c);
    cur_ = tokenPos_;
    return;
  }
  size_t g = Emit({ccJump, kUnfilled, {}, {}, {}, tokenPos_});
  Fill(c);
  Statement();
  Fill(g);
}

// repeat = "repeat" statement { ";" statement } "until" expression
void ScriptCompiler::Repeat() {
  int s = static_cast<int>(commands_.size());
  for (;;) {
    Statement();
    std::string tok = GetToken();
    if (tok == "UNTIL") {
      size_t exprPos = cur_;
      std::string cond = ExpressionText();
      Emit({ccJumpIfZero, s, {}, {}, cond, exprPos});
      return;
    }
    if (tok[0] != ';') Fail(kScriptNeedSemicolonOrUntil, tokenPos_);
    cur_ = tokenPos_ + 1;
  }
}

// while = "while" expression "do" statement
void ScriptCompiler::While() {
  size_t exprPos = cur_;
  std::string cond = ExpressionText();
  size_t w = Emit({ccJumpIfZero, kUnfilled, {}, {}, cond, exprPos});
  if (GetToken() != "DO") Fail(kScriptNeedDo, tokenPos_);
  Statement();
  Emit({ccJump, static_cast<int>(w), {}, {}, {}, exprPos});
  Fill(w);
}

// for = "for" variable ":=" expression "to" expression "do" statement
// The end expression is evaluated before every round; the step is 1.
void ScriptCompiler::For() {
  SkipSpace();
  std::string variable;
  VariableStatement(&variable);
  if (GetToken() != "TO") Fail(kScriptNeedTo, tokenPos_);
  size_t exprPos = cur_;
  std::string last = ExpressionText();
  size_t t = Emit({ccJumpIfZero, kUnfilled, {}, {}, variable + "<=" + last, exprPos});
  if (GetToken() != "DO") Fail(kScriptNeedDo, tokenPos_);
  Statement();
  Emit({0, kUnfilled, {}, variable, variable + "+1", exprPos});
  Emit({ccJump, static_cast<int>(t), {}, {}, {}, exprPos});
  Fill(t);
}

// goto = "goto" digits
void ScriptCompiler::Goto() {
  SkipSpace();
  std::string digits = ReadDigits();
  if (digits.empty()) Fail(kScriptGotoNeedsNumber, tokenPos_);
  Emit({ccJump, kUnfilled, digits, {}, {}, tokenPos_});
}

// label = digits ":" ; enters the label with the index of the next command.
bool ScriptCompiler::Label() {
  size_t start = cur_;
  std::string digits = ReadDigits();
  if (digits.empty() || At(cur_) != ':' || At(cur_ + 1) == '=') {
    cur_ = start;
    return false;
  }
  ++cur_;
  std::string text = digits + ":";
  if (text.size() > kScriptMaxLabelLength) Fail(kScriptLabelTooLong, start);
  auto known = std::find_if(labels_.begin(), labels_.end(),
                            [&](const auto& l) { return l.first == text; });
  if (known == labels_.end()) {
    if (labels_.size() >= kScriptMaxLabels) Fail(kScriptTooManyLabels, start);
    labels_.emplace_back(text, static_cast<int>(commands_.size()));
  }
  return true;
}

// assignment = variable [ "[" expression "]" ] ":=" expression
// call without arguments = variable (before ";", "end", "else", "until" or
// the end of the text). For a counting loop (assignedVariable set) only a
// plain assignment is accepted and the variable's text is handed back.
void ScriptCompiler::VariableStatement(std::string* assignedVariable) {
  size_t nameStart = cur_;
  std::string name = ReadName();
  if (name.empty()) Fail(assignedVariable ? kScriptNeedAssign : kScriptNeedStatement, nameStart);
  std::string index;
  if (At(cur_) == '[') {
    size_t open = ++cur_;
    Expression();
    SkipSpace();
    if (At(cur_) != ']') Fail(kScriptNeedCloseBracket, cur_);
    index = Trim(std::string_view(buf_).substr(open, cur_ - open));
    ++cur_;
  }
  std::string tok = GetToken();
  bool callEnd = tok[0] == ';' || tok == "END" || tok.starts_with("END;") || tok == "ELSE" ||
                 tok == "UNTIL" || tok == " ";
  if (callEnd && !assignedVariable && index.empty()) {
    Emit({ccCall, kUnfilled, {}, {}, name + "(0)", nameStart});
    cur_ = tokenPos_;
    return;
  }
  if (!tok.starts_with(":=") || (assignedVariable && !index.empty())) Fail(kScriptNeedAssign, tokenPos_);
  cur_ = tokenPos_ + 2;
  SkipSpace();
  size_t exprPos = cur_;
  std::string value = ExpressionText();
  if (!index.empty()) {
    Emit({ccCall, kUnfilled, {}, {}, "SETARRAY(" + name + ", " + index + ", " + value + ")", exprPos});
  } else {
    Emit({0, kUnfilled, {}, name, value, exprPos});
    if (assignedVariable) *assignedVariable = name;
  }
}

// call = expression (a function or method call with arguments)
void ScriptCompiler::CallStatement() {
  size_t start = cur_;
  unsigned char c = At(cur_);
  if (!(IsLetter(c) || IsDigit(c) || c == '(' || c == '[' || c == '\'' || c == '+' || c == '-'))
    Fail(kScriptNeedStatement, start);
  std::string call = ExpressionText();
  Emit({ccCall, kUnfilled, {}, {}, call, start});
}

// The source text of one expression, checked against the grammar.
std::string ScriptCompiler::ExpressionText() {
  SkipSpace();
  size_t start = cur_;
  Expression();
  return Trim(std::string_view(buf_).substr(start, cur_ - start));
}

// expression = simple [ (">=" | "<=" | "<>" | "<" | "=" | ">") simple ]
void ScriptCompiler::Expression() {
  SimpleExpression();
  SkipSpace();
  unsigned char c = At(cur_);
  if (c == '<' || c == '>' || c == '=') {
    unsigned char d = At(cur_ + 1);
    cur_ += (c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '=') ? 2 : 1;
    SimpleExpression();
  }
}

// simple = term { ("+" | "-" | "or") term }
void ScriptCompiler::SimpleExpression() {
  Term();
  for (;;) {
    SkipSpace();
    unsigned char c = At(cur_);
    if (c == '+' || c == '-') {
      ++cur_;
    } else if (WordAt("OR")) {
      cur_ += 2;
    } else {
      return;
    }
    Term();
  }
}

// term = factor { ("*" | "/" | "and" | "mod") factor }
void ScriptCompiler::Term() {
  Factor();
  for (;;) {
    SkipSpace();
    unsigned char c = At(cur_);
    if (c == '*' || c == '/') {
      ++cur_;
    } else if (WordAt("AND") || WordAt("MOD")) {
      cur_ += 3;
    } else {
      return;
    }
    Factor();
  }
}

// factor = "(" expression ")" | "[" text "]" | ("+" | "-" | "not") expression
//        | number | string | name [ "(" expression { "," expression } ")" ]
//        | name "[" expression "]"
void ScriptCompiler::Factor() {
  SkipSpace();
  DepthGuard guard(*this, cur_);
  unsigned char c = At(cur_);
  if (c == '(') {
    ++cur_;
    Expression();
    SkipSpace();
    if (At(cur_) != ')') Fail(kScriptNeedCloseParen, cur_);
    ++cur_;
  } else if (c == '[') {
    Bracketed();
  } else if (c == '+' || c == '-') {
    ++cur_;
    Expression();
  } else if (WordAt("NOT")) {
    cur_ += 3;
    Expression();
  } else if (IsDigit(c)) {
    ReadDigits();
    if (At(cur_) == '.' && IsDigit(At(cur_ + 1))) {
      ++cur_;
      ReadDigits();
    }
  } else if (c == '\'') {
    QuotedString();
  } else if (IsLetter(c)) {
    ReadName();
    if (At(cur_) == '(') Arguments();
    else if (At(cur_) == '[') Index();
  } else {
    Fail(kScriptNeedExpression, cur_);
  }
}

// arguments = "(" [ expression { "," expression } ] ")"
void ScriptCompiler::Arguments() {
  ++cur_;
  SkipSpace();
  if (At(cur_) == ')') {
    ++cur_;
    return;
  }
  for (;;) {
    Expression();
    SkipSpace();
    if (At(cur_) == ',') {
      ++cur_;
    } else if (At(cur_) == ')') {
      ++cur_;
      return;
    } else {
      Fail(kScriptNeedCommaOrParen, cur_);
    }
  }
}

// index = "[" expression "]"
void ScriptCompiler::Index() {
  ++cur_;
  Expression();
  SkipSpace();
  if (At(cur_) != ']') Fail(kScriptNeedCloseBracket, cur_);
  ++cur_;
}

// bracketed = "[" { text | bracketed } "]"; brackets inside quotes do not count.
void ScriptCompiler::Bracketed() {
  size_t open = cur_;
  int depth = 0;
  char quote = 0;
  while (cur_ < buf_.size()) {
    char c = buf_[cur_];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']' && --depth == 0) {
      ++cur_;
      return;
    }
    cur_ = Next(cur_);
  }
  Fail(kScriptNeedCloseBracket, open);
}

// string = "'" { character | "''" } "'"
void ScriptCompiler::QuotedString() {
  size_t open = cur_++;
  for (;;) {
    if (cur_ >= buf_.size()) Fail(kScriptUnterminatedString, open);
    if (buf_[cur_] == '\'') {
      if (At(cur_ + 1) != '\'') break;
      ++cur_;
    }
    cur_ = Next(cur_);
  }
  ++cur_;
}

size_t ScriptCompiler::Emit(Command c) {
  if (commands_.size() >= kScriptMaxCommands) Fail(kScriptTooManyCommands, c.pos);
  commands_.push_back(std::move(c));
  return commands_.size() - 1;
}

// Resolves goto labels, converts every expression to postfix form and writes
// the command lines. A jump left without a target (a statement cut short by
// an error, a goto to an unknown label) ends the script.
void ScriptCompiler::Finish(TfrLines& target, TfrLines& errors) {
  for (Command& c : commands_) {
    if (c.code != ccJump || c.label.empty()) continue;
    std::string text = c.label + ":";
    auto known = std::find_if(labels_.begin(), labels_.end(),
                              [&](const auto& l) { return l.first == text; });
    if (known != labels_.end()) c.address = known->second;
  }
  for (size_t i = 0; i < commands_.size(); ++i) {
    const Command& c = commands_[i];
    std::string line;
    try {
      if (c.code == ccJumpIfZero || c.code == ccJump) {
        int address = c.address == kUnfilled ? static_cast<int>(commands_.size()) : c.address;
        line += c.code;
        line += static_cast<char>(address & 0xFF);
        line += static_cast<char>((address >> 8) & 0xFF);
        line += c.code == ccJump ? c.label : parser_.ToPostfix(c.expr);
      } else if (c.code == ccCall) {
        line += c.code;
        line += parser_.ToPostfix(c.expr);
      } else {
        line = c.target + " " + parser_.ToPostfix(c.expr);
      }
    } catch (const Exception& e) {
      // Commands after one that cannot be converted are dropped; jumps to
      // them now end the script.
      if (errors.empty()) errors.push_back(ErrorLine({e.Message(), c.pos}));
      return;
    }
    target.push_back(std::move(line));
  }
}

void ScriptCompiler::Compile(const TfrLines& source, TfrLines& target,
                             TfrLines& errors) {
  JoinLines(source);
  if (buf_.size() > kScriptMaxLength) {
    // Reported at the character that passes the limit.
    errors.push_back(ErrorLine({kScriptTooLong, kScriptMaxLength}));
    return;
  }
  RemoveComments();
  try {
    Statement();
  } catch (const CompileError& e) {
    errors.push_back(ErrorLine(e));
  }
  Finish(target, errors);
}

}  // namespace

int CommandAddress(std::string_view line) {
  if (line.size() < 3 || (line[0] != ccJumpIfZero && line[0] != ccJump)) return -1;
  return static_cast<unsigned char>(line[1]) | (static_cast<unsigned char>(line[2]) << 8);
}

std::string_view CommandExpression(std::string_view line) {
  if (line.empty()) return {};
  switch (line[0]) {
    case ccJumpIfZero:
      return line.size() > 3 ? line.substr(3) : std::string_view();
    case ccJump:
      return {};
    case ccCall:
      return line.substr(1);
    default: {
      size_t space = line.find(' ');
      return space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }
  }
}

std::string CommandToDisplay(std::string_view line) {
  if (line.empty()) return "set\t\t";
  switch (line[0]) {
    case ccJumpIfZero:
      return "jz\t" + std::to_string(CommandAddress(line)) + "\t" +
             PostfixToDisplay(CommandExpression(line));
    case ccJump:
      return "jmp\t" + std::to_string(CommandAddress(line));
    case ccCall:
      return "call\t" + PostfixToDisplay(CommandExpression(line));
    default: {
      size_t space = line.find(' ');
      return "set\t" + std::string(line.substr(0, space)) + "\t" +
             PostfixToDisplay(CommandExpression(line));
    }
  }
}

TfrInterpretator::TfrInterpretator() {
  parser_.ValueCallback = [this](const std::string& name, Variant& value) { GetValue(name, value); };
  parser_.FunctionCallback = [this](const std::string& name, const Variant& p1, const Variant& p2,
                                    const Variant& p3, Variant& result) {
    DoFunction(name, p1, p2, p3, result);
  };
}

TfrInterpretator::~TfrInterpretator() = default;

void TfrInterpretator::GetValue(const std::string&, Variant&) {}
void TfrInterpretator::SetValue(const std::string&, const Variant&) {}
void TfrInterpretator::DoFunction(const std::string&, const Variant&, const Variant&,
                                  const Variant&, Variant&) {}
bool TfrInterpretator::StopRequested() { return false; }

void TfrInterpretator::PrepareScript(const TfrLines& source, TfrLines& target,
                                     TfrLines& errors) {
  // source may be target itself: compile from a copy.
  TfrLines text = source;
  target.clear();
  errors.clear();
  ScriptCompiler(parser_).Compile(text, target, errors);
}

void TfrInterpretator::DoScript(const TfrLines& compiled) {
  const size_t count = compiled.size();
  size_t i = 0;
  int sinceCheck = 0;
  while (i < count) {
    if (++sinceCheck >= kScriptStopCheckInterval) {
      sinceCheck = 0;
      if (QCoreApplication::instance()) QCoreApplication::processEvents();
      if (StopRequested()) return;
    }
    const std::string& line = compiled[i];
    if (line.empty()) {
      ++i;
      continue;
    }
    switch (line[0]) {
      case ccJumpIfZero: {
        int address = CommandAddress(line);
        if (address < 0) return;
        Variant v = parser_.EvaluatePostfix(CommandExpression(line));
        i = v.Equals(Variant(0)) ? static_cast<size_t>(address) : i + 1;
        break;
      }
      case ccJump: {
        int address = CommandAddress(line);
        if (address < 0) return;
        i = static_cast<size_t>(address);
        break;
      }
      case ccCall: {
        std::string_view call = CommandExpression(line);
        if (SameTextAscii(call, "EXIT(0)")) return;
        parser_.EvaluatePostfix(call);
        ++i;
        break;
      }
      default: {
        size_t space = line.find(' ');
        std::string target = line.substr(0, space);
        Variant v = parser_.EvaluatePostfix(CommandExpression(line));
        SetValue(target, v);
        ++i;
        break;
      }
    }
  }
}

void TfrInterpretator::SplitScript(const TfrLines& compiled,
                                   const std::function<void(const std::string&)>& split) const {
  for (const std::string& line : compiled) {
    std::string_view expr = CommandExpression(line);
    if (!expr.empty()) split(std::string(expr));
  }
}

void TfrInterpretator::SplitScript(const TfrLines& compiled, TfrFunctionSplitter& splitter) const {
  SplitScript(compiled, [&](const std::string& expr) { splitter.Split(expr); });
}

}  // namespace lf
