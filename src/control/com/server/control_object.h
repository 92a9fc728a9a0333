// The control as a component object: Ilumenfoldi (dual), its events
// through a connection point, error information, siting, lifetime.
#pragma once

#include <QPointer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "control/com/type_library.h"
#include "lumenfoldi/lumenfoldiProj1.h"

class QObject;
class QWindow;

namespace lf {
class TlumenfoldiForm;
}

namespace lf::com {

class FontObject;
class FormEvents;
struct FontState;

// A value handed to a property, already of the member's type.
struct PropertyValue {
  bool flag = false;
  int32_t number = 0;
  uint32_t color = 0;
  std::u16string text;
  IDispatch* font = nullptr;  // borrowed
};

class ControlObject {
 public:
  // Creates the control and hands out the interface riid.
  static HRESULT Create(REFIID riid, void** out);

  // An interface pointer of the control: a table pointer and the object.
  struct Face {
    const void* lpVtbl;
    ControlObject* self;
  };
  static ControlObject* Owner(const void* face) { return static_cast<const Face*>(face)->self; }

  HRESULT QueryInterface(REFIID riid, void** out);
  ULONG AddRef();
  ULONG Release();

  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
  HRESULT Invoke(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                 UINT* argErr);
  // The accessors behind both the vtable and Invoke.
  HRESULT Get(const Member& member, VARIANT& out);
  HRESULT Put(const Member& member, const PropertyValue& value, uint8_t kind);
  HRESULT SetParams(std::u16string_view param1);

  // Connection point.
  HRESULT Advise(IUnknown* sink, DWORD* cookie);
  HRESULT Unadvise(DWORD cookie);
  HRESULT EnumConnections(IEnumConnections** out);
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** out);
  HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** out);

  // Siting.
  HRESULT SetParentWindow(uint64_t window);
  HRESULT SetParentWidget(void* widget);
  HRESULT SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  HRESULT GetWindow(uint64_t* window);
  HRESULT GetWidget(void** widget);

  // Calls the sinks' event; failures of the sinks are ignored.
  void Fire(DISPID event);
  // OnKeyPress: key in and out.
  void FireKeyPress(int16_t& key);

  // Whether the caller runs on the control's thread.
  bool OnOwnerThread() const { return std::this_thread::get_id() == thread_; }

  // Every entry from outside (interface calls, form events) holds one, so
  // that a last Release met inside finishes only when the outermost entry
  // returns. False ok() on a foreign thread: the call must not go on.
  class CallScope {
   public:
    explicit CallScope(ControlObject* control, bool qtEvent = false);
    ~CallScope();
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
    bool ok() const { return control_ != nullptr; }

   private:
    ControlObject* control_;
    bool qtEvent_;
  };

  TlumenfoldiForm* Form() const;
  bool KeyPreview() const { return keyPreview_; }
  bool Destroying() const { return destroying_; }

 private:
  ControlObject();
  ~ControlObject();
  // The last reference went: OnDestroy, sinks let go, the form hidden; the
  // rest when no entry of the control is running any more.
  void BeginDestroy();
  void FinishDestroy(bool insideQtEvent);
  void ApplyFont(const FontState& font);
  void ApplyColor();
  HRESULT CheckThread() const;

  Face dispatchFace_;
  Face containerFace_;
  Face pointFace_;
  Face errorFace_;
  Face embeddingFace_;
  std::atomic<ULONG> refs_{1};
  const std::thread::id thread_;
  int depth_ = 0;
  bool destroying_ = false;
  bool destroyPending_ = false;

  // The form: a child of the parking window, of the host's widget, or a
  // native window parented to a foreign one (which foreignParent_ wraps).
  QPointer<TlumenfoldiForm> form_;
  std::unique_ptr<QWindow> foreignParent_;
  std::unique_ptr<FormEvents> events_;
  FontObject* font_ = nullptr;  // one reference held

  struct Connection {
    DWORD cookie;
    IDispatch* sink;  // one reference held
  };
  std::vector<Connection> sinks_;
  DWORD nextCookie_ = 1;
  bool created_ = false;  // OnCreate fired

  // Form properties kept here (the window has no place for them).
  bool autoScroll_ = false;
  bool autoSize_ = false;
  int32_t borderStyle_ = afbNone;
  std::string caption_;   // host code page
  uint32_t color_ = 0x8000000F;  // the system colour "button face"
  bool keyPreview_ = false;
  int32_t pixelsPerInch_ = 96;
  int32_t printScale_ = poProportional;
  bool scaled_ = true;
  std::string helpFile_;  // host code page
  bool screenSnap_ = false;
  int32_t snapBuffer_ = 10;
  bool doubleBuffered_ = false;
};

}  // namespace lf::com
