#include "controls/shadow/cl10_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "test_window.h"

namespace notify {
namespace {

using shadow_test::PumpMessages;
using shadow_test::TestWindow;

constexpr ShadowSide kSides[] = {ShadowSide::Right, ShadowSide::Bottom, ShadowSide::Left, ShadowSide::Top};

Rect WindowRectOf(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class Cl10Test : public ::testing::Test {
 protected:
  Cl10Test() {
    shadow->SetErrorReport([this](const std::wstring& routine, const std::wstring& text) {
      reports.emplace_back(routine, text);
    });
    shadow->SetDrawObserver([this](ShadowSide side) { draws.push_back(side); });
  }
  void SetUp() override {
    ASSERT_NE(form.hwnd(), nullptr);
    ASSERT_TRUE(shadow->Supported()) << "Wine reports 6.1 and a 24/32-bit screen";
  }
  // ApplyShadow, then show the form active at its place.
  void AttachAndShow() {
    ApplyShadow(form.hwnd(), *shadow);
    ASSERT_NE(shadow->SideWindow(ShadowSide::Right), nullptr);
    ::ShowWindow(form.hwnd(), SW_SHOW);
    ::SetForegroundWindow(form.hwnd());
    PumpMessages();
    draws.clear();
  }
  void ExpectStripsAt(const OwnerPosition& owner, int depth) {
    for (ShadowSide side : kSides) {
      EXPECT_EQ(WindowRectOf(shadow->SideWindow(side)), SideRect(side, owner, depth))
          << "side " << static_cast<int>(side);
    }
  }
  void ExpectStripsVisible(bool visible) {
    for (ShadowSide side : kSides) {
      EXPECT_EQ(::IsWindowVisible(shadow->SideWindow(side)) != FALSE, visible) << static_cast<int>(side);
    }
  }
  using Report = std::pair<std::wstring, std::wstring>;
  std::vector<Report> reports;
  std::vector<ShadowSide> draws;
  TestWindow form{100, 100, 400, 200, 0};
  std::unique_ptr<CL10> shadow = std::make_unique<CL10>();
};

TEST_F(Cl10Test, DefaultsAndApplyShadowLook) {
  EXPECT_EQ(shadow->Depth(), 7);
  EXPECT_EQ(shadow->Transparency(), 140);
  EXPECT_EQ(shadow->Color(), 0u);
  ApplyShadow(form.hwnd(), *shadow);
  EXPECT_EQ(shadow->Depth(), 5);
  EXPECT_EQ(shadow->Color(), static_cast<std::uint32_t>(RGB(66, 66, 66)));
  EXPECT_EQ(shadow->Transparency(), 50);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Cl10Test, ShadowCreatesFourHiddenLayeredClickThroughStripsOwnedByTheForm) {
  ASSERT_TRUE(shadow->Shadow(form.hwnd()));
  for (ShadowSide side : kSides) {
    const HWND strip = shadow->SideWindow(side);
    ASSERT_TRUE(::IsWindow(strip)) << static_cast<int>(side);
    wchar_t className[64] = {};
    ::GetClassNameW(strip, className, 64);
    EXPECT_EQ(std::wstring(className), L"#32770");
    const auto exStyle = static_cast<DWORD>(::GetWindowLongW(strip, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT), static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT));
    EXPECT_EQ(::GetWindow(strip, GW_OWNER), form.hwnd());
    EXPECT_FALSE(::IsWindowVisible(strip));
  }
  EXPECT_TRUE(draws.empty());  // nothing drawn until the form moves, resizes or shows
}

TEST_F(Cl10Test, ShowingTheFormPlacesAndShowsTheStripsWithoutTakingActivation) {
  AttachAndShow();
  ExpectStripsVisible(true);
  ExpectStripsAt({100, 100, 400, 200, 0}, 5);
  EXPECT_TRUE(shadow->Shown());
  EXPECT_EQ(::GetForegroundWindow(), form.hwnd());
  EXPECT_EQ(::GetActiveWindow(), form.hwnd());
}

TEST_F(Cl10Test, ApplyShadowOnAFormAlreadyOnScreenShowsTheStripsAtOnce) {
  ::ShowWindow(form.hwnd(), SW_SHOW);
  ::SetForegroundWindow(form.hwnd());
  PumpMessages();
  ApplyShadow(form.hwnd(), *shadow);
  PumpMessages();
  ExpectStripsVisible(true);
  ExpectStripsAt(OwnerPosition{100, 100, 400, 200, 0}, 5);
  EXPECT_EQ(::GetForegroundWindow(), form.hwnd());
}

TEST_F(Cl10Test, MoveRedrawsNothingAndMovesAllFour) {
  AttachAndShow();
  ::SetWindowPos(form.hwnd(), nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PumpMessages();
  EXPECT_TRUE(draws.empty());
  ExpectStripsAt({300, 250, 400, 200, 0}, 5);
}

struct ResizeCase {
  const char* what;
  int cx, cy;
  std::vector<ShadowSide> draws;
};

TEST_F(Cl10Test, ResizeRedrawsOnlyTheStripsItShould) {
  AttachAndShow();
  const ResizeCase cases[] = {
      {"wider", 450, 200, {ShadowSide::Bottom, ShadowSide::Top}},
      {"taller", 450, 260, {ShadowSide::Right, ShadowSide::Left}},
      {"both", 300, 100, {ShadowSide::Bottom, ShadowSide::Top, ShadowSide::Right, ShadowSide::Left}},
  };
  for (const auto& c : cases) {
    draws.clear();
    ::SetWindowPos(form.hwnd(), nullptr, 0, 0, c.cx, c.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    EXPECT_EQ(draws, c.draws) << c.what;
    ExpectStripsAt({100, 100, c.cx, c.cy, 0}, 5);
  }
}

TEST_F(Cl10Test, HidingAndShowingTheFormFollowsWithoutActivation) {
  AttachAndShow();
  ::ShowWindow(form.hwnd(), SW_HIDE);
  PumpMessages();
  ExpectStripsVisible(false);
  EXPECT_FALSE(shadow->Shown());

  ::ShowWindow(form.hwnd(), SW_SHOW);
  ::SetForegroundWindow(form.hwnd());
  PumpMessages();
  ExpectStripsVisible(true);
  EXPECT_EQ(::GetForegroundWindow(), form.hwnd());
  EXPECT_EQ(::GetActiveWindow(), form.hwnd());
  ExpectStripsAt({100, 100, 400, 200, 0}, 5);
}

TEST_F(Cl10Test, PropertiesRedrawAllFourOnlyWhenChangedAndVisible) {
  AttachAndShow();
  shadow->SetTransparency(50);  // unchanged
  shadow->SetColor(RGB(66, 66, 66));
  EXPECT_TRUE(draws.empty());
  shadow->SetDepth(9);
  const std::vector<ShadowSide> refresh{ShadowSide::Right, ShadowSide::Left, ShadowSide::Bottom, ShadowSide::Top};
  EXPECT_EQ(draws, refresh);
  ExpectStripsAt({100, 100, 400, 200, 0}, 9);  // UpdateLayeredWindow places them too
  draws.clear();
  shadow->SetColor(0x80000000u | COLOR_HIGHLIGHT);
  EXPECT_EQ(shadow->Color(), static_cast<std::uint32_t>(::GetSysColor(COLOR_HIGHLIGHT)));
  ASSERT_NE(::GetSysColor(COLOR_HIGHLIGHT), RGB(66, 66, 66));
  EXPECT_EQ(draws, refresh);
  draws.clear();
  ::ShowWindow(form.hwnd(), SW_HIDE);
  PumpMessages();
  shadow->SetDepth(4);
  EXPECT_TRUE(draws.empty());
}

TEST_F(Cl10Test, SecondShadowReportsTheSingleFormErrorAndTheFirstKeepsItsShadow) {
  AttachAndShow();
  TestWindow other(10, 10, 50, 50);
  EXPECT_FALSE(shadow->Shadow(other.hwnd()));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (Report{L"Shadow", L"Only a single form per CL10 instance is allowed"}));
  EXPECT_EQ(::GetWindowLongPtrW(other.hwnd(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(TestWindow::OriginalProc()));
  ::SetWindowPos(form.hwnd(), nullptr, 140, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PumpMessages();
  ExpectStripsAt({140, 130, 400, 200, 0}, 5);
}

TEST_F(Cl10Test, MinimiseKeepsTheShownFlagAndRestoreShows) {
  AttachAndShow();
  ::ShowWindow(form.hwnd(), SW_MINIMIZE);
  PumpMessages();
  EXPECT_TRUE(shadow->Shown());
  ::ShowWindow(form.hwnd(), SW_RESTORE);
  PumpMessages();
  EXPECT_TRUE(shadow->Shown());
  ExpectStripsVisible(true);
}

TEST_F(Cl10Test, DestructionRestoresTheFormAndDestroysTheStrips) {
  const LONG_PTR original = ::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC);
  AttachAndShow();
  EXPECT_NE(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC), original);
  std::vector<HWND> strips;
  for (ShadowSide side : kSides) strips.push_back(shadow->SideWindow(side));
  shadow.reset();
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC), original);
  for (HWND strip : strips) EXPECT_FALSE(::IsWindow(strip));
  const int before = form.Received(WM_APP + 5);
  ::SendMessageW(form.hwnd(), WM_APP + 5, 0, 0);
  EXPECT_EQ(form.Received(WM_APP + 5), before + 1);
  // The form keeps working without its shadow.
  ::SetWindowPos(form.hwnd(), nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PumpMessages();
  EXPECT_TRUE(reports.empty());
}

TEST_F(Cl10Test, ShadowOnADeadWindowFailsAndLeavesTheOwnerSet) {
  HWND dead = nullptr;
  {
    TestWindow gone(0, 0, 10, 10);
    dead = gone.hwnd();
  }
  ASSERT_FALSE(::IsWindow(dead));
  EXPECT_FALSE(shadow->Shadow(dead));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], (Report{L"sc_Subclass", L"Invalid window handle"}));
  EXPECT_EQ(shadow->SideWindow(ShadowSide::Right), nullptr);
  // The stored owner makes a later attempt the single-form error.
  reports.clear();
  EXPECT_FALSE(shadow->Shadow(form.hwnd()));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].first, L"Shadow");
  EXPECT_EQ(::GetWindowLongPtrW(form.hwnd(), GWLP_WNDPROC),
            reinterpret_cast<LONG_PTR>(TestWindow::OriginalProc()));
}

