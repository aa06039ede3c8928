// Private window messages of the program.
#pragma once
#include <windows.h>

#ifndef WM_TRAY_NOTIFY
#define WM_TRAY_NOTIFY (WM_USER + 100)
#endif
#ifndef WM_DEVICE_FOUND
#define WM_DEVICE_FOUND (WM_USER + 101)
#endif
#ifndef WM_HEADER_CLICK
#define WM_HEADER_CLICK (WM_USER + 102)
#endif
#ifndef WM_HEADER_WIDTH
#define WM_HEADER_WIDTH (WM_USER + 103)
#endif
#ifndef WM_GRID_RELAYOUT
#define WM_GRID_RELAYOUT (WM_USER + 104)
#endif
#ifndef WM_JBUTTON_CLICK
#define WM_JBUTTON_CLICK (WM_USER + 105)
#endif
#ifndef WM_DEVICE_STATUS
#define WM_DEVICE_STATUS (WM_USER + 106)
#endif
#ifndef WM_DEVICE_FIRMWARE
#define WM_DEVICE_FIRMWARE (WM_USER + 107)
#endif
#ifndef WM_MANUAL_DEVICES_CHANGED
#define WM_MANUAL_DEVICES_CHANGED (WM_USER + 108)
#endif
#ifndef WM_REFRESH_DEVICES
#define WM_REFRESH_DEVICES (WM_USER + 109)
#endif
#ifndef WM_LANGUAGE_CHANGED
#define WM_LANGUAGE_CHANGED (WM_USER + 110)
#endif
#ifndef WM_PAGE_ENABLE
#define WM_PAGE_ENABLE (WM_USER + 111)
#endif
#ifndef WM_DEVICE_ADDRESS
#define WM_DEVICE_ADDRESS (WM_USER + 112)
#endif
