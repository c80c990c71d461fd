#pragma once
// CL10's behaviour without the windows: properties, support check and the reactions to
// the owner's messages. Every effect on the four strips goes through ShadowEffects.
#include <array>
#include <cstdint>
#include <optional>

#include "controls/shadow/shadow_geometry.h"

namespace notify {

// Message numbers the shadow reacts to (the same values as the Win32 ones).
inline constexpr std::uint32_t kWmSize = 0x05;
inline constexpr std::uint32_t kWmWindowPosChanged = 0x47;
inline constexpr std::uint32_t kWmDisplayChange = 0x7E;
inline constexpr std::uint32_t kWmThemeChanged = 0x31A;
inline constexpr std::uint64_t kSizeRestored = 0;
inline constexpr std::uint32_t kSwpShowWindow = 0x40;
inline constexpr std::uint32_t kSwpHideWindow = 0x80;

struct PlatformFacts {
  int majorVersion = 0;
  int minorVersion = 0;
  int bitsPerPixel = 0;
};

class ShadowEffects {
 public:
  virtual ~ShadowEffects() = default;
  virtual PlatformFacts QueryPlatform() = 0;
  virtual bool OwnerVisible() = 0;
  virtual std::uint32_t SysColor(int index) = 0;
  virtual void CreateSideWindows() = 0;
  // Each call acts on one strip; a strip whose window does not exist ignores it.
  virtual void DestroySide(ShadowSide side) = 0;
  virtual void DrawSide(ShadowSide side, const Rect& rect, int depth, std::uint32_t colour,
                        std::uint8_t transparency) = 0;
  virtual void MoveSide(ShadowSide side, const Rect& rect) = 0;
  virtual void ShowSide(ShadowSide side, bool show) = 0;
  // The DPI the owner is drawn at, for a depth that follows its scale.
  virtual int OwnerDpi() { return 96; }
};

class ShadowController {
 public:
  // Runs CheckShadowSupport; depth 7, transparency 140, black.
  explicit ShadowController(ShadowEffects& effects);

  std::uint32_t Color() const { return colour_; }
  void SetColor(std::uint32_t vNewColor);
  std::int32_t Depth() const { return depth_; }
  // Depths below 1 are ignored: the gradient divides by the depth.
  void SetDepth(std::int32_t vNewDepth);
  // A depth in 96-DPI pixels, drawn at the owner's DPI now and again whenever the owner
  // moves or resizes, as it does when its scale changes. SetDepth ends that.
  void SetDepthAt96(std::int32_t depth);
  std::uint8_t Transparency() const { return transparency_; }
  void SetTransparency(std::int32_t vNewTransparency);

  void CheckShadowSupport();
  // wParam is the message's; `position` is read only for WM_WINDOWPOSCHANGED.
  void OnOwnerMessage(std::uint32_t uMsg, std::uint64_t wParam, const OwnerPosition* position);
  void RefreshShadow();
  void ShowShadowWindows(bool show, bool forced);
  // Unwanted strips stay hidden while they go on following the owner; wanted again, they
  // show at once beside a visible owner.
  void SetWanted(bool wanted);

  bool Supported() const { return supported_; }
  bool ThemeWatch() const { return themeWatch_; }
  bool Shown() const { return shown_; }
  bool Wanted() const { return wanted_; }
  const OwnerPosition& Owner() const { return owner_; }
  Rect StripRect(ShadowSide side) const { return SideRect(side, owner_, depth_); }

 private:
  void FollowOwner();
  void FollowScale();
  void OnDisplayChange();
  void Draw(ShadowSide side);
  void Move(ShadowSide side);

  ShadowEffects& effects_;
  std::uint32_t colour_ = 0;
  std::int32_t depth_ = 7;
  std::int32_t depthAt96_ = 0;  // 0: the depth does not follow the owner's scale
  std::uint8_t transparency_ = 140;
  bool supported_ = false;
  bool themeWatch_ = false;
  bool shown_ = false;
  bool wanted_ = true;
  int drawnWidth_ = 0;
  int drawnHeight_ = 0;
  OwnerPosition owner_;
  std::array<std::optional<Rect>, 4> movedTo_;  // where each strip was last moved
};

}  // namespace notify
