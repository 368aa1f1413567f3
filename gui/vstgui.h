#pragma once

// The whole toolkit in one include, for the editor.
//
// An editor derives from AEffGUIEditor (gui/aeffguieditor.h). In open(parent) it creates
// `frame = new CFrame(rect, parent, this)`, where parent is the host's X11 window id as a pointer
// (null gives an offscreen frame), adds its views with frame->addView (the frame owns them), and
// starts a CVSTGUITimer on itself; close() stops the timer and calls frame->forget(). The host's
// idle calls reach frame->idle(), which handles the window's events, fires due timers and redraws
// whatever is dirty, all on the host's user-interface thread. Tests drive the frame with
// onMouseDown/onMouseMoved/onMouseUp/onWheel in frame coordinates, call render() and read
// getImage(), or writePNG(path) for a screenshot.
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
