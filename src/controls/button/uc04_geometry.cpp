#include "controls/button/uc04_geometry.h"

#include <cmath>
#include <limits>

#include "platform/text.h"

namespace notify::button {

std::array<SlicePiece, 9> NineSlice(float w, float h, std::int16_t cell) {
  const int x0 = kCellWidth * cell;
  const int farX = x0 + kBorder + kMiddleWidth;  // 15: first column of the right border
  const int farY = kBorder + kMiddleHeight;      // 19: first row of the bottom border
  const float b = static_cast<float>(kBorder);
  const float right = w - b;
  const float bottom = h - b;
  const float midW = w - 2 * b;
  const float midH = h - 2 * b;
  return {{
      {{x0, 0, kBorder, kBorder}, {0, 0, b, b}},
      {{farX, 0, kBorder, kBorder}, {right, 0, b, b}},
      {{farX, farY, kBorder, kBorder}, {right, bottom, b, b}},
      {{x0, farY, kBorder, kBorder}, {0, bottom, b, b}},
      {{x0 + kBorder, 0, kMiddleWidth, kBorder}, {b, 0, midW, b}},
      {{farX, kBorder, kBorder, kMiddleHeight}, {right, b, b, midH}},
      {{x0 + kBorder, farY, kMiddleWidth, kBorder}, {b, bottom, midW, b}},
      {{x0, kBorder, kBorder, kMiddleHeight}, {0, b, b, midH}},
      {{x0 + kBorder, kBorder, kMiddleWidth, kMiddleHeight}, {b, b, midW, midH}},
  }};
}

bool TooSmallToDraw(float w, float h) { return w - 8 <= 0 || h - 8 <= 0; }

namespace {

// Out-of-range values saturate instead of overflowing: no surface gets that large.
template <class Int>
Int RoundSaturated(float value) {
  const double rounded = std::nearbyint(static_cast<double>(value));
  if (std::isnan(rounded)) return 0;
  if (rounded <= static_cast<double>(std::numeric_limits<Int>::min()))
    return std::numeric_limits<Int>::min();
  if (rounded >= static_cast<double>(std::numeric_limits<Int>::max()))
    return std::numeric_limits<Int>::max();
  return static_cast<Int>(rounded);
}

}  // namespace

std::int32_t RoundToInt32(float value) { return RoundSaturated<std::int32_t>(value); }
std::int16_t RoundToInt16(float value) { return RoundSaturated<std::int16_t>(value); }

Edges FocusFrame(float w, float h) {
  return {kBorder, kBorder, RoundToInt32(w - 4), RoundToInt32(h - 4)};
}

std::wstring SpokenCaption(std::wstring_view caption) {
  std::wstring spoken;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != L'&') {
      spoken += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == L'&') {
      spoken += L'&';
      ++i;
    }
  }
  return spoken;
}

std::wstring AccessKeyShortcut(std::wstring_view caption) {
  const wchar_t key = AccessKeyFor(caption);
  return key ? std::wstring(L"Alt+") + key : std::wstring();
}

wchar_t AccessKeyFor(std::wstring_view caption) {
  if (caption.empty()) return 0;
  const std::wstring text = ReplaceAll(caption, L"&&", L"");
  const std::size_t amp = text.find(L'&');
  if (amp == std::wstring::npos || amp + 1 >= text.size()) return 0;
  const wchar_t c = text[amp + 1];
  if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
  if (c >= L'A' && c <= L'Z') return c;
  return 0;
}

}  // namespace notify::button
