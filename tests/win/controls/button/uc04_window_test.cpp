#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "controls/button/uc04_win.h"
#include "picture_files.h"
#include "platform/handles_win.h"
#include "platform/text.h"
#include "platform/ui/picture_win.h"
#include "test_support.h"
#include "uc04_host_window.h"

namespace notify::test {
namespace {

using button::UC04;

// Face strip colours, 0x00RRGGBB as the surface stores them: per cell a corner colour,
// an edge colour and a centre colour, all distinct.
struct CellColours {
  std::uint32_t corner;
  std::uint32_t edge;
  std::uint32_t centre;
};
constexpr std::array<CellColours, 5> kCells = {{
    {0x101010, 0x2040A0, 0xC0E0F0},  // 0 normal
    {0x202020, 0xA02040, 0xF0C0C0},  // 1 pressed
    {0x303030, 0x808080, 0xD0D0D0},  // 2 disabled
    {0x404040, 0x20A040, 0xC0F0C0},  // 3 hover
    {0x505050, 0xA0A020, 0xF0F0C0},  // 4 State 1
}};

std::uint32_t StripPixel(int x, int y) {
  const CellColours& c = kCells[static_cast<std::size_t>(x / 19)];
  const int cx = x % 19;
  const bool borderX = cx < 4 || cx >= 15;
  const bool borderY = y < 4 || y >= 19;
  return 0xFF000000u | (borderX && borderY ? c.corner : (borderX || borderY ? c.edge : c.centre));
}

ui::PicturePtr LoadStrip(const TempDir& dir) {
  WriteBytes(dir / "strip.bmp", MakeBmp(95, 23, StripPixel));
  return ui::LoadPicture(dir.text() + L"strip.bmp");
}

int Channel(std::uint32_t v, int shift) { return static_cast<int>((v >> shift) & 0xFF); }

constexpr std::uint32_t ToRgb(button::Color c) {  // 0x00BBGGRR -> 0x00RRGGBB
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Checks the whole look of one cell on a W x H surface without caption or focus frame.
void ExpectCell(const UC04& b, int cell, button::Color pColor) {
  SCOPED_TRACE("cell " + std::to_string(cell));
  const CellColours& c = kCells[static_cast<std::size_t>(cell)];
  const int w = b.Width();
  const int h = b.Height();
  struct Probe {
    int x, y;
    std::uint32_t colour;
    const char* what;
  };
  const std::vector<Probe> probes = {
      {0, 0, ToRgb(pColor), "top-left corner pixel"},
      {w - 1, 0, ToRgb(pColor), "top-right corner pixel"},
      {w - 1, h - 1, ToRgb(pColor), "bottom-right corner pixel"},
      {0, h - 1, ToRgb(pColor), "bottom-left corner pixel"},
      {1, 1, c.corner, "top-left corner piece"},
      {w - 2, h - 2, c.corner, "bottom-right corner piece"},
      {3, h - 4, c.corner, "bottom-left corner piece"},
      {4, 0, c.edge, "top edge start"},
      {w - 5, 3, c.edge, "top edge end"},
      {w / 2, h - 1, c.edge, "bottom edge"},
      {0, 4, c.edge, "left edge start"},
      {w - 1, h - 5, c.edge, "right edge end"},
      {4, 4, c.centre, "centre start"},
      {w - 5, h - 5, c.centre, "centre end"},
      {w / 2, h / 2, c.centre, "centre middle"},
  };
  for (const Probe& p : probes)
    EXPECT_EQ(b.SurfacePixel(p.x, p.y), p.colour) << p.what << " at " << p.x << "," << p.y;
}

struct Fixture : ::testing::Test {
  TempDir dir;
  HostWindow host{20, 20, 320, 200};
  ui::PicturePtr strip = LoadStrip(dir);

  std::unique_ptr<UC04> CloseButton() {
    auto b = button::CreateCmdClose(host.get());
    b->SetCaption(L"");
    b->SetBtnPic(strip);
    b->Move(10, 10, 31, 21);
    Pump(20);
    return b;
  }
};

using UC04Window = Fixture;

TEST_F(UC04Window, DesignTimeInstancesComeFromTheStore) {
  struct Row {
    std::function<std::unique_ptr<UC04>(HWND)> create;
    const wchar_t* caption;
    int width, height;
  };
  for (const Row& r : std::vector<Row>{{button::CreateCmdClose, L"X", 31, 21},
                                       {button::CreateCmdConfirm, L"\u786e\u5b9a", 77, 27}}) {
    auto b = r.create(host.get());
    SCOPED_TRACE(ToUtf8(r.caption));
    EXPECT_EQ(b->Caption(), r.caption);
    EXPECT_EQ(b->Width(), r.width);
    EXPECT_EQ(b->Height(), r.height);
    RECT client{};
    ::GetClientRect(b->Window(), &client);
    EXPECT_EQ(client.right, r.width);
    EXPECT_EQ(client.bottom, r.height);
    ASSERT_TRUE(b->Font());
    EXPECT_EQ(b->Font()->face, L"\u5b8b\u4f53");
    EXPECT_EQ(b->Font()->points, 9);
    EXPECT_EQ(b->Font()->weight, 400);
    EXPECT_EQ(b->Font()->charset, 134);
    EXPECT_TRUE(b->Enabled());
    EXPECT_EQ(b->ForeColor(), 0u);
    EXPECT_EQ(b->BackColor(), 0x999999u);
    EXPECT_EQ(b->PColor(), 0xFFFFFFu);
    EXPECT_EQ(b->State(), 0);
    EXPECT_FALSE(b->HasFocus());
    EXPECT_FALSE(b->BtnPic());
    EXPECT_TRUE(b->Visible());
    EXPECT_EQ(b->AccessKey(), 0);
  }
}

TEST_F(UC04Window, NewInstanceWithoutStoreShowsItsNameOnGrey) {
  auto b = UC04::Create(host.get(), L"Cmd_Test", nullptr);
  b->Move(5, 5, 80, 30);
  Pump(20);
  EXPECT_EQ(b->Caption(), L"Cmd_Test");
  EXPECT_EQ(b->SurfacePixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(b->SurfacePixel(79, 29), 0xFFFFFFu);
  EXPECT_EQ(b->SurfacePixel(2, 2), 0x999999u);
  int black = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) black += b->SurfacePixel(x, y) == 0;
  EXPECT_GT(black, 10) << "the black caption";
}

TEST_F(UC04Window, CellsFollowStateAndEnabled) {
  auto b = CloseButton();
  b->SetPColor(0x00FF00);
  ExpectCell(*b, 0, 0x00FF00);
  b->SetState(1);
  ExpectCell(*b, 4, 0x00FF00);
  b->SetState(2);
  ExpectCell(*b, 4, 0x00FF00);
  b->SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(b->Window()));
  EXPECT_EQ(b->ForeColor(), 0x0092A1A1u);
  ExpectCell(*b, 2, 0x00FF00);
  b->SetEnabled(true);
  EXPECT_EQ(b->ForeColor(), 0u);
  ExpectCell(*b, 4, 0x00FF00);
  b->SetState(0);
  ExpectCell(*b, 0, 0x00FF00);
}

TEST_F(UC04Window, StretchesTheStripOntoTheConfirmSize) {
  auto b = button::CreateCmdConfirm(host.get());
  b->SetCaption(L"");
  b->SetBtnPic(strip);
  ExpectCell(*b, 0, 0xFFFFFF);
}

// Pixels that differ between two snapshots of the surface.
std::vector<POINT> Changed(const UC04& b, const std::vector<std::uint32_t>& before) {
  std::vector<POINT> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.SurfacePixel(x, y) != before[static_cast<std::size_t>(y * b.Width() + x)])
        out.push_back({x, y});
  return out;
}

std::vector<std::uint32_t> Snapshot(const UC04& b) {
  std::vector<std::uint32_t> s;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) s.push_back(b.SurfacePixel(x, y));
  return s;
}

