#pragma once
// CL10: a soft drop shadow around one borderless form, made of four layered, click-through
// popup windows owned by the form that follow it through its intercepted messages.
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>

#include "controls/shadow/interceptor_win.h"
#include "controls/shadow/shadow_controller.h"

namespace notify {

class CL10 : private MessageCallback, private ShadowEffects {
 public:
  CL10();
  ~CL10() override;
  CL10(const CL10&) = delete;
  CL10& operator=(const CL10&) = delete;

  std::uint32_t Color() const { return controller_.Color(); }
  // Bit 31 set: a system colour index, stored as its current value.
  void SetColor(std::uint32_t vNewColor) noexcept;
  std::int32_t Depth() const { return controller_.Depth(); }
  void SetDepth(std::int32_t vNewDepth) noexcept;
  // A depth in 96-DPI pixels drawn at the owner's scale, as `ownerDpi` tells it (the
  // window's own DPI without it), now and whenever the owner moves or resizes.
  void SetDepthAt96(std::int32_t depth, std::function<int()> ownerDpi = {}) noexcept;
  std::uint8_t Transparency() const { return controller_.Transparency(); }
  void SetTransparency(std::int32_t vNewTransparency) noexcept;

  // Attaches the shadow to the form; false when unsupported, already attached or the
  // interception could not start.
  bool Shadow(HWND form) noexcept;
  // Puts the strips beside an owner that is already on screen. The owner's next change
  // would do it, but a popup that stays visible between two messages has none.
  void FollowVisibleOwner() noexcept;
  // Shows the strips with the owner (the default) or keeps them hidden; stays attached.
  void ShowStrips(bool show) noexcept;

  // Tests: capture error reports instead of a message box, count strip redraws, look at
  // the strips and the interception.
  void SetErrorReport(ErrorReport report) { interceptor_.SetErrorReport(std::move(report)); }
  void SetDrawObserver(std::function<void(ShadowSide)> observer) { drawObserver_ = std::move(observer); }
  HWND SideWindow(ShadowSide side) const { return windows_[static_cast<std::size_t>(side)]; }
  bool Supported() const { return controller_.Supported(); }
  bool Shown() const { return controller_.Shown(); }
  Interceptor& Interception() { return interceptor_; }

 private:
  void OnMessage(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg,
                 WPARAM wParam, LPARAM lParam, std::int32_t& lParamUser) override;
  void OnOwnerMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);

  PlatformFacts QueryPlatform() override;
  bool OwnerVisible() override;
  std::uint32_t SysColor(int index) override;
  void CreateSideWindows() override;
  void DestroySide(ShadowSide side) override;
  void DrawSide(ShadowSide side, const Rect& rect, int depth, std::uint32_t colour,
                std::uint8_t transparency) override;
  void MoveSide(ShadowSide side, const Rect& rect) override;
  void ShowSide(ShadowSide side, bool show) override;
  int OwnerDpi() override;

  HWND owner_ = nullptr;
  std::array<HWND, 4> windows_{};  // right, bottom, left, top
  Interceptor interceptor_;
  ShadowController controller_;
  std::function<void(ShadowSide)> drawObserver_;
  std::function<int()> ownerDpi_;
};

// Attaches `shadow` to the popup form and, when that worked, gives it the popup's look,
// its depth following the form's scale as `formDpi` tells it.
void ApplyShadow(HWND form, CL10& shadow, std::function<int()> formDpi = {}) noexcept;

}  // namespace notify
