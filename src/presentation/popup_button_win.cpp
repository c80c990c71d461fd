#include "presentation/popup_button_win.h"

#include <utility>

#include "controls/button/uc04_win.h"
#include "platform/error.h"
#include "platform/ui/scale.h"

namespace notify {
namespace {

class Uc04Button final : public PopupButton {
 public:
  explicit Uc04Button(std::unique_ptr<button::UC04> control) : control_(std::move(control)) {
    if (!control_) Fail("UC04");
  }

  HWND Handle() const override { return control_->Window(); }
  Rect Bounds() const override {
    const Rect device{control_->Left(), control_->Top(), control_->Width(), control_->Height()};
    // What was set reads back as set, though the window holds it at another scale.
    if (device == ToDevice(logical_)) return logical_;
    const auto back = [this](int v) { return ui::ScaleLength(ui::UnscaleLength(static_cast<float>(v), Dpi()), ui::kBaseDpi); };
    return {back(device.left), back(device.top), back(device.width), back(device.height)};
  }
  void Move(const Rect& b) override {
    if (b.width < 0 || b.height < 0) Fail("negative size");
    logical_ = b;
    const Rect d = ToDevice(b);
    control_->Move(d.left, d.top, d.width, d.height);
  }
  void ScaleTo(int dpi) override {
    const Rect logical = Bounds();
    control_->SetDpi(dpi);
    Move(logical);
  }
  bool Visible() const override { return control_->Visible(); }
  void Visible(bool value) override { control_->SetVisible(value); }
  std::wstring Caption() const override { return control_->Caption(); }
  void Caption(const std::wstring& vNewCaption) override { control_->SetCaption(vNewCaption); }
  std::int32_t ForeColor() const override { return static_cast<std::int32_t>(control_->ForeColor()); }
  void ForeColor(std::int32_t vNewColor) override { control_->SetForeColor(static_cast<button::Color>(vNewColor)); }
  std::int32_t PColor() const override { return static_cast<std::int32_t>(control_->PColor()); }
  void PColor(std::int32_t vNewColor) override { control_->SetPColor(static_cast<button::Color>(vNewColor)); }
  ui::PicturePtr BtnPic() const override { return control_->BtnPic(); }
  void BtnPic(ui::PicturePtr NewPic) override { control_->SetBtnPic(std::move(NewPic)); }
  void OnClick(std::function<void()> handler) override { control_->Events.Click = std::move(handler); }
  void PerformClick() override {
    if (control_->Enabled()) control_->PerformClick();
  }

 private:
  int Dpi() const { return control_->Dpi(); }
  Rect ToDevice(const Rect& b) const {
    const ui::DeviceSpan x = ui::ScaleSpan(static_cast<float>(b.left), static_cast<float>(b.width), Dpi());
    const ui::DeviceSpan y = ui::ScaleSpan(static_cast<float>(b.top), static_cast<float>(b.height), Dpi());
    return {x.begin, y.begin, x.extent, y.extent};
  }

  std::unique_ptr<button::UC04> control_;
  Rect logical_{-1, -1, -1, -1};  // none set yet
};

}  // namespace

std::unique_ptr<PopupButton> CreateUc04Button(HWND parent, const std::wstring& name, const std::wstring& caption,
                                              int width, int height) {
  if (name == L"Cmd_Close") return std::make_unique<Uc04Button>(button::CreateCmdClose(parent));
  if (name == L"Cmd_Confirm") return std::make_unique<Uc04Button>(button::CreateCmdConfirm(parent));
  auto control = button::UC04::Create(parent, name, nullptr);
  control->SetCaption(caption);
  control->Move(0, 0, width, height);
  return std::make_unique<Uc04Button>(std::move(control));
}

}  // namespace notify
