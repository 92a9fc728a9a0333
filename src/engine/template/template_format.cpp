// The report template stream: whole-template reader and writer, page and
// dictionary records, the information block and the "ReportForm" property.
#include "engine/template/template_format.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

#include "engine/graphics/graphic_error.h"
#include "engine/model/data_dictionary.h"
#include "engine/data/field_reference.h"
#include "engine/run/globals.h"
#include "engine/expr/locale.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/unique_name.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_view_record.h"
#include "engine/model/view.h"
#include "engine/model/view_factory.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/password_prompt.h"
#include "printer/printer.h"

namespace lf {
namespace {

// Localized strings the loader shows.
constexpr int kStrVirtualPrinter = 55007;
constexpr int kStrError = 55206;
constexpr int kStrUntitled = 55209;
constexpr int kStrUnsupportedFormat = 55345;
constexpr int kStrPasswordCaption = 55653;
constexpr int kStrPasswordPrompt = 55654;

constexpr int32_t kPageMarker = -1;
constexpr int16_t kDictionaryMarker = -2;
constexpr int16_t kOldDictionaryMarker = -1;
// Every dictionary pair costs at least two counted empty strings.
constexpr int64_t kMinPairBytes = 6;
// An old dictionary entry: kind, number and three empty short texts.
constexpr int64_t kMinOldEntryBytes = 8;
// Bytes that follow the record of a framed text object of old templates.
constexpr size_t kFramedMemoExtraBytes = 8;

// System variables an old dictionary entry of kind 2 names by number.
const char* OldSystemVariable(int32_t number) {
  switch (number) {
    case 0: return "PAGE#";
    case 2: return "DATE";
    case 3: return "TIME";
    case 4: return "LINE#";
    case 5: return "LINETHROUGH#";
    case 6: return "COLUMN#";
    case 7: return "CURRENT#";
    case 8: return "TOTALPAGES";
    default: return "";
  }
}

void ShowError(const std::string& text) {
  ShowMessageBox(LoadLocalizedString(kStrError), text, mbOK | mbIconError);
}

// list = i32 count, count x (string name, string value)
void ReadVariables(TStream& s, TfrVariables& list) {
  int32_t count = ReadI32(s);
  CheckCount(s, count, kMinPairBytes, "dictionary entry");
  for (int32_t i = 0; i < count; ++i) {
    std::string name = ReadFrString(s, kCountedTextVersion);
    std::string value = ReadFrString(s, kCountedTextVersion);
    list.Assign(name, Variant(std::move(value)));
  }
}

void WriteVariables(TStream& s, const TfrVariables& list) {
  WriteI32(s, list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    WriteFrString(s, list.NameAt(i));
    WriteFrString(s, list.ValueAt(i).AsText());
  }
}

std::string ReadByteText(TStream& s) { return ReadBytes(s, ReadU8(s)); }

// old dictionary = i32 count, count x (u8 kind, i32 number, a, b, c), line list
void ReadOldDictionary(TStream& s, TfrDataDictionary& d) {
  int32_t count = ReadI32(s);
  CheckCount(s, count, kMinOldEntryBytes, "dictionary entry");
  for (int32_t i = 0; i < count; ++i) {
    uint8_t kind = ReadU8(s);
    int32_t number = ReadI32(s);
    std::string a = ReadByteText(s), b = ReadByteText(s), c = ReadByteText(s);
    std::string value;
    if (kind == 2) value = number == 1 ? b : OldSystemVariable(number);
    else if (kind == 1) value = a + ".\"" + b + "\"";
    d.FieldAliases.Assign(" " + c, Variant(std::move(value)));
  }
  for (const std::string& line : ReadFrLines(s)) {
    if (!line.empty() && line[0] != ' ') {
      d.Variables.Assign(line, Variant(std::string()));
    } else {
      const Variant* v = d.FieldAliases.Find(line);
      d.Variables.Assign(line, v ? *v : Variant(std::string()));
    }
  }
  d.FieldAliases.Clear();
}

// Category names start with a space in memory; lists stored the other way
// round are flipped as a whole.
void FlipVariableNames(TfrVariables& vars) {
  if (vars.Count() == 0) return;
  std::string first = vars.NameAt(0);
  if (first.empty() || first[0] == ' ') return;
  for (int i = 0; i < vars.Count(); ++i) {
    std::string name = vars.NameAt(i);
    vars.RenameAt(i, !name.empty() && name[0] == ' ' ? name.substr(1) : " " + name);
  }
}

// Whether name is a field reference that resolves to a field of a record
// table reachable from the current report.
bool NamesField(const std::string& name) {
  try {
    TClientDataSet* table = DefaultTable();
    return !ResolveFieldReference(name, table).empty();
  } catch (const std::exception&) {
    return false;
  }
}

// information = comment name author major minor release build password
//               GeneratorVersion PasswordProtected created modified
void ReadInformation(TStream& s, TfrReport& r) {
  r.ReportComment = ReadShortText(s);
  r.ReportName = ReadShortText(s);
  r.ReportAutor = ReadShortText(s);
  r.ReportVersionMajor = ReadShortText(s);
  r.ReportVersionMinor = ReadShortText(s);
  r.ReportVersionRelease = ReadShortText(s);
  r.ReportVersionBuild = ReadShortText(s);
  r.Password = HexToPassword(ReadShortText(s));
  r.GeneratorVersion = ReadU8(s);
  r.PasswordProtected = ReadU8(s) != 0;
  r.ReportCreateDate = ReadDouble(s);
  r.ReportLastChange = ReadDouble(s);
}

void WriteInformation(TStream& s, TfrReport& r, bool keepModified) {
  WriteShortText(s, r.ReportComment);
  WriteShortText(s, r.ReportName);
  WriteShortText(s, r.ReportAutor);
  WriteShortText(s, r.ReportVersionMajor);
  WriteShortText(s, r.ReportVersionMinor);
  WriteShortText(s, r.ReportVersionRelease);
  WriteShortText(s, r.ReportVersionBuild);
  // Two digits per character: a password longer than half the length word
  // would not fit, so it is cut (at a character boundary) first.
  WriteShortText(s, PasswordToHex(CutAtBoundary(r.Password, 0xFFFF / 2)));
  r.GeneratorVersion = kGeneratorVersion;
  WriteU8(s, r.GeneratorVersion);
  WriteU8(s, r.PasswordProtected ? 1 : 0);
  WriteDouble(s, r.ReportCreateDate);
  if (!keepModified) r.ReportLastChange = NowDateTime();
  WriteDouble(s, r.ReportLastChange);
}

// object record = type-code [class-name] page-index [end-position] own-record
void ReadObjectRecord(TStream& s, TfrReport& report, TUniqueNamer& namer, uint8_t code, int v) {
  bool endRead = false;
  int64_t end = 0;
  int64_t endFieldEnd = 0;
  try {
    std::string className;
    bool framedMemo = false;
    if (code == gtAddIn) {
      className = ReadFrString(s, v);
      std::string upper = AsciiUpper(className);
      if (upper == "TFRBDELOOKUPCONTROL" || upper == "TFRIBXLOOKUPCONTROL")
        className = "TfrDBLookupControl";
      framedMemo = upper == "TFRFRAMEDMEMOVIEW";
    }
    uint8_t pageIndex = ReadU8(s);
    TfrPage* page = report.Pages->PageAt(pageIndex);
    if (!page)
      throw ETemplateFormatError("Object record names page " + std::to_string(pageIndex) +
                                 " of " + std::to_string(report.Pages->Count()) + " at byte " +
                                 std::to_string(s.Position() - 1));
    EngineState().CurPage = page;
    std::unique_ptr<TfrView> created =
        framedMemo ? CreateView(gtMemo) : CreateView(code, className);
    if (!created)
      throw ETemplateFormatError("Invalid object type code " + std::to_string(code));
    TfrView* view = page->AddObject(std::move(created));
    if (v > 23) {
      end = ReadU32(s);
      endRead = true;
      endFieldEnd = s.Position();
    }
    auto name = [&] {
      if (view->Name.empty()) view->Name = namer.Take(view->BaseName);
      else namer.Note(view->Name);
    };
    try {
      view->LoadFromStream(s);
    } catch (...) {
      name();
      throw;
    }
    name();
    if (framedMemo) ReadBytes(s, kFramedMemoExtraBytes);
    if (end != 0) SeekRecorded(s, end, endFieldEnd, "object end");
  } catch (const std::exception&) {
    if (v < 24) return;  // old templates go on at the current position
    if (!endRead) {
      end = ReadU32(s);
      endFieldEnd = s.Position();
    }
    SeekRecorded(s, end, endFieldEnd, "object end");
  }
}

// pages block = UseDefaultPrinter TwoPass printer-name
//               { 255 page | 254 dictionary | 0..10 object } [252 | 253 byte]
void ReadPagesBlock(TStream& s, TfrReport& report, int v) {
  report.Clear();
  if (Remaining(s) == 0) return;  // a template of the version byte alone
  report.UseDefaultPrinter = ReadBool16(s);
  report.TwoPass = ReadBool16(s);
  std::string printer = ReadFrString(s, v);
  if (printer == "1") printer = LoadLocalizedString(kStrVirtualPrinter);
  report.SelectPrinterByName(printer);
  const int64_t size = s.Size();
  TUniqueNamer namer(report);
  TUniqueNamer pageNamer;
  while (s.Position() < size) {
    const int64_t at = s.Position();
    uint8_t code = ReadU8(s);
    if (code == kCodePage) {
      TfrPage* page = report.Pages->Add(NewTemplatePage());
      LoadFromStream(*page, s, v);
      if (page->Name.empty() && v < 24) page->Name = pageNamer.Take("Page");
    } else if (code == kCodeDictionary) {
      LoadFromStream(*report.Dictionary, s);
    } else if (code == kCodeExtension) {
      ReadU8(s);
      break;
    } else if (code == kCodeEndOfPages) {
      break;
    } else if (code <= kCodeLastObject) {
      ReadObjectRecord(s, report, namer, code, v);
    } else {
      throw ETemplateFormatError("Invalid record code " + std::to_string(code) + " at byte " +
                                 std::to_string(at));
    }
  }
  if (!MissingComponents().empty()) throw EClassNotFound(MissingComponents());
  for (int i = 0; i < report.Pages->Count(); ++i)
    for (auto& view : report.Pages->PageAt(i)->Objects) view->AfterLoad();
}

void EmptyAfterFailure(TfrReport& report) {
  report.Pages->Clear();
  report.Pages->Add();
}

// Returns false when the password was not given: the report is then emptied.
bool AskPassword(TfrReport& report, TStream& s) {
  if (!report.PasswordProtected || dynamic_cast<TMemoryStream*>(&s)) return true;
  std::optional<std::string> typed = CurrentPasswordPrompt().AskPassword(
      LoadLocalizedString(kStrPasswordCaption), LoadLocalizedString(kStrPasswordPrompt));
  if (typed && *typed == report.Password) return true;
  report.ResetReportInfo();
  report.SourceFileName = LoadLocalizedString(kStrUntitled);
  EmptyAfterFailure(report);
  return false;
}

}  // namespace

int32_t SaturatedCoordinate(int32_t v) { return std::clamp(v, -kMaxPageCoordinate, kMaxPageCoordinate); }

std::unique_ptr<TfrPage> NewTemplatePage() {
  return std::make_unique<TfrPage>(DefaultPaperCode(), 0, 0, -1, false);
}

void LoadFromStream(TfrPage& page, TStream& s, int v) {
  int32_t first = ReadI32(s);
  const bool marked = first == kPageMarker;
  page.PaperCode = marked ? ReadI32(s) : first;
  page.WidthDmm = std::clamp(ReadI32(s), 0, kMaxPaperSizeDmm);
  page.HeightDmm = std::clamp(ReadI32(s), 0, kMaxPaperSizeDmm);
  page.Margins.Left = SaturatedCoordinate(ReadI32(s));
  page.Margins.Top = SaturatedCoordinate(ReadI32(s));
  page.Margins.Right = SaturatedCoordinate(ReadI32(s));
  page.Margins.Bottom = SaturatedCoordinate(ReadI32(s));
  page.Landscape = ReadU8(s) != 0;
  if (v < 23) ReadBytes(s, 6);
  page.PaperSource = v > 23 ? ReadI32(s) : -1;
  page.PrintToPrevPage = ReadBool16(s);
  page.SheetCoordinates = ReadBool16(s);
  page.Columns = ReadI32(s);
  page.ColumnGap = SaturatedCoordinate(ReadI32(s));
  if (v > 23) {
    page.PageType = ReadU8(s);
    page.Name = ReadFrString(s, v);
    uint8_t border = ReadU8(s);
    page.BorderStyle = border == 1 || border == bsSizeable ? bsSizeable : bsDialog;
    page.Caption = ReadFrString(s, v);
    page.Color = ReadU32(s);
    page.Left = SaturatedCoordinate(ReadI32(s));
    page.Top = SaturatedCoordinate(ReadI32(s));
    page.Width = SaturatedCoordinate(ReadI32(s));
    page.Height = SaturatedCoordinate(ReadI32(s));
    page.Position = ReadU8(s) != 0 ? poScreenCenter : poDesigned;
    if (marked) page.Script = ReadFrLines(s, v);
  }
  page.ChangePaper(page.PaperCode, page.WidthDmm, page.HeightDmm, page.PaperSource,
                   page.Landscape);
}

void SaveToStream(TfrPage& page, TStream& s) {
  WriteI32(s, kPageMarker);
  WriteI32(s, page.PaperCode);
  WriteI32(s, page.WidthDmm);
  WriteI32(s, page.HeightDmm);
  WriteI32(s, page.Margins.Left);
  WriteI32(s, page.Margins.Top);
  WriteI32(s, page.Margins.Right);
  WriteI32(s, page.Margins.Bottom);
  WriteU8(s, page.Landscape ? 1 : 0);
  WriteI32(s, page.PaperSource);
  WriteBool16(s, page.PrintToPrevPage);
  WriteBool16(s, page.SheetCoordinates);
  WriteI32(s, page.Columns);
  WriteI32(s, page.ColumnGap);
  WriteU8(s, page.PageType);
  WriteFrString(s, page.Name);
  WriteU8(s, page.BorderStyle == bsSizeable ? bsSizeable : bsDialog);
  WriteFrString(s, page.Caption);
  WriteU32(s, page.Color);
  WriteI32(s, page.Left);
  WriteI32(s, page.Top);
  WriteI32(s, page.Width);
  WriteI32(s, page.Height);
  WriteU8(s, page.Position);
  WriteFrLines(s, page.Script);
}

void LoadFromStream(TfrDataDictionary& d, TStream& s) {
  d.Clear();
  int16_t marker = ReadI16(s);
  if (marker == kOldDictionaryMarker || marker == kDictionaryMarker) {
    ReadVariables(s, d.Variables);
    ReadVariables(s, d.FieldAliases);
    ReadVariables(s, d.BandDataSources);
  } else {
    s.Seek(-2, SeekOrigin::Current);
    ReadOldDictionary(s, d);
  }
  FlipVariableNames(d.Variables);
  if (marker == kOldDictionaryMarker) {
    for (int i = d.FieldAliases.Count() - 1; i >= 0; --i)
      if (!d.FieldAliases.ValueAt(i).AsText().empty() && !NamesField(d.FieldAliases.NameAt(i)))
        d.FieldAliases.DeleteAt(i);
    for (int i = d.BandDataSources.Count() - 1; i >= 0; --i)
      if (d.BandDataSources.ValueAt(i).AsText().empty()) d.BandDataSources.DeleteAt(i);
  }
}

void SaveToStream(const TfrDataDictionary& d, TStream& s) {
  WriteI16(s, kDictionaryMarker);
  WriteVariables(s, d.Variables);
  WriteVariables(s, d.FieldAliases);
  WriteVariables(s, d.BandDataSources);
}

TemplateLoadResult LoadFromStream(TfrReport& report, TStream& s) {
  if (!PrinterReady()) StartPrinterLayer();
  TfrEngineState& state = EngineState();
  state.DocMode = kDocModeDesign;
  state.CurReport = &report;
  report.Dictionary->Clear();
  if (Remaining(s) == 0) return {};
  int v = ReadU8(s);
  if (v <= kNoVersionByteMax) {
    v = kOldestStreamVersion;
    s.SetPosition(0);
  }
  MissingComponents().clear();
  state.ErrorFlag = false;
  if (v > kCurrentStreamVersion) {
    ShowError(LoadLocalizedString(kStrUnsupportedFormat));
    return {TemplateLoadOutcome::FormatError, "Unsupported template version " + std::to_string(v)};
  }
  SetStreamVersion(v);
  try {
    ReadPagesBlock(s, report, v);
    if (s.Position() < s.Size()) ReadInformation(s, report);
    else report.ResetReportInfo();
    if (!AskPassword(report, s))
      return {TemplateLoadOutcome::PasswordCancelled, "The template is protected and its password was not given"};
  } catch (const EClassNotFound&) {
    std::string text = "Report contains the following non-plugged components:\r";
    text += MissingComponents();
    text += "You must include these components into your project.";
    ShowError(text);
    return {TemplateLoadOutcome::MissingComponents, text};
  } catch (const EInvalidGraphic& e) {
    ShowError(e.Message());
    EmptyAfterFailure(report);
    return {TemplateLoadOutcome::FormatError, e.Message()};
  } catch (const std::exception& e) {
    ShowError(LoadLocalizedString(kStrUnsupportedFormat));
    EmptyAfterFailure(report);
    return {TemplateLoadOutcome::FormatError, e.what()};
  }
  return {};
}

void SaveToStream(TfrReport& report, TStream& s, bool keepModified) {
  for (int i = kMaxTemplatePages; i < report.Pages->Count(); ++i)
    if (!report.Pages->PageAt(i)->Objects.empty())
      throw ETemplateFormatError("Objects can be stored on the first " +
                                 std::to_string(kMaxTemplatePages) + " pages only");
  EngineState().CurReport = &report;
  SetStreamVersion(kCurrentStreamVersion);
  WriteU8(s, kCurrentStreamVersion);
  WriteBool16(s, report.UseDefaultPrinter);
  WriteBool16(s, report.TwoPass);
  const std::string printer = SharedPrinter().CurrentName();
  WriteFrString(s, printer == LoadLocalizedString(kStrVirtualPrinter) ? "1" : printer);
  const int pages = report.Pages->Count();
  for (int i = 0; i < pages; ++i) {
    WriteU8(s, kCodePage);
    SaveToStream(*report.Pages->PageAt(i), s);
  }
  for (int i = 0; i < pages; ++i) {
    for (auto& view : report.Pages->PageAt(i)->Objects) {
      WriteU8(s, view->TypeCode);
      if (view->TypeCode == gtAddIn) WriteFrString(s, view->ClassName());
      WriteU8(s, static_cast<uint8_t>(i));
      const int64_t placeholder = s.Position();
      WriteU32(s, 0);
      view->SaveToStream(s);
      const int64_t end = s.Position();
      s.SetPosition(placeholder);
      WriteU32(s, static_cast<uint32_t>(end));
      s.SetPosition(end);
    }
  }
  WriteU8(s, kCodeDictionary);
  SaveToStream(*report.Dictionary, s);
  WriteU8(s, kCodeEndOfPages);
  WriteInformation(s, report, keepModified);
}

void WriteReportForm(TfrReport& report, TStream& s) {
  WriteI32(s, kCurrentStreamVersion);
  if (!report.StoreInDFM) return;
  TMemoryStream body;
  SaveToStream(report, body);
  WriteI32(s, static_cast<int32_t>(body.Bytes().size()));
  s.WriteBuffer(body.Bytes().data(), body.Bytes().size());
}

void ReadReportForm(TfrReport& report, TStream& s) {
  ReadI32(s);
  if (!report.StoreInDFM || Remaining(s) == 0) return;
  int32_t n = ReadI32(s);
  if (n < 0) throw ETemplateFormatError("Invalid ReportForm length " + std::to_string(n));
  report.TemplateStream = std::make_unique<TMemoryStream>(ReadBytes(s, static_cast<size_t>(n)));
}

void FinishReportFormLoading(TfrReport& report) {
  if (!report.TemplateStream) return;
  std::unique_ptr<TMemoryStream> stored = std::move(report.TemplateStream);
  stored->SetPosition(0);
  LoadFromStream(report, *stored);
}

}  // namespace lf
