#include "controls/shadow/shadow_controller.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace notify {
namespace {

const char* Name(ShadowSide side) {
  switch (side) {
    case ShadowSide::Right: return "right";
    case ShadowSide::Bottom: return "bottom";
    case ShadowSide::Left: return "left";
    case ShadowSide::Top: return "top";
  }
  return "?";
}

// Records every effect as a short line, e.g. "draw right", "move top", "show left".
class RecordingEffects : public ShadowEffects {
 public:
  PlatformFacts facts{6, 1, 32};
  bool visible = true;
  std::vector<std::string> log;
  std::vector<Rect> drawnRects;
  std::vector<Rect> movedRects;
  int lastDepth = 0;
  std::uint32_t lastColour = 0;
  int lastTransparency = -1;

  PlatformFacts QueryPlatform() override { return facts; }
  bool OwnerVisible() override { return visible; }
  std::uint32_t SysColor(int index) override { return 0x010101u * static_cast<std::uint32_t>(index); }
  void CreateSideWindows() override { log.push_back("create"); }
  void DestroySide(ShadowSide s) override { log.push_back(std::string("destroy ") + Name(s)); }
  void DrawSide(ShadowSide s, const Rect& rect, int depth, std::uint32_t colour,
                std::uint8_t transparency) override {
    log.push_back(std::string("draw ") + Name(s));
    drawnRects.push_back(rect);
    ++Of(s).draws;
    lastDepth = depth;
    lastColour = colour;
    lastTransparency = transparency;
  }
  void MoveSide(ShadowSide s, const Rect& rect) override {
    log.push_back(std::string("move ") + Name(s));
    movedRects.push_back(rect);
    Of(s).at = rect;
  }
  void ShowSide(ShadowSide s, bool show) override {
    log.push_back(std::string(show ? "show " : "hide ") + Name(s));
    Of(s).shown = show;
  }

