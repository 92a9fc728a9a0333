/* The component library driven from plain C through dlopen/dlsym and the
   public header only, so that what is tested is the binary layout.
   usage: test_com_c LIBRARY EXAMPLES_DIR SCRATCH_DIR */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "lumenfoldi/lumenfoldiProj1.h"

static int failures = 0;
#define CHECK(cond)                                                    \
  do {                                                                 \
    if (!(cond)) {                                                     \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                      \
    }                                                                  \
  } while (0)
#define CHECK_HR(expr, expected)                                                                    \
  do {                                                                                              \
    HRESULT hr_ = (expr);                                                                           \
    if (hr_ != (HRESULT)(expected)) {                                                               \
      fprintf(stderr, "%s:%d: %s gave 0x%08X, not 0x%08X\n", __FILE__, __LINE__, #expr, (unsigned)hr_, \
              (unsigned)(expected));                                                                \
      ++failures;                                                                                   \
    }                                                                                               \
  } while (0)

static LPFNDLLGETCLASSOBJECT pDllGetClassObject;
static LPFNDLLCANUNLOADNOW pDllCanUnloadNow;
static LPFNDLLREGISTERSERVER pDllRegisterServer;
static LPFNDLLUNREGISTERSERVER pDllUnregisterServer;
static LPFNSYSALLOCSTRING pSysAllocString;
static LPFNSYSFREESTRING pSysFreeString;
static LPFNSYSSTRINGLEN pSysStringLen;
static LPFNVARIANTINIT pVariantInit;
static LPFNVARIANTCLEAR pVariantClear;
static LPFNGETERRORINFO pGetErrorInfo;

static const char* examples;
static const char* scratch;

/* ---- small helpers ---- */

static BSTR Text(const char* ascii) {
  OLECHAR buffer[512];
  size_t i = 0;
  for (; ascii[i] && i < 511; ++i) buffer[i] = (unsigned char)ascii[i];
  buffer[i] = 0;
  return pSysAllocString(buffer);
}

/* Whether a BSTR holds exactly the UTF-16 units given. */
static int SameText(BSTR text, const OLECHAR* expected) {
  size_t n = 0;
  while (expected[n]) ++n;
  return text && pSysStringLen(text) == n && memcmp(text, expected, n * sizeof(OLECHAR)) == 0;
}

static int SameAscii(BSTR text, const char* expected) {
  OLECHAR buffer[512];
  size_t i = 0;
  for (; expected[i]; ++i) buffer[i] = (unsigned char)expected[i];
  buffer[i] = 0;
  return SameText(text, buffer);
}

/* The thread's error description, as ASCII/UTF-8 bytes (UTF-16 below 0x80 only). */
static void ErrorDescription(char* out, size_t size) {
  IErrorInfo* info = NULL;
  out[0] = 0;
  if (pGetErrorInfo(0, &info) != S_OK || !info) return;
  BSTR text = NULL;
  if (info->lpVtbl->GetDescription(info, &text) == S_OK && text) {
    size_t n = pSysStringLen(text), i;
    for (i = 0; i < n && i + 1 < size; ++i) out[i] = text[i] < 0x80 ? (char)text[i] : '?';
    out[i] = 0;
  }
  pSysFreeString(text);
  info->lpVtbl->Release(info);
}

static Ilumenfoldi* CreateControl(void) {
  IClassFactory* factory = NULL;
  Ilumenfoldi* control = NULL;
  CHECK_HR(pDllGetClassObject(&CLSID_lumenfoldi, &IID_IClassFactory, (void**)&factory), S_OK);
  if (!factory) return NULL;
  CHECK_HR(factory->lpVtbl->CreateInstance(factory, NULL, &IID_Ilumenfoldi, (void**)&control), S_OK);
  factory->lpVtbl->Release(factory);
  return control;
}

static IConnectionPoint* EventPoint(Ilumenfoldi* control) {
  IConnectionPointContainer* container = NULL;
  IConnectionPoint* point = NULL;
  CHECK_HR(control->lpVtbl->QueryInterface(control, &IID_IConnectionPointContainer, (void**)&container), S_OK);
  CHECK_HR(container->lpVtbl->FindConnectionPoint(container, &DIID_IlumenfoldiEvents, &point), S_OK);
  container->lpVtbl->Release(container);
  return point;
}

/* ---- a C event sink ---- */

typedef struct Sink {
  IDispatch face;
  int refs;
  DISPID events[64];
  int count;
  HRESULT answer;             /* what Invoke returns */
  IUnknown* releaseOnCreate;  /* released from inside OnCreate */
} Sink;

