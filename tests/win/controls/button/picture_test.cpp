#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "picture_files.h"
#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/text.h"
#include "platform/ui/picture_win.h"
#include "test_support.h"

namespace notify::test {
namespace {

using ui::LoadPicture;
using ui::PicturePtr;

inline void ReleaseMetafile(HMETAFILE h) { ::DeleteMetaFile(h); }
inline void ReleaseEnhMetafile(HENHMETAFILE h) { ::DeleteEnhMetaFile(h); }
using MetafileOwner = win::Owned<HMETAFILE, ReleaseMetafile>;
using EnhMetafileOwner = win::Owned<HENHMETAFILE, ReleaseEnhMetafile>;

constexpr std::uint32_t kRed = 0xFFFF0000;

// A solid red rectangle on the left half of an otherwise untouched metafile.
void PaintLeftHalfRed(HDC dc, int w, int h) {
  win::DeleteObjectOwner brush(::CreateSolidBrush(RGB(255, 0, 0)));
  const RECT half{0, 0, w / 2, h};
  ::FillRect(dc, &half, static_cast<HBRUSH>(brush.get()));
}

// Placeable WMF: 720 x 480 logical units at 1440 per inch, i.e. 48 x 32 px at 96 DPI.
std::string MakePlaceableWmf() {
  HDC dc = ::CreateMetaFileW(nullptr);
  ::SetWindowOrgEx(dc, 0, 0, nullptr);
  ::SetWindowExtEx(dc, 720, 480, nullptr);
  PaintLeftHalfRed(dc, 720, 480);
  MetafileOwner wmf(::CloseMetaFile(dc));
  const UINT size = ::GetMetaFileBitsEx(wmf.get(), 0, nullptr);
  std::string body(size, '\0');
  ::GetMetaFileBitsEx(wmf.get(), size, body.data());
  std::string header;
  PutLe(header, 0x9AC6CDD7u, 4);
  for (std::uint32_t v : {0u, 0u, 0u, 720u, 480u, 1440u}) PutLe(header, v, 2);
  PutLe(header, 0, 4);
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i < 20; i += 2)
    checksum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(header[i]) |
                                           static_cast<unsigned char>(header[i + 1]) << 8);
  PutLe(header, checksum, 2);
  return header + body;
}

// EMF with a 12.70 x 6.35 mm frame, i.e. 48 x 24 px at 96 DPI.
std::string MakeEmf() {
  const RECT frame{0, 0, 1270, 635};
  HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  PaintLeftHalfRed(dc, 48, 24);
  EnhMetafileOwner emf(::CloseEnhMetaFile(dc));
  const UINT size = ::GetEnhMetaFileBits(emf.get(), 0, nullptr);
  std::string bytes(size, '\0');
  ::GetEnhMetaFileBits(emf.get(), size, reinterpret_cast<BYTE*>(bytes.data()));
  return bytes;
}

// Left column half-transparent red, the rest opaque green, one masked/transparent corner.
std::uint32_t IconPixel(int x, int y) {
  if (x == 15 && y == 7) return 0x00000000;
  return x == 0 ? 0x80FF0000 : 0xFF00FF00;
}

std::uint32_t BmpPixel(int x, int y) {
  return x < 3 ? 0xFF112233 : (y == 0 ? 0xFFA0B0C0 : 0xFF0000FF);
}

struct Sample {
  int x;
  int y;
  std::uint32_t premultiplied;  // 0xAARRGGBB
  int tolerance;                // per channel
};

struct FormatCase {
  const char* name;
  std::function<std::string()> bytes;  // empty: a fixture file of that name
  int width;
  int height;
  std::vector<Sample> samples;
};

int Channel(std::uint32_t v, int shift) { return static_cast<int>((v >> shift) & 0xFF); }

void ExpectNear(std::uint32_t actual, const Sample& s, const std::string& where) {
  for (int shift : {0, 8, 16, 24})
    EXPECT_LE(std::abs(Channel(actual, shift) - Channel(s.premultiplied, shift)), s.tolerance)
        << where << " at (" << s.x << "," << s.y << "): got " << std::hex << actual << " want "
        << s.premultiplied;
}

