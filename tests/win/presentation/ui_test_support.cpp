#include "ui_test_support.h"

#include "pump_win.h"

#include <fstream>
#include <stdexcept>
#include <vector>

namespace notify::uitest {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

void WriteSolidBmp(const std::filesystem::path& file, int width, int height, std::uint32_t color) {
  const auto rowBytes = static_cast<std::uint32_t>((width * 3 + 3) / 4 * 4);
  const auto imageBytes = rowBytes * static_cast<std::uint32_t>(height);
  std::string out = "BM";
  Put32(out, 54 + imageBytes);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, imageBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  std::string row(rowBytes, '\0');
  for (int x = 0; x < width; ++x) {
    row[static_cast<std::size_t>(x * 3)] = static_cast<char>((color >> 16) & 0xFF);     // blue
    row[static_cast<std::size_t>(x * 3 + 1)] = static_cast<char>((color >> 8) & 0xFF);  // green
    row[static_cast<std::size_t>(x * 3 + 2)] = static_cast<char>(color & 0xFF);         // red
  }
  for (int y = 0; y < height; ++y) out += row;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream f(file, std::ios::binary | std::ios::trunc);
  f.write(out.data(), static_cast<std::streamsize>(out.size()));
  if (!f) throw std::runtime_error("cannot write bitmap");
}

Surface::Surface(int width, int height) : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || bits == nullptr) throw std::runtime_error("CreateDIBSection");
  bits_ = static_cast<std::uint32_t*>(bits);
  select_.emplace(dc_.get(), bitmap_.get());
}

std::uint32_t Surface::Pixel(int x, int y) const {
  ::GdiFlush();
  const std::uint32_t bgra = bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                   static_cast<std::size_t>(x)];
  // DIB pixels are 0x00RRGGBB; the module's colours are 0x00BBGGRR.
  return ((bgra & 0xFF) << 16) | (bgra & 0xFF00) | ((bgra >> 16) & 0xFF);
}

void PumpMessages(int milliseconds) { test::PumpFor(milliseconds); }

int CountColor(const Surface& surface, std::uint32_t color, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) count += surface.Pixel(x, y) == color ? 1 : 0;
  }
  return count;
}

int CountOther(const Surface& surface, std::uint32_t color, int left, int top, int right, int bottom) {
  return (right - left) * (bottom - top) - CountColor(surface, color, left, top, right, bottom);
}

MsgRecord ButtonsRecord() {
  MsgRecord r;
  r.ID = L"m";
  r.FormColor = 0x00D0E0F0;
  r.FormWidth = 300 * 15;
  r.FormHeight = 200 * 15;
  r.Title = L"Title";
  r.Content = L"Content";
  r.BtnCls = L"X";
  r.BtnClsWidth = 31;
  r.BtnClsHeight = 21;
  r.BtnCfm = L"OK";
  r.BtnCfmWidth = 77;
  r.BtnCfmHeight = 27;
  return r;
}

}  // namespace notify::uitest
