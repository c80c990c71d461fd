#include "checker/text_measure.h"

#include "platform/handles_win.h"
#include "platform/ui/form_win.h"

namespace notify::checker {
namespace {

// The measurement the popup makes, in the same font, without a window.
class FontMeasure final : public TextMeasure {
 public:
  FontMeasure() : font_(ui::CreateLabelFont()) {}
  SizeF MeasureLine(const std::wstring& text) const override {
    const SIZE size = ui::MeasureLabelText(Font(), text, -1);
    return {static_cast<float>(size.cx), static_cast<float>(size.cy)};
  }
  float WrappedHeight(const std::wstring& text, float width) const override {
    return static_cast<float>(ui::MeasureLabelText(Font(), text, ui::TwipsToPixels(width, 1.0f)).cy);
  }

 private:
  HFONT Font() const { return static_cast<HFONT>(font_.get()); }
  win::DeleteObjectOwner font_;
};

}  // namespace

std::unique_ptr<TextMeasure> LabelTextMeasure() { return std::make_unique<FontMeasure>(); }

bool TextMeasureIsEstimate() { return false; }

}  // namespace notify::checker
