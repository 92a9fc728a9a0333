// Writer and reader of the prepared-report text form; objects go through
// the template text form's object writer and reader in prepared mode.
#include "engine/output/prepared_report_text.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <memory>
#include <optional>
#include <set>

#include "engine/model/view.h"
#include "engine/output/emf_pages.h"
#include "engine/run/engine_state_scope.h"
#include "engine/template/json_out.h"
#include "engine/template/template_format.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_text.h"
#include "platform/code_page.h"

namespace lf {
namespace {

// ---- writing ----

// A byte that is 0 or 1 reads as a boolean; other values stay numbers so
// that they come back as they were.
void ByteFlag(JsonOut& j, std::string_view key, uint8_t v) {
  if (v <= 1) j.Key(key).Bool(v != 0);
  else j.Key(key).Int(v);
}

// The page's objects, decoded from its stream, when writing them back gives
// exactly that stream; otherwise nothing.
std::optional<std::vector<std::unique_ptr<TfrView>>> FaithfulObjects(TPreparedPage& p, int index) {
  TMemoryStream& s = *p.Stream;
  const std::string& bytes = s.Bytes();
  if (bytes.empty() || static_cast<uint8_t>(bytes[0]) != kCurrentStreamVersion) return std::nullopt;
  TfrPage page(p.PaperCode, p.WidthDmm, p.HeightDmm, p.PaperSource, p.Landscape != 0);
  try {
    EngineStateScope scope;
    SetStreamVersion(kCurrentStreamVersion);
    s.SetPosition(1);
    ReadObjectRecords(s, page, index, false);
    // Through the text and back, as build will read it.
    JsonOut out;
    out.BeginArray();
    for (const auto& view : page.Objects) ViewToText(out, *view, true);
    out.EndArray();
    const QJsonArray again = QJsonDocument::fromJson(QByteArray::fromStdString(out.Text())).array();
    TMemoryStream rewritten;
    WriteU8(rewritten, static_cast<uint8_t>(kCurrentStreamVersion));
    for (qsizetype i = 0; i < again.size(); ++i) {
      std::unique_ptr<TfrView> view = ViewFromText(again[i], "object", true);
      WriteObjectRecord(rewritten, *view);
    }
    if (rewritten.Bytes() != bytes) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return std::move(page.Objects);
}

// ---- reading ----

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw EPreparedTextError("Prepared report text: " + where + ": " + what);
}

// One JSON object being read: every key must be used.
class Fields {
 public:
  Fields(const QJsonValue& value, std::string where) : where_(std::move(where)) {
    if (!value.isObject()) Fail(where_, "must be an object");
    obj_ = value.toObject();
  }
  void Finish() const {
    for (auto it = obj_.begin(); it != obj_.end(); ++it)
      if (!used_.count(it.key().toStdString())) Fail(where_, "unknown key '" + it.key().toStdString() + "'");
  }
  const std::string& Where() const { return where_; }
  QJsonValue Get(const char* key) {
    used_.insert(key);
    return obj_.value(QLatin1String(key));
  }
  int64_t Int(const char* key, int64_t fallback, int64_t lo, int64_t hi) {
    const QJsonValue v = Get(key);
    if (v.isUndefined()) return fallback;
    const double d = v.toDouble();
    if (!v.isDouble() || d != std::trunc(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
      Fail(where_, "'" + std::string(key) + "' must be an integer from " + std::to_string(lo) + " to " +
                       std::to_string(hi));
    return static_cast<int64_t>(d);
  }
  // A boolean or, for bytes written as numbers, 0 to 255.
  uint8_t Flag(const char* key, uint8_t fallback) {
    const QJsonValue v = obj_.value(QLatin1String(key));
    if (v.isBool()) {
      used_.insert(key);
      return v.toBool() ? 1 : 0;
    }
    return static_cast<uint8_t>(Int(key, fallback, 0, 255));
  }
  std::string Text(const char* key) {
    const QJsonValue v = Get(key);
    if (v.isUndefined()) return {};
    if (!v.isString()) Fail(where_, "'" + std::string(key) + "' must be a text");
    return Utf8ToHost(v.toString().toStdString());
  }

 private:
  QJsonObject obj_;
  std::string where_;
  std::set<std::string> used_;
};

void ReadPage(Fields& in, TPreparedPage& p) {
  p.PaperCode = static_cast<uint16_t>(in.Int("PaperCode", 0, 0, UINT16_MAX));
  p.WidthDmm = static_cast<int32_t>(in.Int("WidthDmm", 0, INT32_MIN, INT32_MAX));
  p.HeightDmm = static_cast<int32_t>(in.Int("HeightDmm", 0, INT32_MIN, INT32_MAX));
  p.Landscape = in.Flag("Landscape", 0);
  p.PaperSource = static_cast<int32_t>(in.Int("PaperSource", -1, INT32_MIN, INT32_MAX));
  p.SheetCoordinates = in.Flag("SheetCoordinates", 1);
  const QJsonValue margins = in.Get("Margins");
  if (!margins.isUndefined()) {
    const QJsonArray m = margins.toArray();
    if (!margins.isArray() || m.size() != 4) Fail(in.Where(), "'Margins' must hold left, top, right, bottom");
    int32_t* fields[] = {&p.Margins.Left, &p.Margins.Top, &p.Margins.Right, &p.Margins.Bottom};
    for (int i = 0; i < 4; ++i) {
      const double d = m[i].toDouble();
      if (!m[i].isDouble() || d != std::trunc(d) || d < -kMaxPageCoordinate || d > kMaxPageCoordinate)
        Fail(in.Where(), "'Margins' must hold integers from -" + std::to_string(kMaxPageCoordinate) + " to " +
                             std::to_string(kMaxPageCoordinate));
      *fields[i] = static_cast<int32_t>(d);
    }
  }
  p.Stream = std::make_unique<TMemoryStream>();
  const QJsonValue stream = in.Get("Stream");
  const QJsonValue objects = in.Get("Objects");
  if (!stream.isUndefined() && !objects.isUndefined())
    Fail(in.Where(), "'Stream' and 'Objects' exclude each other");
  if (!stream.isUndefined()) {
    if (!stream.isString()) Fail(in.Where(), "'Stream' must be base64 text");
    auto decoded = QByteArray::fromBase64Encoding(stream.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) Fail(in.Where(), "'Stream' is not valid base64");
    p.Stream->Bytes() = decoded.decoded.toStdString();
    return;
  }
  if (!objects.isUndefined() && !objects.isArray()) Fail(in.Where(), "'Objects' must be an array");
  ScopedStreamVersion version(kCurrentStreamVersion);
  WriteU8(*p.Stream, static_cast<uint8_t>(kCurrentStreamVersion));
  const QJsonArray list = objects.toArray();
  for (qsizetype i = 0; i < list.size(); ++i) {
    const std::string where = in.Where() + ".Objects[" + std::to_string(i) + "]";
    std::unique_ptr<TfrView> view;
    try {
      view = ViewFromText(list[i], where, true);
    } catch (const Exception& e) {
      // The object reader speaks of templates; name this form instead.
      std::string message = e.Message();
      const std::string prefix = "Template text: ";
      if (message.rfind(prefix, 0) == 0) message.erase(0, prefix.size());
      throw EPreparedTextError("Prepared report text: " + message);
    }
    WriteObjectRecord(*p.Stream, *view);
  }
}

}  // namespace

std::string PreparedReportToText(TfrEMFPages& list, const TPreparedReportHeader& header) {
  JsonOut j;
  j.BeginObject();
  j.Key("Version").Int(header.Layout == TPreparedLayout::NoVersion ? 0 : header.Version);
  j.Key("Compressed").Bool(header.Compressed != 0);
  j.Key("Printer").String(HostToUtf8(header.Printer));
  j.Key("GeneratorVersion").Int(header.GeneratorVersion);
  j.Key("Pages").BeginArray();
  for (int i = 0; i < list.Count(); ++i) {
    TPreparedPage& p = list.PageAt(i);
    j.BeginObject();
    j.Key("PaperCode").Int(p.PaperCode);
    j.Key("WidthDmm").Int(p.WidthDmm);
    j.Key("HeightDmm").Int(p.HeightDmm);
    ByteFlag(j, "Landscape", p.Landscape);
    j.Key("PaperSource").Int(p.PaperSource);
    ByteFlag(j, "SheetCoordinates", p.SheetCoordinates);
    j.Key("Margins").BeginArray(true);
    for (int32_t m : {p.Margins.Left, p.Margins.Top, p.Margins.Right, p.Margins.Bottom}) j.Int(m);
    j.EndArray();
    auto objects = FaithfulObjects(p, i);
    if (!objects) {
      const std::string& bytes = p.Stream->Bytes();
      j.Key("Stream").String(
          QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString());
    } else {
      j.Key("Objects").BeginArray();
      for (const auto& view : *objects) ViewToText(j, *view, true);
      j.EndArray();
    }
    j.EndObject();
  }
  j.EndArray();
  j.EndObject();
  return j.Text();
}

TPreparedReportHeader PreparedReportFromText(std::string_view utf8, TfrEMFPages& list) {
  if (utf8.size() > kMaxPreparedTextBytes)
    Fail("document", "longer than " + std::to_string(kMaxPreparedTextBytes) + " bytes");
  if (JsonNestingDepth(utf8) > kMaxPreparedTextDepth)
    Fail("document", "nested deeper than " + std::to_string(kMaxPreparedTextDepth) + " levels");
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(utf8.data(), static_cast<qsizetype>(utf8.size())), &error);
  if (error.error != QJsonParseError::NoError)
    Fail("byte " + std::to_string(error.offset), error.errorString().toStdString());
  if (!doc.isObject()) Fail("document", "must be an object");

  list.Clear();
  TPreparedReportHeader header;
  Fields top(doc.object(), "document");
  const int64_t version = top.Int("Version", kCurrentStreamVersion, 0, 255);
  if (version == 0) {
    header.Layout = TPreparedLayout::NoVersion;
    header.Version = 0;
  } else if (version >= kFirstPreparedVersion && version <= kLastPreparedVersion) {
    header.Version = static_cast<uint8_t>(version);
  } else {
    Fail("document", "'Version' must be 0 (no version byte) or 24 to 31");
  }
  header.Compressed = top.Flag("Compressed", 0);
  header.Printer = top.Text("Printer");
  header.GeneratorVersion = static_cast<uint8_t>(top.Int("GeneratorVersion", 88, 0, 255));
  const QJsonValue pages = top.Get("Pages");
  if (!pages.isUndefined() && !pages.isArray()) Fail("document", "'Pages' must be an array");
  const QJsonArray array = pages.toArray();
  for (qsizetype i = 0; i < array.size(); ++i) {
    Fields page(array[i], "Pages[" + std::to_string(i) + "]");
    ReadPage(page, list.AppendEmpty());
    page.Finish();
  }
  top.Finish();
  return header;
}

}  // namespace lf
