// The control as a component object.
#include "control_object.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstddef>
#include <new>
#include <utility>

#include "connection_enums.h"
#include "control/com/variant.h"
#include "control/form/lumenfoldi_form.h"
#include "font_object.h"
#include "platform/code_page.h"
#include "platform/text_measurer.h"
#include "server.h"

namespace lf::com {

// The form's notifications, seen by an application-wide event filter (key
// presses reach the focused child first; with KeyPreview the form sees them).
class FormEvents : public QObject {
 public:
  explicit FormEvents(ControlObject& control) : control_(control) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    TlumenfoldiForm* form = control_.Form();
    if (!form || replaying_ || control_.Destroying()) return false;
    const QEvent::Type type = event->type();
    if (watched == form) {
      DISPID id = 0;
      if (type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        id = DISPID_LF_ONCLICK;
      else if (type == QEvent::MouseButtonDblClick && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        id = DISPID_LF_ONDBLCLICK;
      else if (type == QEvent::Paint) id = DISPID_LF_ONPAINT;
      else if (type == QEvent::WindowActivate) id = DISPID_LF_ONACTIVATE;
      else if (type == QEvent::WindowDeactivate) id = DISPID_LF_ONDEACTIVATE;
      if (id) {
        ControlObject::CallScope scope(&control_, true);
        control_.Fire(id);
        return false;
      }
    }
    if (type == QEvent::KeyRelease) lastKey_ = nullptr;
    if (type != QEvent::KeyPress) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !(widget == form || form->isAncestorOf(widget))) return false;
    // A key a child ignores climbs to its parents: the form decides at the
    // first widget of its own the key reaches (the form itself, or with
    // KeyPreview any child), once.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key == lastKey_) return false;
    lastKey_ = key;
    if (widget != form && !control_.KeyPreview()) return false;
    const QString text = key->text();
    if (text.size() != 1) return false;
    const int16_t original = static_cast<int16_t>(text[0].unicode());
    int16_t value = original;
    {
      ControlObject::CallScope scope(&control_, true);
      control_.FireKeyPress(value);
      if (control_.Destroying()) return true;
    }
    if (value == 0) return true;  // the sink suppressed it
    if (value == original) return false;
    // The sink replaced the character: the widget gets that one instead.
    QKeyEvent replaced(QEvent::KeyPress, key->key(), key->modifiers(), QString(QChar(static_cast<char16_t>(value))),
                       key->isAutoRepeat(), static_cast<quint16>(key->count()));
    replaying_ = true;
    QCoreApplication::sendEvent(watched, &replaced);
    replaying_ = false;
    return true;
  }

