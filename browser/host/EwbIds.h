// The platform's numbers the host speaks in, by name. The SDK headers name
// the control's events, the ambient properties, the commands and the flag
// bits; what only the WebBrowser control's type library names, and the few
// values the toolchain's headers lack, are named here, once.
#pragma once

#include <docobj.h>
#include <exdispid.h>
#include <mshtmcid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <olectl.h>

// Refresh commands of the document host's command group, missing from the
// toolchain's mshtmcid.h.
#ifndef IDM_REFRESH_TOP
#define IDM_REFRESH_TOP 6041
#endif
#ifndef IDM_REFRESH_TOP_FULL
#define IDM_REFRESH_TOP_FULL 6042
#endif

// The engine's context-menu resource (0x6041 in its resource library),
// missing from the toolchain's mshtmhst.h.
#ifndef IDR_BROWSE_CONTEXT_MENU
#define IDR_BROWSE_CONTEXT_MENU 24641
#endif

namespace ewb {

// Properties of the WebBrowser control that its type library alone names.
enum TWebBrowserDispid : DISPID {
    DispidApplication = 200,
    DispidDocument = 203,
    DispidVisible = 402,
    DispidStatusBar = 403,
    DispidStatusText = 404,
    DispidToolBar = 405,
    DispidMenuBar = 406,
    DispidFullScreen = 407,
    DispidOffline = 550,
    DispidSilent = 551,
    DispidRegisterAsBrowser = 552,
    DispidRegisterAsDropTarget = 553,
    DispidTheaterMode = 554,
    DispidAddressBar = 555,
    DispidResizable = 556,
};

}  // namespace ewb
