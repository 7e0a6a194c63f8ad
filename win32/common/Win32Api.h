#pragma once

// The one place that includes <windows.h>: Windows 10 APIs (per-monitor DPI),
// wide characters, and none of the min/max macros that break the standard library.
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE // NOLINT(bugprone-reserved-identifier): the C run-time's own switch
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>
