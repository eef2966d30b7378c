#pragma once

// What the desktop's window manager does for us.

namespace kobre::platform::qt {

// Whether a window manager places and sizes the windows: on X11 one that
// announces itself (_NET_SUPPORTING_WM_CHECK on the root window); on Wayland
// the compositor always does. False on a bare X server and on the offscreen
// platform, where a full-screen window has to be placed by hand.
bool hasWindowManager();

}  // namespace kobre::platform::qt
