#pragma once
// The geometry vocabulary to and from Win32 rectangles, which are edges in whole pixels.
#include <windows.h>

#include "platform/ui/geometry.h"

namespace notify {

inline Edges ToEdges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToRECT(const Edges& e) { return {e.left, e.top, e.right, e.bottom}; }

}  // namespace notify
