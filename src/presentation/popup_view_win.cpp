#include "presentation/popup_view_win.h"

#include "controls/button/uc04_win.h"
#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/ui/scale.h"
#include "platform/ui/screen_win.h"
#include "presentation/placement.h"
#include "presentation/skin_style.h"

namespace notify {
namespace {

// Design time: the corners and the logo show their pictures at natural size, the edges,
// the centre and the icon stretch theirs.
bool Stretches(PopupImage which) {
  switch (which) {
    case PopupImage::LeftTop:
    case PopupImage::RightTop:
    case PopupImage::LeftButtom:
    case PopupImage::RightButtom:
    case PopupImage::Logo:
      return false;
    default:
      return true;
  }
}

// The layout computes in single precision; controls hold whole pixels, halves to even.
int WholePixels(float value) {
  return ui::TwipsToPixels(value, 1.0f);
}

Rect ToControl(const RectF& box) {
  return {WholePixels(box.left), WholePixels(box.top), WholePixels(box.width), WholePixels(box.height)};
}

RectF ToModel(const Rect& r) {
  return {static_cast<float>(r.left), static_cast<float>(r.top), static_cast<float>(r.width),
          static_cast<float>(r.height)};
}

SizeF NaturalSize(const ui::PicturePtr& picture) {
  if (!picture) return {};  // a control without a picture measures 0 x 0
  return {static_cast<float>(picture->Width()), static_cast<float>(picture->Height())};
}

LabelModel CaptureLabel(const ui::Label& label) {
  return {ToModel(label.Bounds()), label.Visible(), label.Centred(), label.Text(), label.ForeColor()};
}

void ApplyLabel(ui::Label& label, const LabelModel& model) {
  if (label.Text() != model.text) label.Text(model.text);
  label.ForeColor(model.color);
  label.Centred(model.centred);
  label.Visible(model.visible);
  label.Move(ToControl(model.box));
}

ButtonModel CaptureButton(const PopupButton& button) {
  return {ToModel(button.Bounds()), button.Visible(), button.Caption(), button.ForeColor(), button.PColor()};
}

void ApplyButton(PopupButton& button, const ButtonModel& model) {
  if (button.ForeColor() != model.foreColor) button.ForeColor(model.foreColor);
  if (button.PColor() != model.pColor) button.PColor(model.pColor);
  if (button.Caption() != model.caption) button.Caption(model.caption);
  // Hidden and shown again for every message, so it is drawn at rest: a face left hovered
  // or pressed by the previous message does not carry over. (Showing a visible window with
  // SW_SHOWNA also redraws it, but only by a quirk of ShowWindow.)
  button.Visible(false);
  button.Visible(model.visible);
  button.Move(ToControl(model.box));
}

// The label font's metrics for the layout.
class FormTextMeasure final : public TextMeasure {
 public:
  explicit FormTextMeasure(const ui::Form& form) : form_(form) {}
  SizeF MeasureLine(const std::wstring& text) const override {
    const SIZE size = form_.MeasureText(text, -1);
    return {static_cast<float>(size.cx), static_cast<float>(size.cy)};
  }
  float WrappedHeight(const std::wstring& text, float width) const override {
    return static_cast<float>(form_.MeasureText(text, WholePixels(width)).cy);
  }

 private:
  const ui::Form& form_;
};

// Pictures from the skin onto the view's controls.
class ViewPictures final : public SkinPictures {
 public:
  explicit ViewPictures(PopupView& view) : view_(view) {}
  void SetPicture(SkinTarget target, const std::wstring& path) override {
    if (target == SkinTarget::Logo) return view_.SetLogoFile(path);
    ui::PicturePtr picture = ui::LoadPicture(path);
    if (target == SkinTarget::CloseFace) return view_.Cmd_Close().BtnPic(std::move(picture));
    if (target == SkinTarget::ConfirmFace) return view_.Cmd_Confirm().BtnPic(std::move(picture));
    view_.Image(ImageOf(target)).Picture(std::move(picture));
  }
  void ClearPicture(SkinTarget target) override {
    if (target == SkinTarget::CloseFace) return view_.Cmd_Close().BtnPic(nullptr);
    if (target == SkinTarget::ConfirmFace) return view_.Cmd_Confirm().BtnPic(nullptr);
    view_.Image(ImageOf(target)).ClearPicture();
  }

