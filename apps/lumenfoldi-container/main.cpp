// lumenfoldi-container: the container a web page would be. Finds the
// control's library in the registry, creates the control through its class
// factory, sites it in a window, prints its events, sets properties by name
// and calls setParams.
#include <dlfcn.h>

#include <QApplication>
#include <QPixmap>
#include <QResizeEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "control/com/registry_file.h"
#include "control/com/type_library.h"
#include "lumenfoldi/lumenfoldiProj1.h"
#include "platform/output_device.h"
#include "platform/output_file.h"

namespace lf::com {
namespace {

constexpr const char* kUsage =
    "usage: lumenfoldi-container [--registry FILE] [--set NAME=VALUE]... [--screenshot OUT.png] \"TEMPLATE,DATA\"";

struct Options {
  std::string registry;
  std::vector<std::pair<std::string, std::string>> settings;
  std::string screenshot;
  std::string param;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options o;
  bool haveParam = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--registry" || a == "--set" || a == "--screenshot") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (a == "--registry") {
        o.registry = value;
      } else if (a == "--screenshot") {
        o.screenshot = value;
      } else {
        const size_t eq = value.find('=');
        if (eq == std::string::npos || eq == 0) return std::nullopt;
        o.settings.emplace_back(value.substr(0, eq), value.substr(eq + 1));
      }
    } else if (a.rfind("--", 0) == 0 || haveParam) {
      return std::nullopt;
    } else {
      o.param = a;
      haveParam = true;
    }
  }
  if (!haveParam) return std::nullopt;
  return o;
}

// The library's exports this container uses.
struct Library {
  LPFNDLLGETCLASSOBJECT getClassObject = nullptr;
  LPFNSYSALLOCSTRING allocString = nullptr;
  LPFNSYSFREESTRING freeString = nullptr;
  LPFNGETERRORINFO getErrorInfo = nullptr;
};

// A BSTR of the library, freed with the library's SysFreeString.
class Text {
 public:
  Text(const Library& library, const std::string& utf8) : library_(library) {
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    bstr_ = library.allocString(reinterpret_cast<const OLECHAR*>(text.utf16()));
  }
  ~Text() { library_.freeString(bstr_); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  BSTR get() const { return bstr_; }

 private:
  const Library& library_;
  BSTR bstr_;
};

// "0x8000FFFF description", the description from the thread's error information.
std::string Failure(const Library& library, HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<uint32_t>(hr));
  std::string text = code;
  IErrorInfo* info = nullptr;
  if (library.getErrorInfo(0, &info) == S_OK && info) {
    BSTR description = nullptr;
    if (info->lpVtbl->GetDescription(info, &description) == S_OK && description)
      text += " " + QString::fromUtf16(reinterpret_cast<const char16_t*>(description)).toStdString();
    library.freeString(description);
    info->lpVtbl->Release(info);
  }
  return text;
}

// Prints every event: "event OnCreate", "event OnKeyPress 97".
class PrintingSink : public IDispatch {
 public:
  PrintingSink() { lpVtbl = &kVtbl; }

