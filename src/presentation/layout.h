#pragma once
// The popup layout as arithmetic over a plain model of the popup's controls. The Win32
// view copies its controls into a PopupModel, runs LayoutPopupModel and applies the
// model back; nothing here draws or knows a window.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/msg_record.h"
#include "platform/ui/geometry.h"

namespace notify {

// The layout's fixed conversion; placement and region use the screen's real factors.
// Everything it places is a RectF inside the popup: the layout computes halves.
inline constexpr float kLayoutTwipsPerPixel = 15.0f;

// The popup's image controls, in the order they are painted (frame tiles, then icon and
// logo). ImgCheck, the measuring aid, is not one of them: it is never shown.
enum class PopupImage : std::size_t {
  LeftTop,
  RightTop,
  LeftButtom,
  RightButtom,
  MiddleTop,
  MiddleButtom,
  LeftMiddle,
  RightMiddle,
  MiddleMiddle,
  Icon,
  Logo,
};
inline constexpr std::size_t kPopupImageCount = 11;

struct ImageModel {
  RectF box;
  // The picture's natural size; a control without a picture measures 0 x 0.
  SizeF natural;
  bool operator==(const ImageModel&) const = default;
};

struct LabelModel {
  RectF box;
  bool visible = true;
  bool centred = false;
  std::wstring text;
  std::int32_t color = 0;
  bool operator==(const LabelModel&) const = default;
};

struct ButtonModel {
  RectF box;
  bool visible = true;
  std::wstring caption;
  std::int32_t foreColor = 0;
  std::int32_t pColor = 0;
  bool operator==(const ButtonModel&) const = default;
};

struct PopupModel {
  std::int32_t backColor = 0;
  // Twips: the popup's own size. Everything else in the model is pixels.
  float widthTwips = 0;
  float heightTwips = 0;
  std::array<ImageModel, kPopupImageCount> images{};
  LabelModel title;
  LabelModel content;
  LabelModel date;
  LabelModel author;
  ButtonModel close;
  ButtonModel confirm;
  // Which control's picture the measuring aid ImgCheck holds; empty when none.
  std::optional<PopupImage> checkPicture;

  ImageModel& image(PopupImage which) { return images[static_cast<std::size_t>(which)]; }
  const ImageModel& image(PopupImage which) const { return images[static_cast<std::size_t>(which)]; }
  bool operator==(const PopupModel&) const = default;
};

// Label text metrics in pixels, supplied by the platform (the label font).
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // One line: the label sizes itself to the text.
  virtual SizeF MeasureLine(const std::wstring& text) const = 0;
  // Word-wrapped within `width`: the label's height follows the text.
  virtual float WrappedHeight(const std::wstring& text, float width) const = 0;
};

// Runs the layout's 28 steps on `model`. Setting a negative width or height (or an
// overflow) ends the layout at that step: what was set before stays, the rest keeps its
// earlier values. Returns the number of the failed step, or nothing when all completed.
std::optional<int> LayoutPopupModel(PopupModel& model, const MsgRecord& record, const TextMeasure& measure) noexcept;

// Halves to the even neighbour, as the layout's CW, CH, Base1 and Base2 are rounded.
float RoundHalfEven(float value);

}  // namespace notify
