#pragma once

// The scale the desktop asks applications to draw at, for an editor whose host gives no hint:
// GTK desktops set GDK_SCALE to a whole factor; desktops that scale text set the X resource
// Xft.dpi, 96 being 1x. The result is rounded to a quarter and kept from 1 to 3.

namespace VSTGUI::x11 {

// From the texts themselves: gdkScale is GDK_SCALE's value, resources the X server's resource
// manager string ("name:\tvalue" lines); either may be null. GDK_SCALE wins when it is a whole
// number from 1 up; 1 when neither says anything usable.
double desktopScaleFrom(const char* gdkScale, const char* resources);

// Reads GDK_SCALE from the environment and the resources of the X server in DISPLAY (once per
// process).
double desktopScale();

} // namespace VSTGUI::x11