static HRESULT SinkQueryInterface(IDispatch* p, REFIID riid, void** out) {
  if (!memcmp(riid, &IID_IUnknown, sizeof(GUID)) || !memcmp(riid, &IID_IDispatch, sizeof(GUID)) ||
      !memcmp(riid, &DIID_IlumenfoldiEvents, sizeof(GUID))) {
    *out = p;
    ((Sink*)p)->refs++;
    return S_OK;
  }
  *out = NULL;
  return E_NOINTERFACE;
}
static ULONG SinkAddRef(IDispatch* p) { return (ULONG)++((Sink*)p)->refs; }
static ULONG SinkRelease(IDispatch* p) { return (ULONG)--((Sink*)p)->refs; }
static HRESULT SinkTypeInfoCount(IDispatch* p, UINT* n) {
  (void)p;
  *n = 0;
  return S_OK;
}
static HRESULT SinkTypeInfo(IDispatch* p, UINT i, LCID l, ITypeInfo** t) {
  (void)p, (void)i, (void)l, (void)t;
  return E_NOTIMPL;
}
static HRESULT SinkIDs(IDispatch* p, REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) {
  (void)p, (void)r, (void)n, (void)c, (void)l, (void)d;
  return E_NOTIMPL;
}
static HRESULT SinkInvoke(IDispatch* p, DISPID id, REFIID r, LCID l, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* e, UINT* a) {
  Sink* sink = (Sink*)p;
  (void)r, (void)l, (void)result, (void)e, (void)a;
  CHECK(flags == DISPATCH_METHOD);
  CHECK(params && params->cArgs == 0);
  if (sink->count < 64) sink->events[sink->count++] = id;
  if (id == DISPID_LF_ONCREATE && sink->releaseOnCreate) {
    IUnknown* last = sink->releaseOnCreate;
    sink->releaseOnCreate = NULL;
    last->lpVtbl->Release(last);
  }
  return sink->answer;
}
static const IDispatchVtbl kSinkVtbl = {SinkQueryInterface, SinkAddRef, SinkRelease, SinkTypeInfoCount,
                                        SinkTypeInfo, SinkIDs, SinkInvoke};

static void InitSink(Sink* sink) {
  memset(sink, 0, sizeof *sink);
  sink->face.lpVtbl = &kSinkVtbl;
  sink->refs = 1;
}

/* ---- a tiny HTTP server in a child process ---- */

static pid_t serverPid = -1;
static int serverPort = 0;

static void Serve(int listener) {
  for (;;) {
    int fd = accept(listener, NULL, NULL);
    if (fd < 0) continue;
    char request[4096];
    ssize_t got = read(fd, request, sizeof request - 1);
    request[got > 0 ? got : 0] = 0;
    char path[1024] = "";
    sscanf(request, "GET %1000s", path);
    const char* body = NULL;
    char file[2048];
    static char bytes[1 << 20];
    size_t length = 0;
    if (!strcmp(path, "/duplicate.json")) {
      body = "[{\"Name\":1,\"name\":2}]";
      length = strlen(body);
    } else if (!strncmp(path, "/examples/", 10)) {
      snprintf(file, sizeof file, "%s/%s", examples, path + 10);
      FILE* f = fopen(file, "rb");
      if (f) {
        length = fread(bytes, 1, sizeof bytes, f);
        fclose(f);
        body = bytes;
      }
    }
    char header[256];
    if (body) snprintf(header, sizeof header, "HTTP/1.0 200 OK\r\nContent-Length: %zu\r\n\r\n", length);
    else snprintf(header, sizeof header, "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    if (write(fd, header, strlen(header)) < 0 || (body && write(fd, body, length) < 0)) {
    }
    close(fd);
  }
}

static void StartServer(void) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in addr;
  memset(&addr, 0, sizeof addr);
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(listener, (struct sockaddr*)&addr, sizeof addr) || listen(listener, 8) ||
      getsockname(listener, (struct sockaddr*)&addr, &len)) {
    perror("server");
    exit(2);
  }
  serverPort = ntohs(addr.sin_port);
  serverPid = fork();
  if (serverPid == 0) {
    Serve(listener);
    _exit(0);
  }
  close(listener);
}

static BSTR Address(const char* templatePath, const char* dataPath) {
  char text[512];
  snprintf(text, sizeof text, "http://127.0.0.1:%d%s,http://127.0.0.1:%d%s", serverPort, templatePath, serverPort,
           dataPath);
  return Text(text);
}

/* ---- the cases ---- */

