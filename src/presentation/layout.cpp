#include "presentation/layout.h"

#include <cmath>

#include "platform/error.h"

namespace notify {
namespace {

// Setting a control's size is where the layout can fail: a negative extent is refused,
// as is a value that overflowed.
float CheckedExtent(float value) {
  if (!std::isfinite(value) || value < 0) Fail("invalid size");
  return value;
}

float CheckedPosition(float value) {
  if (!std::isfinite(value)) Fail("invalid position");
  return value;
}

void SetLeft(RectF& box, float value) { box.left = CheckedPosition(value); }
void SetTop(RectF& box, float value) { box.top = CheckedPosition(value); }
void SetWidth(RectF& box, float value) { box.width = CheckedExtent(value); }
void SetHeight(RectF& box, float value) { box.height = CheckedExtent(value); }

bool HasText(const std::wstring& text) { return !text.empty(); }

class Layout {
 public:
  Layout(PopupModel& model, const MsgRecord& record, const TextMeasure& measure)
      : m_(model), r_(record), measure_(measure) {}

  // The step being run, so that a failure can say where the layout stopped.
  int step = 0;

  void Run() {
    Preparation();
    Frame();
    TitleBar();
    Body();
    Buttons();
    DateAndAuthor();
    step = 28;
    m_.checkPicture.reset();
  }

 private:
  RectF& Box(PopupImage which) { return m_.image(which).box; }

  // ImgCheck takes the control's picture; its natural size is the measurement.
  SizeF Measure(PopupImage which) {
    m_.checkPicture = which;
    return m_.image(which).natural;
  }

  void SetFormWidth(float twips) { m_.widthTwips = CheckedExtent(twips); }
  void SetFormHeight(float twips) { m_.heightTwips = CheckedExtent(twips); }

  // A one-line label sizes itself to its text.
  void SetLineText(LabelModel& label, const std::wstring& text) {
    label.text = text;
    const SizeF size = measure_.MeasureLine(text);
    SetWidth(label.box, size.width);
    SetHeight(label.box, size.height);
  }

  // A word-wrapping label keeps its width and lets its height follow the text.
  void SetWrappedText(LabelModel& label, const std::wstring& text) {
    label.text = text;
    SetHeight(label.box, measure_.WrappedHeight(text, label.box.width));
  }

  void SetWrappedWidth(LabelModel& label, float width) {
    SetWidth(label.box, width);
    SetHeight(label.box, measure_.WrappedHeight(label.text, label.box.width));
  }

  void ShowButton(ButtonModel& button, const std::wstring& caption, std::int32_t foreColor,
                  std::int32_t pColor, std::int16_t width, std::int16_t height) {
    button.foreColor = foreColor;
    button.pColor = pColor;
    button.caption = caption;
    button.visible = true;
    SetWidth(button.box, width);
    SetHeight(button.box, height);
  }

  // Each optional row adds its own height, and always the confirm button's height in width.
  void GrowForRow(float rowHeight) {
    SetFormHeight(m_.heightTwips + rowHeight * kLayoutTwipsPerPixel);
    SetFormWidth(m_.widthTwips + m_.confirm.box.height * kLayoutTwipsPerPixel);
  }

  void ShowLine(LabelModel& label, const std::wstring& text, std::int32_t color) {
    label.color = color;
    SetLineText(label, text);
    label.visible = true;
    GrowForRow(label.box.height);
  }