 private:
  static PopupImage ImageOf(SkinTarget target) {
    const auto image = PopupImageOf(target);
    if (!image) Fail("not an image");
    return *image;
  }
  PopupView& view_;
};

}  // namespace

PopupView::PopupView(const PopupButtonFactory& makeButton) {
  // Creation order is paint order: tiles, then icon and logo, then the labels.
  for (std::size_t i = 0; i < kPopupImageCount; ++i) {
    images_[i] = &form_.AddImage(Stretches(static_cast<PopupImage>(i)));
  }
  imgCheck_ = &form_.AddImage(false);
  imgCheck_->Visible(false);
  title_ = &form_.AddLabel(ui::LabelSizing::OneLine);
  content_ = &form_.AddLabel(ui::LabelSizing::WrapToWidth);
  date_ = &form_.AddLabel(ui::LabelSizing::OneLine);
  author_ = &form_.AddLabel(ui::LabelSizing::OneLine);
  close_ = makeButton(form_.Handle(), L"Cmd_Close", L"X", 31, 21);
  confirm_ = makeButton(form_.Handle(), L"Cmd_Confirm", L"\u786E\u5B9A", 77, 27);
  form_.OnAccessKey([this](wchar_t key) { return button::UC04::HandleAccessKey(form_.Handle(), key); });
  form_.OnDpiChanged([this](int dpi) { Rescale(dpi); });
  form_.Accessible(this);
}

PopupView::~PopupView() { Unload(); }

void PopupView::Unload() {
  form_.Accessible(nullptr);
  close_.reset();
  confirm_.reset();
  form_.Unload();
}

PopupModel PopupView::Capture() const {
  PopupModel model;
  model.backColor = form_.BackColor();
  model.widthTwips = form_.WidthTwips();
  model.heightTwips = form_.HeightTwips();
  for (std::size_t i = 0; i < kPopupImageCount; ++i) {
    model.images[i] = {ToModel(images_[i]->Bounds()), NaturalSize(images_[i]->Picture())};
  }
  model.title = CaptureLabel(*title_);
  model.content = CaptureLabel(*content_);
  model.date = CaptureLabel(*date_);
  model.author = CaptureLabel(*author_);
  model.close = CaptureButton(*close_);
  model.confirm = CaptureButton(*confirm_);
  return model;
}

void PopupView::Apply(const PopupModel& model) {
  form_.BackColor(model.backColor);
  form_.MoveTwips(form_.LeftTwips(), form_.TopTwips(), model.widthTwips, model.heightTwips);
  for (std::size_t i = 0; i < kPopupImageCount; ++i) images_[i]->Move(ToControl(model.images[i].box));
  if (model.checkPicture) {
    imgCheck_->Picture(Image(*model.checkPicture).Picture());
  } else {
    imgCheck_->ClearPicture();
  }
  ApplyLabel(*title_, model.title);
  // The window's own text is the title, as readers and window lists show it.
  ::SetWindowTextW(form_.Handle(), model.title.text.c_str());
  ApplyLabel(*content_, model.content);
  ApplyLabel(*date_, model.date);
  ApplyLabel(*author_, model.author);
  ApplyButton(*close_, model.close);
  ApplyButton(*confirm_, model.confirm);
}

void PopupView::OnClick(std::function<void()> closeClick, std::function<void()> confirmClick) {
  form_.OnClose(closeClick);
  close_->OnClick(std::move(closeClick));
  confirm_->OnClick(std::move(confirmClick));
}

void PopupView::LoadSkinStyle(const MsgRecord& record, xml::DomDocument* document) noexcept {
  TrapVoid([&] {
    ViewPictures pictures(*this);
    notify::LoadSkinStyle(record, ProgramFolder(), document, pictures);
  });
  // The pictures are decoded: the imaging library is not needed while the popup shows.
  ui::ReleasePictureDecoder();
}

void PopupView::SetLogoFile(const std::wstring& path) {
  Image(PopupImage::Logo).Picture(ui::LoadPicture(path));
  logoPath_ = path;
}

void PopupView::LoadLogo(const MsgRecord& record) noexcept {
  TrapVoid([&] {
    const std::wstring path = LogoPath(ProgramFolder(), record.Logo);
    if (EqualsNoCase(path, logoPath_) || !FileExists(path)) return;
    SetLogoFile(path);
  });
  ui::ReleasePictureDecoder();
}

void PopupView::LayoutPopup(const MsgRecord& record) noexcept {
  TrapVoid([&] {
    laidOut_ = record;
    Layout(record);
  });
  TrapVoid([&] { PlaceAgain(); });
}

void PopupView::Layout(const MsgRecord& record) {
  PopupModel model = Capture();
  LayoutPopupModel(model, record, FormTextMeasure(form_));
  // Also after a failed step: what the layout set before it stays.
  Apply(model);
}

void PopupView::SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight) noexcept {
  regionCorner_ = ellipseWidth == ellipseHeight ? std::optional<std::int16_t>(ellipseWidth) : std::nullopt;
  notify::SetRoundedRegion(form_, ellipseWidth, ellipseHeight);
}