 private:
  ControlObject& control_;
  bool replaying_ = false;
  const QKeyEvent* lastKey_ = nullptr;  // the key press being delivered, till its release
};

namespace {

QWidget* ParkingWindow() {
  // The hidden window every unsited control's form lives in; never shown,
  // kept for the life of the process.
  static QWidget* parking = new QWidget;
  return parking;
}

// ---- IUnknown and IDispatch of every face ----

template <class I>
HRESULT FaceQueryInterface(I* p, REFIID riid, void** out) {
  return ControlObject::Owner(p)->QueryInterface(riid, out);
}
template <class I>
ULONG FaceAddRef(I* p) {
  return ControlObject::Owner(p)->AddRef();
}
template <class I>
ULONG FaceRelease(I* p) {
  return ControlObject::Owner(p)->Release();
}

HRESULT GetTypeInfoCount(Ilumenfoldi*, UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT GetTypeInfo(Ilumenfoldi*, UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}
HRESULT GetIDsOfNames(Ilumenfoldi* p, REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return ControlObject::Owner(p)->GetIDsOfNames(names, count, ids);
}
HRESULT Invoke(Ilumenfoldi* p, DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
               EXCEPINFO* excep, UINT* argErr) {
  return ControlObject::Owner(p)->Invoke(id, riid, flags, params, result, excep, argErr);
}

// ---- The accessors, generated from the member table ----

template <ValueType T>
struct CTypeOf;
template <>
struct CTypeOf<ValueType::Bool> {
  using type = VARIANT_BOOL;
};
template <>
struct CTypeOf<ValueType::Int32> {
  using type = int32_t;
};
template <>
struct CTypeOf<ValueType::Color> {
  using type = OLE_COLOR;
};
template <>
struct CTypeOf<ValueType::Text> {
  using type = BSTR;
};
template <>
struct CTypeOf<ValueType::Font> {
  using type = IFontDisp*;
};
template <>
struct CTypeOf<ValueType::BorderStyle> {
  using type = TxActiveFormBorderStyle;
};
template <>
struct CTypeOf<ValueType::PrintScale> {
  using type = TxPrintScale;
};
template <size_t M>
using CType = typename CTypeOf<kMembers[M].type>::type;

// A got value handed over to the caller's out parameter.
void Take(VARIANT& v, VARIANT_BOOL& out) { out = v.boolVal; }
void Take(VARIANT& v, int32_t& out) { out = v.lVal; }
void Take(VARIANT& v, OLE_COLOR& out) { out = v.ulVal; }
void Take(VARIANT& v, BSTR& out) { out = v.bstrVal; }
void Take(VARIANT& v, IDispatch*& out) { out = v.pdispVal; }
void Take(VARIANT& v, TxActiveFormBorderStyle& out) { out = static_cast<TxActiveFormBorderStyle>(v.lVal); }
void Take(VARIANT& v, TxPrintScale& out) { out = static_cast<TxPrintScale>(v.lVal); }

// An accessor's argument as a property value.
void Give(VARIANT_BOOL v, PropertyValue& out) { out.flag = v != 0; }
void Give(int32_t v, PropertyValue& out) { out.number = v; }
void Give(OLE_COLOR v, PropertyValue& out) { out.color = v; }
void Give(BSTR v, PropertyValue& out) { out.text = std::u16string(BstrView(v)); }
void Give(IDispatch* v, PropertyValue& out) { out.font = v; }
void Give(TxActiveFormBorderStyle v, PropertyValue& out) { out.number = static_cast<int32_t>(v); }
void Give(TxPrintScale v, PropertyValue& out) { out.number = static_cast<int32_t>(v); }

template <size_t M>
HRESULT GetAccessor(Ilumenfoldi* p, CType<M>* out) {
  if (!out) return E_POINTER;
  VARIANT value;
  InitVariant(value);
  HRESULT hr = ControlObject::Owner(p)->Get(kMembers[M], value);
  if (SUCCEEDED(hr)) Take(value, *out);
  return hr;
}

template <size_t M, uint8_t Kind>
HRESULT PutAccessor(Ilumenfoldi* p, CType<M> value) {
  PropertyValue given;
  try {
    Give(value, given);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return ControlObject::Owner(p)->Put(kMembers[M], given, Kind);
}

template <size_t M>
HRESULT MethodAccessor(Ilumenfoldi* p, BSTR param1) {
  return ControlObject::Owner(p)->SetParams(BstrView(param1));
}

struct Slot {
  size_t member;
  uint8_t kind;
};
constexpr size_t kSlotCount = ControlSlotCount();
constexpr std::array<Slot, kSlotCount> kSlots = [] {
  std::array<Slot, kSlotCount> table{};
  size_t n = 0;
  for (size_t i = 0; i < kMemberCount; ++i)
    for (uint8_t kind : {kGet, kPut, kPutRef, kMethod})
      if (kMembers[i].kinds & kind) table[n++] = Slot{i, kind};
  return table;
}();

using AnyFunction = void (*)();
template <size_t S>
AnyFunction SlotFunction() {
  constexpr Slot slot = kSlots[S];
  if constexpr (slot.kind == kGet) return reinterpret_cast<AnyFunction>(&GetAccessor<slot.member>);
  else if constexpr (slot.kind == kMethod) return reinterpret_cast<AnyFunction>(&MethodAccessor<slot.member>);
  else return reinterpret_cast<AnyFunction>(&PutAccessor<slot.member, slot.kind>);
}

// Ilumenfoldi's table as the member table lays it out.
struct ControlVtbl {
  HRESULT (*QueryInterface)(Ilumenfoldi*, REFIID, void**);
  ULONG (*AddRef)(Ilumenfoldi*);
  ULONG (*Release)(Ilumenfoldi*);
  HRESULT (*GetTypeInfoCount)(Ilumenfoldi*, UINT*);
  HRESULT (*GetTypeInfo)(Ilumenfoldi*, UINT, LCID, ITypeInfo**);
  HRESULT (*GetIDsOfNames)(Ilumenfoldi*, REFIID, LPOLESTR*, UINT, LCID, DISPID*);
  HRESULT (*Invoke)(Ilumenfoldi*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*);
  AnyFunction accessors[kSlotCount];
};
static_assert(sizeof(ControlVtbl) == sizeof(IlumenfoldiVtbl), "the header and the member table disagree");
static_assert(offsetof(IlumenfoldiVtbl, get_Visible) == offsetof(ControlVtbl, accessors));
static_assert(offsetof(IlumenfoldiVtbl, setParams) == offsetof(ControlVtbl, accessors) + (kSlotCount - 1) * sizeof(void*));

template <size_t... S>
ControlVtbl MakeControlVtbl(std::index_sequence<S...>) {
  return ControlVtbl{FaceQueryInterface<Ilumenfoldi>, FaceAddRef<Ilumenfoldi>, FaceRelease<Ilumenfoldi>,
                     GetTypeInfoCount, GetTypeInfo, GetIDsOfNames, Invoke, {SlotFunction<S>()...}};
}
const ControlVtbl kControlVtbl = MakeControlVtbl(std::make_index_sequence<kSlotCount>());

// ---- The other faces ----

HRESULT EnumPoints(IConnectionPointContainer* p, IEnumConnectionPoints** out) {
  return ControlObject::Owner(p)->EnumConnectionPoints(out);
}
HRESULT FindPoint(IConnectionPointContainer* p, REFIID riid, IConnectionPoint** out) {
  return ControlObject::Owner(p)->FindConnectionPoint(riid, out);
}
const IConnectionPointContainerVtbl kContainerVtbl = {FaceQueryInterface<IConnectionPointContainer>,
                                                      FaceAddRef<IConnectionPointContainer>,
                                                      FaceRelease<IConnectionPointContainer>, EnumPoints, FindPoint};

// The connection point answers only for itself (and IUnknown).
HRESULT PointQueryInterface(IConnectionPoint* p, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (SameGuid(*riid, IID_IUnknown) || SameGuid(*riid, IID_IConnectionPoint)) {
    *out = p;
    ControlObject::Owner(p)->AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
HRESULT PointInterface(IConnectionPoint*, IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID_IlumenfoldiEvents;
  return S_OK;
}
HRESULT PointContainer(IConnectionPoint* p, IConnectionPointContainer** out) {
  return ControlObject::Owner(p)->QueryInterface(&IID_IConnectionPointContainer, reinterpret_cast<void**>(out));
}
HRESULT PointAdvise(IConnectionPoint* p, IUnknown* sink, DWORD* cookie) {
  return ControlObject::Owner(p)->Advise(sink, cookie);
}
HRESULT PointUnadvise(IConnectionPoint* p, DWORD cookie) { return ControlObject::Owner(p)->Unadvise(cookie); }
HRESULT PointEnum(IConnectionPoint* p, IEnumConnections** out) {
  return ControlObject::Owner(p)->EnumConnections(out);
}
const IConnectionPointVtbl kPointVtbl = {PointQueryInterface, FaceAddRef<IConnectionPoint>,
                                         FaceRelease<IConnectionPoint>, PointInterface, PointContainer,
                                         PointAdvise, PointUnadvise, PointEnum};

HRESULT SupportsErrorInfo(ISupportErrorInfo*, REFIID riid) {
  return riid && SameGuid(*riid, IID_Ilumenfoldi) ? S_OK : S_FALSE;
}
const ISupportErrorInfoVtbl kErrorVtbl = {FaceQueryInterface<ISupportErrorInfo>, FaceAddRef<ISupportErrorInfo>,
                                          FaceRelease<ISupportErrorInfo>, SupportsErrorInfo};

HRESULT EmbedWindow(IlumenfoldiEmbedding* p, uint64_t window) { return ControlObject::Owner(p)->SetParentWindow(window); }
HRESULT EmbedWidget(IlumenfoldiEmbedding* p, void* widget) { return ControlObject::Owner(p)->SetParentWidget(widget); }
HRESULT EmbedBounds(IlumenfoldiEmbedding* p, int32_t l, int32_t t, int32_t w, int32_t h) {
  return ControlObject::Owner(p)->SetBounds(l, t, w, h);
}
HRESULT EmbedGetWindow(IlumenfoldiEmbedding* p, uint64_t* window) { return ControlObject::Owner(p)->GetWindow(window); }
HRESULT EmbedGetWidget(IlumenfoldiEmbedding* p, void** widget) { return ControlObject::Owner(p)->GetWidget(widget); }
const IlumenfoldiEmbeddingVtbl kEmbeddingVtbl = {
    FaceQueryInterface<IlumenfoldiEmbedding>, FaceAddRef<IlumenfoldiEmbedding>, FaceRelease<IlumenfoldiEmbedding>,
    EmbedWindow, EmbedWidget, EmbedBounds, EmbedGetWindow, EmbedGetWidget};

QColor OleColor(uint32_t color) {
  if (color & 0x80000000u) {
    // A system colour by its index: the window (5) or the face of buttons
    // and panels (15, and any other).
    const QPalette palette = QApplication::palette();
    return (color & 0xFF) == 5 ? palette.color(QPalette::Base) : palette.color(QPalette::Button);
  }
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

constexpr const char16_t* kWindowGone = u"The control's window was destroyed by its container";

}  // namespace

// ---- Lifetime ----

ControlObject::CallScope::CallScope(ControlObject* control, bool qtEvent)
    : control_(control->OnOwnerThread() ? control : nullptr), qtEvent_(qtEvent) {
  if (control_) ++control_->depth_;
}

ControlObject::CallScope::~CallScope() {
  if (control_ && --control_->depth_ == 0 && control_->destroyPending_) control_->FinishDestroy(qtEvent_);
}

ControlObject::ControlObject() : thread_(std::this_thread::get_id()) {
  dispatchFace_ = Face{&kControlVtbl, this};
  containerFace_ = Face{&kContainerVtbl, this};
  pointFace_ = Face{&kPointVtbl, this};
  errorFace_ = Face{&kErrorVtbl, this};
  embeddingFace_ = Face{&kEmbeddingVtbl, this};
  caption_ = Utf8ToHost("lumenfoldi");
  form_ = new TlumenfoldiForm(ParkingWindow());
  form_->hide();
  events_ = std::make_unique<FormEvents>(*this);
  qApp->installEventFilter(events_.get());
  font_ = new FontObject;
  font_->Changed = [this](const FontState& font) { ApplyFont(font); };
  ApplyFont(font_->State());
  ApplyColor();
  ObjectCreated();
}

ControlObject::~ControlObject() {
  for (const Connection& c : sinks_) c.sink->lpVtbl->Release(c.sink);
  if (font_) {
    font_->Detach();
    font_->lpVtbl->Release(font_);
  }
  ObjectDestroyed();
}

HRESULT ControlObject::Create(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!EnsureApplication())
    return ReportError(RPC_E_WRONG_THREAD, u"The control needs the thread of the host's widget application");
  UseWindowBoxes();
  ControlObject* control = nullptr;
  try {
    control = new ControlObject;
  } catch (const std::exception& e) {
    return ReportException(e);
  }
  HRESULT hr = control->QueryInterface(riid, out);
  control->Release();
  return hr;
}

HRESULT ControlObject::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!riid) return E_POINTER;
  const GUID& iid = *riid;
  if (SameGuid(iid, IID_IUnknown) || SameGuid(iid, IID_IDispatch) || SameGuid(iid, IID_Ilumenfoldi))
    *out = &dispatchFace_;
  else if (SameGuid(iid, IID_IConnectionPointContainer)) *out = &containerFace_;
  else if (SameGuid(iid, IID_ISupportErrorInfo)) *out = &errorFace_;
  else if (SameGuid(iid, IID_IlumenfoldiEmbedding)) *out = &embeddingFace_;
  else return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG ControlObject::AddRef() { return ++refs_; }

ULONG ControlObject::Release() {
  const ULONG n = --refs_;
  if (n != 0) return n;
  if (OnOwnerThread()) {
    BeginDestroy();
  } else if (QCoreApplication* app = QCoreApplication::instance()) {
    // Destroyed on its own thread, once that thread gets to it.
    QMetaObject::invokeMethod(app, [this] { BeginDestroy(); }, Qt::QueuedConnection);
  }
  return 0;
}

void ControlObject::BeginDestroy() {
  if (destroying_) return;
  destroying_ = true;
  CallScope scope(this);
  destroyPending_ = true;
  Fire(DISPID_LF_ONDESTROY);
  std::vector<Connection> sinks = std::move(sinks_);
  sinks_.clear();
  for (const Connection& c : sinks) c.sink->lpVtbl->Release(c.sink);
  if (form_) form_->hide();
}

void ControlObject::FinishDestroy(bool insideQtEvent) {
  qApp->removeEventFilter(events_.get());
  if (TlumenfoldiForm* form = form_.data()) {
    form_.clear();
    form->hide();
    // Inside one of the form's own events the form must outlive the
    // event's delivery; the report and tables go with it.
    if (insideQtEvent) form->deleteLater();
    else delete form;
  }
  if (insideQtEvent) events_.release()->deleteLater();
  foreignParent_.reset();
  delete this;
}

TlumenfoldiForm* ControlObject::Form() const { return form_.data(); }

HRESULT ControlObject::CheckThread() const {
  return OnOwnerThread() ? S_OK : ReportError(RPC_E_WRONG_THREAD, u"The control was called from another thread than the one that created it");
}

// ---- Dispatch ----

HRESULT ControlObject::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
  if (FAILED(CheckThread())) return RPC_E_WRONG_THREAD;
  if (!names || !ids) return E_POINTER;
  if (count == 0) return S_OK;
  const Member* member = names[0] ? FindMember(std::u16string_view(names[0])) : nullptr;
  ids[0] = member ? member->id : DISPID_UNKNOWN;
  HRESULT hr = member ? S_OK : DISP_E_UNKNOWNNAME;
  for (UINT i = 1; i < count; ++i) {
    // The one parameter is number 0.
    const bool known = member && names[i] && SameName(std::u16string_view(names[i]), member->parameter);
    ids[i] = known ? 0 : DISPID_UNKNOWN;
    if (!known) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT ControlObject::Invoke(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* excep, UINT* argErr) {
  if (FAILED(CheckThread())) return RPC_E_WRONG_THREAD;
  if (riid && !SameGuid(*riid, IID_NULL)) return static_cast<HRESULT>(0x80020001);  // DISP_E_UNKNOWNINTERFACE
  const Member* member = FindMember(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  if (!params) params = &none;
  if (params->cArgs && !params->rgvarg) return E_POINTER;
  HRESULT hr = S_OK;
  if (member->kinds & kMethod) {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
    if (params->cArgs != 1) return params->cArgs == 0 ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
    std::u16string text;
    if (HRESULT bad = VariantToText(params->rgvarg[0], text); FAILED(bad)) {
      if (argErr) *argErr = 0;
      return bad;
    }
    hr = SetParams(text);
  } else if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    const uint8_t kind = (flags & DISPATCH_PROPERTYPUTREF) ? kPutRef : kPut;
    if (!(member->kinds & kind)) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs > 1 || (params->cNamedArgs == 1 && params->rgdispidNamedArgs &&
                                   params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
      return DISP_E_PARAMNOTFOUND;
    PropertyValue value;
    const VARIANT& arg = params->rgvarg[0];
    HRESULT bad = S_OK;
    switch (member->type) {
      case ValueType::Bool: bad = VariantToBool(arg, value.flag); break;
      case ValueType::Int32:
      case ValueType::BorderStyle:
      case ValueType::PrintScale: bad = VariantToInt32(arg, value.number); break;
      case ValueType::Color: bad = VariantToUInt32(arg, value.color); break;
      case ValueType::Text: bad = VariantToText(arg, value.text); break;
      case ValueType::Font: bad = VariantToDispatch(arg, value.font); break;
    }
    if (FAILED(bad)) {
      if (argErr) *argErr = 0;
      return bad;
    }
    hr = Put(*member, value, kind);
  } else if (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) {
    if (!(member->kinds & kGet)) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs) return DISP_E_BADPARAMCOUNT;
    VARIANT value;
    InitVariant(value);
    hr = Get(*member, value);
    if (SUCCEEDED(hr)) {
      if (result) *result = value;
      else ClearVariant(value);
    }
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (FAILED(hr) && excep) {
    // The member's failure, as the caller's exception information.
    *excep = EXCEPINFO{};
    excep->scode = hr;
    if (IErrorInfo* info = TakeErrorInfo()) {
      info->lpVtbl->GetSource(info, &excep->bstrSource);
      info->lpVtbl->GetDescription(info, &excep->bstrDescription);
      ReplaceErrorInfo(info);
      info->lpVtbl->Release(info);
    }
    return DISP_E_EXCEPTION;
  }
  return hr;
}

HRESULT ControlObject::Get(const Member& member, VARIANT& out) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  TlumenfoldiForm* form = Form();
  if (!form) return ReportError(E_UNEXPECTED, kWindowGone);
  InitVariant(out);
  auto flag = [&](bool v) {
    out.vt = VT_BOOL;
    out.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  };
  auto number = [&](int32_t v) {
    out.vt = VT_I4;
    out.lVal = v;
    return S_OK;
  };
  auto text = [&](const std::string& host) {
    try {
      out.bstrVal = AllocBstr(HostToUtf16(host));
    } catch (const std::exception& e) {
      return ReportException(e);
    }
    if (!out.bstrVal) return ReportError(E_OUTOFMEMORY, u"Out of memory");
    out.vt = VT_BSTR;
    return S_OK;
  };
  switch (member.id) {
    case DISPID_LF_VISIBLE: return flag(!form->isHidden());
    case DISPID_LF_AUTOSCROLL: return flag(autoScroll_);
    case DISPID_LF_AUTOSIZE: return flag(autoSize_);
    case DISPID_LF_AXBORDERSTYLE: return number(borderStyle_);
    case DISPID_LF_CAPTION: return text(caption_);
    case DISPID_LF_COLOR:
      out.vt = VT_UI4;
      out.ulVal = color_;
      return S_OK;
    case DISPID_LF_FONT:
      out.vt = VT_DISPATCH;
      out.pdispVal = font_;
      font_->lpVtbl->AddRef(font_);
      return S_OK;
    case DISPID_LF_KEYPREVIEW: return flag(keyPreview_);
    case DISPID_LF_PIXELSPERINCH: return number(pixelsPerInch_);
    case DISPID_LF_PRINTSCALE: return number(printScale_);
    case DISPID_LF_SCALED: return flag(scaled_);
    case DISPID_LF_ACTIVE: return flag(form->isActiveWindow());
    case DISPID_LF_DROPTARGET: return flag(form->acceptDrops());
    case DISPID_LF_HELPFILE: return text(helpFile_);
    case DISPID_LF_SCREENSNAP: return flag(screenSnap_);
    case DISPID_LF_SNAPBUFFER: return number(snapBuffer_);
    case DISPID_LF_DOUBLEBUFFERED: return flag(doubleBuffered_);
    case DISPID_LF_ALIGNDISABLED: return flag(false);  // alignment is never held back
    case DISPID_LF_VISIBLEDOCKCLIENTCOUNT: return number(0);  // nothing docks in the form
    case DISPID_LF_ENABLED: return flag(form->isEnabled());
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT ControlObject::Put(const Member& member, const PropertyValue& value, uint8_t kind) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (!(member.kinds & kind)) return DISP_E_MEMBERNOTFOUND;
  TlumenfoldiForm* form = Form();
  if (!form) return ReportError(E_UNEXPECTED, kWindowGone);
  try {
    switch (member.id) {
      case DISPID_LF_VISIBLE: form->setVisible(value.flag); return S_OK;
      case DISPID_LF_AUTOSCROLL: autoScroll_ = value.flag; return S_OK;
      case DISPID_LF_AUTOSIZE: autoSize_ = value.flag; return S_OK;
      case DISPID_LF_AXBORDERSTYLE:
        if (value.number < afbNone || value.number > afbRaised) return ReportError(E_INVALIDARG, u"Invalid property value");
        borderStyle_ = value.number;
        return S_OK;
      case DISPID_LF_CAPTION:
        caption_ = Utf16ToHost(value.text);
        form->setWindowTitle(QString::fromStdString(HostToUtf8(caption_)));
        return S_OK;
      case DISPID_LF_COLOR:
        color_ = value.color;
        ApplyColor();
        return S_OK;
      case DISPID_LF_FONT:
        if (!value.font) return ReportError(E_POINTER, u"A font object is needed");
        return font_->Assign(value.font);
      case DISPID_LF_KEYPREVIEW: keyPreview_ = value.flag; return S_OK;
      case DISPID_LF_PIXELSPERINCH: pixelsPerInch_ = value.number; return S_OK;
      case DISPID_LF_PRINTSCALE:
        if (value.number < poNone || value.number > poPrintToFit) return ReportError(E_INVALIDARG, u"Invalid property value");
        printScale_ = value.number;
        return S_OK;
      case DISPID_LF_SCALED: scaled_ = value.flag; return S_OK;
      case DISPID_LF_DROPTARGET: form->setAcceptDrops(value.flag); return S_OK;
      case DISPID_LF_HELPFILE: helpFile_ = Utf16ToHost(value.text); return S_OK;
      case DISPID_LF_SCREENSNAP: screenSnap_ = value.flag; return S_OK;
      case DISPID_LF_SNAPBUFFER: snapBuffer_ = value.number; return S_OK;
      case DISPID_LF_DOUBLEBUFFERED: doubleBuffered_ = value.flag; return S_OK;
      case DISPID_LF_ENABLED: form->setEnabled(value.flag); return S_OK;
      default: return DISP_E_MEMBERNOTFOUND;
    }
  } catch (const std::exception& e) {
    return ReportException(e);
  }
}

HRESULT ControlObject::SetParams(std::u16string_view param1) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  TlumenfoldiForm* form = Form();
  if (!form) return ReportError(E_UNEXPECTED, kWindowGone);
  if (destroying_) return ReportError(E_UNEXPECTED, u"The control is being destroyed");
  try {
    form->setParams(param1);
  } catch (const std::exception& e) {
    return ReportException(e);
  }
  return S_OK;
}

void ControlObject::ApplyFont(const FontState& font) {
  TlumenfoldiForm* form = Form();
  if (!form) return;
  QFont qfont(QString::fromStdString(SubstituteFamily(Utf16ToHost(font.name), static_cast<uint8_t>(font.charset))));
  // Points to pixels at the screen's 96 per inch, as the layout was made.
  qfont.setPixelSize(static_cast<int>((font.size * 96 / 72 + 5000) / 10000));
  qfont.setWeight(static_cast<QFont::Weight>(std::clamp<int>(font.weight, 1, 1000)));
  qfont.setItalic(font.italic);
  qfont.setUnderline(font.underline);
  qfont.setStrikeOut(font.strikethrough);
  form->setFont(qfont);
}

void ControlObject::ApplyColor() {
  TlumenfoldiForm* form = Form();
  if (!form) return;
  QPalette palette = form->palette();
  palette.setColor(QPalette::Window, OleColor(color_));
  form->setPalette(palette);
  form->setAutoFillBackground(true);
}

// ---- Events ----

void ControlObject::Fire(DISPID event) {
  if (sinks_.empty()) return;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  // A sink may connect, disconnect or release the control meanwhile: the
  // call goes to the sinks connected when the event began.
  std::vector<IDispatch*> sinks;
  for (const Connection& c : sinks_) {
    c.sink->lpVtbl->AddRef(c.sink);
    sinks.push_back(c.sink);
  }
  for (IDispatch* sink : sinks) {
    sink->lpVtbl->Invoke(sink, event, &IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    sink->lpVtbl->Release(sink);
  }
}

void ControlObject::FireKeyPress(int16_t& key) {
  if (sinks_.empty()) return;
  std::vector<IDispatch*> sinks;
  for (const Connection& c : sinks_) {
    c.sink->lpVtbl->AddRef(c.sink);
    sinks.push_back(c.sink);
  }
  for (IDispatch* sink : sinks) {
    VARIANT arg;
    InitVariant(arg);
    arg.vt = VT_I2 | VT_BYREF;
    arg.piVal = &key;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    sink->lpVtbl->Invoke(sink, DISPID_LF_ONKEYPRESS, &IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                         nullptr);
    sink->lpVtbl->Release(sink);
  }
}

HRESULT ControlObject::Advise(IUnknown* sink, DWORD* cookie) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  if (destroying_) return CONNECT_E_CANNOTCONNECT;
  void* dispatch = nullptr;
  if (FAILED(sink->lpVtbl->QueryInterface(sink, &DIID_IlumenfoldiEvents, &dispatch)) &&
      FAILED(sink->lpVtbl->QueryInterface(sink, &IID_IDispatch, &dispatch)))
    return CONNECT_E_CANNOTCONNECT;
  try {
    sinks_.push_back(Connection{nextCookie_, static_cast<IDispatch*>(dispatch)});
  } catch (const std::bad_alloc&) {
    static_cast<IDispatch*>(dispatch)->lpVtbl->Release(static_cast<IDispatch*>(dispatch));
    return E_OUTOFMEMORY;
  }
  *cookie = nextCookie_++;
  if (!created_) {
    // The form's creation notification runs when the first sink connects.
    created_ = true;
    Fire(DISPID_LF_ONCREATE);
  }
  return S_OK;
}

HRESULT ControlObject::Unadvise(DWORD cookie) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie != cookie) continue;
    IDispatch* sink = it->sink;
    sinks_.erase(it);
    sink->lpVtbl->Release(sink);
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT ControlObject::EnumConnections(IEnumConnections** out) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (!out) return E_POINTER;
  std::vector<CONNECTDATA> items;
  for (const Connection& c : sinks_) items.push_back(CONNECTDATA{reinterpret_cast<IUnknown*>(c.sink), c.cookie});
  *out = NewConnectionsEnum(items);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ControlObject::EnumConnectionPoints(IEnumConnectionPoints** out) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (!out) return E_POINTER;
  *out = NewPointsEnum(reinterpret_cast<IConnectionPoint*>(&pointFace_));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ControlObject::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!riid || !SameGuid(*riid, DIID_IlumenfoldiEvents)) return CONNECT_E_NOCONNECTION;
  *out = reinterpret_cast<IConnectionPoint*>(&pointFace_);
  AddRef();
  return S_OK;
}

// ---- Siting ----

HRESULT ControlObject::SetParentWidget(void* widget) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  TlumenfoldiForm* form = Form();
  if (!form) return ReportError(E_UNEXPECTED, kWindowGone);
  auto* parent = static_cast<QWidget*>(widget);
  const QRect bounds = form->geometry();
  if (form->windowHandle() && form->isWindow()) form->windowHandle()->setParent(nullptr);
  form->setParent(parent ? parent : ParkingWindow());
  foreignParent_.reset();
  form->setGeometry(parent ? QRect(QPoint(0, 0), parent->size()) : bounds);
  form->setVisible(parent != nullptr);
  return S_OK;
}

HRESULT ControlObject::SetParentWindow(uint64_t window) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (window == 0) return SetParentWidget(nullptr);
  TlumenfoldiForm* form = Form();
  if (!form) return ReportError(E_UNEXPECTED, kWindowGone);
  std::unique_ptr<QWindow> foreign(QWindow::fromWinId(static_cast<WId>(window)));
  if (!foreign) return ReportError(E_INVALIDARG, u"No such window");
  // The form becomes a native window of its own inside the foreign one.
  form->setParent(nullptr);
  form->setWindowFlags(Qt::FramelessWindowHint);
  form->winId();
  form->windowHandle()->setParent(foreign.get());
  form->setGeometry(QRect(QPoint(0, 0), foreign->size().isEmpty() ? form->size() : foreign->size()));
  foreignParent_ = std::move(foreign);
  form->show();
  return S_OK;
}

HRESULT ControlObject::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  TlumenfoldiForm* form = Form();
  if (!form) return ReportError(E_UNEXPECTED, kWindowGone);
  if (width < 0 || height < 0) return ReportError(E_INVALIDARG, u"A negative width or height");
  form->setGeometry(left, top, width, height);
  return S_OK;
}

HRESULT ControlObject::GetWindow(uint64_t* window) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (!window) return E_POINTER;
  TlumenfoldiForm* form = Form();
  if (!form) return ReportError(E_UNEXPECTED, kWindowGone);
  *window = static_cast<uint64_t>(form->winId());
  return S_OK;
}

HRESULT ControlObject::GetWidget(void** widget) {
  CallScope scope(this);
  if (!scope.ok()) return CheckThread();
  if (!widget) return E_POINTER;
  *widget = static_cast<QWidget*>(Form());
  return *widget ? S_OK : ReportError(E_UNEXPECTED, kWindowGone);
}

}  // namespace lf::com
