// Writer and reader of the prepared-report text form; objects go through
// the template text form's object writer and reader in prepared mode.
#include "engine/output/prepared_report_text.h"

#include <memory>
#include <optional>

#include "engine/model/view.h"
#include "engine/output/emf_pages.h"
#include "engine/run/engine_state_scope.h"
#include "engine/template/template_format.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_text.h"
#include "engine/template/text_form_json.h"
#include "platform/code_page.h"

namespace lf {
namespace {

// ---- writing ----

// A byte that is 0 or 1 reads as a boolean; other values stay numbers so
// that they come back as they were.
TextJson ByteFlag(uint8_t v) {
  if (v <= 1) return v != 0;
  return v;
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
    TextJson objects = TextJson::array();
    for (const auto& view : page.Objects) objects.push_back(ViewToText(*view, true));
    const TextJson again = TextJson::parse(DumpTextForm(objects));
    TMemoryStream rewritten;
    WriteU8(rewritten, static_cast<uint8_t>(kCurrentStreamVersion));
    for (const TextJson& object : again) WriteObjectRecord(rewritten, *ViewFromText(object, "object", true));
    if (rewritten.Bytes() != bytes) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return std::move(page.Objects);
}

TextJson WritePage(TPreparedPage& p, int index) {
  TextJson j = TextJson::object();
  j["PaperCode"] = p.PaperCode;
  j["WidthDmm"] = p.WidthDmm;
  j["HeightDmm"] = p.HeightDmm;
  j["Landscape"] = ByteFlag(p.Landscape);
  j["PaperSource"] = p.PaperSource;
  j["SheetCoordinates"] = ByteFlag(p.SheetCoordinates);
  j["Margins"] = TextJson::array({p.Margins.Left, p.Margins.Top, p.Margins.Right, p.Margins.Bottom});
  if (auto objects = FaithfulObjects(p, index)) {
    TextJson& list = j["Objects"] = TextJson::array();
    for (const auto& view : *objects) list.push_back(ViewToText(*view, true));
  } else {
    j["Stream"] = ToBase64(p.Stream->Bytes());
  }
  return j;
}

// ---- reading ----

void ReadPage(TextFormObject& in, TPreparedPage& p) {
  p.PaperSource = -1;
  p.SheetCoordinates = 1;
  in.Int("PaperCode", p.PaperCode);
  in.Int("WidthDmm", p.WidthDmm, 0, kMaxPaperSizeDmm);
  in.Int("HeightDmm", p.HeightDmm, 0, kMaxPaperSizeDmm);
  in.Flag("Landscape", p.Landscape);
  in.Int("PaperSource", p.PaperSource);
  in.Flag("SheetCoordinates", p.SheetCoordinates);
  in.Margins("Margins", p.Margins, -kMaxPageCoordinate, kMaxPageCoordinate);
  p.Stream = std::make_unique<TMemoryStream>();
  if (in.Has("Stream") && in.Has("Objects")) in.Fail("'Stream' and 'Objects' exclude each other");
  if (in.Has("Stream")) {
    in.Base64("Stream", p.Stream->Bytes());
    return;
  }
  ScopedStreamVersion version(kCurrentStreamVersion);
  WriteU8(*p.Stream, static_cast<uint8_t>(kCurrentStreamVersion));
  if (const TextJson* objects = in.Array("Objects"))
    for (size_t i = 0; i < objects->size(); ++i)
      WriteObjectRecord(*p.Stream,
                        *ViewFromText((*objects)[i], in.Where() + ".Objects[" + std::to_string(i) + "]", true));
}

TPreparedReportHeader ReadText(std::string_view utf8, TfrEMFPages& list) {
  const TextJson doc = ParseTextForm(utf8, kMaxPreparedTextBytes, kMaxPreparedTextDepth);
  TextFormObject top(doc, "document");
  list.Clear();
  TPreparedReportHeader header;
  int32_t version = kCurrentStreamVersion;
  top.Int("Version", version, 0, 255);
  if (version == 0) {
    header.Layout = TPreparedLayout::NoVersion;
    header.Version = 0;
  } else if (version >= kFirstPreparedVersion && version <= kLastPreparedVersion) {
    header.Version = static_cast<uint8_t>(version);
  } else {
    top.Fail("'Version' must be 0 (no version byte) or 24 to 31");
  }
  top.Flag("Compressed", header.Compressed);
  top.Str("Printer", header.Printer);
  top.Int("GeneratorVersion", header.GeneratorVersion);
  if (const TextJson* pages = top.Array("Pages")) {
    for (size_t i = 0; i < pages->size(); ++i) {
      TextFormObject page((*pages)[i], "Pages[" + std::to_string(i) + "]");
      ReadPage(page, list.AppendEmpty());
      page.Finish();
    }
  }
  top.Finish();
  return header;
}

}  // namespace

std::string PreparedReportToText(TfrEMFPages& list, const TPreparedReportHeader& header) {
  TextJson j = TextJson::object();
  j["Version"] = header.Layout == TPreparedLayout::NoVersion ? 0 : header.Version;
  j["Compressed"] = header.Compressed != 0;
  j["Printer"] = HostToUtf8(header.Printer);
  j["GeneratorVersion"] = header.GeneratorVersion;
  TextJson& pages = j["Pages"] = TextJson::array();
  for (int i = 0; i < list.Count(); ++i) {
    list.StreamAt(i);  // a spilled page comes back to memory
    pages.push_back(WritePage(list.PageAt(i), i));
  }
  return DumpTextForm(j);
}

TPreparedReportHeader PreparedReportFromText(std::string_view utf8, TfrEMFPages& list) {
  try {
    return ReadText(utf8, list);
  } catch (const ETextFormError& e) {
    throw EPreparedTextError("Prepared report text: " + e.Message());
  }
}

}  // namespace lf
