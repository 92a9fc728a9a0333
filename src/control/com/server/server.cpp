// Object counting, error information and the application object.
#include "server.h"

#include <QApplication>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

#include "control/com/type_library.h"
#include "control/com/variant.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/password_prompt.h"
#include "preview/message_window.h"
#include "preview/password_form.h"

namespace lf::com {
namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

// One error object: GUID, source, description; no help.
struct ErrorObject : IErrorInfo {
  std::atomic<ULONG> refs{1};
  std::u16string description;

  static ErrorObject* Self(IErrorInfo* p) { return static_cast<ErrorObject*>(p); }
  static HRESULT QueryInterface(IErrorInfo* p, REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (SameGuid(*riid, IID_IUnknown) || SameGuid(*riid, IID_IErrorInfo)) {
      *out = p;
      AddRef(p);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  static ULONG AddRef(IErrorInfo* p) { return ++Self(p)->refs; }
  static ULONG Release(IErrorInfo* p) {
    ULONG n = --Self(p)->refs;
    if (n == 0) delete Self(p);
    return n;
  }
  static HRESULT GetGUID(IErrorInfo*, GUID* guid) {
    if (!guid) return E_POINTER;
    *guid = IID_Ilumenfoldi;
    return S_OK;
  }
  static HRESULT Text(std::u16string_view text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = AllocBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  static HRESULT GetSource(IErrorInfo*, BSTR* out) { return Text(u"lumenfoldiProj1.lumenfoldi", out); }
  static HRESULT GetDescription(IErrorInfo* p, BSTR* out) { return Text(Self(p)->description, out); }
  static HRESULT GetHelpFile(IErrorInfo*, BSTR* out) { return Text(u"", out); }
  static HRESULT GetHelpContext(IErrorInfo*, DWORD* out) {
    if (!out) return E_POINTER;
    *out = 0;
    return S_OK;
  }
};

constexpr IErrorInfoVtbl kErrorVtbl = {ErrorObject::QueryInterface, ErrorObject::AddRef,      ErrorObject::Release,
                                       ErrorObject::GetGUID,        ErrorObject::GetSource,   ErrorObject::GetDescription,
                                       ErrorObject::GetHelpFile,    ErrorObject::GetHelpContext};

// The thread's error information; released when the thread ends.
struct ThreadError {
  IErrorInfo* info = nullptr;
  ~ThreadError() {
    if (info) info->lpVtbl->Release(info);
  }
};
thread_local ThreadError threadError;

}  // namespace

void ObjectCreated() { ++liveObjects; }
void ObjectDestroyed() { --liveObjects; }
void ServerLock(bool lock) {
  if (lock) ++serverLocks;
  else if (serverLocks > 0) --serverLocks;
}
bool ServerInUse() { return liveObjects > 0 || serverLocks > 0; }

IErrorInfo* TakeErrorInfo() {
  IErrorInfo* info = threadError.info;
  threadError.info = nullptr;
  return info;
}

void ReplaceErrorInfo(IErrorInfo* info) {
  if (info) info->lpVtbl->AddRef(info);
  if (threadError.info) threadError.info->lpVtbl->Release(threadError.info);
  threadError.info = info;
}

HRESULT ReportError(HRESULT code, std::u16string_view description) {
  auto* error = new (std::nothrow) ErrorObject;
  if (error) {
    error->lpVtbl = &kErrorVtbl;
    try {
      error->description = std::u16string(description);
    } catch (const std::bad_alloc&) {
    }
    ReplaceErrorInfo(error);
    error->lpVtbl->Release(error);
  }
  return code;
}

HRESULT ReportException(const std::exception& error) {
  const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
  std::u16string text;
  try {
    text = memory ? u"Out of memory" : HostToUtf16(error.what());
  } catch (const std::exception&) {
  }
  return ReportError(memory ? E_OUTOFMEMORY : E_UNEXPECTED, text);
}

bool EnsureApplication() {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    return qobject_cast<QApplication*>(app) && app->thread() == QThread::currentThread();
  }
  // A host without an application object (a headless host): the library
  // makes one for the process and keeps it to the end.
  auto unset = [](const char* name) { return !std::getenv(name) || !*std::getenv(name); };
  if (unset("QT_QPA_PLATFORM") && unset("DISPLAY") && unset("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (unset("XDG_RUNTIME_DIR")) {
    std::string dir = "/tmp/runtime-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
  }
  static int argc = 1;
  static char name[] = "lumenfoldi";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  return true;
}

void UseWindowBoxes() {
  static bool decided = false;
  if (decided) return;
  decided = true;
  const QString platform = QGuiApplication::platformName();
  const char* boxes = std::getenv("LUMENFOLDI_BOXES");
  if (platform == "offscreen" || platform == "minimal" || (boxes && std::string(boxes) == "stderr")) return;
  static WindowMessageService windowBoxes;
  static WindowPasswordPrompt windowPrompt;
  InstallMessageService(&windowBoxes);
  InstallPasswordPrompt(&windowPrompt);
}

}  // namespace lf::com
