#include "app/popup_window_win.h"

#include "platform/ui/form_win.h"

namespace notify {

namespace {

// Interim: the bare form, until the skinned popup view is wired in.
class BareForm final : public PopupWindow {
 public:
  HWND Handle() const override { return form_.Handle(); }
  void LoadSkinStyle(const MsgRecord&, xml::DomDocument*) override {}
  void LayoutPopup(const MsgRecord& record) override {
    form_.BackColor(record.FormColor);
    form_.WidthTwips(record.FormWidth);
    form_.HeightTwips(record.FormHeight);
  }
  void SetRoundedRegion(std::int16_t, std::int16_t) override {}
  void PlacePopup() override {}
  void Show() override { form_.Show(); }
  void Hide() override { form_.Hide(); }
  void Unload() override { form_.Unload(); }
  void OnClick(std::function<void()>, std::function<void()>) override {}

 private:
  ui::Form form_;
};

}  // namespace

std::unique_ptr<PopupWindow> CreatePopupWindow() { return std::make_unique<BareForm>(); }

}  // namespace notify
