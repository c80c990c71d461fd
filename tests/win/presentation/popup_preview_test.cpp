#include "presentation/popup_preview_win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "../../unit/platform/xml/xml_test_support.h"
#include "catalogue/selection.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/ui/picture_win.h"
#include "presentation/placement.h"
#include "test_support.h"

namespace notify {
namespace {

constexpr std::uint32_t kRgb = 0x00FFFFFF;

std::uint32_t Alpha(std::uint32_t argb) { return argb >> 24; }

// The demo's real catalogue and Blue skin, read and laid out by the product's own code.
class PopupPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFolder_ = ProgramFolder();
    demo_ = test::FixturePath("../../demo").lexically_normal().wstring() + L"\\";
    SetProgramFolder(demo_);
    document_ = xml::test::NewDocument();
    ASSERT_NE(document_, nullptr);
    SelectionEnvironment env;
    env.AppDataFolder = scratch_.text();
    env.Today = [] { return CivilDate{2026, 12, 8}; };
    env.Dates = std::make_shared<PortableDateParser>();
    ASSERT_TRUE(SelectMessages(document_.get(), state_, env));
    ASSERT_EQ(state_.Messages[1].ID, L"demo-update");
  }
  void TearDown() override { SetProgramFolder(savedFolder_); }

  const MsgRecord& Update() const { return state_.Messages[1]; }
  std::uint32_t SkinPixel(const wchar_t* file, int x, int y) const {
    return ui::LoadPicture(demo_ + L"Image\\Blue\\" + file)->PixelAt(x, y) & kRgb;
  }

  test::TempDir scratch_;
  std::wstring demo_;
  std::wstring savedFolder_;
  std::unique_ptr<xml::DomDocument> document_;
  CatalogueState state_;
};

TEST_F(PopupPreviewTest, DrawsTheSkinnedPopupWithItsTextButtonsAndRoundCorners) {
  PopupView view;
  view.LoadSkinStyle(Update(), document_.get());
  view.LayoutPopup(Update());
  const PopupSnapshot shot = SnapshotPopup(view, kRoundCornerPixels, kRoundCornerPixels);

  // The popup's size, at least what the catalogue asks for before the optional rows.
  EXPECT_EQ(shot.width, view.Form().ClientWidth());
  EXPECT_EQ(shot.height, view.Form().ClientHeight());
  EXPECT_GE(shot.width, 340);
  EXPECT_GE(shot.height, 140);
  const int w = shot.width;
  const int h = shot.height;

  // Corners cut away, edges kept; square corners without the ellipse.
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}}) {
    EXPECT_EQ(shot.At(x, y), 0u) << x << "," << y;
  }
  const PopupSnapshot square = SnapshotPopup(view, 0, 0);
  EXPECT_EQ(Alpha(square.At(0, 0)), 255u);
  EXPECT_EQ(Alpha(square.At(w - 1, h - 1)), 255u);

  // The frame: the skin's one-pixel border on all four sides, the title band inside.
  const std::uint32_t border = SkinPixel(L"LeftTop.bmp", 0, 10);
  EXPECT_EQ(shot.At(w / 2, 0), 0xFF000000u | border);
  EXPECT_EQ(shot.At(w / 2, h - 1), 0xFF000000u | border);
  EXPECT_EQ(shot.At(0, h / 2), 0xFF000000u | border);
  EXPECT_EQ(shot.At(w - 1, h / 2), 0xFF000000u | border);
  EXPECT_EQ(shot.At(w / 2, 20) & kRgb, SkinPixel(L"MiddleTop.bmp", 0, 20));

  // The title's text: pixels in its box that the title band's own colour does not explain.
  const Rect title = view.Lbl_Title().Bounds();
  ASSERT_GT(title.width, 0);
  int inked = 0;
  for (int y = title.top; y < title.top + title.height; ++y) {
    const std::uint32_t band = SkinPixel(L"MiddleTop.bmp", 0, y);
    for (int x = title.left; x < title.left + title.width; ++x) inked += (shot.At(x, y) & kRgb) != band;
  }
  EXPECT_GT(inked, 20);

  // The confirm button is the button's own painting, not the form behind it.
  const Rect confirm = view.Cmd_Confirm().Bounds();
  ASSERT_TRUE(view.Cmd_Confirm().Visible());
  view.Cmd_Confirm().Visible(false);
  const PopupSnapshot without = SnapshotPopup(view, kRoundCornerPixels, kRoundCornerPixels);
  int changed = 0;
  for (int y = confirm.top; y < confirm.top + confirm.height; ++y) {
    for (int x = confirm.left; x < confirm.left + confirm.width; ++x) changed += shot.At(x, y) != without.At(x, y);
  }
  EXPECT_GT(changed, confirm.width * confirm.height / 2);

  // The file keeps every pixel, the transparent corners included.
  const std::wstring file = scratch_.text() + L"preview.png";
  WritePng(shot, file);
  const ui::PicturePtr back = ui::LoadPicture(file);
  ASSERT_EQ(back->Width(), w);
  ASSERT_EQ(back->Height(), h);
  int differing = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) differing += back->PixelAt(x, y) != shot.At(x, y);
  }
  EXPECT_EQ(differing, 0);
  EXPECT_THROW(WritePng(shot, scratch_.text() + L"no\\such\\folder\\x.png"), RuntimeError);
}

}  // namespace
}  // namespace notify
