/* lumenfoldiProj1: the component surface of liblumenfoldiProj1.so, for C and C++ hosts. */
#ifndef LUMENFOLDI_LUMENFOLDIPROJ1_H
#define LUMENFOLDI_LUMENFOLDIPROJ1_H

/*
 * The library is an in-process component server laid out like the component
 * object model's published binary interface, on Linux x86-64:
 *
 *  - every function and interface method uses the platform's C calling
 *    convention (System V); an interface pointer points at a struct whose
 *    first member points at a table of function pointers (lpVtbl), and every
 *    method takes the interface pointer first;
 *  - HRESULT is int32 (failure when negative), ULONG uint32, DISPID int32,
 *    LCID uint32, OLECHAR a UTF-16 code unit (char16_t, never wchar_t, which
 *    is 32-bit here);
 *  - a BSTR points at OLECHARs preceded by a 32-bit byte length and followed
 *    by a 16-bit zero; make and free them with the library's SysAllocString,
 *    SysAllocStringLen and SysFreeString; a null BSTR is the empty text;
 *  - VARIANT_BOOL is int16, true -1, false 0;
 *  - REFIID, REFCLSID are pointers to the GUID (a reference in published C++
 *    headers, the same in the binary).
 *
 * The six exported functions of a component server (DllGetClassObject,
 * DllCanUnloadNow, DllRegisterServer, DllUnregisterServer) and the
 * automation helpers (SysAllocString ... SetErrorInfo) are the library's
 * only exported symbols; hosts usually find them with dlopen/dlsym.
 *
 * Threading: the control lives on the thread that created it, which must be
 * the thread of the process's Qt application object when there is one. Any
 * other thread gets RPC_E_WRONG_THREAD from every method except
 * QueryInterface, AddRef and Release.
 */

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef uint16_t WORD;
typedef int32_t DISPID;
typedef uint32_t LCID;
typedef uint16_t VARTYPE;
typedef char16_t OLECHAR;
typedef OLECHAR* BSTR;
typedef OLECHAR* LPOLESTR;
typedef int16_t VARIANT_BOOL;
typedef double DATE;
typedef uint32_t OLE_COLOR;

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

typedef struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID* REFGUID;
typedef const IID* REFIID;
typedef const CLSID* REFCLSID;

/* Currency: a 64-bit integer scaled by 10000 (font sizes in points). */
typedef union CY {
  struct {
    uint32_t Lo;
    int32_t Hi;
  } s;
  int64_t int64;
} CY;

/* Status codes. */
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_FAIL ((HRESULT)0x80004005)
#define E_UNEXPECTED ((HRESULT)0x8000FFFF)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111)
#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202)
#define SELFREG_E_TYPELIB ((HRESULT)0x80040200)
#define SELFREG_E_CLASS ((HRESULT)0x80040201)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000A)
#define DISP_E_BADINDEX ((HRESULT)0x8002000B)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000E)
#define DISP_E_PARAMNOTOPTIONAL ((HRESULT)0x8002000F)
#define RPC_E_WRONG_THREAD ((HRESULT)0x8001010E)
#define FAILED(hr) ((HRESULT)(hr) < 0)
#define SUCCEEDED(hr) ((HRESULT)(hr) >= 0)

/* VARIANT types. */
enum VARENUM {
  VT_EMPTY = 0, VT_NULL = 1, VT_I2 = 2, VT_I4 = 3, VT_R4 = 4, VT_R8 = 5, VT_CY = 6, VT_DATE = 7,
  VT_BSTR = 8, VT_DISPATCH = 9, VT_ERROR = 10, VT_BOOL = 11, VT_VARIANT = 12, VT_UNKNOWN = 13,
  VT_I1 = 16, VT_UI1 = 17, VT_UI2 = 18, VT_UI4 = 19, VT_I8 = 20, VT_UI8 = 21, VT_INT = 22,
  VT_UINT = 23, VT_BYREF = 0x4000
};

typedef struct IUnknown IUnknown;
typedef struct IDispatch IDispatch;
typedef struct ITypeInfo ITypeInfo; /* never handed out: GetTypeInfoCount gives 0 */

/* 24 bytes: vt at offset 0, three reserved words, the value at offset 8. */
typedef struct VARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    int64_t llVal;
    uint64_t ullVal;
    int32_t lVal;
    uint32_t ulVal;
    int32_t intVal;
    uint32_t uintVal;
    int16_t iVal;
    uint16_t uiVal;
    int8_t cVal;
    uint8_t bVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    CY cyVal;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    int16_t* piVal;
    int32_t* plVal;
    VARIANT_BOOL* pboolVal;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    struct VARIANT* pvarVal;
    void* byref;
    struct {
      void* pvRecord;
      void* pRecInfo;
    } brecVal;
  };
} VARIANT;
typedef VARIANT VARIANTARG;

