#include "app/popup_window_win.h"

#include "presentation/popup_view_win.h"

namespace notify {

namespace {

class SkinnedPopup final : public PopupWindow {
 public:
  HWND Handle() const override { return view_.Handle(); }
  int Dpi() const override { return view_.Form().Dpi(); }
  void LoadSkinStyle(const MsgRecord& record, xml::DomDocument* doc) override { view_.LoadSkinStyle(record, doc); }
  void LoadLogo(const MsgRecord& record) override { view_.LoadLogo(record); }
  void LayoutPopup(const MsgRecord& record) override { view_.LayoutPopup(record); }
  void SetRoundedRegion(std::int16_t ellipseWidth, std::int16_t ellipseHeight) override {
    view_.SetRoundedRegion(ellipseWidth, ellipseHeight);
  }
  void PlacePopup(const ui::MonitorArea& screen) override { view_.PlacePopup(screen); }
  void Show() override { view_.Show(); }
  void Announce() override { view_.Announce(); }
  void Hide() override { view_.Hide(); }
  void Unload() override { view_.Unload(); }
  void OnClick(std::function<void()> closeClick, std::function<void()> confirmClick) override {
    view_.OnClick(std::move(closeClick), std::move(confirmClick));
  }
  void OnEndSession(std::function<void()> handler) override { view_.Form().OnEndSession(std::move(handler)); }

 private:
  PopupView view_;
};

}  // namespace

std::unique_ptr<PopupWindow> CreatePopupWindow() { return std::make_unique<SkinnedPopup>(); }

}  // namespace notify