 private:
  static HRESULT QueryInterface(IDispatch* p, REFIID riid, void** out) {
    if (SameGuid(*riid, IID_IUnknown) || SameGuid(*riid, IID_IDispatch) || SameGuid(*riid, DIID_IlumenfoldiEvents)) {
      *out = p;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives as long as the program.
  static ULONG AddRef(IDispatch*) { return 2; }
  static ULONG Release(IDispatch*) { return 1; }
  static HRESULT Count(IDispatch*, UINT* n) {
    *n = 0;
    return S_OK;
  }
  static HRESULT Info(IDispatch*, UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
  static HRESULT Ids(IDispatch*, REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
  static HRESULT Invoke(IDispatch*, DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    const Event* event = FindEvent(id);
    if (!event) return DISP_E_MEMBERNOTFOUND;
    if (id == DISPID_LF_ONKEYPRESS && params && params->cArgs == 1 && params->rgvarg[0].vt == (VT_I2 | VT_BYREF))
      std::printf("event %s %d\n", event->name, *params->rgvarg[0].piVal);
    else
      std::printf("event %s\n", event->name);
    std::fflush(stdout);
    return S_OK;
  }
  static constexpr IDispatchVtbl kVtbl = {QueryInterface, AddRef, Release, Count, Info, Ids, Invoke};
};

// The container's window: the control fills it.
class ContainerWindow : public QWidget {
 public:
  IlumenfoldiEmbedding* embedding = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (embedding) embedding->lpVtbl->SetBounds(embedding, 0, 0, width(), height());
  }
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "lumenfoldi-container: %s\n", message.c_str());
  return 1;
}

int Run(const Options& o) {
  const std::string registryPath = o.registry.empty() ? DefaultRegistryPath() : o.registry;
  std::optional<std::string> path;
  GUID clsid{};
  try {
    const RegistryFile registry = ReadRegistry(registryPath);
    path = RegisteredLibrary(registry, kProgId);
    std::optional<std::string> clsidText = registry.Value(std::string("HKEY_CLASSES_ROOT\\") + kProgId + "\\Clsid");
    if (!path || !clsidText || !ParseGuid(*clsidText, clsid))
      return Fail(std::string(kProgId) + " is not registered in " + registryPath + " (lumenfoldi regsvr LIBRARY registers it)");
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  // A screenshot run answers the control's message boxes on standard error.
  if (!o.screenshot.empty()) setenv("LUMENFOLDI_BOXES", "stderr", 1);
  void* handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return Fail(std::string("cannot load ") + dlerror());
  Library library;
  library.getClassObject = reinterpret_cast<LPFNDLLGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
  library.allocString = reinterpret_cast<LPFNSYSALLOCSTRING>(dlsym(handle, "SysAllocString"));
  library.freeString = reinterpret_cast<LPFNSYSFREESTRING>(dlsym(handle, "SysFreeString"));
  library.getErrorInfo = reinterpret_cast<LPFNGETERRORINFO>(dlsym(handle, "GetErrorInfo"));
  if (!library.getClassObject || !library.allocString || !library.freeString || !library.getErrorInfo)
    return Fail(*path + " is no component library of this kind");

  IClassFactory* factory = nullptr;
  HRESULT hr = library.getClassObject(&clsid, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return Fail("no class factory: " + Failure(library, hr));
  Ilumenfoldi* control = nullptr;
  hr = factory->lpVtbl->CreateInstance(factory, nullptr, &IID_Ilumenfoldi, reinterpret_cast<void**>(&control));
  factory->lpVtbl->Release(factory);
  if (FAILED(hr)) return Fail("cannot create the control: " + Failure(library, hr));

  ContainerWindow window;
  window.setWindowTitle("lumenfoldi-container");
  window.resize(870, 480);
  control->lpVtbl->QueryInterface(control, &IID_IlumenfoldiEmbedding, reinterpret_cast<void**>(&window.embedding));
  window.embedding->lpVtbl->SetParentWidget(window.embedding, &window);

  static PrintingSink sink;
  IConnectionPointContainer* points = nullptr;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  control->lpVtbl->QueryInterface(control, &IID_IConnectionPointContainer, reinterpret_cast<void**>(&points));
  points->lpVtbl->FindConnectionPoint(points, &DIID_IlumenfoldiEvents, &point);
  points->lpVtbl->Release(points);
  point->lpVtbl->Advise(point, reinterpret_cast<IUnknown*>(&sink), &cookie);

  int status = 0;
  for (const auto& [name, value] : o.settings) {
    Text bstrName(library, name), bstrValue(library, value);
    BSTR names[1] = {bstrName.get()};
    DISPID id = 0;
    hr = control->lpVtbl->GetIDsOfNames(control, &IID_NULL, names, 1, 0, &id);
    if (SUCCEEDED(hr)) {
      VARIANT arg{};
      arg.vt = VT_BSTR;
      arg.bstrVal = bstrValue.get();
      DISPID named = DISPID_PROPERTYPUT;
      DISPPARAMS params = {&arg, &named, 1, 1};
      EXCEPINFO excep{};
      hr = control->lpVtbl->Invoke(control, id, &IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, &excep,
                                   nullptr);
      if (hr == DISP_E_EXCEPTION) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<uint32_t>(excep.scode));
        std::string description =
            excep.bstrDescription ? QString::fromUtf16(reinterpret_cast<const char16_t*>(excep.bstrDescription)).toStdString() : "";
        std::fprintf(stderr, "lumenfoldi-container: --set %s: %s %s\n", name.c_str(), code, description.c_str());
        library.freeString(excep.bstrDescription);
        library.freeString(excep.bstrSource);
        library.freeString(excep.bstrHelpFile);
        status = 1;
        continue;
      }
    }
    if (FAILED(hr)) {
      std::fprintf(stderr, "lumenfoldi-container: --set %s: %s\n", name.c_str(), Failure(library, hr).c_str());
      status = 1;
    }
  }

  window.show();
  QTimer::singleShot(0, &window, [&] {
    Text param(library, o.param);
    const HRESULT result = control->lpVtbl->setParams(control, param.get());
    std::printf("setParams: %s\n", SUCCEEDED(result) ? "0x00000000" : Failure(library, result).c_str());
    std::fflush(stdout);
    if (FAILED(result)) status = 1;
    if (!o.screenshot.empty()) QApplication::quit();
  });
  QApplication::exec();
  if (!o.screenshot.empty()) {
    QApplication::processEvents();
    try {
      OutputFile file(o.screenshot);
      WriteImage(window.grab().toImage(), "PNG", file, o.screenshot);
      file.Commit();
    } catch (const std::exception& e) {
      status = Fail(e.what());
    }
  }
  point->lpVtbl->Release(point);
  window.embedding->lpVtbl->Release(window.embedding);
  window.embedding = nullptr;
  // The last reference: the sink, still connected, hears OnDestroy.
  control->lpVtbl->Release(control);
  return status;
}

}  // namespace
}  // namespace lf::com

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("lumenfoldi-container");
  std::optional<lf::com::Options> options = lf::com::ParseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr, "%s\n", lf::com::kUsage);
    return 2;
  }
  return lf::com::Run(*options);
}
