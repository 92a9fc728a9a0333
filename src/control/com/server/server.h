// What the objects of the component library share: the count of live
// objects and locks, per-thread error information, the application object.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "lumenfoldi/lumenfoldiProj1.h"

namespace lf::com {

// Live objects and LockServer locks; DllCanUnloadNow answers S_OK at zero.
void ObjectCreated();
void ObjectDestroyed();
void ServerLock(bool lock);
bool ServerInUse();

// Makes an error object with description (UTF-16) and source
// "lumenfoldiProj1.lumenfoldi" the calling thread's error information and
// returns code.
HRESULT ReportError(HRESULT code, std::u16string_view description);
// The failure code of an error caught at an interface boundary (E_UNEXPECTED,
// or E_OUTOFMEMORY for exhausted memory), reported with its message (host
// code page) as the description.
HRESULT ReportException(const std::exception& error);
IErrorInfo* TakeErrorInfo();
void ReplaceErrorInfo(IErrorInfo* info);

// Makes sure a widget application exists, creating one when the host has
// no application object (offscreen when there is no display). False when
// the host's application cannot show widgets or lives on another thread.
bool EnsureApplication();
// Message boxes and the password prompt appear as windows when there is a
// screen to show them on and LUMENFOLDI_BOXES is not "stderr"; otherwise as
// "caption: text" lines on standard error, answered with the default button.
void UseWindowBoxes();

}  // namespace lf::com
