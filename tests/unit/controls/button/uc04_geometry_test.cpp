#include "controls/button/uc04_geometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace notify::button {
namespace {

struct PieceRow {
  const char* piece;
  Rect source;
  RectF destination;
};

void ExpectPieces(const std::array<SlicePiece, 9>& actual, const std::vector<PieceRow>& expected) {
  ASSERT_EQ(expected.size(), actual.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].piece);
    EXPECT_EQ(actual[i].source, expected[i].source);
    EXPECT_EQ(actual[i].destination, expected[i].destination);
  }
}

TEST(NineSlice, Cell3On31x21) {
  // x0 = 57 for cell 3.
  ExpectPieces(NineSlice(31, 21, 3), {
                                         {"top-left", {57, 0, 4, 4}, {0, 0, 4, 4}},
                                         {"top-right", {72, 0, 4, 4}, {27, 0, 4, 4}},
                                         {"bottom-right", {72, 19, 4, 4}, {27, 17, 4, 4}},
                                         {"bottom-left", {57, 19, 4, 4}, {0, 17, 4, 4}},
                                         {"top edge", {61, 0, 11, 4}, {4, 0, 23, 4}},
                                         {"right edge", {72, 4, 4, 15}, {27, 4, 4, 13}},
                                         {"bottom edge", {61, 19, 11, 4}, {4, 17, 23, 4}},
                                         {"left edge", {57, 4, 4, 15}, {0, 4, 4, 13}},
                                         {"centre", {61, 4, 11, 15}, {4, 4, 23, 13}},
                                     });
}

TEST(NineSlice, Cell0On9x9HasOnePixelEdgesAndCentre) {
  ExpectPieces(NineSlice(9, 9, 0), {
                                       {"top-left", {0, 0, 4, 4}, {0, 0, 4, 4}},
                                       {"top-right", {15, 0, 4, 4}, {5, 0, 4, 4}},
                                       {"bottom-right", {15, 19, 4, 4}, {5, 5, 4, 4}},
                                       {"bottom-left", {0, 19, 4, 4}, {0, 5, 4, 4}},
                                       {"top edge", {4, 0, 11, 4}, {4, 0, 1, 4}},
                                       {"right edge", {15, 4, 4, 15}, {5, 4, 4, 1}},
                                       {"bottom edge", {4, 19, 11, 4}, {4, 5, 1, 4}},
                                       {"left edge", {0, 4, 4, 15}, {0, 4, 4, 1}},
                                       {"centre", {4, 4, 11, 15}, {4, 4, 1, 1}},
                                   });
}

TEST(NineSlice, EveryCellStartsNineteenPixelsFurther) {
  for (std::int16_t cell = 0; cell <= 4; ++cell) {
    const auto pieces = NineSlice(77, 27, cell);
    EXPECT_EQ(pieces[0].source.left, 19 * cell);
    EXPECT_EQ(pieces[8].source.left, 19 * cell + 4);
    EXPECT_EQ(pieces[1].source.left, 19 * cell + 15);
  }
}

// Invariant: corners, edges and centre tile the surface exactly, without overlap.
TEST(NineSlice, PiecesCoverTheSurfaceExactly) {
  for (auto [w, h] : std::vector<std::pair<int, int>>{{9, 9}, {31, 21}, {77, 27}, {200, 13}}) {
    std::vector<int> hits(static_cast<std::size_t>(w * h), 0);
    for (const SlicePiece& p : NineSlice(static_cast<float>(w), static_cast<float>(h), 2)) {
      const auto& d = p.destination;
      for (int y = static_cast<int>(d.top); y < static_cast<int>(d.top + d.height); ++y)
        for (int x = static_cast<int>(d.left); x < static_cast<int>(d.left + d.width); ++x)
          ++hits[static_cast<std::size_t>(y * w + x)];
    }
    for (int count : hits) ASSERT_EQ(count, 1) << w << "x" << h;
  }
}