/* Arguments come in reverse order: rgvarg[cArgs - 1] is the first. */
typedef struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
} DISPPARAMS;

typedef struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(struct EXCEPINFO*);
  SCODE scode;
} EXCEPINFO;

/* Invoke flags and special DISPIDs. */
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
#define DISPID_UNKNOWN (-1)
#define DISPID_PROPERTYPUT (-3)

#if defined(__GNUC__)
#define LF_GUID_UNUSED __attribute__((unused))
#else
#define LF_GUID_UNUSED
#endif
#define LF_DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  static const GUID name LF_GUID_UNUSED = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

/* The published interfaces. */
LF_DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
LF_DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
LF_DEFINE_GUID(IID_IDispatch, 0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
LF_DEFINE_GUID(IID_IConnectionPointContainer, 0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
LF_DEFINE_GUID(IID_IEnumConnectionPoints, 0xB196B285, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
LF_DEFINE_GUID(IID_IConnectionPoint, 0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
LF_DEFINE_GUID(IID_IEnumConnections, 0xB196B287, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
LF_DEFINE_GUID(IID_IErrorInfo, 0x1CF2B120, 0x547D, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
LF_DEFINE_GUID(IID_ISupportErrorInfo, 0xDF0B3D60, 0x548F, 0x101B, 0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19);
LF_DEFINE_GUID(IID_IFontDisp, 0xBEF6E003, 0xA874, 0x101A, 0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB);
LF_DEFINE_GUID(IID_NULL, 0x00000000, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);

/* The type library lumenfoldiProj1 1.0 and its types. */
LF_DEFINE_GUID(LIBID_lumenfoldiProj1, 0x53F9B7C2, 0x649D, 0x4EA7, 0x8C, 0x30, 0x26, 0x26, 0xBC, 0x6F, 0x8B, 0x7B);
LF_DEFINE_GUID(IID_Ilumenfoldi, 0x875F8DE9, 0x56F3, 0x40EB, 0x94, 0x3B, 0x50, 0xD1, 0x00, 0xFD, 0x0D, 0x1D);
LF_DEFINE_GUID(DIID_IlumenfoldiEvents, 0x049929C3, 0x4EAD, 0x441B, 0xA8, 0xCA, 0xC2, 0xAE, 0xB2, 0xA1, 0x51, 0x0F);
LF_DEFINE_GUID(CLSID_lumenfoldi, 0x2E7B57C9, 0x1BC5, 0x491F, 0xBF, 0x4A, 0xD1, 0x56, 0x7E, 0x29, 0x7E, 0x25);
/* How a container sites the control (this platform's own interface). */
LF_DEFINE_GUID(IID_IlumenfoldiEmbedding, 0xA7D25357, 0x3EB3, 0x44E4, 0x8A, 0x6B, 0x5E, 0x6F, 0xCE, 0x07, 0x20, 0xA5);

/* Enumerations of the type library. */
typedef enum TxActiveFormBorderStyle { afbNone = 0, afbSingle = 1, afbSunken = 2, afbRaised = 3 } TxActiveFormBorderStyle;
typedef enum TxPrintScale { poNone = 0, poProportional = 1, poPrintToFit = 2 } TxPrintScale;
typedef enum TxMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 } TxMouseButton;

/* DISPIDs of Ilumenfoldi. */
#define DISPID_LF_VISIBLE 201
#define DISPID_LF_AUTOSCROLL 202
#define DISPID_LF_AUTOSIZE 203
#define DISPID_LF_AXBORDERSTYLE 204
#define DISPID_LF_CAPTION (-518)
#define DISPID_LF_COLOR (-501)
#define DISPID_LF_FONT (-512)
#define DISPID_LF_KEYPREVIEW 205
#define DISPID_LF_PIXELSPERINCH 206
#define DISPID_LF_PRINTSCALE 207
#define DISPID_LF_SCALED 208
#define DISPID_LF_ACTIVE 209
#define DISPID_LF_DROPTARGET 210
#define DISPID_LF_HELPFILE 211
#define DISPID_LF_SCREENSNAP 212
#define DISPID_LF_SNAPBUFFER 213
#define DISPID_LF_DOUBLEBUFFERED 214
#define DISPID_LF_ALIGNDISABLED 215
#define DISPID_LF_VISIBLEDOCKCLIENTCOUNT 216
#define DISPID_LF_ENABLED (-514)
#define DISPID_LF_SETPARAMS 217

/* DISPIDs of IlumenfoldiEvents. */
#define DISPID_LF_ONACTIVATE 201
#define DISPID_LF_ONCLICK 202
#define DISPID_LF_ONCREATE 203
#define DISPID_LF_ONDBLCLICK 204
#define DISPID_LF_ONDESTROY 205
#define DISPID_LF_ONDEACTIVATE 206
#define DISPID_LF_ONKEYPRESS 207
#define DISPID_LF_ONPAINT 208

/* DISPIDs of the font object (IFontDisp). Size is currency (points). */
#define DISPID_FONT_NAME 0
#define DISPID_FONT_SIZE 2
#define DISPID_FONT_BOLD 3
#define DISPID_FONT_ITALIC 4
#define DISPID_FONT_UNDER 5
#define DISPID_FONT_STRIKE 6
#define DISPID_FONT_WEIGHT 7
#define DISPID_FONT_CHARSET 8

#define LF_IUNKNOWN_METHODS(T)                                       \
  HRESULT (*QueryInterface)(T * This, REFIID riid, void** ppvObject); \
  ULONG (*AddRef)(T * This);                                          \
  ULONG (*Release)(T * This);
#define LF_IDISPATCH_METHODS(T)                                                                    \
  LF_IUNKNOWN_METHODS(T)                                                                           \
  HRESULT (*GetTypeInfoCount)(T * This, UINT * pctinfo);                                           \
  HRESULT (*GetTypeInfo)(T * This, UINT iTInfo, LCID lcid, ITypeInfo * *ppTInfo);                   \
  HRESULT (*GetIDsOfNames)(T * This, REFIID riid, LPOLESTR * rgszNames, UINT cNames, LCID lcid,     \
                           DISPID * rgDispId);                                                     \
  HRESULT (*Invoke)(T * This, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,            \
                    DISPPARAMS * pDispParams, VARIANT * pVarResult, EXCEPINFO * pExcepInfo,        \
                    UINT * puArgErr);

typedef struct IUnknownVtbl {
  LF_IUNKNOWN_METHODS(IUnknown)
} IUnknownVtbl;
struct IUnknown {
  const IUnknownVtbl* lpVtbl;
};

typedef struct IClassFactory IClassFactory;
typedef struct IClassFactoryVtbl {
  LF_IUNKNOWN_METHODS(IClassFactory)
  HRESULT (*CreateInstance)(IClassFactory* This, IUnknown* pUnkOuter, REFIID riid, void** ppvObject);
  HRESULT (*LockServer)(IClassFactory* This, BOOL fLock);
} IClassFactoryVtbl;
struct IClassFactory {
  const IClassFactoryVtbl* lpVtbl;
};

typedef struct IDispatchVtbl {
  LF_IDISPATCH_METHODS(IDispatch)
} IDispatchVtbl;
struct IDispatch {
  const IDispatchVtbl* lpVtbl;
};

/* The font object: dispatch only (Name, Size, Bold, Italic, Underline,
   Strikethrough, Weight, Charset). */
typedef IDispatch IFontDisp;

typedef struct IConnectionPoint IConnectionPoint;
typedef struct IConnectionPointContainer IConnectionPointContainer;
typedef struct IEnumConnectionPoints IEnumConnectionPoints;
typedef struct IEnumConnections IEnumConnections;

typedef struct CONNECTDATA {
  IUnknown* pUnk;
  DWORD dwCookie;
} CONNECTDATA;

typedef struct IConnectionPointContainerVtbl {
  LF_IUNKNOWN_METHODS(IConnectionPointContainer)
  HRESULT (*EnumConnectionPoints)(IConnectionPointContainer* This, IEnumConnectionPoints** ppEnum);
  HRESULT (*FindConnectionPoint)(IConnectionPointContainer* This, REFIID riid, IConnectionPoint** ppCP);
} IConnectionPointContainerVtbl;
struct IConnectionPointContainer {
  const IConnectionPointContainerVtbl* lpVtbl;
};

typedef struct IEnumConnectionPointsVtbl {
  LF_IUNKNOWN_METHODS(IEnumConnectionPoints)
  HRESULT (*Next)(IEnumConnectionPoints* This, ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched);
  HRESULT (*Skip)(IEnumConnectionPoints* This, ULONG cConnections);
  HRESULT (*Reset)(IEnumConnectionPoints* This);
  HRESULT (*Clone)(IEnumConnectionPoints* This, IEnumConnectionPoints** ppEnum);
} IEnumConnectionPointsVtbl;
struct IEnumConnectionPoints {
  const IEnumConnectionPointsVtbl* lpVtbl;
};

typedef struct IConnectionPointVtbl {
  LF_IUNKNOWN_METHODS(IConnectionPoint)
  HRESULT (*GetConnectionInterface)(IConnectionPoint* This, IID* pIID);
  HRESULT (*GetConnectionPointContainer)(IConnectionPoint* This, IConnectionPointContainer** ppCPC);
  HRESULT (*Advise)(IConnectionPoint* This, IUnknown* pUnkSink, DWORD* pdwCookie);
  HRESULT (*Unadvise)(IConnectionPoint* This, DWORD dwCookie);
  HRESULT (*EnumConnections)(IConnectionPoint* This, IEnumConnections** ppEnum);
} IConnectionPointVtbl;
struct IConnectionPoint {
  const IConnectionPointVtbl* lpVtbl;
};

typedef struct IEnumConnectionsVtbl {
  LF_IUNKNOWN_METHODS(IEnumConnections)
  HRESULT (*Next)(IEnumConnections* This, ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched);
  HRESULT (*Skip)(IEnumConnections* This, ULONG cConnections);
  HRESULT (*Reset)(IEnumConnections* This);
  HRESULT (*Clone)(IEnumConnections* This, IEnumConnections** ppEnum);
} IEnumConnectionsVtbl;
struct IEnumConnections {
  const IEnumConnectionsVtbl* lpVtbl;
};

typedef struct IErrorInfo IErrorInfo;
typedef struct IErrorInfoVtbl {
  LF_IUNKNOWN_METHODS(IErrorInfo)
  HRESULT (*GetGUID)(IErrorInfo* This, GUID* pGUID);
  HRESULT (*GetSource)(IErrorInfo* This, BSTR* pBstrSource);
  HRESULT (*GetDescription)(IErrorInfo* This, BSTR* pBstrDescription);
  HRESULT (*GetHelpFile)(IErrorInfo* This, BSTR* pBstrHelpFile);
  HRESULT (*GetHelpContext)(IErrorInfo* This, DWORD* pdwHelpContext);
} IErrorInfoVtbl;
struct IErrorInfo {
  const IErrorInfoVtbl* lpVtbl;
};

typedef struct ISupportErrorInfo ISupportErrorInfo;
typedef struct ISupportErrorInfoVtbl {
  LF_IUNKNOWN_METHODS(ISupportErrorInfo)
  HRESULT (*InterfaceSupportsErrorInfo)(ISupportErrorInfo* This, REFIID riid);
} ISupportErrorInfoVtbl;
struct ISupportErrorInfo {
  const ISupportErrorInfoVtbl* lpVtbl;
};

/* The control's dual interface: IDispatch's seven entries, then the
   accessors in this order (a get accessor takes an out pointer, a put one a
   value), then setParams. */
typedef struct Ilumenfoldi Ilumenfoldi;
typedef struct IlumenfoldiVtbl {
  LF_IDISPATCH_METHODS(Ilumenfoldi)
  HRESULT (*get_Visible)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_Visible)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_AutoScroll)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_AutoScroll)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_AutoSize)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_AutoSize)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_AxBorderStyle)(Ilumenfoldi* This, TxActiveFormBorderStyle* Value);
  HRESULT (*put_AxBorderStyle)(Ilumenfoldi* This, TxActiveFormBorderStyle Value);
  HRESULT (*get_Caption)(Ilumenfoldi* This, BSTR* Value);
  HRESULT (*put_Caption)(Ilumenfoldi* This, BSTR Value);
  HRESULT (*get_Color)(Ilumenfoldi* This, OLE_COLOR* Value);
  HRESULT (*put_Color)(Ilumenfoldi* This, OLE_COLOR Value);
  HRESULT (*get_Font)(Ilumenfoldi* This, IFontDisp** Value);
  HRESULT (*put_Font)(Ilumenfoldi* This, IFontDisp* Value);
  HRESULT (*putref_Font)(Ilumenfoldi* This, IFontDisp* Value);
  HRESULT (*get_KeyPreview)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_KeyPreview)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_PixelsPerInch)(Ilumenfoldi* This, int32_t* Value);
  HRESULT (*put_PixelsPerInch)(Ilumenfoldi* This, int32_t Value);
  HRESULT (*get_PrintScale)(Ilumenfoldi* This, TxPrintScale* Value);
  HRESULT (*put_PrintScale)(Ilumenfoldi* This, TxPrintScale Value);
  HRESULT (*get_Scaled)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_Scaled)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_Active)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*get_DropTarget)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_DropTarget)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_HelpFile)(Ilumenfoldi* This, BSTR* Value);
  HRESULT (*put_HelpFile)(Ilumenfoldi* This, BSTR Value);
  HRESULT (*get_ScreenSnap)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_ScreenSnap)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_SnapBuffer)(Ilumenfoldi* This, int32_t* Value);
  HRESULT (*put_SnapBuffer)(Ilumenfoldi* This, int32_t Value);
  HRESULT (*get_DoubleBuffered)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_DoubleBuffered)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*get_AlignDisabled)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*get_VisibleDockClientCount)(Ilumenfoldi* This, int32_t* Value);
  HRESULT (*get_Enabled)(Ilumenfoldi* This, VARIANT_BOOL* Value);
  HRESULT (*put_Enabled)(Ilumenfoldi* This, VARIANT_BOOL Value);
  HRESULT (*setParams)(Ilumenfoldi* This, BSTR param1);
} IlumenfoldiVtbl;
struct Ilumenfoldi {
  const IlumenfoldiVtbl* lpVtbl;
};