TEST_F(Cl10Test, FormDestroyedBeforeTheShadowTakesTheStripsWithIt) {
  std::vector<HWND> strips;
  {
    TestWindow doomed(30, 30, 100, 60, 0);
    ASSERT_TRUE(shadow->Shadow(doomed.hwnd()));
    ::ShowWindow(doomed.hwnd(), SW_SHOWNOACTIVATE);
    PumpMessages();
    for (ShadowSide side : kSides) strips.push_back(shadow->SideWindow(side));
  }
  for (HWND strip : strips) EXPECT_FALSE(::IsWindow(strip));  // owned windows go with the owner
  shadow.reset();
  EXPECT_TRUE(reports.empty());
}

// Wine reports 6.1: the theme change is watched and redraws all four; a display change
// that keeps the colour depth changes nothing.
TEST_F(Cl10Test, ThemeAndDisplayChangesReachTheShadow) {
  AttachAndShow();
  ::SendMessageW(form.hwnd(), WM_THEMECHANGED, 0, 0);
  const std::vector<ShadowSide> refresh{ShadowSide::Right, ShadowSide::Left, ShadowSide::Bottom, ShadowSide::Top};
  EXPECT_EQ(draws, refresh);
  draws.clear();
  ::SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
  EXPECT_TRUE(draws.empty());
  for (ShadowSide side : kSides) EXPECT_TRUE(::IsWindow(shadow->SideWindow(side)));
  ExpectStripsVisible(true);
}

}  // namespace
}  // namespace notify