TEST(TooSmallToDraw, EightPixelsOrLessOnEitherAxis) {
  struct Row {
    float w, h;
    bool tooSmall;
  };
  for (const Row& r : std::vector<Row>{{8, 21, true},
                                       {31, 8, true},
                                       {0, 0, true},
                                       {-3, 30, true},
                                       {8.5f, 21, false},
                                       {9, 9, false},
                                       {31, 21, false}}) {
    EXPECT_EQ(TooSmallToDraw(r.w, r.h), r.tooSmall) << r.w << "x" << r.h;
  }
}

TEST(FocusFrame, RightAndBottomRoundHalfToEven) {
  struct Row {
    float w, h;
    Edges frame;
  };
  for (const Row& r : std::vector<Row>{{31, 21, {4, 4, 27, 17}},
                                       {30.5f, 20.5f, {4, 4, 26, 16}},  // 26.5 -> 26, 16.5 -> 16
                                       {31.5f, 21.5f, {4, 4, 28, 18}},  // 27.5 -> 28, 17.5 -> 18
                                       {30.4f, 21.6f, {4, 4, 26, 18}},
                                       {77, 27, {4, 4, 73, 23}}}) {
    EXPECT_EQ(FocusFrame(r.w, r.h), r.frame) << r.w << "x" << r.h;
  }
}

TEST(Rounding, SixteenBitHalvesToEvenAndSaturates) {
  EXPECT_EQ(RoundToInt16(19.5f), 20);
  EXPECT_EQ(RoundToInt16(20.5f), 20);
  EXPECT_EQ(RoundToInt16(-0.5f), 0);
  EXPECT_EQ(RoundToInt16(-1.5f), -2);
  EXPECT_EQ(RoundToInt16(1e6f), 32767);
  EXPECT_EQ(RoundToInt16(-1e6f), -32768);
  EXPECT_EQ(RoundToInt32(2.5f), 2);
  EXPECT_EQ(RoundToInt32(3.5f), 4);
}

TEST(AccessKeyFor, Captions) {
  struct Row {
    const wchar_t* caption;
    wchar_t key;
  };
  for (const Row& r : std::vector<Row>{{L"&OK", L'O'},
                                       {L"a&&b&c", L'C'},
                                       {L"Save&", 0},
                                       {L"&1", 0},
                                       {L"&&", 0},
                                       {L"X", 0},
                                       {L"", 0},
                                       {L"&ok", L'O'},
                                       {L"&&&x", L'X'},
                                       {L"x&&", 0},
                                       {L"&\u00e9t\u00e9", 0},  // not ASCII
                                       {L"&\uff21", 0},         // full-width A
                                       {L"A&b&c", L'B'}}) {
    EXPECT_EQ(AccessKeyFor(r.caption), r.key) << ToUtf8(r.caption);
  }
}

// A reader speaks the caption as drawn minus the access-key mark, and names the key.
TEST(AccessKeyFor, SpokenCaptionsAndShortcuts) {
  struct Row {
    const wchar_t* caption;
    const wchar_t* spoken;
    const wchar_t* shortcut;
  };
  for (const Row& r : std::vector<Row>{{L"&OK", L"OK", L"Alt+O"},
                                       {L"Fix &&clean &now", L"Fix &clean now", L"Alt+N"},
                                       {L"&&&x", L"&x", L"Alt+X"},
                                       {L"Save&", L"Save", L""},
                                       {L"&1", L"1", L""},
                                       {L"\u786e\u5b9a", L"\u786e\u5b9a", L""},
                                       {L"", L"", L""}}) {
    EXPECT_EQ(SpokenCaption(r.caption), r.spoken) << ToUtf8(r.caption);
    EXPECT_EQ(AccessKeyShortcut(r.caption), r.shortcut) << ToUtf8(r.caption);
  }
}

}  // namespace
}  // namespace notify::button
