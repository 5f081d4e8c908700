// The visible state of windows as JSON (texts converted from GBK to UTF-8).
//
// One window: {"name","class","id","text","visible","enabled", "checked" (check boxes and radio
// buttons), "pos","min","max" (progress bars), "rect":{"x","y","w","h"} relative to the parent's
// client area (the screen for a top-level window, which also gets "client":{"w","h"})}.
// A dump adds "children": the same for each child window, recursively.
#pragma once

#include <windows.h>

#include "tools/uidriver/json.h"
#include "tools/uidriver/window_query.h"

namespace quenlo::uidriver {

Json StateToJson(const WindowState& state);
Json DumpWindowTree(HWND root);

}  // namespace quenlo::uidriver
