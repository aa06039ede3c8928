// The framework layer: everything in one include.
#pragma once
#include "fx/app.h"
#include "fx/controls.h"
#include "fx/dialog.h"
#include "fx/dlgtemplate.h"
#include "fx/fxstring.h"
#include "fx/gdi.h"
#include "fx/types.h"
#include "fx/wnd.h"