/* Siting. Until a container sites it, the control's form is parked in a
   hidden window of the library (it exists and works, but shows nowhere).
   SetParentWindow makes the form a child of any native window (an X11 or
   Wayland window id, so any toolkit can host it); a Qt host may pass its
   QWidget* instead with SetParentWidget. SetParentWindow(0) and
   SetParentWidget(NULL) park it again. Siting shows the form (Visible
   becomes true); SetBounds places it in the parent, pixels. GetWidget gives
   the form's QWidget* (a Qt host may send it input or grab it). */
typedef struct IlumenfoldiEmbedding IlumenfoldiEmbedding;
typedef struct IlumenfoldiEmbeddingVtbl {
  LF_IUNKNOWN_METHODS(IlumenfoldiEmbedding)
  HRESULT (*SetParentWindow)(IlumenfoldiEmbedding* This, uint64_t nativeWindow);
  HRESULT (*SetParentWidget)(IlumenfoldiEmbedding* This, void* qwidget);
  HRESULT (*SetBounds)(IlumenfoldiEmbedding* This, int32_t left, int32_t top, int32_t width, int32_t height);
  HRESULT (*GetWindow)(IlumenfoldiEmbedding* This, uint64_t* nativeWindow);
  HRESULT (*GetWidget)(IlumenfoldiEmbedding* This, void** qwidget);
} IlumenfoldiEmbeddingVtbl;
struct IlumenfoldiEmbedding {
  const IlumenfoldiEmbeddingVtbl* lpVtbl;
};