TEST_F(UC04Window, FocusFrameOnlyOnTheOutlineAndNeverOnCellTwo) {
  auto b = CloseButton();
  const auto plain = Snapshot(*b);
  b->SetHasFocus(true);
  EXPECT_TRUE(Changed(*b, plain).empty()) << "no frame without the focus";
  ::SetFocus(b->Window());
  Pump(20);
  ASSERT_TRUE(b->Focused());
  b->SetState(0);  // any redraw
  const auto changed = Changed(*b, plain);
  ASSERT_FALSE(changed.empty());
  int onLeft = 0, onRight = 0, onTop = 0, onBottom = 0;
  for (const POINT& p : changed) {
    const bool outline = ((p.x == 4 || p.x == 26) && p.y >= 4 && p.y <= 16) ||
                         ((p.y == 4 || p.y == 16) && p.x >= 4 && p.x <= 26);
    EXPECT_TRUE(outline) << p.x << "," << p.y;
    onLeft += p.x == 4;
    onRight += p.x == 26;
    onTop += p.y == 4;
    onBottom += p.y == 16;
  }
  EXPECT_GT(onLeft, 0);
  EXPECT_GT(onRight, 0);
  EXPECT_GT(onTop, 0);
  EXPECT_GT(onBottom, 0);
  // Disabled: cell 2 exactly, no outline.
  b->SetEnabled(false);
  ExpectCell(*b, 2, 0xFFFFFF);
  for (int i = 4; i <= 16; ++i) {
    EXPECT_EQ(b->SurfacePixel(4, i), kCells[2].centre) << "left outline row " << i;
    EXPECT_EQ(b->SurfacePixel(26, i), kCells[2].centre) << "right outline row " << i;
  }
  for (int i = 4; i <= 26; ++i) {
    EXPECT_EQ(b->SurfacePixel(i, 4), kCells[2].centre) << "top outline column " << i;
    EXPECT_EQ(b->SurfacePixel(i, 16), kCells[2].centre) << "bottom outline column " << i;
  }
}

