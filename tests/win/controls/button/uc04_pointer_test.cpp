// The real pointer on the X server, moved and clicked by xdotool, against a real host
// window: hover, press, click and leaving.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/button/uc04_win.h"
#include "picture_files.h"
#include "platform/ui/picture_win.h"
#include "test_support.h"
#include "uc04_host_window.h"

namespace notify::test {
namespace {

using button::UC04;

// One flat colour per cell, so a single pixel tells which cell is on the surface.
constexpr std::uint32_t kCellColour[5] = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0};

struct Recorded {
  int clicks = 0;
  int downs = 0;
  int ups = 0;
  int moves = 0;
  int outs = 0;
};

class UC04Pointer : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_ / "flat.bmp",
               MakeBmp(95, 23, [](int x, int) { return 0xFF000000u | kCellColour[x / 19]; }));
    Xdotool(L"mousemove 1200 1000");
    ASSERT_TRUE(PumpUntil(
        [] {
          POINT p{};
          return ::GetCursorPos(&p) && p.x == 1200 && p.y == 1000;
        },
        5000));
    button_ = button::CreateCmdConfirm(host_.get());
    button_->SetBtnPic(ui::LoadPicture(dir_.text() + L"flat.bmp"));
    button_->Move(50, 40, 77, 27);
    button_->Events.Click = [this] { ++seen_.clicks; };
    button_->Events.MouseDown = [this](std::int16_t&, std::int16_t&, float&, float&) {
      ++seen_.downs;
    };
    button_->Events.MouseUp = [this](std::int16_t&, std::int16_t&, float&, float&) { ++seen_.ups; };
    button_->Events.MouseMove = [this](std::int16_t&, std::int16_t&, float&, float&) {
      ++seen_.moves;
    };
    button_->Events.MouseOut = [this] { ++seen_.outs; };
    Pump(200);  // the creation tick finds the pointer elsewhere
    seen_ = {};
  }

  // Which cell the surface shows, read at a point away from the caption.
  int CellShown() const {
    const std::uint32_t c = button_->SurfacePixel(6, 6);
    for (int i = 0; i < 5; ++i)
      if (c == kCellColour[i]) return i;
    return -1;
  }

  void MoveOnto(int x, int y) {
    const POINT p = host_.ToScreen(50 + x, 40 + y);
    Xdotool(L"mousemove " + std::to_wstring(p.x) + L" " + std::to_wstring(p.y));
  }

  TempDir dir_;
  HostWindow host_{200, 200, 300, 150};
  std::unique_ptr<UC04> button_;
  Recorded seen_;
};

TEST_F(UC04Pointer, HoverPressClickAndLeave) {
  ASSERT_EQ(CellShown(), 0);
  MoveOnto(20, 13);
  ASSERT_TRUE(PumpUntil([&] { return seen_.moves > 0 && CellShown() == 3; }, 5000))
      << "hover look after moving in; cell " << CellShown();
  EXPECT_TRUE(button_->Hovering());

  Xdotool(L"mousedown 1");
  ASSERT_TRUE(PumpUntil([&] { return seen_.downs == 1; }, 5000));
  EXPECT_EQ(CellShown(), 1);
  EXPECT_EQ(::GetCapture(), button_->Window());

  Xdotool(L"mouseup 1");
  ASSERT_TRUE(PumpUntil([&] { return seen_.ups == 1; }, 5000));
  Pump(300);
  EXPECT_EQ(seen_.clicks, 1);
  EXPECT_EQ(CellShown(), 3);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(seen_.outs, 0) << "the pointer never left";

  Xdotool(L"mousemove 1200 1000");
  ASSERT_TRUE(PumpUntil([&] { return seen_.outs > 0; }, 5000));
  Pump(300);
  EXPECT_EQ(seen_.outs, 1);
  EXPECT_EQ(CellShown(), 0);
  EXPECT_FALSE(button_->Hovering());
  EXPECT_FALSE(button_->TimerArmed());
  EXPECT_EQ(seen_.clicks, 1);
}

TEST_F(UC04Pointer, DragOffKeepsPressedUntilTheTickThenReleaseOutsideIsNoClick) {
  MoveOnto(20, 13);
  ASSERT_TRUE(PumpUntil([&] { return CellShown() == 3; }, 5000));
  Xdotool(L"mousedown 1");
  ASSERT_TRUE(PumpUntil([&] { return seen_.downs == 1; }, 5000));
  Xdotool(L"mousemove 1200 1000");
  ASSERT_TRUE(PumpUntil([&] { return seen_.outs > 0; }, 5000));
  EXPECT_EQ(CellShown(), 0) << "the tick restored the resting look";
  Xdotool(L"mouseup 1");
  ASSERT_TRUE(PumpUntil([&] { return seen_.ups == 1; }, 5000));
  Pump(200);
  EXPECT_EQ(CellShown(), 3) << "release outside draws the hover cell";
  EXPECT_EQ(seen_.clicks, 0);
}

TEST_F(UC04Pointer, RightButtonPressesButDoesNotClick) {
  MoveOnto(30, 10);
  ASSERT_TRUE(PumpUntil([&] { return CellShown() == 3; }, 5000));
  Xdotool(L"click 3");
  ASSERT_TRUE(PumpUntil([&] { return seen_.ups == 1; }, 5000));
  Pump(200);
  EXPECT_EQ(seen_.downs, 1);
  EXPECT_EQ(seen_.clicks, 0);
}

}  // namespace
}  // namespace notify::test