/* Exports of the library. */
HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT DllCanUnloadNow(void);
HRESULT DllRegisterServer(void);
HRESULT DllUnregisterServer(void);
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
void VariantInit(VARIANT* value);
HRESULT VariantClear(VARIANT* value);
/* Error information is kept per thread. GetErrorInfo hands over the
   thread's error object (S_FALSE and null when there is none) and clears
   it; SetErrorInfo replaces it (null clears it). */
HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);
HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);

/* The same, as pointer types for dlsym. */
typedef HRESULT (*LPFNDLLGETCLASSOBJECT)(REFCLSID, REFIID, void**);
typedef HRESULT (*LPFNDLLCANUNLOADNOW)(void);
typedef HRESULT (*LPFNDLLREGISTERSERVER)(void);
typedef HRESULT (*LPFNDLLUNREGISTERSERVER)(void);
typedef BSTR (*LPFNSYSALLOCSTRING)(const OLECHAR*);
typedef BSTR (*LPFNSYSALLOCSTRINGLEN)(const OLECHAR*, UINT);
typedef void (*LPFNSYSFREESTRING)(BSTR);
typedef UINT (*LPFNSYSSTRINGLEN)(BSTR);
typedef void (*LPFNVARIANTINIT)(VARIANT*);
typedef HRESULT (*LPFNVARIANTCLEAR)(VARIANT*);
typedef HRESULT (*LPFNGETERRORINFO)(ULONG, IErrorInfo**);
typedef HRESULT (*LPFNSETERRORINFO)(ULONG, IErrorInfo*);

#ifdef __cplusplus
}
#endif

#endif /* LUMENFOLDI_LUMENFOLDIPROJ1_H */