const std::vector<FormatCase>& FormatCases() {
  static const std::vector<FormatCase> cases = {
      {"bitmap.bmp",
       [] { return MakeBmp(7, 3, BmpPixel); },
       7,
       3,
       {{0, 0, 0xFF112233, 0}, {3, 0, 0xFFA0B0C0, 0}, {6, 2, 0xFF0000FF, 0}}},
      {"alpha.ico",
       [] { return MakeIconFile(1, 16, 8, 32, IconPixel); },
       16,
       8,
       {{0, 3, 0x80800000, 1}, {5, 5, 0xFF00FF00, 0}, {15, 7, 0, 0}}},
      {"masked.ico",
       [] { return MakeIconFile(1, 16, 8, 24, IconPixel); },
       16,
       8,
       {{5, 5, 0xFF00FF00, 0}, {15, 7, 0, 0}}},
      {"pointer.cur",
       [] { return MakeIconFile(2, 16, 8, 32, IconPixel); },
       16,
       8,
       {{0, 0, 0x80800000, 1}, {9, 1, 0xFF00FF00, 0}, {15, 7, 0, 0}}},
      {"strip.gif", nullptr, 5, 4, {{0, 0, 0xFF3060C0, 0}, {1, 1, kRed, 0}, {4, 3, 0, 0}}},
      {"flat.jpg", nullptr, 16, 8, {{0, 0, 0xFF4080C0, 2}, {15, 7, 0xFF4080C0, 2}}},
      {"alpha.png", nullptr, 6, 5, {{0, 0, 0x80004080, 1}, {2, 3, 0xFFFFFF00, 0}}},
      {"picture.wmf", MakePlaceableWmf, 48, 32, {{4, 4, kRed, 0}, {40, 28, 0, 0}}},
      {"picture.emf", MakeEmf, 48, 24, {{4, 4, kRed, 0}, {20, 20, kRed, 0}, {40, 12, 0, 0}}},
  };
  return cases;
}

TEST(PictureLoader, LoadsEachFormatWithItsSizeAndPixels) {
  TempDir dir;
  for (const FormatCase& c : FormatCases()) {
    SCOPED_TRACE(c.name);
    std::wstring path = FixtureText(std::string("button/") + c.name);
    if (c.bytes) {
      WriteBytes(dir / c.name, c.bytes());
      path = dir.text() + std::wstring(c.name, c.name + std::strlen(c.name));
    }
    PicturePtr picture;
    EXPECT_NO_THROW(picture = LoadPicture(path));
    if (!picture) continue;
    EXPECT_EQ(picture->Width(), c.width);
    EXPECT_EQ(picture->Height(), c.height);
    for (const Sample& s : c.samples) ExpectNear(picture->PixelAt(s.x, s.y), s, c.name);
  }
}

TEST(PictureLoader, TellsFormatsByContentNotExtension) {
  TempDir dir;
  WriteBytes(dir / "really-a-bitmap.png", MakeBmp(7, 3, BmpPixel));
  const PicturePtr picture = LoadPicture(dir.text() + L"really-a-bitmap.png");
  EXPECT_EQ(picture->Width(), 7);
  EXPECT_EQ(picture->PixelAt(6, 2), 0xFF0000FFu);
}

TEST(PictureLoader, RefusesWhatItCannotRead) {
  TempDir dir;
  WriteBytes(dir / "empty.bmp", "");
  WriteBytes(dir / "noise.bmp", "this is not a picture at all");
  std::string truncated = MakeBmp(7, 3, BmpPixel);
  truncated.resize(40);
  WriteBytes(dir / "truncated.bmp", truncated);
  for (const wchar_t* name : {L"missing.bmp", L"empty.bmp", L"noise.bmp", L"truncated.bmp"}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_THROW(LoadPicture(dir.text() + name), RuntimeError);
  }
}

// The popup lets the imaging library go once its pictures are decoded.
TEST(PictureLoader, DecodedPicturesOutliveTheImagingLibrary) {
  TempDir dir;
  WriteBytes(dir / "b.bmp", MakeBmp(7, 3, BmpPixel));
  const PicturePtr first = LoadPicture(dir.text() + L"b.bmp");
  EXPECT_NE(::GetModuleHandleW(L"windowscodecs.dll"), nullptr);
  ui::ReleasePictureDecoder();
  EXPECT_EQ(::GetModuleHandleW(L"windowscodecs.dll"), nullptr);
  EXPECT_EQ(first->PixelAt(6, 2), 0xFF0000FFu);
  const PicturePtr again = LoadPicture(dir.text() + L"b.bmp");
  EXPECT_EQ(again->PixelAt(0, 0), 0xFF112233u);
}

