// Text form of templates: writer and reader mirror each other key by key.
#include "engine/template/template_text.h"

#include <cstdio>
#include <memory>

#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/model/subreport_view.h"
#include "engine/model/unique_name.h"
#include "engine/model/view_factory.h"
#include "engine/template/template_format.h"
#include "platform/code_page.h"

namespace lf {
namespace {

// ---- writing ----

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

TextJson Text(const std::string& host) { return HostToUtf8(host); }
TextJson Lines(const TfrLines& lines) {
  TextJson a = TextJson::array();
  for (const std::string& line : lines) a.push_back(HostToUtf8(line));
  return a;
}
// true/false for the values a program writes (-1, 0); other stored values
// as their number, so that building the text again restores them.
TextJson Bool(WordBool v) {
  if (v.Stored() == 0 || v.Stored() == -1) return static_cast<bool>(v);
  return v.Stored();
}

TextJson WriteView(const TfrView& v, bool prepared) {
  TextJson j = TextJson::object();
  j["TypeCode"] = v.TypeCode;
  if (v.TypeCode == gtAddIn) j["ClassName"] = v.ClassName();
  j["Name"] = Text(v.Name);
  j["FormatRevision"] = v.FormatRevision;
  j["Left"] = v.Left;
  j["Top"] = v.Top;
  j["Width"] = v.Width;
  j["Height"] = v.Height;
  j["Flags"] = v.Flags;
  j["FrameTyp"] = v.FrameTyp;
  j["FrameWidth"] = TextNumber(v.FrameWidth);
  j["FrameColor"] = Hex(v.FrameColor);
  j["FrameStyle"] = v.FrameStyle;
  j["FillColor"] = Hex(v.FillColor);
  if (!prepared) {
    j["Format"] = Hex(static_cast<uint32_t>(v.Format));
    j["FormatStr"] = Text(v.FormatStr);
    j["Memo"] = Lines(v.Memo);
    j["Script"] = Lines(v.Script);
    j["Visible"] = Bool(v.Visible);
  } else {
    j["Memo"] = Lines(v.WorkLines);
  }
  j["Restrictions"] = v.Restrictions;
  j["Tag"] = Text(v.Tag);
  j["GapX"] = v.GapX;
  j["GapY"] = v.GapY;
  j["BandAlign"] = v.BandAlign;
  if (auto* m = dynamic_cast<const TfrMemoView*>(&v)) {
    TextJson& font = j["Font"] = TextJson::object();
    font["Name"] = Text(m->Font.Name);
    font["Size"] = m->Font.Size;
    font["Style"] = m->Font.Style;
    font["Color"] = Hex(m->Font.Color);
    font["Charset"] = m->Font.Charset;
    j["Alignment"] = m->Alignment;
    if (!prepared) {
      TextJson& h = j["Highlight"] = TextJson::object();
      h["FontStyle"] = m->Highlight.FontStyle;
      h["FontColor"] = Hex(m->Highlight.FontColor);
      h["FillColor"] = Hex(m->Highlight.FillColor);
      h["Condition"] = Text(m->Highlight.Condition);
    }
    j["LineSpacing"] = m->LineSpacing;
    j["CharSpacing"] = m->CharSpacing;
  } else if (auto* p = dynamic_cast<const TfrPictureView*>(&v)) {
    j["BlobType"] = p->BlobType;
    TextJson& picture = j["Picture"] = TextJson::object();
    picture["Kind"] = static_cast<int>(p->Picture.Kind);
    picture["Data"] = ToBase64(p->Picture.Data);
  } else if (auto* b = dynamic_cast<const TfrBandView*>(&v)) {
    j["ChildBand"] = Text(b->ChildBand);
    j["Columns"] = b->Columns;
    j["ColumnWidth"] = b->ColumnWidth;
    j["ColumnGap"] = b->ColumnGap;
    j["NewColumnAfter"] = b->NewColumnAfter;
    j["Master"] = Text(b->Master);
  } else if (auto* sub = dynamic_cast<const TfrSubReportView*>(&v)) {
    j["SubPage"] = sub->SubPage;
  }
  return j;
}

TextJson WritePage(const TfrPage& p) {
  TextJson j = TextJson::object();
  j["Name"] = Text(p.Name);
  j["PageType"] = p.PageType;
  j["PaperCode"] = p.PaperCode;
  j["WidthDmm"] = p.WidthDmm;
  j["HeightDmm"] = p.HeightDmm;
  j["Margins"] = TextJson::array({p.Margins.Left, p.Margins.Top, p.Margins.Right, p.Margins.Bottom});
  j["Landscape"] = p.Landscape;
  j["PaperSource"] = p.PaperSource;
  j["PrintToPrevPage"] = Bool(p.PrintToPrevPage);
  j["SheetCoordinates"] = Bool(p.SheetCoordinates);
  j["Columns"] = p.Columns;
  j["ColumnGap"] = p.ColumnGap;
  j["BorderStyle"] = p.BorderStyle;
  j["Caption"] = Text(p.Caption);
  j["Color"] = Hex(p.Color);
  j["Left"] = p.Left;
  j["Top"] = p.Top;
  j["Width"] = p.Width;
  j["Height"] = p.Height;
  j["Position"] = p.Position;
  j["Script"] = Lines(p.Script);
  TextJson& objects = j["Objects"] = TextJson::array();
  for (const auto& v : p.Objects) objects.push_back(WriteView(*v, false));
  return j;
}

TextJson WriteList(const TfrVariables& list) {
  TextJson a = TextJson::array();
  for (int i = 0; i < list.Count(); ++i)
    a.push_back(TextJson::array({HostToUtf8(list.NameAt(i)), HostToUtf8(list.ValueAt(i).AsText())}));
  return a;
}

// ---- reading ----

std::unique_ptr<TfrView> ReadViewFields(TextFormObject& in, bool prepared) {
  if (!in.Has("TypeCode")) in.Fail("'TypeCode' is missing");
  int32_t code = 0;
  in.Code("TypeCode", code);
  if (code < 0 || code > 255) in.Fail("'TypeCode' must be an integer from 0 to 255");
  const uint8_t typeCode = static_cast<uint8_t>(code);
  std::string className;
  if (typeCode == gtAddIn) in.Str("ClassName", className);
  std::unique_ptr<TfrView> created;
  try {
    created = CreateView(typeCode, className);
  } catch (const EClassNotFound& e) {
    MissingComponents().clear();
    in.Fail(e.Message());
  }
  if (!created) in.Fail("no object has type code " + std::to_string(typeCode));
  TfrView& v = *created;
  in.Str("Name", v.Name);
  in.Int("FormatRevision", v.FormatRevision);
  in.Int("Left", v.Left, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Top", v.Top, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Width", v.Width, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Height", v.Height, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Flags", v.Flags);
  in.Int("FrameTyp", v.FrameTyp);
  in.Float("FrameWidth", v.FrameWidth);
  in.Colour("FrameColor", v.FrameColor);
  in.Int("FrameStyle", v.FrameStyle);
  in.Colour("FillColor", v.FillColor);
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
  in.Int("GapX", v.GapX, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("GapY", v.GapY, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("BandAlign", v.BandAlign);
  if (auto* m = dynamic_cast<TfrMemoView*>(&v)) {
    if (const TextJson* font = in.Get("Font")) {
      TextFormObject f(*font, in.Where() + ".Font");
      f.Str("Name", m->Font.Name);
      f.Int("Size", m->Font.Size);
      f.Int("Style", m->Font.Style);
      f.Colour("Color", m->Font.Color);
      f.Int("Charset", m->Font.Charset);
      f.Finish();
    }
    in.Int("Alignment", m->Alignment);
    if (!prepared) {
      if (const TextJson* highlight = in.Get("Highlight")) {
        TextFormObject h(*highlight, in.Where() + ".Highlight");
        h.Int("FontStyle", m->Highlight.FontStyle);
        h.Colour("FontColor", m->Highlight.FontColor);
        h.Colour("FillColor", m->Highlight.FillColor);
        h.Str("Condition", m->Highlight.Condition);
        h.Finish();
      }
    }
    in.Int("LineSpacing", m->LineSpacing, -kMaxPageCoordinate, kMaxPageCoordinate);
    in.Int("CharSpacing", m->CharSpacing, -kMaxPageCoordinate, kMaxPageCoordinate);
  } else if (auto* p = dynamic_cast<TfrPictureView*>(&v)) {
    in.Int("BlobType", p->BlobType);
    if (const TextJson* picture = in.Get("Picture")) {
      TextFormObject pic(*picture, in.Where() + ".Picture");
      uint8_t kind = 0;
      pic.Int("Kind", kind);
      if (kind > static_cast<uint8_t>(TfrGraphicKind::JPEG)) pic.Fail("'Kind' must be an integer from 0 to 4");
      std::string data;
      pic.Base64("Data", data);
      p->Picture.Kind = static_cast<TfrGraphicKind>(kind);
      p->Picture.Data = std::move(data);
      pic.Finish();
    }
  } else if (auto* b = dynamic_cast<TfrBandView*>(&v)) {
    in.Str("ChildBand", b->ChildBand);
    in.Int("Columns", b->Columns);
    in.Int("ColumnWidth", b->ColumnWidth);
    in.Int("ColumnGap", b->ColumnGap);
    in.Int("NewColumnAfter", b->NewColumnAfter);
    in.Str("Master", b->Master);
  } else if (auto* sub = dynamic_cast<TfrSubReportView*>(&v)) {
    in.Int("SubPage", sub->SubPage);
  }
  return created;
}

void ReadPage(TextFormObject& in, TfrReport& report, TUniqueNamer& namer, TUniqueNamer& pageNamer) {
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
  in.Margins("Margins", p.Margins, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Bool("Landscape", p.Landscape);
  in.Int("PaperSource", p.PaperSource);
  in.Bool("PrintToPrevPage", p.PrintToPrevPage);
  in.Bool("SheetCoordinates", p.SheetCoordinates);
  in.Int("Columns", p.Columns);
  in.Int("ColumnGap", p.ColumnGap, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("BorderStyle", p.BorderStyle);
  in.Str("Caption", p.Caption);
  in.Colour("Color", p.Color);
  in.Int("Left", p.Left, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Top", p.Top, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Width", p.Width, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Height", p.Height, -kMaxPageCoordinate, kMaxPageCoordinate);
  in.Int("Position", p.Position);
  in.Lines("Script", p.Script);
  p.ChangePaper(p.PaperCode, p.WidthDmm, p.HeightDmm, p.PaperSource, p.Landscape);
  if (const TextJson* objects = in.Array("Objects")) {
    for (size_t i = 0; i < objects->size(); ++i) {
      TextFormObject obj((*objects)[i], in.Where() + ".Objects[" + std::to_string(i) + "]");
      TfrView& v = *p.AddObject(ReadViewFields(obj, false));
      if (v.Name.empty()) v.Name = namer.Take(v.BaseName);
      else namer.Note(v.Name);
      obj.Finish();
    }
  }
  in.Finish();
}

void ReadList(TextFormObject& in, const char* key, TfrVariables& list) {
  const TextJson* entries = in.Array(key);
  if (!entries) return;
  for (size_t i = 0; i < entries->size(); ++i) {
    const TextJson& e = (*entries)[i];
    if (!e.is_array() || e.size() != 2 || !e[0].is_string() || !e[1].is_string())
      throw ETextFormError(in.Where() + "." + key + "[" + std::to_string(i) + "]", "must be a pair of texts");
    list.Assign(Utf8ToHost(e[0].get_ref<const std::string&>()),
                Variant(Utf8ToHost(e[1].get_ref<const std::string&>())));
  }
}

void ReadTemplate(TfrReport& report, std::string_view utf8) {
  const TextJson doc = ParseTextForm(utf8, kMaxTemplateTextBytes, kMaxTemplateTextDepth);
  TextFormObject top(doc, "document");
  report.Clear();
  int32_t version = 25;
  top.Code("Version", version);
  if (version != 25) top.Fail("'Version' must be 25");
  top.Bool("UseDefaultPrinter", report.UseDefaultPrinter);
  top.Bool("TwoPass", report.TwoPass);
  std::string printer;
  top.Str("PrinterName", printer);
  if (!printer.empty()) report.SelectPrinterByName(printer);
  TUniqueNamer namer(report);
  TUniqueNamer pageNamer;
  if (const TextJson* pages = top.Array("Pages")) {
    for (size_t i = 0; i < pages->size(); ++i) {
      TextFormObject page((*pages)[i], "Pages[" + std::to_string(i) + "]");
      ReadPage(page, report, namer, pageNamer);
    }
  }
  if (const TextJson* dictionary = top.Get("Dictionary")) {
    TextFormObject d(*dictionary, "Dictionary");
    ReadList(d, "Variables", report.Dictionary->Variables);
    ReadList(d, "FieldAliases", report.Dictionary->FieldAliases);
    ReadList(d, "BandDataSources", report.Dictionary->BandDataSources);
    d.Finish();
  }
  if (const TextJson* information = top.Get("Information")) {
    TextFormObject info(*information, "Information");
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

}  // namespace

TextJson ViewToText(const TfrView& view, bool prepared) { return WriteView(view, prepared); }

std::unique_ptr<TfrView> ViewFromText(const TextJson& value, const std::string& where, bool prepared) {
  TextFormObject in(value, where);
  std::unique_ptr<TfrView> view = ReadViewFields(in, prepared);
  in.Finish();
  return view;
}

std::string TemplateToText(const TfrReport& r) {
  TextJson j = TextJson::object();
  j["Version"] = 25;
  j["UseDefaultPrinter"] = Bool(r.UseDefaultPrinter);
  j["TwoPass"] = Bool(r.TwoPass);
  j["PrinterName"] = Text(r.PrinterName);
  TextJson& pages = j["Pages"] = TextJson::array();
  for (int i = 0; i < r.Pages->Count(); ++i) pages.push_back(WritePage(*r.Pages->PageAt(i)));
  TextJson& dictionary = j["Dictionary"] = TextJson::object();
  dictionary["Variables"] = WriteList(r.Dictionary->Variables);
  dictionary["FieldAliases"] = WriteList(r.Dictionary->FieldAliases);
  dictionary["BandDataSources"] = WriteList(r.Dictionary->BandDataSources);
  TextJson& info = j["Information"] = TextJson::object();
  info["Comment"] = Text(r.ReportComment);
  info["Name"] = Text(r.ReportName);
  info["Author"] = Text(r.ReportAutor);
  info["VersionMajor"] = Text(r.ReportVersionMajor);
  info["VersionMinor"] = Text(r.ReportVersionMinor);
  info["VersionRelease"] = Text(r.ReportVersionRelease);
  info["VersionBuild"] = Text(r.ReportVersionBuild);
  info["Password"] = Text(r.Password);
  info["GeneratorVersion"] = r.GeneratorVersion;
  info["PasswordProtected"] = r.PasswordProtected;
  info["Created"] = TextNumber(r.ReportCreateDate);
  info["Modified"] = TextNumber(r.ReportLastChange);
  return DumpTextForm(j);
}

void TemplateFromText(TfrReport& report, std::string_view utf8) {
  try {
    ReadTemplate(report, utf8);
  } catch (const ETextFormError& e) {
    throw ETemplateTextError("Template text: " + e.Message());
  }
}

}  // namespace lf