  // What the user sees of each strip: shown or not, where, and how often it was drawn.
  struct Strip {
    bool shown = false;
    Rect at;
    int draws = 0;
  };
  std::array<Strip, 4> strips{};
  Strip& Of(ShadowSide s) { return strips[static_cast<std::size_t>(s)]; }
};

using Log = std::vector<std::string>;

class ShadowControllerTest : public ::testing::Test {
 protected:
  void PosChanged(int x, int y, int cx, int cy, std::uint32_t flags = 0) {
    const OwnerPosition pos{x, y, cx, cy, flags};
    shadow.OnOwnerMessage(kWmWindowPosChanged, 0, &pos);
  }
  // The owner drawn and shown once at (100,100) 400 x 200, log cleared.
  void Settle() {
    PosChanged(100, 100, 400, 200, kSwpShowWindow);
    fx.log.clear();
    fx.drawnRects.clear();
    fx.movedRects.clear();
  }
  // Every strip shown (or hidden) beside the owner at `owner`, drawn `draws` times since
  // the last ResetDraws.
  void ExpectStrips(const RecordingEffects& effects, bool shown, const OwnerPosition& owner,
                    const std::array<int, 4>& draws) {
    for (ShadowSide side : {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Left, ShadowSide::Top}) {
      const auto& strip = effects.strips[static_cast<std::size_t>(side)];
      EXPECT_EQ(strip.shown, shown) << Name(side);
      EXPECT_EQ(strip.at, SideRect(side, owner, shadow.Depth())) << Name(side);
      EXPECT_EQ(strip.draws, draws[static_cast<std::size_t>(side)]) << Name(side);
    }
  }
  static void ResetDraws(RecordingEffects& effects) {
    for (auto& strip : effects.strips) strip.draws = 0;
  }
  RecordingEffects fx;
  ShadowController shadow{fx};
};

constexpr std::array<int, 4> kDrawnOnce{1, 1, 1, 1};
constexpr std::array<int, 4> kNotDrawn{0, 0, 0, 0};
constexpr std::array<int, 4> kBottomTop{0, 1, 0, 1};  // right, bottom, left, top

const Log kMoveAll{"move right", "move bottom", "move left", "move top"};

TEST_F(ShadowControllerTest, Defaults) {
  EXPECT_EQ(shadow.Depth(), 7);
  EXPECT_EQ(shadow.Transparency(), 140);
  EXPECT_EQ(shadow.Color(), 0u);
  EXPECT_TRUE(shadow.Supported());
  EXPECT_TRUE(shadow.ThemeWatch());
  EXPECT_FALSE(shadow.Shown());
  EXPECT_TRUE(fx.log.empty());
}

TEST_F(ShadowControllerTest, FirstShowDrawsEverythingMovesAndShows) {
  PosChanged(100, 100, 400, 200, kSwpShowWindow);
  ExpectStrips(fx, true, {100, 100, 400, 200, 0}, kDrawnOnce);
  EXPECT_TRUE(shadow.Shown());
  ASSERT_EQ(fx.movedRects.size(), 4u);
  EXPECT_EQ(fx.movedRects[0], (Rect{500, 93, 7, 214}));
  EXPECT_EQ(fx.movedRects[3], (Rect{93, 93, 407, 7}));
}

TEST_F(ShadowControllerTest, PureMoveRedrawsNothingAndMovesFour) {
  Settle();
  ResetDraws(fx);
  PosChanged(300, 250, 400, 200);
  ExpectStrips(fx, true, {300, 250, 400, 200, 0}, kNotDrawn);
  ASSERT_EQ(fx.movedRects.size(), 4u);
  EXPECT_EQ(fx.movedRects[1], (Rect{293, 450, 407, 7}));
}

struct ResizeCase {
  const char* what;
  int cx, cy;
  std::array<int, 4> draws;  // right, bottom, left, top
};

TEST_F(ShadowControllerTest, ResizeRedrawsOnlyTheStripsOfTheChangedDimension) {
  const ResizeCase cases[] = {
      {"width", 401, 200, kBottomTop},
      {"height", 400, 150, {1, 0, 1, 0}},
      {"both", 10, 20, kDrawnOnce},
      {"neither", 400, 200, kNotDrawn},
  };
  for (const auto& c : cases) {
    RecordingEffects localFx;
    ShadowController local(localFx);
    local.OnOwnerMessage(kWmWindowPosChanged, 0, nullptr);  // ignored: no record
    const OwnerPosition first{100, 100, 400, 200, kSwpShowWindow};
    local.OnOwnerMessage(kWmWindowPosChanged, 0, &first);
    ResetDraws(localFx);
    const OwnerPosition next{100, 100, c.cx, c.cy, 0};
    local.OnOwnerMessage(kWmWindowPosChanged, 0, &next);
    SCOPED_TRACE(c.what);
    ExpectStrips(localFx, true, next, c.draws);
  }
}

TEST_F(ShadowControllerTest, HideFlagHidesAndStops) {
  Settle();
  PosChanged(100, 100, 999, 999, kSwpHideWindow);
  for (const auto& strip : fx.strips) EXPECT_FALSE(strip.shown);
  EXPECT_FALSE(shadow.Shown());
  fx.log.clear();
  // Already hidden: a second hide does nothing; the size seen while hidden is drawn later.
  PosChanged(100, 100, 999, 999, kSwpHideWindow);
  EXPECT_TRUE(fx.log.empty());
  ResetDraws(fx);
  PosChanged(100, 100, 999, 999, kSwpShowWindow);
  ExpectStrips(fx, true, {100, 100, 999, 999, 0}, kDrawnOnce);
}

// Unwanted strips hide at once, keep following the owner hidden (its show and restore
// included), and come back at the owner's current place when wanted again.
TEST_F(ShadowControllerTest, UnwantedStripsStayHiddenAndFollowUntilWantedAgain) {
  Settle();
  shadow.SetWanted(false);
  ExpectStrips(fx, false, {100, 100, 400, 200, 0}, kDrawnOnce);
  ResetDraws(fx);
  PosChanged(200, 300, 500, 200, kSwpShowWindow);
  shadow.OnOwnerMessage(kWmSize, kSizeRestored, nullptr);
  ExpectStrips(fx, false, {200, 300, 500, 200, 0}, kBottomTop);
  EXPECT_FALSE(shadow.Shown());
  ResetDraws(fx);
  shadow.SetWanted(true);
  ExpectStrips(fx, true, {200, 300, 500, 200, 0}, kNotDrawn);
  fx.visible = false;  // wanted again while the owner is hidden: nothing shows yet
  shadow.SetWanted(false);
  shadow.SetWanted(true);
  ExpectStrips(fx, false, {200, 300, 500, 200, 0}, kNotDrawn);
}

TEST_F(ShadowControllerTest, ShowFlagWhileShownDoesNotShowAgain) {
  Settle();
  PosChanged(100, 100, 400, 200, kSwpShowWindow);
  EXPECT_TRUE(fx.log.empty()) << "shown where they already are: nothing to move or show";
}

struct SizeCase {
  std::uint64_t kind;
  bool visible;
  bool shownBefore;
  Log expected;
};

TEST_F(ShadowControllerTest, SizeMessage) {
  const SizeCase cases[] = {
      {0, true, false, {"show right", "show bottom", "show left", "show top"}},
      {0, true, true, {}},
      {0, false, false, {}},
      {1, true, false, {}},  // minimised
      {1, true, true, {}},
      {2, true, false, {}},  // maximised
  };
  for (const auto& c : cases) {
    RecordingEffects localFx;
    ShadowController local(localFx);
    if (c.shownBefore) local.ShowShadowWindows(true, false);
    localFx.log.clear();
    localFx.visible = c.visible;
    local.OnOwnerMessage(kWmSize, c.kind, nullptr);
    EXPECT_EQ(localFx.log, c.expected) << "kind " << c.kind << " visible " << c.visible;
    EXPECT_EQ(local.Shown(), c.shownBefore || !c.expected.empty());
  }
}

TEST_F(ShadowControllerTest, ForcedShowRepeats) {
  shadow.ShowShadowWindows(true, false);
  fx.log.clear();
  shadow.ShowShadowWindows(true, true);
  EXPECT_EQ(fx.log.size(), 4u);
  shadow.ShowShadowWindows(true, false);
  EXPECT_EQ(fx.log.size(), 4u);
}

struct SupportCase {
  PlatformFacts facts;
  bool supported;
  bool themeWatch;
};

TEST(ShadowSupport, VersionAndColourDepth) {
  const SupportCase cases[] = {
      {{4, 10, 32}, false, false}, {{5, 0, 32}, true, false}, {{5, 1, 32}, true, true},
      {{6, 1, 16}, true, true},    {{6, 0, 8}, false, false}, {{10, 0, 24}, true, false},
      {{6, 2, 15}, false, true},
  };
  for (const auto& c : cases) {
    RecordingEffects fx;
    fx.facts = c.facts;
    ShadowController shadow(fx);
    EXPECT_EQ(shadow.Supported(), c.supported) << c.facts.majorVersion << "." << c.facts.minorVersion
                                               << " " << c.facts.bitsPerPixel;
    EXPECT_EQ(shadow.ThemeWatch(), c.themeWatch) << c.facts.majorVersion << "." << c.facts.minorVersion;
  }
}

TEST_F(ShadowControllerTest, PropertiesRefreshOnlyOnChange) {
  Settle();
  shadow.SetDepth(5);
  const Log refresh{"draw right", "draw left", "draw bottom", "draw top"};
  EXPECT_EQ(fx.log, refresh);
  EXPECT_EQ(fx.lastDepth, 5);
  fx.log.clear();
  shadow.SetDepth(5);
  shadow.SetDepth(0);  // outside the model: ignored
  shadow.SetDepth(-3);
  EXPECT_EQ(shadow.Depth(), 5);
  EXPECT_TRUE(fx.log.empty());

  shadow.SetColor(0x424242);
  EXPECT_EQ(fx.log, refresh);
  EXPECT_EQ(fx.lastColour, 0x424242u);
  fx.log.clear();
  shadow.SetColor(0x424242);
  EXPECT_TRUE(fx.log.empty());

  shadow.SetTransparency(50 + 256);  // low 8 bits
  EXPECT_EQ(shadow.Transparency(), 50);
  EXPECT_EQ(fx.log, refresh);
  EXPECT_EQ(fx.lastTransparency, 50);
  fx.log.clear();
  shadow.SetTransparency(50);
  EXPECT_TRUE(fx.log.empty());
}

TEST_F(ShadowControllerTest, SystemColourIsResolvedAndStored) {
  Settle();
  shadow.SetColor(0x80000010u);  // fake SysColor(16) = 0x101010
  EXPECT_EQ(shadow.Color(), 0x101010u);
  EXPECT_EQ(fx.log.size(), 4u);
  fx.log.clear();
  shadow.SetColor(0x101010u);  // same value, given directly
  EXPECT_TRUE(fx.log.empty());
}

TEST_F(ShadowControllerTest, PropertiesWhileHiddenDrawNothing) {
  Settle();
  fx.visible = false;
  shadow.SetDepth(3);
  shadow.SetColor(0x123456);
  shadow.SetTransparency(7);
  EXPECT_TRUE(fx.log.empty());
  EXPECT_EQ(shadow.Depth(), 3);
}

TEST_F(ShadowControllerTest, DisplayChangeDestroysAndRecreates) {
  Settle();
  fx.facts.bitsPerPixel = 8;
  shadow.OnOwnerMessage(kWmDisplayChange, 8, nullptr);
  const Log destroyed{"destroy bottom", "destroy right", "destroy left", "destroy top"};
  EXPECT_EQ(fx.log, destroyed);
  EXPECT_FALSE(shadow.Supported());
  fx.log.clear();
  shadow.OnOwnerMessage(kWmDisplayChange, 8, nullptr);  // still unsupported
  EXPECT_TRUE(fx.log.empty());
  fx.facts.bitsPerPixel = 32;
  shadow.OnOwnerMessage(kWmDisplayChange, 32, nullptr);
  const Log back{"create",     "draw right",  "draw left", "draw bottom", "draw top",
                 "show right", "show bottom", "show left", "show top"};
  EXPECT_EQ(fx.log, back);
  fx.log.clear();
  PosChanged(100, 100, 400, 200);
  EXPECT_EQ(fx.log, kMoveAll) << "the new windows are placed, though the owner did not move";
  fx.log.clear();
  shadow.OnOwnerMessage(kWmDisplayChange, 32, nullptr);  // supported before and after
  EXPECT_TRUE(fx.log.empty());
}

TEST_F(ShadowControllerTest, ThemeChangeRechecksAndRefreshes) {
  Settle();
  shadow.OnOwnerMessage(kWmThemeChanged, 0, nullptr);
  const Log refresh{"draw right", "draw left", "draw bottom", "draw top"};
  EXPECT_EQ(fx.log, refresh);
  fx.log.clear();
  fx.facts.bitsPerPixel = 8;
  shadow.OnOwnerMessage(kWmThemeChanged, 0, nullptr);
  EXPECT_TRUE(fx.log.empty());
  EXPECT_FALSE(shadow.Supported());
}

TEST_F(ShadowControllerTest, OtherMessagesDoNothing) {
  Settle();
  for (std::uint32_t m : {0x01u, 0x0Fu, 0x46u, 0x200u}) shadow.OnOwnerMessage(m, 0, nullptr);
  EXPECT_TRUE(fx.log.empty());
}

}  // namespace
}  // namespace notify