TEST(PictureLoader, PixelAtOutsideIsZero) {
  TempDir dir;
  WriteBytes(dir / "b.bmp", MakeBmp(7, 3, BmpPixel));
  const PicturePtr picture = LoadPicture(dir.text() + L"b.bmp");
  EXPECT_EQ(picture->PixelAt(-1, 0), 0u);
  EXPECT_EQ(picture->PixelAt(7, 0), 0u);
  EXPECT_EQ(picture->PixelAt(0, 3), 0u);
  EXPECT_NE(picture->PixelAt(6, 2), 0u);
}

// A 32-bit DIB target to draw on, filled with one colour.
class Canvas {
 public:
  Canvas(int w, int h, std::uint32_t fill) : w_(w), h_(h) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<std::uint32_t*>(bits);
    std::fill_n(bits_, w * h, fill);
    select_.emplace(dc_.get(), bitmap_.get());
  }
  HDC dc() const { return dc_.get(); }
  std::uint32_t At(int x, int y) const {
    ::GdiFlush();
    return bits_[y * w_ + x] & 0x00FFFFFF;
  }
  int w() const { return w_; }
  int h() const { return h_; }

 private:
  int w_;
  int h_;
  win::DeleteObjectOwner bitmap_;
  std::uint32_t* bits_ = nullptr;
  win::DeleteDcOwner dc_{::CreateCompatibleDC(nullptr)};
  std::optional<win::SelectGuard> select_;
};

TEST(PictureDraw, StretchesTheSourceRectangleOntoTheDestination) {
  TempDir dir;
  WriteBytes(dir / "b.bmp", MakeBmp(7, 3, BmpPixel));
  const PicturePtr picture = LoadPicture(dir.text() + L"b.bmp");
  Canvas canvas(40, 20, 0x00FFFFFF);
  // Source columns 3..6 of row 0 (one colour) stretched to 30 x 10 at (5, 5).
  picture->Draw(canvas.dc(), 5, 5, 30, 10, 3, 0, 4, 1);
  EXPECT_EQ(canvas.At(5, 5), 0xA0B0C0u);
  EXPECT_EQ(canvas.At(34, 14), 0xA0B0C0u);
  EXPECT_EQ(canvas.At(4, 5), 0xFFFFFFu);
  EXPECT_EQ(canvas.At(35, 14), 0xFFFFFFu);
  EXPECT_EQ(canvas.At(20, 15), 0xFFFFFFu);
}

TEST(PictureDraw, BlendsAlphaOverTheDestination) {
  const PicturePtr picture = LoadPicture(FixtureText("button/alpha.png"));
  Canvas canvas(12, 10, 0x00FFFFFF);
  picture->Draw(canvas.dc(), 0, 0, 12, 10, 0, 0, 6, 5);
  // Half-transparent (0,128,255) over white: about (127,191,255).
  const std::uint32_t mixed = canvas.At(0, 0);
  EXPECT_NEAR(Channel(mixed, 16), 127, 2);
  EXPECT_NEAR(Channel(mixed, 8), 191, 2);
  EXPECT_NEAR(Channel(mixed, 0), 255, 2);
  EXPECT_EQ(canvas.At(4, 6), 0xFFFF00u);  // the opaque pixel, doubled in size
}

TEST(PictureDraw, SourceBeyondThePictureDrawsOnlyWhatExists) {
  TempDir dir;
  WriteBytes(dir / "b.bmp", MakeBmp(7, 3, BmpPixel));
  const PicturePtr picture = LoadPicture(dir.text() + L"b.bmp");
  Canvas canvas(20, 10, 0x00FFFFFF);
  // Columns 5..8 requested, 5..6 exist: only the left half of the destination changes.
  picture->Draw(canvas.dc(), 0, 0, 8, 3, 5, 0, 4, 3);
  EXPECT_EQ(canvas.At(0, 0), 0xA0B0C0u);
  EXPECT_EQ(canvas.At(3, 2), 0x0000FFu);
  EXPECT_EQ(canvas.At(4, 0), 0xFFFFFFu);
  EXPECT_EQ(canvas.At(7, 2), 0xFFFFFFu);
  // Entirely outside: nothing at all.
  picture->Draw(canvas.dc(), 10, 0, 5, 5, 19 * 4, 0, 19, 23);
  EXPECT_EQ(canvas.At(12, 2), 0xFFFFFFu);
}

}  // namespace
}  // namespace notify::test
