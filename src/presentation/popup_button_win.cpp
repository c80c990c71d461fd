#include "presentation/popup_button_win.h"

#include <utility>

#include "controls/button/uc04_win.h"
#include "platform/error.h"

namespace notify {
namespace {

class Uc04Button final : public PopupButton {
 public:
  explicit Uc04Button(std::unique_ptr<button::UC04> control) : control_(std::move(control)) {
    if (!control_) Fail("UC04");
  }

  HWND Handle() const override { return control_->Window(); }
  ui::ControlRect Bounds() const override {
    return {control_->Left(), control_->Top(), control_->Width(), control_->Height()};
  }
  void Move(const ui::ControlRect& b) override {
    if (b.width < 0 || b.height < 0) Fail("negative size");
    control_->Move(b.left, b.top, b.width, b.height);
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

 private:
  std::unique_ptr<button::UC04> control_;
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
