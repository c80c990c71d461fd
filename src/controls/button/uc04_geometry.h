#pragma once
// The face strip's geometry and the pure rules of UC04: which source rectangle of the strip
// lands where, the focus frame, the access key. All in pixels.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/geometry.h"

namespace notify::button {

// A whole-pixel rectangle of the face strip drawn into a fractional one of the surface.
struct SlicePiece {
  Rect source;
  RectF destination;
};

// Every cell of the strip is 19 x 23 px with a 4 px border around an 11 x 15 middle.
inline constexpr int kCellWidth = 19;
inline constexpr int kCellHeight = 23;
inline constexpr int kBorder = 4;
inline constexpr int kMiddleWidth = 11;
inline constexpr int kMiddleHeight = 15;

// The nine pieces for a surface of width w and height h, in drawing order: four corners
// (top-left, top-right, bottom-right, bottom-left), four edges (top, right, bottom, left),
// centre.
std::array<SlicePiece, 9> NineSlice(float w, float h, std::int16_t cell);

// True when the surface is too small for anything to be drawn (W - 8 <= 0 or H - 8 <= 0).
bool TooSmallToDraw(float w, float h);

// Rounds half to even, as the platform's integer conversions do.
std::int32_t RoundToInt32(float value);
std::int16_t RoundToInt16(float value);

// Left 4, top 4, right W - 4, bottom H - 4: edges, as the focus rectangle is drawn.
Edges FocusFrame(float w, float h);

// The access key of a caption: the upper-case ASCII letter after the first single "&"
// once every "&&" is removed, or 0 for none.
wchar_t AccessKeyFor(std::wstring_view caption);

// The caption as a screen reader says it: "&&" is a plain "&", a single "&" only marks
// the access key and is dropped.
std::wstring SpokenCaption(std::wstring_view caption);

// "Alt+X" for a caption with an access key, empty without one.
std::wstring AccessKeyShortcut(std::wstring_view caption);

}  // namespace notify::button
