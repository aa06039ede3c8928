// What the dialogs' status handlers need of the device grid: three cell
// writes by row key. The grid implements it and sets g_pDeviceRows while it
// exists; with no grid the writes do nothing.
#pragma once
#include <windows.h>

#include "fx/fxstring.h"

class DeviceRowTarget {
 public:
  virtual ~DeviceRowTarget() = default;
  // Stores the colour as the row's status colour, sets its status cell (the
  // column of string 507) to the text and invalidates the grid window (with
  // erase). False, changing nothing, when the row is no longer in the grid.
  virtual bool SetStatusCell(WPARAM row, COLORREF colour, const CString& text) = 0;
  // Sets the firmware cell (the column of string 502) of a row; no redraw.
  virtual bool SetFirmwareCell(WPARAM row, const CString& text) = 0;
  // Sets cell 0 (the IP address) of a row; no redraw.
  virtual bool SetAddressCell(WPARAM row, const CString& text) = 0;
};

extern DeviceRowTarget* g_pDeviceRows;