TEST_F(UC04Window, WideCaptionIsClippedAtBothEdges) {
  auto b = CloseButton();
  const auto plain = Snapshot(*b);
  b->SetCaption(L"WWWWWWWWWWWWWWWWWWWW");
  const auto changed = Changed(*b, plain);
  bool left = false, right = false;
  for (const POINT& p : changed) {
    left |= p.x <= 1;
    right |= p.x >= b->Width() - 2;
  }
  EXPECT_TRUE(left);
  EXPECT_TRUE(right);
  // The host around the control keeps its own colour on screen.
  ::UpdateWindow(host.get());
  Pump(50);
  const std::uint32_t around = host.ScreenPixel(9, 15);
  EXPECT_EQ(around, HostWindow::kBackground) << std::hex << around;
  EXPECT_EQ(host.ScreenPixel(41, 15), HostWindow::kBackground);
}

// Text is antialiased, so the darkest caption pixel on a white surface is compared.
TEST_F(UC04Window, CaptionColourFollowsEnabled) {
  auto b = UC04::Create(host.get(), L"WWWW", nullptr);
  b->SetFont(std::make_shared<button::FontSpec>(
      button::FontSpec{L"Tahoma", 20, 700, false, false, false, 0}));  // stems wider than 1 px
  b->SetBackColor(0xFFFFFF);
  auto darkest = [&] {
    std::uint32_t best = 0xFFFFFF;
    auto sum = [](std::uint32_t c) { return Channel(c, 0) + Channel(c, 8) + Channel(c, 16); };
    for (int y = 1; y < b->Height() - 1; ++y)
      for (int x = 1; x < b->Width() - 1; ++x)
        if (sum(b->SurfacePixel(x, y)) < sum(best)) best = b->SurfacePixel(x, y);
    return best;
  };
  auto expectNear = [](std::uint32_t actual, std::uint32_t want, int slack) {
    for (int shift : {0, 8, 16})
      EXPECT_NEAR(Channel(actual, shift), Channel(want, shift), slack) << std::hex << actual;
  };
  b->SetForeColor(0x0000FF);
  b->SetEnabled(false);
  b->Move(0, 0, 120, 41);  // a clear, so only this caption is on the surface
  expectNear(darkest(), ToRgb(0x0092A1A1), 8);
  b->SetEnabled(true);
  b->Move(0, 0, 120, 40);
  expectNear(darkest(), 0x000000, 0x30);  // black again, whatever ForeColor was
}

