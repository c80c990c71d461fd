#pragma once
// The one vocabulary for places and extents. Two distinctions are kept in the types: whole
// pixels or fractions (the layout computes halves), and edges or sizes (Win32 gives edges,
// controls are placed by size). Which space a value lives in is said by its name.
#include <cstdint>

namespace notify {

// Whole pixels by edges: left and top are the first covered pixel, right and bottom lie
// just outside, as in a Win32 rectangle.
struct Edges {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const Edges&) const = default;
};

// Whole pixels by size: left + width and top + height lie just outside.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const Rect&) const = default;
};

// Fractions of a pixel by size, single precision; same edge rule as Rect.
struct RectF {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  bool operator==(const RectF&) const = default;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const Point&) const = default;
};

struct PointF {
  float x = 0;
  float y = 0;
  bool operator==(const PointF&) const = default;
};

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const Size&) const = default;
};

struct SizeF {
  float width = 0;
  float height = 0;
  bool operator==(const SizeF&) const = default;
};

// No pixel inside: a monitor or work area nobody could tell us.
constexpr bool IsEmpty(const Edges& e) { return e.right <= e.left || e.bottom <= e.top; }

}  // namespace notify
