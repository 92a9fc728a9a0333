// Text form of templates: writer (JsonOut, keys in record order) and reader
// (Qt's JSON parser) mirror each other key by key.
#include "engine/template/template_text.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <set>

#include "engine/model/band_view.h"
#include "engine/expr/date_time.h"
#include "engine/template/json_out.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/model/subreport_view.h"
#include "engine/template/template_format.h"
#include "engine/model/unique_name.h"
#include "engine/model/view_factory.h"
#include "platform/code_page.h"

namespace lf {
namespace {

// ---- writing ----

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

void Text(JsonOut& j, std::string_view key, const std::string& host) {
  j.Key(key).String(HostToUtf8(host));
}
void Lines(JsonOut& j, std::string_view key, const TfrLines& lines) {
  j.Key(key).BeginArray(lines.size() <= 1);
  for (const std::string& line : lines) j.String(HostToUtf8(line));
  j.EndArray();
}
void Colour(JsonOut& j, std::string_view key, uint32_t v) { j.Key(key).String(Hex(v)); }

void WriteView(JsonOut& j, const TfrView& v, bool prepared) {
  j.BeginObject();
  j.Key("TypeCode").Int(v.TypeCode);
  if (v.TypeCode == gtAddIn) j.Key("ClassName").String(v.ClassName());
  Text(j, "Name", v.Name);
  j.Key("FormatRevision").Int(v.FormatRevision);
  j.Key("Left").Int(v.Left);
  j.Key("Top").Int(v.Top);
  j.Key("Width").Int(v.Width);
  j.Key("Height").Int(v.Height);
  j.Key("Flags").Int(v.Flags);
  j.Key("FrameTyp").Int(v.FrameTyp);
  j.Key("FrameWidth").Float(v.FrameWidth);
  Colour(j, "FrameColor", v.FrameColor);
  j.Key("FrameStyle").Int(v.FrameStyle);
  Colour(j, "FillColor", v.FillColor);
  if (!prepared) {
    j.Key("Format").String(Hex(static_cast<uint32_t>(v.Format)));
    Text(j, "FormatStr", v.FormatStr);
    Lines(j, "Memo", v.Memo);
    Lines(j, "Script", v.Script);
    j.Key("Visible").Bool(v.Visible);
  } else {
    Lines(j, "Memo", v.WorkLines);
  }
  j.Key("Restrictions").Int(v.Restrictions);
  Text(j, "Tag", v.Tag);
  j.Key("GapX").Int(v.GapX);
  j.Key("GapY").Int(v.GapY);
  j.Key("BandAlign").Int(v.BandAlign);
  if (auto* m = dynamic_cast<const TfrMemoView*>(&v)) {
    j.Key("Font").BeginObject(true);
    Text(j, "Name", m->Font.Name);
    j.Key("Size").Int(m->Font.Size);
    j.Key("Style").Int(m->Font.Style);
    Colour(j, "Color", m->Font.Color);
    j.Key("Charset").Int(m->Font.Charset);
    j.EndObject();
    j.Key("Alignment").Int(m->Alignment);
    if (!prepared) {
      j.Key("Highlight").BeginObject(true);
      j.Key("FontStyle").Int(m->Highlight.FontStyle);
      Colour(j, "FontColor", m->Highlight.FontColor);
      Colour(j, "FillColor", m->Highlight.FillColor);
      Text(j, "Condition", m->Highlight.Condition);
      j.EndObject();
    }
    j.Key("LineSpacing").Int(m->LineSpacing);
    j.Key("CharSpacing").Int(m->CharSpacing);
  } else if (auto* p = dynamic_cast<const TfrPictureView*>(&v)) {
    j.Key("BlobType").Int(p->BlobType);
    j.Key("Picture").BeginObject(true);
    j.Key("Kind").Int(static_cast<int>(p->Picture.Kind));
    QByteArray data(p->Picture.Data.data(), static_cast<qsizetype>(p->Picture.Data.size()));
    j.Key("Data").String(data.toBase64().toStdString());
    j.EndObject();
  } else if (auto* b = dynamic_cast<const TfrBandView*>(&v)) {
    Text(j, "ChildBand", b->ChildBand);
    j.Key("Columns").Int(b->Columns);
    j.Key("ColumnWidth").Int(b->ColumnWidth);
    j.Key("ColumnGap").Int(b->ColumnGap);
    j.Key("NewColumnAfter").Int(b->NewColumnAfter);
    Text(j, "Master", b->Master);
  } else if (auto* s = dynamic_cast<const TfrSubReportView*>(&v)) {
    j.Key("SubPage").Int(s->SubPage);
  }
  j.EndObject();
}

void WritePage(JsonOut& j, const TfrPage& p) {
  j.BeginObject();
  Text(j, "Name", p.Name);
  j.Key("PageType").Int(p.PageType);
  j.Key("PaperCode").Int(p.PaperCode);
  j.Key("WidthDmm").Int(p.WidthDmm);
  j.Key("HeightDmm").Int(p.HeightDmm);
  j.Key("Margins").BeginArray(true);
  for (int32_t m : {p.Margins.Left, p.Margins.Top, p.Margins.Right, p.Margins.Bottom}) j.Int(m);
  j.EndArray();
  j.Key("Landscape").Bool(p.Landscape);
  j.Key("PaperSource").Int(p.PaperSource);
  j.Key("PrintToPrevPage").Bool(p.PrintToPrevPage);
  j.Key("SheetCoordinates").Bool(p.SheetCoordinates);
  j.Key("Columns").Int(p.Columns);
  j.Key("ColumnGap").Int(p.ColumnGap);
  j.Key("BorderStyle").Int(p.BorderStyle);
  Text(j, "Caption", p.Caption);
  Colour(j, "Color", p.Color);
  j.Key("Left").Int(p.Left);
  j.Key("Top").Int(p.Top);
  j.Key("Width").Int(p.Width);
  j.Key("Height").Int(p.Height);
  j.Key("Position").Int(p.Position);
  Lines(j, "Script", p.Script);
  j.Key("Objects").BeginArray();
  for (const auto& v : p.Objects) WriteView(j, *v, false);
  j.EndArray();
  j.EndObject();
}

void WriteList(JsonOut& j, std::string_view key, const TfrVariables& list) {
  j.Key(key).BeginArray();
  for (int i = 0; i < list.Count(); ++i) {
    j.BeginArray(true);
    j.String(HostToUtf8(list.NameAt(i)));
    j.String(HostToUtf8(list.ValueAt(i).AsText()));
    j.EndArray();
  }
  j.EndArray();
}

// ---- reading ----

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw ETemplateTextError("Template text: " + where + ": " + what);
}

// One JSON object being read: every key must be used.
class In {
 public:
  In(const QJsonValue& value, std::string where) : where_(std::move(where)) {
    if (!value.isObject()) Fail(where_, "must be an object");
    obj_ = value.toObject();
  }
  // Raises for any key that was not read.
  void Finish() const {
    for (auto it = obj_.begin(); it != obj_.end(); ++it)
      if (!used_.count(it.key().toStdString()))
        Fail(where_, "unknown key '" + it.key().toStdString() + "'");
  }
  In(const In&) = delete;
  In& operator=(const In&) = delete;