  void Preparation() {
    step = 1;
    m_.close.visible = false;
    m_.confirm.visible = false;
    m_.date.visible = false;
    m_.author.visible = false;

    step = 2;
    m_.backColor = r_.FormColor;
    SetFormWidth(r_.FormWidth);
    SetFormHeight(r_.FormHeight);

    step = 3;
    if (HasText(r_.BtnCls)) {
      ShowButton(m_.close, r_.BtnCls, r_.BtnClsColor, r_.BtnClsPColor, r_.BtnClsWidth, r_.BtnClsHeight);
    }
    step = 4;
    if (HasText(r_.BtnCfm)) {
      ShowButton(m_.confirm, r_.BtnCfm, r_.BtnCfmColor, r_.BtnCfmPColor, r_.BtnCfmWidth, r_.BtnCfmHeight);
      GrowForRow(m_.confirm.box.height);
    }
    step = 5;
    if (HasText(r_.Date)) ShowLine(m_.date, r_.Date, r_.DateColor);
    step = 6;
    if (HasText(r_.Author)) ShowLine(m_.author, r_.Author, r_.AuthorColor);

    step = 7;
    cw_ = RoundHalfEven(m_.widthTwips / kLayoutTwipsPerPixel);
    ch_ = RoundHalfEven(m_.heightTwips / kLayoutTwipsPerPixel);
  }

  // A tile shown at its natural size at (left, top); top is set before left.
  void PlaceCorner(PopupImage which, float top, float left, SizeF natural) {
    RectF& box = Box(which);
    SetTop(box, top);
    SetLeft(box, left);
    SetHeight(box, natural.height);
    SetWidth(box, natural.width);
  }

  void Frame() {
    step = 8;
    SizeF n = Measure(PopupImage::LeftTop);
    PlaceCorner(PopupImage::LeftTop, 0, 0, n);
    step = 9;
    n = Measure(PopupImage::RightTop);
    PlaceCorner(PopupImage::RightTop, 0, cw_ - n.width, n);
    step = 10;
    n = Measure(PopupImage::LeftButtom);
    PlaceCorner(PopupImage::LeftButtom, ch_ - n.height, 0, n);
    step = 11;
    n = Measure(PopupImage::RightButtom);
    PlaceCorner(PopupImage::RightButtom, ch_ - n.height, cw_ - n.width, n);

    const RectF& lt = Box(PopupImage::LeftTop);
    const RectF& rt = Box(PopupImage::RightTop);
    const RectF& lb = Box(PopupImage::LeftButtom);
    const RectF& rb = Box(PopupImage::RightButtom);

    step = 12;
    n = Measure(PopupImage::LeftMiddle);
    PlaceEdge(PopupImage::LeftMiddle, lt.top + lt.height, 0, ch_ - lt.height - lb.height, n.width);
    step = 13;
    n = Measure(PopupImage::RightMiddle);
    PlaceEdge(PopupImage::RightMiddle, rt.top + rt.height, cw_ - n.width, ch_ - rt.height - rb.height, n.width);
    step = 14;
    n = Measure(PopupImage::MiddleTop);
    PlaceEdge(PopupImage::MiddleTop, 0, lt.left + lt.width, n.height, cw_ - lt.width - rt.width);
    step = 15;
    n = Measure(PopupImage::MiddleButtom);
    PlaceEdge(PopupImage::MiddleButtom, ch_ - n.height, lb.left + lb.width, n.height, cw_ - lb.width - rb.width);

    step = 16;
    Measure(PopupImage::MiddleMiddle);
    const RectF& mt = Box(PopupImage::MiddleTop);
    const RectF& mb = Box(PopupImage::MiddleButtom);
    const RectF& lm = Box(PopupImage::LeftMiddle);
    const RectF& rm = Box(PopupImage::RightMiddle);
    PlaceEdge(PopupImage::MiddleMiddle, mt.top + mt.height, lm.left + lm.width, ch_ - mt.height - mb.height,
              cw_ - lm.width - rm.width);
  }

  void PlaceEdge(PopupImage which, float top, float left, float height, float width) {
    RectF& box = Box(which);
    SetTop(box, top);
    SetLeft(box, left);
    SetHeight(box, height);
    SetWidth(box, width);
  }

