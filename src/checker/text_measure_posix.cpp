#include "checker/text_measure.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace notify::checker {
namespace {

// No Windows fonts here. Lines are as tall as in 8-point Tahoma, the default message font
// (13 pixels); widths are at or above its widest glyphs of each kind and words wrap whole,
// so that text the popup would cut is never passed as fitting: the estimate errs towards a
// warning, never towards silence.
constexpr float kLineHeight = 13;
constexpr float kWideWidth = 16;  // CJK ideographs, kana, Hangul, full-width forms

bool IsWide(wchar_t c) {
  const auto u = static_cast<unsigned>(c);
  return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
         (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
         (u >= 0xFFE0 && u <= 0xFFE6) || u >= 0x10000;
}

float CharWidth(wchar_t c) {
  if (IsWide(c)) return kWideWidth;
  if (std::wstring_view(L"il.,:;'|!jI ").find(c) != std::wstring_view::npos) return 5;
  if (c == L'm' || c == L'w') return 11;
  if (c == L'M' || c == L'W') return 13;
  if (c >= L'A' && c <= L'Z') return 9;
  return 8;  // other letters, digits, punctuation, Cyrillic, Greek
}

float LineWidth(std::wstring_view line) {
  float width = 0;
  for (const wchar_t c : line) width += CharWidth(c);
  return width;
}

// Lines of one paragraph wrapped at spaces as the popup's labels wrap; a word longer than
// the line takes as many lines as its width needs.
float WrappedLines(std::wstring_view paragraph, float width) {
  float lines = 1;
  float x = 0;
  for (std::size_t start = 0; start <= paragraph.size();) {
    std::size_t end = paragraph.find(L' ', start);
    if (end == std::wstring_view::npos) end = paragraph.size();
    const float word = LineWidth(paragraph.substr(start, end - start));
    const float needed = x == 0 ? word : x + CharWidth(L' ') + word;
    if (needed <= width) {
      x = needed;
    } else if (x == 0) {
      lines += std::ceil(word / width) - 1;
      x = word - (std::ceil(word / width) - 1) * width;
    } else {
      lines += std::max(1.0f, std::ceil(word / width));
      x = word > width ? word - (std::ceil(word / width) - 1) * width : word;
    }
    start = end + 1;
  }
  return lines;
}

class EstimateMeasure final : public TextMeasure {
 public:
  SizeF MeasureLine(const std::wstring& text) const override { return {LineWidth(text), kLineHeight}; }
  float WrappedHeight(const std::wstring& text, float width) const override {
    if (text.empty() || width <= 0) return kLineHeight;
    float lines = 0;
    for (std::size_t start = 0; start <= text.size();) {
      std::size_t end = text.find(L'\n', start);
      if (end == std::wstring::npos) end = text.size();
      std::wstring_view line(text.data() + start, end - start);
      if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
      lines += WrappedLines(line, width);
      start = end + 1;
    }
    return lines * kLineHeight;
  }
};

}  // namespace

std::unique_ptr<TextMeasure> LabelTextMeasure() { return std::make_unique<EstimateMeasure>(); }

bool TextMeasureIsEstimate() { return true; }

}  // namespace notify::checker