TEST_F(UC04Window, ResizeClearsToBackColorAndRedraws) {
  auto b = UC04::Create(host.get(), L"", nullptr);
  b->Move(0, 0, 40, 30);
  b->SetBackColor(0x0000FF);  // red; not cleared yet
  EXPECT_EQ(b->SurfacePixel(3, 3), 0x999999u);
  b->Move(0, 0, 50, 30);
  Pump(20);
  EXPECT_EQ(b->Width(), 50);
  EXPECT_EQ(b->SurfacePixel(3, 3), 0xFF0000u);
  EXPECT_EQ(b->SurfacePixel(49, 0), 0xFFFFFFu);
}

TEST_F(UC04Window, TooSmallDrawsNothing) {
  auto b = CloseButton();
  b->Move(10, 10, 8, 21);
  Pump(20);
  // Cleared to BackColor by the resize and nothing drawn over it: not even the corners.
  for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {7, 20}, {4, 10}})
    EXPECT_EQ(b->SurfacePixel(x, y), 0x999999u) << x << "," << y;
}

TEST_F(UC04Window, PaintCopiesTheSurfaceToTheScreen) {
  auto b = CloseButton();
  b->SetPColor(0x0000FF);
  ::UpdateWindow(b->Window());
  Pump(50);
  EXPECT_EQ(host.ScreenPixel(10 + 15, 10 + 10), kCells[0].centre);
  EXPECT_EQ(host.ScreenPixel(10, 10), 0xFF0000u);
}

TEST_F(UC04Window, TimerFindsThePointerElsewhereOnce) {
  ::SetCursorPos(1000, 900);
  int outs = 0;
  auto b = CloseButton();
  b->Events.MouseOut = [&] { ++outs; };
  b->SetState(1);
  // The timer armed at creation may already have fired during CloseButton's pump on a
  // loaded machine; a move over the button arms it again, as the pointer's passing does.
  ::SendMessageW(b->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(b->TimerArmed());
  Pump(400);
  EXPECT_EQ(outs, 1);
  EXPECT_FALSE(b->TimerArmed());
  ExpectCell(*b, 4, 0xFFFFFF);
}

TEST_F(UC04Window, AccessKeyRaisesClickOnlyForItsHost) {
  auto b = CloseButton();
  int clicks = 0;
  b->Events.Click = [&] { ++clicks; };
  b->SetCaption(L"&Go");
  EXPECT_EQ(b->AccessKey(), L'G');
  EXPECT_TRUE(UC04::HandleAccessKey(host.get(), L'g'));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(UC04::HandleAccessKey(host.get(), L'x'));
  HostWindow other{400, 20, 100, 100};
  EXPECT_FALSE(UC04::HandleAccessKey(other.get(), L'G'));
  b->SetEnabled(false);
  EXPECT_FALSE(UC04::HandleAccessKey(host.get(), L'G'));
  EXPECT_EQ(clicks, 1);
  // Alt+G delivered to the focused control itself.
  b->SetEnabled(true);
  ::SetFocus(b->Window());
  ::SendMessageW(b->Window(), WM_SYSCHAR, L'g', 0x20000000);
  EXPECT_EQ(clicks, 2);
}

TEST_F(UC04Window, KeysNeverPressTheButton) {
  auto b = CloseButton();
  int clicks = 0;
  std::vector<int> keys;
  b->Events.Click = [&] { ++clicks; };
  b->Events.KeyDown = [&](std::int16_t& k, std::int16_t&) { keys.push_back(k); };
  b->Events.KeyPress = [&](std::int16_t& k) { keys.push_back(1000 + k); };
  b->Events.KeyUp = [&](std::int16_t& k, std::int16_t&) { keys.push_back(2000 + k); };
  for (WPARAM key : {WPARAM{VK_SPACE}, WPARAM{VK_RETURN}}) {
    ::SendMessageW(b->Window(), WM_KEYDOWN, key, 0);
    ::SendMessageW(b->Window(), WM_CHAR, key, 0);
    ::SendMessageW(b->Window(), WM_KEYUP, key, 0xC0000000);
  }
  EXPECT_EQ(keys, (std::vector<int>{32, 1032, 2032, 13, 1013, 2013}));
  EXPECT_EQ(clicks, 0);
  ExpectCell(*b, 0, 0xFFFFFF);
}

}  // namespace
}  // namespace notify::test
