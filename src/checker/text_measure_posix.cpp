#include "checker/text_measure.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace notify::checker {
namespace {

// No Windows fonts here. The smallest message font in use (8-point Tahoma: 13-pixel lines)
// sets the line height; widths are below its average, so only plainly long text is flagged.
constexpr float kLineHeight = 13;
constexpr float kNarrowWidth = 4;  // Latin, Cyrillic, Greek, digits, punctuation
constexpr float kWideWidth = 12;   // CJK ideographs, kana, Hangul, full-width forms

bool IsWide(wchar_t c) {
  const auto u = static_cast<unsigned>(c);
  return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
         (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
         (u >= 0xFFE0 && u <= 0xFFE6);
}

float LineWidth(std::wstring_view line) {
  float width = 0;
  for (const wchar_t c : line) width += IsWide(c) ? kWideWidth : kNarrowWidth;
  return width;
}

class EstimateMeasure final : public TextMeasure {
 public:
  PixelSize MeasureLine(const std::wstring& text) const override {
    return {LineWidth(text), kLineHeight};
  }
  // Each paragraph takes at least one line; within one, words are assumed to pack perfectly.
  float WrappedHeight(const std::wstring& text, float width) const override {
    if (text.empty()) return kLineHeight;
    float lines = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find(L'\n', start);
      if (end == std::wstring::npos) end = text.size();
      std::wstring_view line(text.data() + start, end - start);
      if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
      lines += width > 0 ? std::max(1.0f, std::ceil(LineWidth(line) / width)) : 1.0f;
      start = end + 1;
    }
    return lines * kLineHeight;
  }
};

}  // namespace

std::unique_ptr<TextMeasure> LabelTextMeasure() { return std::make_unique<EstimateMeasure>(); }

bool TextMeasureIsEstimate() { return true; }

}  // namespace notify::checker