  void TitleBar() {
    const float bandHeight = Box(PopupImage::MiddleTop).height;
    step = 17;
    const SizeF n = Measure(PopupImage::Icon);
    const float margin = (bandHeight - n.height) / 2;
    PlaceCorner(PopupImage::Icon, margin, margin, n);

    step = 18;
    const RectF& icon = Box(PopupImage::Icon);
    m_.title.color = r_.TitleColor;
    SetLineText(m_.title, r_.Title);
    SetLeft(m_.title.box, icon.left + icon.width + icon.left);
    SetTop(m_.title.box, (bandHeight - m_.title.box.height) / 2);
  }

  void Body() {
    const RectF& mt = Box(PopupImage::MiddleTop);
    const RectF& lm = Box(PopupImage::LeftMiddle);
    const RectF& rm = Box(PopupImage::RightMiddle);
    step = 19;
    const SizeF n = Measure(PopupImage::Logo);
    PlaceCorner(PopupImage::Logo, mt.top + mt.height + 16, lm.left + lm.width + 16, n);

    step = 20;
    const RectF& logo = Box(PopupImage::Logo);
    m_.content.color = r_.ContentColor;
    SetWrappedText(m_.content, r_.Content);
    SetLeft(m_.content.box, logo.left + logo.width + 12);
    SetTop(m_.content.box, logo.top + 12);
    SetWrappedWidth(m_.content, cw_ - lm.width - rm.width - logo.width - 36);
  }

  void Buttons() {
    const float bandHeight = Box(PopupImage::MiddleTop).height;
    step = 21;
    RectF& close = m_.close.box;
    const float margin = (bandHeight - close.height) / 2;
    SetTop(close, margin);
    SetLeft(close, cw_ - close.width - margin);

    step = 22;
    RectF& confirm = m_.confirm.box;
    SetTop(confirm, ch_ - Box(PopupImage::MiddleButtom).height - confirm.height - 12);
    SetLeft(confirm, Box(PopupImage::RightMiddle).left - confirm.width - 12);
  }

  // A line right-aligned to the right edge tile, 12 pixels above `base`.
  void PlaceLineAbove(LabelModel& label, float base) {
    SetLeft(label.box, Box(PopupImage::RightMiddle).left - label.box.width - 12);
    SetTop(label.box, base - label.box.height - 12);
  }

  // The narrower line takes the wider one's left edge and width and centres its text.
  static void AlignUnder(LabelModel& narrow, const LabelModel& wide) {
    SetLeft(narrow.box, wide.box.left);
    SetWidth(narrow.box, wide.box.width);
    narrow.centred = true;
  }

  void DateAndAuthor() {
    step = 23;
    const float base1 = RoundHalfEven(HasText(r_.BtnCfm) ? m_.confirm.box.top
                                                         : ch_ - Box(PopupImage::MiddleButtom).height);
    step = 24;
    PlaceLineAbove(m_.date, base1);
    step = 25;
    const float base2 = RoundHalfEven(HasText(r_.Date) ? m_.date.box.top : base1);
    step = 26;
    PlaceLineAbove(m_.author, base2);

    step = 27;
    if (!HasText(r_.Date) || !HasText(r_.Author)) return;
    if (m_.author.box.width > m_.date.box.width) {
      AlignUnder(m_.date, m_.author);
    } else {
      AlignUnder(m_.author, m_.date);
    }
  }

  PopupModel& m_;
  const MsgRecord& r_;
  const TextMeasure& measure_;
  float cw_ = 0;  // client width, whole pixels
  float ch_ = 0;  // client height, whole pixels
};

}  // namespace

float RoundHalfEven(float value) {
  // nearbyint follows the current rounding mode, which is round-to-nearest-even.
  return std::nearbyint(value);
}

std::optional<int> LayoutPopupModel(PopupModel& model, const MsgRecord& record, const TextMeasure& measure) noexcept {
  Layout layout(model, record, measure);
  try {
    layout.Run();
    return std::nullopt;
  } catch (...) {
    return layout.step;
  }
}

}  // namespace notify
