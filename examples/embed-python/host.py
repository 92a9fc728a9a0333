#!/usr/bin/env python3
"""A host of the lumenfoldi control in Python, with ctypes alone.

Creates the control headless through the library's class factory, reads its
Caption, connects an event sink, calls setParams and prints the events and
the result:

    host.py [--library PATH] [--registry FILE] ["TEMPLATE,DATA"]

The library is PATH, or the one registered for lumenfoldiProj1.lumenfoldi
(see `lumenfoldi regsvr`). Without "TEMPLATE,DATA" the invoice example is
served from a local HTTP server of this process and loaded from there.
"""

import argparse
import ctypes
import functools
import http.server
import os
import sys
import threading
import uuid
from ctypes import (CFUNCTYPE, POINTER, Structure, Union, byref, c_int16, c_int32, c_int64, c_uint16, c_uint32,
                    c_void_p, cast, string_at)

HRESULT = c_int32
S_OK = 0
E_NOINTERFACE = 0x80004002 - (1 << 32)


def guid(text):
    """A GUID as the library lays it out (the first three fields little-endian)."""
    return (ctypes.c_ubyte * 16).from_buffer_copy(uuid.UUID(text).bytes_le)


IID_IUnknown = guid("00000000-0000-0000-C000-000000000046")
IID_IDispatch = guid("00020400-0000-0000-C000-000000000046")
IID_IClassFactory = guid("00000001-0000-0000-C000-000000000046")
IID_IConnectionPointContainer = guid("B196B284-BAB4-101A-B69C-00AA00341D07")
IID_NULL = guid("00000000-0000-0000-0000-000000000000")
CLSID_lumenfoldi = guid("2E7B57C9-1BC5-491F-BF4A-D1567E297E25")
IID_Ilumenfoldi = guid("875F8DE9-56F3-40EB-943B-50D100FD0D1D")
DIID_IlumenfoldiEvents = guid("049929C3-4EAD-441B-A8CA-C2AEB2A1510F")
PROG_ID = "lumenfoldiProj1.lumenfoldi"

EVENTS = {201: "OnActivate", 202: "OnClick", 203: "OnCreate", 204: "OnDblClick", 205: "OnDestroy",
          206: "OnDeactivate", 207: "OnKeyPress", 208: "OnPaint"}

# Ilumenfoldi's vtable: IDispatch's seven entries, then the accessors.
ACCESSORS = []
for name, kinds in [("Visible", "gp"), ("AutoScroll", "gp"), ("AutoSize", "gp"), ("AxBorderStyle", "gp"),
                    ("Caption", "gp"), ("Color", "gp"), ("Font", "gpr"), ("KeyPreview", "gp"),
                    ("PixelsPerInch", "gp"), ("PrintScale", "gp"), ("Scaled", "gp"), ("Active", "g"),
                    ("DropTarget", "gp"), ("HelpFile", "gp"), ("ScreenSnap", "gp"), ("SnapBuffer", "gp"),
                    ("DoubleBuffered", "gp"), ("AlignDisabled", "g"), ("VisibleDockClientCount", "g"),
                    ("Enabled", "gp")]:
    ACCESSORS += [{"g": "get_", "p": "put_", "r": "putref_"}[k] + name for k in kinds]
ACCESSORS.append("setParams")
SLOT = {name: 7 + i for i, name in enumerate(ACCESSORS)}


class VariantValue(Union):
    _fields_ = [("llVal", c_int64), ("lVal", c_int32), ("iVal", c_int16), ("pointer", c_void_p),
                ("pad", ctypes.c_ubyte * 16)]


class VARIANT(Structure):
    _fields_ = [("vt", c_uint16), ("reserved", c_uint16 * 3), ("value", VariantValue)]


class DISPPARAMS(Structure):
    _fields_ = [("rgvarg", POINTER(VARIANT)), ("rgdispidNamedArgs", POINTER(c_int32)), ("cArgs", c_uint32),
                ("cNamedArgs", c_uint32)]


def call(interface, slot, restype, *args):
    """Calls entry slot of an interface pointer's table with the given (ctype, value) arguments."""
    table = cast(interface, POINTER(POINTER(c_void_p)))[0]
    function = CFUNCTYPE(restype, c_void_p, *[kind for kind, _ in args])(table[slot])
    return function(interface, *[value for _, value in args])


def release(interface):
    return call(interface, 2, c_uint32)


class Library:
    def __init__(self, path):
        self.dll = ctypes.CDLL(path)
        self.dll.SysAllocString.restype = c_void_p
        self.dll.SysAllocString.argtypes = [c_void_p]
        self.dll.SysFreeString.argtypes = [c_void_p]
        self.dll.SysStringLen.restype = c_uint32
        self.dll.SysStringLen.argtypes = [c_void_p]
        self.dll.DllGetClassObject.restype = HRESULT
        self.dll.GetErrorInfo.restype = HRESULT

    def bstr(self, text):
        units = text.encode("utf-16-le") + b"\0\0"
        buffer = ctypes.create_string_buffer(units, len(units))
        return self.dll.SysAllocString(buffer)

    def text(self, bstr):
        if not bstr:
            return ""
        return string_at(bstr, self.dll.SysStringLen(bstr) * 2).decode("utf-16-le")

    def error_description(self):
        info = c_void_p()
        if self.dll.GetErrorInfo(0, byref(info)) != S_OK or not info:
            return ""
        description = c_void_p()
        call(info, 5, HRESULT, (POINTER(c_void_p), byref(description)))  # IErrorInfo::GetDescription
        text = self.text(description.value)
        self.dll.SysFreeString(description)
        release(info)
        return text