  const std::string& Where() const { return where_; }
  bool Has(const char* key) const { return obj_.contains(QLatin1String(key)); }

  // The value of key, or an undefined value when absent.
  QJsonValue Get(const char* key) {
    used_.insert(key);
    return obj_.value(QLatin1String(key));
  }

  template <class T>
  void Int(const char* key, T& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    out = static_cast<T>(ToInt(v, key, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
  }
  void Int(const char* key, int32_t& out, int64_t lo, int64_t hi) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    out = static_cast<int32_t>(ToInt(v, key, lo, hi));
  }
  void Coordinate(const char* key, int32_t& out) { Int(key, out, -kMaxPageCoordinate, kMaxPageCoordinate); }
  // 32-bit values that may be written either as signed or as hexadecimal
  // colour-like codes.
  void Code(const char* key, int32_t& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    out = static_cast<int32_t>(static_cast<uint32_t>(ToInt(v, key, INT32_MIN, UINT32_MAX)));
  }
  void Bool(const char* key, bool& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    if (v.isBool()) out = v.toBool();
    else out = ToInt(v, key, INT32_MIN, INT32_MAX) != 0;
  }
  void Bool(const char* key, WordBool& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    if (v.isBool()) out = v.toBool();
    else out = WordBool::FromStored(static_cast<int16_t>(ToInt(v, key, INT16_MIN, INT16_MAX)));
  }
  void Float(const char* key, float& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    if (!v.isDouble()) Fail(where_, "'" + std::string(key) + "' must be a number");
    double d = v.toDouble();
    if (!(std::fabs(d) <= std::numeric_limits<float>::max()))
      Fail(where_, "'" + std::string(key) + "' is out of range");
    out = static_cast<float>(d);
  }
  void Date(const char* key, double& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    if (v.isDouble()) {
      out = v.toDouble();
      return;
    }
    if (!v.isString()) Fail(where_, "'" + std::string(key) + "' must be a number of days or a date text");
    // "YYYY-MM-DD" optionally followed by "THH:MM[:SS]" or " HH:MM[:SS]".
    std::string t = v.toString().toStdString();
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    char sep = 0;
    int n = std::sscanf(t.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &mo, &d, &sep, &h, &mi, &sec);
    if (n != 3 && n < 6) Fail(where_, "'" + std::string(key) + "' is not a date: " + t);
    try {
      out = EncodeDate(y, mo, d) + EncodeTime(h, mi, sec, 0);
    } catch (const std::exception&) {
      Fail(where_, "'" + std::string(key) + "' is not a date: " + t);
    }
  }
  void Str(const char* key, std::string& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    if (!v.isString()) Fail(where_, "'" + std::string(key) + "' must be a text");
    out = Utf8ToHost(v.toString().toStdString());
  }
  void Lines(const char* key, TfrLines& out) {
    QJsonValue v = Get(key);
    if (v.isUndefined()) return;
    if (v.isString()) {  // one line may be written as a plain text
      out = {Utf8ToHost(v.toString().toStdString())};
      return;
    }
    if (!v.isArray()) Fail(where_, "'" + std::string(key) + "' must be an array of texts");
    out.clear();
    for (const QJsonValue& line : v.toArray()) {
      if (!line.isString()) Fail(where_, "'" + std::string(key) + "' must be an array of texts");
      out.push_back(Utf8ToHost(line.toString().toStdString()));
    }
  }

 private:
  int64_t ToInt(const QJsonValue& v, const char* key, int64_t lo, int64_t hi) {
    double d = 0;
    if (v.isDouble()) {
      d = v.toDouble();
    } else if (v.isString()) {
      // "0x..." is hexadecimal; anything else decimal ("010" is ten).
      std::string t = v.toString().toStdString();
      bool negative = !t.empty() && t[0] == '-';
      std::string_view digits(t);
      if (negative) digits.remove_prefix(1);
      int base = 10;
      if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
      }
      uint64_t parsed = 0;
      auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, base);
      if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        Fail(where_, "'" + std::string(key) + "' must be an integer");
      d = negative ? -static_cast<double>(parsed) : static_cast<double>(parsed);
    } else {
      Fail(where_, "'" + std::string(key) + "' must be an integer");
    }
    if (d != std::trunc(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
      Fail(where_, "'" + std::string(key) + "' must be an integer from " + std::to_string(lo) +
                       " to " + std::to_string(hi));
    return static_cast<int64_t>(d);
  }

  QJsonObject obj_;
  std::string where_;
  std::set<std::string> used_;
};

void Colour(In& in, const char* key, uint32_t& out) {
  int32_t v = static_cast<int32_t>(out);
  in.Code(key, v);
  out = static_cast<uint32_t>(v);
}

QJsonArray ArrayOf(In& in, const char* key) {
  QJsonValue v = in.Get(key);
  if (v.isUndefined()) return {};
  if (!v.isArray()) Fail(in.Where(), "'" + std::string(key) + "' must be an array");
  return v.toArray();
}

std::unique_ptr<TfrView> ReadViewFields(In& in, bool prepared) {
  QJsonValue code = in.Get("TypeCode");
  if (code.isUndefined()) Fail(in.Where(), "'TypeCode' is missing");
  uint8_t typeCode = 0;
  {
    int32_t c = 0;
    in.Code("TypeCode", c);
    if (c < 0 || c > 255) Fail(in.Where(), "'TypeCode' must be an integer from 0 to 255");
    typeCode = static_cast<uint8_t>(c);
  }
  std::string className;
  if (typeCode == gtAddIn) in.Str("ClassName", className);
  std::unique_ptr<TfrView> created;
  try {
    created = CreateView(typeCode, className);
  } catch (const EClassNotFound& e) {
    MissingComponents().clear();
    Fail(in.Where(), e.Message());
  }
  if (!created) Fail(in.Where(), "no object has type code " + std::to_string(typeCode));
  TfrView& v = *created;
  in.Str("Name", v.Name);
  in.Int("FormatRevision", v.FormatRevision);
  in.Coordinate("Left", v.Left);
  in.Coordinate("Top", v.Top);
  in.Coordinate("Width", v.Width);
  in.Coordinate("Height", v.Height);
  in.Int("Flags", v.Flags);
  in.Int("FrameTyp", v.FrameTyp);
  in.Float("FrameWidth", v.FrameWidth);
  Colour(in, "FrameColor", v.FrameColor);
  in.Int("FrameStyle", v.FrameStyle);
  Colour(in, "FillColor", v.FillColor);
  if (!prepared) {
    in.Code("Format", v.Format);
    in.Str("FormatStr", v.FormatStr);
    in.Lines("Memo", v.Memo);
    in.Lines("Script", v.Script);
    in.Bool("Visible", v.Visible);
  } else {
    in.Lines("Memo", v.WorkLines);
  }
  in.Int("Restrictions", v.Restrictions);
  in.Str("Tag", v.Tag);
  in.Coordinate("GapX", v.GapX);
  in.Coordinate("GapY", v.GapY);
  in.Int("BandAlign", v.BandAlign);
  if (auto* m = dynamic_cast<TfrMemoView*>(&v)) {
    if (in.Has("Font")) {
      In f(in.Get("Font"), in.Where() + ".Font");
      f.Str("Name", m->Font.Name);
      f.Int("Size", m->Font.Size);
      f.Int("Style", m->Font.Style);
      Colour(f, "Color", m->Font.Color);
      f.Int("Charset", m->Font.Charset);
      f.Finish();
    }
    in.Int("Alignment", m->Alignment);
    if (!prepared && in.Has("Highlight")) {
      In h(in.Get("Highlight"), in.Where() + ".Highlight");
      h.Int("FontStyle", m->Highlight.FontStyle);
      Colour(h, "FontColor", m->Highlight.FontColor);
      Colour(h, "FillColor", m->Highlight.FillColor);
      h.Str("Condition", m->Highlight.Condition);
      h.Finish();
    }
    in.Int("LineSpacing", m->LineSpacing);
    in.Int("CharSpacing", m->CharSpacing);
  } else if (auto* p = dynamic_cast<TfrPictureView*>(&v)) {
    in.Int("BlobType", p->BlobType);
    if (in.Has("Picture")) {
      In pic(in.Get("Picture"), in.Where() + ".Picture");
      uint8_t kind = 0;
      pic.Int("Kind", kind);
      if (kind > static_cast<uint8_t>(TfrGraphicKind::JPEG))
        Fail(pic.Where(), "'Kind' must be an integer from 0 to 4");
      QJsonValue data = pic.Get("Data");
      if (!data.isUndefined() && !data.isString()) Fail(pic.Where(), "'Data' must be base64 text");
      auto decoded = QByteArray::fromBase64Encoding(data.toString().toLatin1(),
                                                    QByteArray::AbortOnBase64DecodingErrors);
      if (!decoded) Fail(pic.Where(), "'Data' is not valid base64");
      p->Picture.Kind = static_cast<TfrGraphicKind>(kind);
      p->Picture.Data = decoded.decoded.toStdString();
      pic.Finish();
    }
  } else if (auto* b = dynamic_cast<TfrBandView*>(&v)) {
    in.Str("ChildBand", b->ChildBand);
    in.Int("Columns", b->Columns);
    in.Int("ColumnWidth", b->ColumnWidth);
    in.Int("ColumnGap", b->ColumnGap);
    in.Int("NewColumnAfter", b->NewColumnAfter);
    in.Str("Master", b->Master);
  } else if (auto* s = dynamic_cast<TfrSubReportView*>(&v)) {
    in.Int("SubPage", s->SubPage);
  }
  return created;
}

void ReadView(In& in, TUniqueNamer& namer, TfrPage& page) {
  TfrView& v = *page.AddObject(ReadViewFields(in, false));
  if (v.Name.empty()) v.Name = namer.Take(v.BaseName);
  else namer.Note(v.Name);
  in.Finish();
}

void ReadPage(In& in, TfrReport& report, TUniqueNamer& namer, TUniqueNamer& pageNamer) {
  TfrPage& p = *report.Pages->Add(NewTemplatePage());
  if (in.Has("Name")) {
    in.Str("Name", p.Name);
    pageNamer.Note(p.Name);
  } else {
    p.Name = pageNamer.Take("Page");
  }
  in.Int("PageType", p.PageType);
  in.Int("PaperCode", p.PaperCode);
  in.Int("WidthDmm", p.WidthDmm, 0, kMaxPaperSizeDmm);
  in.Int("HeightDmm", p.HeightDmm, 0, kMaxPaperSizeDmm);
  QJsonArray margins = ArrayOf(in, "Margins");
  if (!margins.isEmpty()) {
    if (margins.size() != 4) Fail(in.Where(), "'Margins' must hold left, top, right, bottom");
    int32_t* fields[] = {&p.Margins.Left, &p.Margins.Top, &p.Margins.Right, &p.Margins.Bottom};
    for (int i = 0; i < 4; ++i) {
      QJsonValue m = margins[i];
      if (!m.isDouble() || m.toDouble() != std::trunc(m.toDouble()) || m.toDouble() < -kMaxPageCoordinate ||
          m.toDouble() > kMaxPageCoordinate)
        Fail(in.Where(), "'Margins' must hold integers from -" + std::to_string(kMaxPageCoordinate) + " to " +
                             std::to_string(kMaxPageCoordinate));
      *fields[i] = static_cast<int32_t>(m.toDouble());
    }
  }
  in.Bool("Landscape", p.Landscape);
  in.Int("PaperSource", p.PaperSource);
  in.Bool("PrintToPrevPage", p.PrintToPrevPage);
  in.Bool("SheetCoordinates", p.SheetCoordinates);
  in.Int("Columns", p.Columns);
  in.Coordinate("ColumnGap", p.ColumnGap);
  in.Int("BorderStyle", p.BorderStyle);
  in.Str("Caption", p.Caption);
  Colour(in, "Color", p.Color);
  in.Coordinate("Left", p.Left);
  in.Coordinate("Top", p.Top);
  in.Coordinate("Width", p.Width);
  in.Coordinate("Height", p.Height);
  in.Int("Position", p.Position);
  in.Lines("Script", p.Script);
  p.ChangePaper(p.PaperCode, p.WidthDmm, p.HeightDmm, p.PaperSource, p.Landscape);
  QJsonArray objects = ArrayOf(in, "Objects");
  for (qsizetype i = 0; i < objects.size(); ++i) {
    In obj(objects[i], in.Where() + ".Objects[" + std::to_string(i) + "]");
    ReadView(obj, namer, p);
  }
  in.Finish();
}

void ReadList(In& in, const char* key, TfrVariables& list) {
  QJsonArray entries = ArrayOf(in, key);
  for (qsizetype i = 0; i < entries.size(); ++i) {
    QJsonValue e = entries[i];
    if (!e.isArray() || e.toArray().size() != 2 || !e.toArray()[0].isString() ||
        !e.toArray()[1].isString())
      Fail(in.Where() + "." + key + "[" + std::to_string(i) + "]", "must be a pair of texts");
    list.Assign(Utf8ToHost(e.toArray()[0].toString().toStdString()),
                Variant(Utf8ToHost(e.toArray()[1].toString().toStdString())));
  }
}

}  // namespace

int JsonNestingDepth(std::string_view text) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

void ViewToText(JsonOut& out, const TfrView& view, bool prepared) { WriteView(out, view, prepared); }

std::unique_ptr<TfrView> ViewFromText(const QJsonValue& value, const std::string& where, bool prepared) {
  In in(value, where);
  std::unique_ptr<TfrView> view = ReadViewFields(in, prepared);
  in.Finish();
  return view;
}

std::string TemplateToText(const TfrReport& r) {
  JsonOut j;
  j.BeginObject();
  j.Key("Version").Int(25);
  j.Key("UseDefaultPrinter").Bool(r.UseDefaultPrinter);
  j.Key("TwoPass").Bool(r.TwoPass);
  Text(j, "PrinterName", r.PrinterName);
  j.Key("Pages").BeginArray();
  for (int i = 0; i < r.Pages->Count(); ++i) WritePage(j, *r.Pages->PageAt(i));
  j.EndArray();
  j.Key("Dictionary").BeginObject();
  WriteList(j, "Variables", r.Dictionary->Variables);
  WriteList(j, "FieldAliases", r.Dictionary->FieldAliases);
  WriteList(j, "BandDataSources", r.Dictionary->BandDataSources);
  j.EndObject();
  j.Key("Information").BeginObject();
  Text(j, "Comment", r.ReportComment);
  Text(j, "Name", r.ReportName);
  Text(j, "Author", r.ReportAutor);
  Text(j, "VersionMajor", r.ReportVersionMajor);
  Text(j, "VersionMinor", r.ReportVersionMinor);
  Text(j, "VersionRelease", r.ReportVersionRelease);
  Text(j, "VersionBuild", r.ReportVersionBuild);
  Text(j, "Password", r.Password);
  j.Key("GeneratorVersion").Int(r.GeneratorVersion);
  j.Key("PasswordProtected").Bool(r.PasswordProtected);
  j.Key("Created").Double(r.ReportCreateDate);
  j.Key("Modified").Double(r.ReportLastChange);
  j.EndObject();
  j.EndObject();
  return j.Text();
}

void TemplateFromText(TfrReport& report, std::string_view utf8) {
  if (utf8.size() > kMaxTemplateTextBytes)
    Fail("document", "longer than " + std::to_string(kMaxTemplateTextBytes) + " bytes");
  if (JsonNestingDepth(utf8) > kMaxTemplateTextDepth)
    Fail("document", "nested deeper than " + std::to_string(kMaxTemplateTextDepth) + " levels");
  QJsonParseError error;
  QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())), &error);
  if (error.error != QJsonParseError::NoError)
    Fail("byte " + std::to_string(error.offset), error.errorString().toStdString());
  if (!doc.isObject()) Fail("document", "must be an object");

  report.Clear();
  In top(doc.object(), "document");
  int32_t version = 25;
  top.Code("Version", version);
  if (version != 25) Fail("document", "'Version' must be 25");
  top.Bool("UseDefaultPrinter", report.UseDefaultPrinter);
  top.Bool("TwoPass", report.TwoPass);
  std::string printer;
  top.Str("PrinterName", printer);
  if (!printer.empty()) report.SelectPrinterByName(printer);
  QJsonArray pages = ArrayOf(top, "Pages");
  TUniqueNamer namer(report);
  TUniqueNamer pageNamer;
  for (qsizetype i = 0; i < pages.size(); ++i) {
    In page(pages[i], "Pages[" + std::to_string(i) + "]");
    ReadPage(page, report, namer, pageNamer);
  }
  if (top.Has("Dictionary")) {
    In d(top.Get("Dictionary"), "Dictionary");
    ReadList(d, "Variables", report.Dictionary->Variables);
    ReadList(d, "FieldAliases", report.Dictionary->FieldAliases);
    ReadList(d, "BandDataSources", report.Dictionary->BandDataSources);
    d.Finish();
  }
  if (top.Has("Information")) {
    In info(top.Get("Information"), "Information");
    info.Str("Comment", report.ReportComment);
    info.Str("Name", report.ReportName);
    info.Str("Author", report.ReportAutor);
    info.Str("VersionMajor", report.ReportVersionMajor);
    info.Str("VersionMinor", report.ReportVersionMinor);
    info.Str("VersionRelease", report.ReportVersionRelease);
    info.Str("VersionBuild", report.ReportVersionBuild);
    info.Str("Password", report.Password);
    info.Int("GeneratorVersion", report.GeneratorVersion);
    info.Bool("PasswordProtected", report.PasswordProtected);
    info.Date("Created", report.ReportCreateDate);
    info.Date("Modified", report.ReportLastChange);
    info.Finish();
  }
  top.Finish();
}

}  // namespace lf