static void TestCreation(void) {
  IClassFactory* factory = NULL;
  void* out = (void*)1;
  CHECK_HR(pDllGetClassObject(&IID_Ilumenfoldi, &IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  CHECK(out == NULL);
  CHECK_HR(pDllGetClassObject(&CLSID_lumenfoldi, &IID_IClassFactory, (void**)&factory), S_OK);
  CHECK_HR(factory->lpVtbl->CreateInstance(factory, (IUnknown*)factory, &IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  factory->lpVtbl->Release(factory);

  Ilumenfoldi* control = CreateControl();
  BSTR caption = NULL;
  CHECK_HR(control->lpVtbl->get_Caption(control, &caption), S_OK);
  CHECK(SameAscii(caption, "lumenfoldi"));
  pSysFreeString(caption);

  /* One identity: IUnknown and IDispatch are the same pointer. */
  IUnknown* unknown = NULL;
  IDispatch* dispatch = NULL;
  CHECK_HR(control->lpVtbl->QueryInterface(control, &IID_IUnknown, (void**)&unknown), S_OK);
  CHECK_HR(control->lpVtbl->QueryInterface(control, &IID_IDispatch, (void**)&dispatch), S_OK);
  CHECK((void*)unknown == (void*)dispatch && (void*)unknown == (void*)control);
  CHECK_HR(control->lpVtbl->QueryInterface(control, &IID_IClassFactory, &out), E_NOINTERFACE);
  ISupportErrorInfo* support = NULL;
  CHECK_HR(control->lpVtbl->QueryInterface(control, &IID_ISupportErrorInfo, (void**)&support), S_OK);
  CHECK_HR(support->lpVtbl->InterfaceSupportsErrorInfo(support, &IID_Ilumenfoldi), S_OK);
  CHECK_HR(support->lpVtbl->InterfaceSupportsErrorInfo(support, &IID_IDispatch), S_FALSE);
  support->lpVtbl->Release(support);
  unknown->lpVtbl->Release(unknown);
  dispatch->lpVtbl->Release(dispatch);
  UINT count = 9;
  CHECK_HR(control->lpVtbl->GetTypeInfoCount(control, &count), S_OK);
  CHECK(count == 0);
  CHECK(control->lpVtbl->Release(control) == 0);
}

#define BOOL_ROUND_TRIP(control, name, start)                                  \
  do {                                                                         \
    VARIANT_BOOL b = 7;                                                        \
    CHECK_HR(control->lpVtbl->get_##name(control, &b), S_OK);                  \
    CHECK(b == (start));                                                       \
    CHECK_HR(control->lpVtbl->put_##name(control, 5), S_OK);                   \
    CHECK_HR(control->lpVtbl->get_##name(control, &b), S_OK);                  \
    CHECK(b == VARIANT_TRUE);                                                  \
    CHECK_HR(control->lpVtbl->put_##name(control, VARIANT_FALSE), S_OK);       \
    CHECK_HR(control->lpVtbl->get_##name(control, &b), S_OK);                  \
    CHECK(b == VARIANT_FALSE);                                                 \
  } while (0)

#define INT_ROUND_TRIP(control, name, type, start, value)         \
  do {                                                            \
    type v = (type)0;                                             \
    CHECK_HR(control->lpVtbl->get_##name(control, &v), S_OK);     \
    CHECK(v == (start));                                          \
    CHECK_HR(control->lpVtbl->put_##name(control, value), S_OK);  \
    CHECK_HR(control->lpVtbl->get_##name(control, &v), S_OK);     \
    CHECK(v == (value));                                          \
  } while (0)

static HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* out) {
  DISPPARAMS none = {NULL, NULL, 0, 0};
  pVariantInit(out);
  return object->lpVtbl->Invoke(object, id, &IID_NULL, 0, DISPATCH_PROPERTYGET, &none, out, NULL, NULL);
}

static HRESULT PutProperty(IDispatch* object, DISPID id, VARIANT* value, EXCEPINFO* excep) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {value, &named, 1, 1};
  return object->lpVtbl->Invoke(object, id, &IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, NULL, excep, NULL);
}

static void TestPropertiesThroughTheVtable(void) {
  Ilumenfoldi* control = CreateControl();
  BOOL_ROUND_TRIP(control, Visible, VARIANT_FALSE);
  BOOL_ROUND_TRIP(control, AutoScroll, VARIANT_FALSE);
  BOOL_ROUND_TRIP(control, AutoSize, VARIANT_FALSE);
  BOOL_ROUND_TRIP(control, KeyPreview, VARIANT_FALSE);
  BOOL_ROUND_TRIP(control, DropTarget, VARIANT_FALSE);
  BOOL_ROUND_TRIP(control, ScreenSnap, VARIANT_FALSE);
  BOOL_ROUND_TRIP(control, DoubleBuffered, VARIANT_FALSE);
  CHECK_HR(control->lpVtbl->put_Scaled(control, VARIANT_TRUE), S_OK);
  BOOL_ROUND_TRIP(control, Scaled, VARIANT_TRUE);
  CHECK_HR(control->lpVtbl->put_Enabled(control, VARIANT_TRUE), S_OK);
  BOOL_ROUND_TRIP(control, Enabled, VARIANT_TRUE);
  INT_ROUND_TRIP(control, AxBorderStyle, TxActiveFormBorderStyle, afbNone, afbRaised);
  INT_ROUND_TRIP(control, PrintScale, TxPrintScale, poProportional, poPrintToFit);
  INT_ROUND_TRIP(control, PixelsPerInch, int32_t, 96, 120);
  INT_ROUND_TRIP(control, SnapBuffer, int32_t, 10, 4);
  INT_ROUND_TRIP(control, Color, OLE_COLOR, 0x8000000Fu, 0x00FF8040u);

  /* Enumerations refuse values they do not name. */
  CHECK_HR(control->lpVtbl->put_AxBorderStyle(control, (TxActiveFormBorderStyle)4), E_INVALIDARG);
  CHECK_HR(control->lpVtbl->put_PrintScale(control, (TxPrintScale)-1), E_INVALIDARG);
  char description[256];
  ErrorDescription(description, sizeof description);
  CHECK(!strcmp(description, "Invalid property value"));

  VARIANT_BOOL b = 7;
  int32_t n = 7;
  CHECK_HR(control->lpVtbl->get_Active(control, &b), S_OK);
  CHECK(b == VARIANT_FALSE);
  CHECK_HR(control->lpVtbl->get_AlignDisabled(control, &b), S_OK);
  CHECK(b == VARIANT_FALSE);
  CHECK_HR(control->lpVtbl->get_VisibleDockClientCount(control, &n), S_OK);
  CHECK(n == 0);

  /* Texts cross as UTF-16 and are kept in the host code page. */
  static const OLECHAR chinese[] = {0x62A5, 0x8868, ' ', 0x00FC, 0};
  BSTR text = pSysAllocString(chinese), back = NULL;
  CHECK_HR(control->lpVtbl->put_Caption(control, text), S_OK);
  CHECK_HR(control->lpVtbl->get_Caption(control, &back), S_OK);
  CHECK(SameText(back, chinese));
  pSysFreeString(back);
  back = NULL;
  CHECK_HR(control->lpVtbl->get_HelpFile(control, &back), S_OK);
  CHECK(back && pSysStringLen(back) == 0);
  pSysFreeString(back);
  CHECK_HR(control->lpVtbl->put_HelpFile(control, text), S_OK);
  CHECK_HR(control->lpVtbl->get_HelpFile(control, &back), S_OK);
  CHECK(SameText(back, chinese));
  pSysFreeString(back);
  CHECK_HR(control->lpVtbl->put_Caption(control, NULL), S_OK); /* null is the empty text */
  CHECK_HR(control->lpVtbl->get_Caption(control, &back), S_OK);
  CHECK(back && pSysStringLen(back) == 0);
  pSysFreeString(back);
  pSysFreeString(text);

  /* The font: the form's, live; put copies another font's properties. */
  IFontDisp* font = NULL;
  VARIANT v;
  CHECK_HR(control->lpVtbl->get_Font(control, &font), S_OK);
  CHECK_HR(GetProperty(font, DISPID_FONT_NAME, &v), S_OK);
  CHECK(v.vt == VT_BSTR && SameAscii(v.bstrVal, "MS Sans Serif"));
  pVariantClear(&v);
  CHECK_HR(GetProperty(font, DISPID_FONT_SIZE, &v), S_OK);
  CHECK(v.vt == VT_CY && v.cyVal.int64 == 80000);
  CHECK_HR(GetProperty(font, DISPID_FONT_BOLD, &v), S_OK);
  CHECK(v.vt == VT_BOOL && v.boolVal == VARIANT_FALSE);
  CHECK_HR(GetProperty(font, DISPID_FONT_WEIGHT, &v), S_OK);
  CHECK(v.vt == VT_I2 && v.iVal == 400);
  CHECK_HR(GetProperty(font, DISPID_FONT_CHARSET, &v), S_OK);
  CHECK(v.vt == VT_I2 && v.iVal == 1);
  pVariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = VARIANT_TRUE;
  CHECK_HR(PutProperty(font, DISPID_FONT_BOLD, &v, NULL), S_OK);
  CHECK_HR(PutProperty(font, DISPID_FONT_ITALIC, &v, NULL), S_OK);
  CHECK_HR(PutProperty(font, DISPID_FONT_UNDER, &v, NULL), S_OK);
  CHECK_HR(PutProperty(font, DISPID_FONT_STRIKE, &v, NULL), S_OK);
  v.vt = VT_I4;
  v.lVal = 12;
  CHECK_HR(PutProperty(font, DISPID_FONT_SIZE, &v, NULL), S_OK);
  v.lVal = 0;
  CHECK_HR(PutProperty(font, DISPID_FONT_SIZE, &v, NULL), E_INVALIDARG);
  v.vt = VT_BSTR;
  v.bstrVal = Text("Arial");
  CHECK_HR(PutProperty(font, DISPID_FONT_NAME, &v, NULL), S_OK);
  pVariantClear(&v);
  IFontDisp* again = NULL;
  CHECK_HR(control->lpVtbl->get_Font(control, &again), S_OK);
  CHECK(again == font);
  CHECK_HR(GetProperty(again, DISPID_FONT_WEIGHT, &v), S_OK);
  CHECK(v.iVal == 700);
  CHECK_HR(GetProperty(again, DISPID_FONT_SIZE, &v), S_OK);
  CHECK(v.cyVal.int64 == 120000);
  for (DISPID id = DISPID_FONT_BOLD; id <= DISPID_FONT_STRIKE; ++id) {
    CHECK_HR(GetProperty(again, id, &v), S_OK);
    CHECK(v.vt == VT_BOOL && v.boolVal == VARIANT_TRUE);
  }
  again->lpVtbl->Release(again);

  /* put and putref copy another control's font. */
  Ilumenfoldi* other = CreateControl();
  IFontDisp* otherFont = NULL;
  CHECK_HR(other->lpVtbl->get_Font(other, &otherFont), S_OK);
  CHECK_HR(control->lpVtbl->put_Font(control, otherFont), S_OK);
  CHECK_HR(GetProperty(font, DISPID_FONT_NAME, &v), S_OK);
  CHECK(SameAscii(v.bstrVal, "MS Sans Serif"));
  pVariantClear(&v);
  v.vt = VT_I4;
  v.lVal = 20;
  CHECK_HR(PutProperty(otherFont, DISPID_FONT_SIZE, &v, NULL), S_OK);
  CHECK_HR(control->lpVtbl->putref_Font(control, otherFont), S_OK);
  CHECK_HR(GetProperty(font, DISPID_FONT_SIZE, &v), S_OK);
  CHECK(v.cyVal.int64 == 200000);
  CHECK_HR(control->lpVtbl->put_Font(control, NULL), E_POINTER);
  otherFont->lpVtbl->Release(otherFont);
  other->lpVtbl->Release(other);
  font->lpVtbl->Release(font);
  control->lpVtbl->Release(control);
}

static void TestDispatch(void) {
  Ilumenfoldi* control = CreateControl();
  IDispatch* dispatch = (IDispatch*)control;
  struct {
    const char* name;
    DISPID id;
  } names[] = {{"caption", DISPID_LF_CAPTION}, {"VISIBLE", DISPID_LF_VISIBLE}, {"SetParams", DISPID_LF_SETPARAMS},
               {"visibledockclientcount", DISPID_LF_VISIBLEDOCKCLIENTCOUNT}, {"Enabled", DISPID_LF_ENABLED}};
  for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
    BSTR name = Text(names[i].name);
    DISPID id = 0;
    CHECK_HR(dispatch->lpVtbl->GetIDsOfNames(dispatch, &IID_NULL, &name, 1, 0, &id), S_OK);
    CHECK(id == names[i].id);
    pSysFreeString(name);
  }
  BSTR two[2] = {Text("setParams"), Text("nothing")};
  DISPID ids[2];
  CHECK_HR(dispatch->lpVtbl->GetIDsOfNames(dispatch, &IID_NULL, two, 2, 0, ids), DISP_E_UNKNOWNNAME);
  CHECK(ids[0] == DISPID_LF_SETPARAMS && ids[1] == DISPID_UNKNOWN);
  pSysFreeString(two[1]);
  two[1] = Text("PARAM1");
  CHECK_HR(dispatch->lpVtbl->GetIDsOfNames(dispatch, &IID_NULL, two, 2, 0, ids), S_OK);
  CHECK(ids[1] == 0);
  pSysFreeString(two[0]);
  pSysFreeString(two[1]);

  /* Values are coerced to the member's type. */
  VARIANT v, result;
  pVariantInit(&v);
  v.vt = VT_I4;
  v.lVal = 5;
  CHECK_HR(PutProperty(dispatch, DISPID_LF_VISIBLE, &v, NULL), S_OK);
  VARIANT_BOOL b = 0;
  CHECK_HR(control->lpVtbl->get_Visible(control, &b), S_OK);
  CHECK(b == VARIANT_TRUE);
  v.vt = VT_BSTR;
  v.bstrVal = Text("144");
  CHECK_HR(PutProperty(dispatch, DISPID_LF_PIXELSPERINCH, &v, NULL), S_OK);
  pVariantClear(&v);
  CHECK_HR(GetProperty(dispatch, DISPID_LF_PIXELSPERINCH, &result), S_OK);
  CHECK(result.vt == VT_I4 && result.lVal == 144);
  int16_t byRef = -1;
  v.vt = VT_I2 | VT_BYREF;
  v.piVal = &byRef;
  CHECK_HR(PutProperty(dispatch, DISPID_LF_KEYPREVIEW, &v, NULL), S_OK);
  CHECK_HR(GetProperty(dispatch, DISPID_LF_KEYPREVIEW, &result), S_OK);
  CHECK(result.vt == VT_BOOL && result.boolVal == VARIANT_TRUE);
  CHECK_HR(GetProperty(dispatch, DISPID_LF_COLOR, &result), S_OK);
  CHECK(result.vt == VT_UI4 && result.ulVal == 0x8000000Fu);
  v.vt = VT_BSTR;
  v.bstrVal = Text("wide");
  UINT argErr = 9;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&v, &named, 1, 1};
  CHECK_HR(dispatch->lpVtbl->Invoke(dispatch, DISPID_LF_SNAPBUFFER, &IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, NULL,
                                    NULL, &argErr),
           DISP_E_TYPEMISMATCH);
  CHECK(argErr == 0);
  pVariantClear(&v);

  /* Dispatch errors. */
  v.vt = VT_BOOL;
  v.boolVal = VARIANT_TRUE;
  CHECK_HR(PutProperty(dispatch, DISPID_LF_ACTIVE, &v, NULL), DISP_E_MEMBERNOTFOUND);
  CHECK_HR(PutProperty(dispatch, DISPID_LF_CAPTION - 1, &v, NULL), DISP_E_MEMBERNOTFOUND);
  CHECK_HR(dispatch->lpVtbl->Invoke(dispatch, DISPID_LF_CAPTION, &IID_NULL, 0, DISPATCH_PROPERTYPUTREF, &params, NULL,
                                    NULL, NULL),
           DISP_E_MEMBERNOTFOUND);
  DISPPARAMS none = {NULL, NULL, 0, 0};
  CHECK_HR(dispatch->lpVtbl->Invoke(dispatch, DISPID_LF_SETPARAMS, &IID_NULL, 0, DISPATCH_METHOD, &none, NULL, NULL,
                                    NULL),
           DISP_E_PARAMNOTOPTIONAL);

  /* A member's own failure comes back as an exception. */
  EXCEPINFO excep;
  v.vt = VT_I4;
  v.lVal = 9;
  CHECK_HR(PutProperty(dispatch, DISPID_LF_AXBORDERSTYLE, &v, &excep), DISP_E_EXCEPTION);
  CHECK(excep.scode == E_INVALIDARG);
  CHECK(SameAscii(excep.bstrDescription, "Invalid property value"));
  CHECK(SameAscii(excep.bstrSource, "lumenfoldiProj1.lumenfoldi"));
  pSysFreeString(excep.bstrDescription);
  pSysFreeString(excep.bstrSource);
  pSysFreeString(excep.bstrHelpFile);
  control->lpVtbl->Release(control);
}

static void TestSetParams(void) {
  Ilumenfoldi* control = CreateControl();
  char description[256];
  /* A conversion error fails the call with its message. */
  BSTR param = Address("/examples/template.frf", "/duplicate.json");
  CHECK_HR(control->lpVtbl->setParams(control, param), E_UNEXPECTED);
  ErrorDescription(description, sizeof description);
  CHECK(!strcmp(description, "cds0: Duplicate field name 'Name'"));

  VARIANT arg;
  EXCEPINFO excep;
  pVariantInit(&arg);
  arg.vt = VT_BSTR;
  arg.bstrVal = param;
  DISPPARAMS params = {&arg, NULL, 1, 0};
  CHECK_HR(control->lpVtbl->Invoke(control, DISPID_LF_SETPARAMS, &IID_NULL, 0, DISPATCH_METHOD, &params, NULL, &excep,
                                   NULL),
           DISP_E_EXCEPTION);
  CHECK(excep.scode == E_UNEXPECTED);
  CHECK(SameAscii(excep.bstrDescription, "cds0: Duplicate field name 'Name'"));
  pSysFreeString(excep.bstrDescription);
  pSysFreeString(excep.bstrSource);
  pSysFreeString(excep.bstrHelpFile);
  pSysFreeString(param);

  /* A report; then a failed download, which reports itself and succeeds. */
  param = Address("/examples/template.frf", "/examples/data.json");
  CHECK_HR(control->lpVtbl->setParams(control, param), S_OK);
  pSysFreeString(param);
  param = Address("/examples/template.frf", "/missing.json");
  CHECK_HR(control->lpVtbl->setParams(control, param), S_OK);
  pSysFreeString(param);
  control->lpVtbl->Release(control);
}

static void TestEvents(void) {
  Ilumenfoldi* control = CreateControl();
  IConnectionPoint* point = EventPoint(control);
  IConnectionPointContainer* container = NULL;
  IConnectionPoint* none = (IConnectionPoint*)1;
  control->lpVtbl->QueryInterface(control, &IID_IConnectionPointContainer, (void**)&container);
  CHECK_HR(container->lpVtbl->FindConnectionPoint(container, &IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
  CHECK(none == NULL);
  IEnumConnectionPoints* points = NULL;
  IConnectionPoint* found[2] = {NULL, NULL};
  ULONG fetched = 0;
  CHECK_HR(container->lpVtbl->EnumConnectionPoints(container, &points), S_OK);
  CHECK_HR(points->lpVtbl->Next(points, 2, found, &fetched), S_FALSE);
  CHECK(fetched == 1 && found[0] == point);
  found[0]->lpVtbl->Release(found[0]);
  points->lpVtbl->Release(points);
  IID iid;
  CHECK_HR(point->lpVtbl->GetConnectionInterface(point, &iid), S_OK);
  CHECK(!memcmp(&iid, &DIID_IlumenfoldiEvents, sizeof iid));

  Sink first, second;
  InitSink(&first);
  InitSink(&second);
  second.answer = E_FAIL; /* ignored by the control */
  DWORD cookie1 = 0, cookie2 = 0;
  CHECK_HR(point->lpVtbl->Advise(point, (IUnknown*)&first, &cookie1), S_OK);
  CHECK(first.count == 1 && first.events[0] == DISPID_LF_ONCREATE);
  CHECK(first.refs == 2);
  /* OnCreate only for the first sink ever connected. */
  CHECK_HR(point->lpVtbl->Advise(point, (IUnknown*)&second, &cookie2), S_OK);
  CHECK(cookie2 != cookie1 && second.count == 0);

  IEnumConnections* connections = NULL;
  CONNECTDATA data[3];
  CHECK_HR(point->lpVtbl->EnumConnections(point, &connections), S_OK);
  CHECK_HR(connections->lpVtbl->Next(connections, 3, data, &fetched), S_FALSE);
  CHECK(fetched == 2 && data[0].dwCookie == cookie1 && data[1].dwCookie == cookie2);
  for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->lpVtbl->Release(data[i].pUnk);
  connections->lpVtbl->Release(connections);
  CHECK(first.refs == 2 && second.refs == 2);

  CHECK_HR(point->lpVtbl->Unadvise(point, cookie1), S_OK);
  CHECK_HR(point->lpVtbl->Unadvise(point, cookie1), CONNECT_E_NOCONNECTION);
  CHECK(first.refs == 1);

  /* The last Release: OnDestroy to the sinks still connected, who are let go. */
  point->lpVtbl->Release(point);
  container->lpVtbl->Release(container);
  CHECK(control->lpVtbl->Release(control) == 0);
  CHECK(first.count == 1);
  CHECK(second.count == 1 && second.events[0] == DISPID_LF_ONDESTROY);
  CHECK(second.refs == 1);
  CHECK_HR(pDllCanUnloadNow(), S_OK);
}

static void TestDestroyedInsideAnEvent(void) {
  Ilumenfoldi* control = CreateControl();
  IConnectionPoint* point = EventPoint(control);
  control->lpVtbl->Release(control); /* the connection point holds the last reference */
  Sink sink;
  InitSink(&sink);
  sink.releaseOnCreate = (IUnknown*)point;
  DWORD cookie = 0;
  CHECK_HR(point->lpVtbl->Advise(point, (IUnknown*)&sink, &cookie), S_OK);
  CHECK(sink.count == 2 && sink.events[0] == DISPID_LF_ONCREATE && sink.events[1] == DISPID_LF_ONDESTROY);
  CHECK(sink.refs == 1);
  CHECK_HR(pDllCanUnloadNow(), S_OK);
}

static void TestUnloading(void) {
  CHECK_HR(pDllCanUnloadNow(), S_OK);
  Ilumenfoldi* control = CreateControl();
  CHECK_HR(pDllCanUnloadNow(), S_FALSE);
  IFontDisp* font = NULL;
  control->lpVtbl->get_Font(control, &font);
  control->lpVtbl->Release(control);
  CHECK_HR(pDllCanUnloadNow(), S_FALSE); /* the font object lives on */
  font->lpVtbl->Release(font);
  CHECK_HR(pDllCanUnloadNow(), S_OK);

  IClassFactory* factory = NULL;
  pDllGetClassObject(&CLSID_lumenfoldi, &IID_IClassFactory, (void**)&factory);
  CHECK_HR(factory->lpVtbl->LockServer(factory, 1), S_OK);
  factory->lpVtbl->Release(factory);
  CHECK_HR(pDllCanUnloadNow(), S_FALSE);
  CHECK_HR(factory->lpVtbl->LockServer(factory, 0), S_OK);
  CHECK_HR(pDllCanUnloadNow(), S_OK);
}

typedef struct ThreadCall {
  Ilumenfoldi* control;
  HRESULT caption, ids, create;
  char description[256];
} ThreadCall;

static void* CallFromAnotherThread(void* arg) {
  ThreadCall* call = (ThreadCall*)arg;
  BSTR caption = NULL;
  call->caption = call->control->lpVtbl->get_Caption(call->control, &caption);
  ErrorDescription(call->description, sizeof call->description);
  BSTR name = Text("Caption");
  DISPID id = 0;
  call->ids = call->control->lpVtbl->GetIDsOfNames(call->control, &IID_NULL, &name, 1, 0, &id);
  pSysFreeString(name);
  IClassFactory* factory = NULL;
  void* out = NULL;
  pDllGetClassObject(&CLSID_lumenfoldi, &IID_IClassFactory, (void**)&factory);
  call->create = factory->lpVtbl->CreateInstance(factory, NULL, &IID_Ilumenfoldi, &out);
  return NULL;
}

static void TestCallsFromAnotherThread(void) {
  ThreadCall call;
  memset(&call, 0, sizeof call);
  call.control = CreateControl();
  pthread_t thread;
  pthread_create(&thread, NULL, CallFromAnotherThread, &call);
  pthread_join(thread, NULL);
  CHECK_HR(call.caption, RPC_E_WRONG_THREAD);
  CHECK_HR(call.ids, RPC_E_WRONG_THREAD);
  CHECK_HR(call.create, RPC_E_WRONG_THREAD);
  CHECK(!strcmp(call.description, "The control was called from another thread than the one that created it"));
  /* The control is untouched and works on its own thread. */
  BSTR caption = NULL;
  CHECK_HR(call.control->lpVtbl->get_Caption(call.control, &caption), S_OK);
  CHECK(SameAscii(caption, "lumenfoldi"));
  pSysFreeString(caption);
  call.control->lpVtbl->Release(call.control);
}

static char* ReadFile(const char* path) {
  FILE* f = fopen(path, "rb");
  if (!f) return NULL;
  static char text[1 << 16];
  size_t n = fread(text, 1, sizeof text - 1, f);
  text[n] = 0;
  fclose(f);
  return text;
}

static void TestRegistration(void) {
  char path[1024], library[1024];
  snprintf(path, sizeof path, "%s/registry.reg", scratch);
  FILE* seed = fopen(path, "w");
  fputs("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\Other.Thing]\n@=\"kept\"\n", seed);
  fclose(seed);
  setenv("LUMENFOLDI_REGISTRY", path, 1);

  CHECK_HR(pDllRegisterServer(), S_OK);
  char* text = ReadFile(path);
  Dl_info info;
  dladdr((void*)pDllRegisterServer, &info);
  CHECK(realpath(info.dli_fname, library) != NULL);
  char expected[2048];
  snprintf(expected, sizeof expected,
           "[HKEY_CLASSES_ROOT\\CLSID\\{2E7B57C9-1BC5-491F-BF4A-D1567E297E25}\\InprocServer32]\n@=\"%s\"\n"
           "\"ThreadingModel\"=\"Apartment\"\n",
           library);
  CHECK(text && strstr(text, expected));
  CHECK(text && strstr(text, "[HKEY_CLASSES_ROOT\\CLSID\\{2E7B57C9-1BC5-491F-BF4A-D1567E297E25}\\MiscStatus\\1]\n@=\"205201\"\n"));
  CHECK(text && strstr(text, "[HKEY_CLASSES_ROOT\\lumenfoldiProj1.lumenfoldi\\Clsid]\n@=\"{2E7B57C9-1BC5-491F-BF4A-D1567E297E25}\"\n"));
  CHECK(text && strstr(text, "[HKEY_CLASSES_ROOT\\Other.Thing]\n@=\"kept\"\n"));

  CHECK_HR(pDllUnregisterServer(), S_OK);
  text = ReadFile(path);
  CHECK(text && !strcmp(text, "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\Other.Thing]\n@=\"kept\"\n"));

  /* A registry that cannot be written fails with the reason. */
  snprintf(path, sizeof path, "%s/registry.reg/inside", scratch);
  setenv("LUMENFOLDI_REGISTRY", path, 1);
  CHECK_HR(pDllRegisterServer(), SELFREG_E_CLASS);
  char description[256];
  ErrorDescription(description, sizeof description);
  CHECK(strstr(description, "registry.reg/inside.lock': Not a directory") != NULL);
  unsetenv("LUMENFOLDI_REGISTRY");
}

static void* Symbol(void* library, const char* name) {
  void* p = dlsym(library, name);
  if (!p) {
    fprintf(stderr, "missing export %s\n", name);
    exit(2);
  }
  return p;
}

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: test_com_c LIBRARY EXAMPLES_DIR SCRATCH_DIR\n");
    return 2;
  }
  examples = argv[2];
  scratch = argv[3];
  mkdir(scratch, 0700);
  signal(SIGPIPE, SIG_IGN);
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  /* Plain C: object pointers to function pointers through a union. */
  union {
    void* object;
    LPFNDLLGETCLASSOBJECT getClassObject;
    LPFNDLLCANUNLOADNOW canUnloadNow;
    LPFNDLLREGISTERSERVER registerServer;
    LPFNSYSALLOCSTRING allocString;
    LPFNSYSFREESTRING freeString;
    LPFNSYSSTRINGLEN stringLen;
    LPFNVARIANTINIT variantInit;
    LPFNVARIANTCLEAR variantClear;
    LPFNGETERRORINFO getErrorInfo;
  } u;
  u.object = Symbol(library, "DllGetClassObject"), pDllGetClassObject = u.getClassObject;
  u.object = Symbol(library, "DllCanUnloadNow"), pDllCanUnloadNow = u.canUnloadNow;
  u.object = Symbol(library, "DllRegisterServer"), pDllRegisterServer = u.registerServer;
  u.object = Symbol(library, "DllUnregisterServer"), pDllUnregisterServer = u.registerServer;
  u.object = Symbol(library, "SysAllocString"), pSysAllocString = u.allocString;
  u.object = Symbol(library, "SysFreeString"), pSysFreeString = u.freeString;
  u.object = Symbol(library, "SysStringLen"), pSysStringLen = u.stringLen;
  u.object = Symbol(library, "VariantInit"), pVariantInit = u.variantInit;
  u.object = Symbol(library, "VariantClear"), pVariantClear = u.variantClear;
  u.object = Symbol(library, "GetErrorInfo"), pGetErrorInfo = u.getErrorInfo;
  CHECK(sizeof(VARIANT) == 24 && sizeof(GUID) == 16 && sizeof(DISPPARAMS) == 24);

  StartServer();
  TestCreation();
  TestPropertiesThroughTheVtable();
  TestDispatch();
  TestSetParams();
  TestEvents();
  TestDestroyedInsideAnEvent();
  TestUnloading();
  TestCallsFromAnotherThread();
  TestRegistration();
  kill(serverPid, SIGTERM);
  waitpid(serverPid, NULL, 0);
  if (failures) fprintf(stderr, "%d checks failed\n", failures);
  else printf("all checks passed\n");
  return failures ? 1 : 0;
}