class EventSink(Structure):
    """An IDispatch of our own that prints each event the control fires."""
    _fields_ = [("vtable", POINTER(c_void_p))]

    def __init__(self):
        super().__init__()
        unknown_types = [HRESULT, c_void_p, c_void_p, POINTER(c_void_p)]
        self._functions = [
            CFUNCTYPE(*unknown_types)(self._query_interface),
            CFUNCTYPE(c_uint32, c_void_p)(lambda this: 2),
            CFUNCTYPE(c_uint32, c_void_p)(lambda this: 1),
            CFUNCTYPE(HRESULT, c_void_p, POINTER(c_uint32))(self._type_info_count),
            CFUNCTYPE(HRESULT, c_void_p, c_uint32, c_uint32, c_void_p)(lambda *a: 0x80004001 - (1 << 32)),
            CFUNCTYPE(HRESULT, c_void_p, c_void_p, c_void_p, c_uint32, c_uint32, c_void_p)(
                lambda *a: 0x80004001 - (1 << 32)),
            CFUNCTYPE(HRESULT, c_void_p, c_int32, c_void_p, c_uint32, c_uint16, POINTER(DISPPARAMS), c_void_p,
                      c_void_p, c_void_p)(self._invoke),
        ]
        self._table = (c_void_p * len(self._functions))(*[cast(f, c_void_p) for f in self._functions])
        self.vtable = self._table

    @staticmethod
    def _query_interface(this, riid, out):
        wanted = string_at(riid, 16)
        if wanted in (bytes(IID_IUnknown), bytes(IID_IDispatch), bytes(DIID_IlumenfoldiEvents)):
            out[0] = this
            return S_OK
        out[0] = None
        return E_NOINTERFACE

    @staticmethod
    def _type_info_count(this, count):
        count[0] = 0
        return S_OK

    @staticmethod
    def _invoke(this, dispid, riid, lcid, flags, params, result, excep, arg_err):
        name = EVENTS.get(dispid, str(dispid))
        if dispid == 207 and params and params[0].cArgs == 1:
            key = cast(params[0].rgvarg[0].value.pointer, POINTER(c_int16))[0]
            print(f"event {name} {key}", flush=True)
        else:
            print(f"event {name}", flush=True)
        return S_OK


def registered_library(registry):
    """The library registered for the program identifier in a registry file, or None."""
    keys, key = {}, None
    with open(registry, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("[") and line.endswith("]"):
                key = line[1:-1].lower()
            elif key and line.startswith('@="') and line.endswith('"'):
                keys[key] = line[3:-1].replace('\\"', '"').replace("\\\\", "\\")
    clsid = keys.get(f"hkey_classes_root\\{PROG_ID}\\clsid".lower())
    return clsid and keys.get(f"hkey_classes_root\\clsid\\{clsid}\\inprocserver32".lower())


def serve_example():
    """Serves examples/invoice on a free local port; returns the parameter string."""
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "invoice")

    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = f"http://127.0.0.1:{server.server_address[1]}"
    return f"{base}/template.frf,{base}/data.json"


def main():
    parser = argparse.ArgumentParser(description="Drives the lumenfoldi control through its library.")
    parser.add_argument("--library")
    parser.add_argument("--registry")
    parser.add_argument("param", nargs="?")
    args = parser.parse_args()
    path = args.library
    if not path:
        registry = args.registry or os.environ.get("LUMENFOLDI_REGISTRY") or os.path.join(
            os.environ.get("XDG_CONFIG_HOME") or os.path.expanduser("~/.config"), "lumenfoldi", "registry.reg")
        path = os.path.exists(registry) and registered_library(registry)
        if not path:
            sys.exit(f"host.py: {PROG_ID} is not registered in {registry}")
    library = Library(path)

    factory = c_void_p()
    hr = library.dll.DllGetClassObject(byref(CLSID_lumenfoldi), byref(IID_IClassFactory), byref(factory))
    if hr != S_OK:
        sys.exit(f"host.py: no class factory: 0x{hr & 0xFFFFFFFF:08X}")
    control = c_void_p()
    hr = call(factory, 3, HRESULT, (c_void_p, None), (c_void_p, byref(IID_Ilumenfoldi)),
              (POINTER(c_void_p), byref(control)))
    release(factory)
    if hr != S_OK:
        sys.exit(f"host.py: cannot create the control: 0x{hr & 0xFFFFFFFF:08X} {library.error_description()}")

    caption = c_void_p()
    call(control, SLOT["get_Caption"], HRESULT, (POINTER(c_void_p), byref(caption)))
    print(f"Caption: {library.text(caption.value)}", flush=True)
    library.dll.SysFreeString(caption)

    container, point, cookie = c_void_p(), c_void_p(), c_uint32()
    call(control, 0, HRESULT, (c_void_p, byref(IID_IConnectionPointContainer)), (POINTER(c_void_p), byref(container)))
    call(container, 4, HRESULT, (c_void_p, byref(DIID_IlumenfoldiEvents)), (POINTER(c_void_p), byref(point)))
    release(container)
    sink = EventSink()
    call(point, 5, HRESULT, (c_void_p, ctypes.addressof(sink)), (POINTER(c_uint32), byref(cookie)))  # Advise
    release(point)

    param = library.bstr(args.param or serve_example())
    hr = call(control, SLOT["setParams"], HRESULT, (c_void_p, param)) & 0xFFFFFFFF
    library.dll.SysFreeString(param)
    if hr == 0:
        print("setParams: 0x00000000", flush=True)
    else:
        print(f"setParams: 0x{hr:08X} {library.error_description()}", flush=True)
    release(control)
    return 0 if hr == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