void PopupView::PlacePopup(const ui::MonitorArea& screen) noexcept {
  placing_ = true;
  notify::PlacePopup(form_, calls_, screen);
  placing_ = false;
  placed_ = true;
  // Placed is ready to be seen: drawn now, the show's first paint is a copy.
  form_.RenderAhead();
}

win::DeleteObjectOwner CreatePopupRegion(const ui::Form& form, std::int16_t ellipseWidth, std::int16_t ellipseHeight,
                                         const WindowShapeCalls& calls) {
  // The region is in device pixels: one past the window's own size, corners scaled.
  const int dpi = form.Dpi();
  return win::DeleteObjectOwner(calls.createRoundRectRgn(0, 0, form.ClientWidth() + 1, form.ClientHeight() + 1,
                                                         ui::ScaleLength(ellipseWidth, dpi),
                                                         ui::ScaleLength(ellipseHeight, dpi)));
}

void SetRoundedRegion(ui::Form& form, std::int16_t ellipseWidth, std::int16_t ellipseHeight,
                      const WindowShapeCalls& calls) noexcept {
  TrapVoid([&] {
    win::DeleteObjectOwner region = CreatePopupRegion(form, ellipseWidth, ellipseHeight, calls);
    if (!region) {
      // Square and whole rather than clipped by the previous message's region.
      (void)calls.setWindowRgn(form.Handle(), nullptr, TRUE);
      return;
    }
    if (calls.setWindowRgn(form.Handle(), static_cast<HRGN>(region.get()), TRUE) == 0) return;
    region.release();  // the window owns it now
  });
}

void PlaceOnMonitor(ui::Form& form, const WindowShapeCalls& calls, const ui::MonitorArea& screen) {
  const Point at =
      PopupPixelPosition(calls.screenMetrics(), screen, form.Dpi(), form.ClientWidth(), form.ClientHeight());
  form.MoveToPixels({at.x, at.y});
}

void PlacePopup(ui::Form& form, const WindowShapeCalls& calls, const ui::MonitorArea& screen) noexcept {
  TrapVoid([&] {
    // Sized at the scale of the monitor it goes to before it goes there, so the size and
    // the margins are both in that monitor's pixels.
    form.SetDpi(calls.monitorDpi(screen.monitor));
    PlaceOnMonitor(form, calls, screen);
    // NOACTIVATE: making the popup topmost must not take the activation from the user's
    // window (and without a window manager Wine would wait on every later hide). A popup
    // that cannot be made topmost is still shown where it is.
    (void)calls.setWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  });
}

}  // namespace notify
