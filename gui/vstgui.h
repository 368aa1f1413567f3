#pragma once

// The whole toolkit in one include, for the editor.
#include "gui/cbaseobject.h"
#include "gui/cbitmap.h"
#include "gui/cbuttonstate.h"
#include "gui/ccolor.h"
#include "gui/ccontrol.h"
#include "gui/cdrawcontext.h"
#include "gui/cframe.h"
#include "gui/cgeometry.h"
#include "gui/cknob.h"
#include "gui/cmoviebutton.h"
#include "gui/csplashscreen.h"
#include "gui/cswitch.h"
#include "gui/cview.h"
#include "gui/cvstguitimer.h"
#include "gui/vstguieditorinterface.h"
