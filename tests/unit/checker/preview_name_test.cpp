#include "checker/preview_name.h"

#include <gtest/gtest.h>

#include <string>

namespace notify::checker {
namespace {

TEST(PreviewFileName, KeepsWhatAFileNameCanHoldAndReplacesTheRest) {
  EXPECT_EQ(PreviewFileName(1, L"spring-sale_2026"), L"1-spring-sale_2026.png");
  EXPECT_EQ(PreviewFileName(12, L"\u6B22\u8FCE 2026"), L"12-\u6B22\u8FCE 2026.png");
  EXPECT_EQ(PreviewFileName(3, L"a<b>c:d\"e/f\\g|h?i*j"), L"3-a_b_c_d_e_f_g_h_i_j.png");
  EXPECT_EQ(PreviewFileName(4, L"tab\there\nnewline"), L"4-tab_here_newline.png");
  // Windows would drop these and merge "v1." with "v1".
  EXPECT_EQ(PreviewFileName(5, L"v1. ."), L"5-v1___.png");
  EXPECT_EQ(PreviewFileName(6, L"..\\..\\evil"), L"6-.._.._evil.png");
  // The index keeps a device name from being the whole name.
  EXPECT_EQ(PreviewFileName(7, L"CON"), L"7-CON.png");
  EXPECT_EQ(PreviewFileName(32767, std::wstring(5000, L'x')), L"32767-" + std::wstring(100, L'x') + L".png");
}

}  // namespace
}  // namespace notify::checker
