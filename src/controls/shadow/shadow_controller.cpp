#include "controls/shadow/shadow_controller.h"

#include "platform/ui/scale.h"

namespace notify {

namespace {
constexpr std::uint32_t kSysColorFlag = 0x80000000u;
constexpr ShadowSide kAllSides[] = {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Left,
                                    ShadowSide::Top};
}  // namespace

ShadowController::ShadowController(ShadowEffects& effects) : effects_(effects) {
  CheckShadowSupport();
}

void ShadowController::SetColor(std::uint32_t vNewColor) {
  if ((vNewColor & kSysColorFlag) != 0) {
    vNewColor = effects_.SysColor(static_cast<int>(vNewColor & ~kSysColorFlag));
  }
  if (vNewColor == colour_) return;
  colour_ = vNewColor;
  RefreshShadow();
}

void ShadowController::SetDepth(std::int32_t vNewDepth) {
  depthAt96_ = 0;
  if (vNewDepth < 1 || vNewDepth == depth_) return;
  depth_ = vNewDepth;
  RefreshShadow();
}

void ShadowController::SetDepthAt96(std::int32_t depth) {
  if (depth < 1) return;
  SetDepth(ui::ScaleLength(static_cast<float>(depth), effects_.OwnerDpi()));
  depthAt96_ = depth;
}

// Before the strips follow the owner: a new scale comes with a new size, so all four are
// drawn again at the new depth.
void ShadowController::FollowScale() {
  if (depthAt96_ < 1) return;
  const int depth = ui::ScaleLength(static_cast<float>(depthAt96_), effects_.OwnerDpi());
  if (depth < 1 || depth == depth_) return;
  depth_ = depth;
  drawnWidth_ = -1;
  drawnHeight_ = -1;
}

void ShadowController::SetTransparency(std::int32_t vNewTransparency) {
  const auto value = static_cast<std::uint8_t>(vNewTransparency & 0xFF);
  if (value == transparency_) return;
  transparency_ = value;
  RefreshShadow();
}

void ShadowController::CheckShadowSupport() {
  supported_ = false;
  const PlatformFacts facts = effects_.QueryPlatform();
  if (facts.majorVersion < 5) return;
  if (facts.minorVersion > 0) themeWatch_ = true;
  supported_ = facts.bitsPerPixel >= 16;
}

void ShadowController::Draw(ShadowSide side) {
  effects_.DrawSide(side, StripRect(side), depth_, colour_, transparency_);
}

// Each move is a round trip to the window system: a strip already there is left alone.
void ShadowController::Move(ShadowSide side) {
  auto& at = movedTo_[static_cast<std::size_t>(side)];
  const Rect rect = StripRect(side);
  if (at == rect) return;
  at = rect;
  effects_.MoveSide(side, rect);
}

void ShadowController::RefreshShadow() {
  if (!supported_ || !effects_.OwnerVisible()) return;
  for (ShadowSide side : {ShadowSide::Right, ShadowSide::Left, ShadowSide::Bottom, ShadowSide::Top}) {
    Draw(side);
  }
}

void ShadowController::SetWanted(bool wanted) {
  if (wanted == wanted_) return;
  wanted_ = wanted;
  if (!wanted) {
    ShowShadowWindows(false, false);
  } else if (supported_ && effects_.OwnerVisible()) {
    ShowShadowWindows(true, false);
  }
}

void ShadowController::ShowShadowWindows(bool show, bool forced) {
  show = show && wanted_;
  if (!forced && show == shown_) return;
  shown_ = show;
  if (show) {
    for (ShadowSide side : kAllSides) effects_.ShowSide(side, true);
    return;
  }
  for (ShadowSide side : {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Top, ShadowSide::Left}) {
    effects_.ShowSide(side, false);
  }
}

void ShadowController::FollowOwner() {
  if ((owner_.flags & kSwpHideWindow) != 0) {
    ShowShadowWindows(false, false);
    return;
  }
  if (owner_.cx != drawnWidth_) {
    drawnWidth_ = owner_.cx;
    Draw(ShadowSide::Bottom);
    Draw(ShadowSide::Top);
  }
  if (owner_.cy != drawnHeight_) {
    drawnHeight_ = owner_.cy;
    Draw(ShadowSide::Right);
    Draw(ShadowSide::Left);
  }
  for (ShadowSide side : kAllSides) Move(side);
  if ((owner_.flags & kSwpShowWindow) != 0) ShowShadowWindows(true, false);
}

void ShadowController::OnDisplayChange() {
  const bool before = supported_;
  CheckShadowSupport();
  movedTo_ = {};  // new windows, or none: nothing is where it was
  if (before && !supported_) {
    for (ShadowSide side : {ShadowSide::Bottom, ShadowSide::Right, ShadowSide::Left, ShadowSide::Top}) {
      effects_.DestroySide(side);
    }
    return;
  }
  if (!before && supported_) {
    effects_.CreateSideWindows();
    RefreshShadow();
    if (effects_.OwnerVisible()) ShowShadowWindows(true, true);
  }
}

void ShadowController::OnOwnerMessage(std::uint32_t uMsg, std::uint64_t wParam,
                                      const OwnerPosition* position) {
  switch (uMsg) {
    case kWmWindowPosChanged:
      if (position == nullptr) return;
      owner_ = *position;
      FollowScale();
      FollowOwner();
      return;
    case kWmSize:
      if (wParam == kSizeRestored && effects_.OwnerVisible()) ShowShadowWindows(true, false);
      return;
    case kWmDisplayChange:
      OnDisplayChange();
      return;
    case kWmThemeChanged:
      CheckShadowSupport();
      RefreshShadow();
      return;
    default:
      return;
  }
}

}  // namespace notify
