#include "platform/ui/picture_win.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/ui/scale.h"
#include "platform/xml/file_io.h"

// Decoder choice: WIC decodes the raster formats (BMP, ICO, GIF, JPEG, PNG) straight to
// premultiplied BGRA, so PNG and icon alpha arrive intact; it is a system DLL, so the
// static exe stays self-contained, and Wine 8 implements every one of these decoders.
// WIC has no cursor decoder, but a .cur differs from a .ico only in its type word, so
// cursors go through the icon decoder. Metafiles are played by GDI. GDI+ would need a
// process-wide start-up owner and OLE pictures lose PNG alpha, so neither is used.

namespace notify::ui {
namespace {

using win::ComPtr;
using win::DeleteDcOwner;
using win::DeleteObjectOwner;
using Bytes = std::vector<unsigned char>;

// Larger pictures are refused rather than allocated: a skin picture is a few hundred px.
constexpr int kMaxSide = 16384;
constexpr long long kMaxPixels = 64LL * 1024 * 1024;

inline void ReleaseEnhMetafile(HENHMETAFILE h) { ::DeleteEnhMetaFile(h); }
using DeleteEnhMetafileOwner = win::Owned<HENHMETAFILE, ReleaseEnhMetafile>;

// A top-down 32-bit DIB section; its pixels are premultiplied BGRA.
struct Dib {
  DeleteObjectOwner bitmap;
  std::uint32_t* bits = nullptr;
};

std::size_t smoothCopies = 0;

bool FitsBitmap(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         static_cast<long long>(width) * height <= kMaxPixels;
}

Dib CreateDib(int width, int height) {
  if (!FitsBitmap(width, height)) Fail("picture size out of range");
  Dib dib;
  dib.bitmap.reset(CreateTopDownDib(width, height, dib.bits));
  return dib;
}

struct ClippedDraw {
  RECT dst;
  RECT src;
};

// The source is clipped to the picture and the destination shrinks in proportion, so a
// face strip with too few cells draws what it has instead of failing the blend.
std::optional<ClippedDraw> ClipDraw(int width, int height, int dstX, int dstY, int dstW, int dstH, int srcX,
                                    int srcY, int srcW, int srcH) {
  if (dstW <= 0 || dstH <= 0 || srcW <= 0 || srcH <= 0) return std::nullopt;
  const int sx0 = std::max(srcX, 0);
  const int sy0 = std::max(srcY, 0);
  const int sx1 = std::min(srcX + srcW, width);
  const int sy1 = std::min(srcY + srcH, height);
  if (sx0 >= sx1 || sy0 >= sy1) return std::nullopt;
  const int dx0 = dstX + ::MulDiv(sx0 - srcX, dstW, srcW);
  const int dx1 = dstX + ::MulDiv(sx1 - srcX, dstW, srcW);
  const int dy0 = dstY + ::MulDiv(sy0 - srcY, dstH, srcH);
  const int dy1 = dstY + ::MulDiv(sy1 - srcY, dstH, srcH);
  if (dx0 >= dx1 || dy0 >= dy1) return std::nullopt;
  return ClippedDraw{{dx0, dy0, dx1, dy1}, {sx0, sy0, sx1, sy1}};
}

void Blend(HDC dc, const RECT& dst, HGDIOBJ bitmap, const RECT& src) {
  DeleteDcOwner source(::CreateCompatibleDC(dc));
  if (!source) return;
  win::SelectGuard select(source.get(), bitmap);
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::GdiAlphaBlend(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, source.get(), src.left,
                  src.top, src.right - src.left, src.bottom - src.top, blend);
}

class DibPicture final : public Picture {
 public:
  DibPicture(Dib dib, int width, int height)
      : dib_(std::move(dib)), width_(width), height_(height) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }

  std::uint32_t PixelAt(int x, int y) const override {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return dib_.bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                     static_cast<std::size_t>(x)];
  }

  void Draw(HDC dc, int dstX, int dstY, int dstW, int dstH, int srcX, int srcY, int srcW,
            int srcH) const override {
    const auto clip = Clip(dstX, dstY, dstW, dstH, srcX, srcY, srcW, srcH);
    if (!clip) return;
    Blend(dc, clip->dst, dib_.bitmap.get(), clip->src);
  }

  void DrawSmooth(HDC dc, int dstX, int dstY, int dstW, int dstH, int srcX, int srcY, int srcW,
                  int srcH) const override {
    const auto clip = Clip(dstX, dstY, dstW, dstH, srcX, srcY, srcW, srcH);
    if (!clip) return;
    const RECT& s = clip->src;
    const RECT& d = clip->dst;
    const int w = d.right - d.left;
    const int h = d.bottom - d.top;
    if (w == s.right - s.left && h == s.bottom - s.top) return Blend(dc, d, dib_.bitmap.get(), s);
    ::GdiFlush();
    const Dib* copy = SmoothCopy(s, w, h);
    if (copy == nullptr) return Blend(dc, d, dib_.bitmap.get(), s);
    Blend(dc, d, copy->bitmap.get(), RECT{0, 0, w, h});
  }

 private:
  std::optional<ClippedDraw> Clip(int dstX, int dstY, int dstW, int dstH, int srcX, int srcY, int srcW,
                                  int srcH) const {
    return ClipDraw(width_, height_, dstX, dstY, dstW, dstH, srcX, srcY, srcW, srcH);
  }

  // The copy of source rectangle `s` smoothed to w x h, made once; null when none fits in
  // a bitmap.
  const Dib* SmoothCopy(const RECT& s, int w, int h) const {
    const auto same = [&](const Smoothed& c) { return ::EqualRect(&c.src, &s) && c.width == w && c.height == h; };
    if (const auto found = std::find_if(smoothed_.begin(), smoothed_.end(), same); found != smoothed_.end()) {
      return &found->dib;
    }
    if (!FitsBitmap(w, h)) return nullptr;
    const std::uint32_t* first = dib_.bits + static_cast<std::size_t>(s.top) * static_cast<std::size_t>(width_) +
                                 static_cast<std::size_t>(s.left);
    const std::vector<std::uint32_t> pixels =
        ResampleBicubic(first, width_, s.right - s.left, s.bottom - s.top, w, h);
    if (pixels.empty()) return nullptr;
    Dib scaled = CreateDib(w, h);
    std::copy(pixels.begin(), pixels.end(), scaled.bits);
    ++smoothCopies;
    // A few sizes at once: a face strip's cells, a picture shown by two controls. Copies
    // at an earlier scale or layout give way to the newest.
    if (smoothed_.size() == kSmoothedKept) smoothed_.erase(smoothed_.begin());
    smoothed_.push_back({s, w, h, std::move(scaled)});
    return &smoothed_.back().dib;
  }

  struct Smoothed {
    RECT src;
    int width;
    int height;
    Dib dib;
  };
  static constexpr std::size_t kSmoothedKept = 8;

  Dib dib_;
  int width_;
  int height_;
  mutable std::vector<Smoothed> smoothed_;
};

}  // namespace

std::size_t SmoothCopiesMade() { return smoothCopies; }

namespace {

// Not through the C++ streams: they alone would add half a megabyte of locale code to
// the program, all of it resident while the popup shows.
Bytes ReadFile(const std::wstring& path) {
  const std::optional<std::string> read = xml::ReadFileBytes(path);
  if (!read) Fail("cannot open picture file");
  if (read->empty()) Fail("empty picture file");
  return Bytes(read->begin(), read->end());
}

std::uint32_t ReadU32(const Bytes& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

int ReadI16(const Bytes& b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[at] | b[at + 1] << 8));
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Fail(what);
}

// The imaging library, loaded by this module rather than by COM so that it can be let go
// once the pictures are decoded: COM would keep it for the life of the process.
struct ImagingLibrary {
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  HMODULE module = nullptr;
  GetClassObject getClassObject = nullptr;
};

ImagingLibrary imaging;

}  // namespace

ComPtr<IWICImagingFactory> CreateImagingFactory() {
  if (imaging.module == nullptr) {
    // Only from the system folder: never a same-named file beside the program.
    imaging.module = ::LoadLibraryExW(L"windowscodecs.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (imaging.module == nullptr) Fail("WIC factory unavailable");
    imaging.getClassObject =
        reinterpret_cast<ImagingLibrary::GetClassObject>(::GetProcAddress(imaging.module, "DllGetClassObject"));
  }
  if (imaging.getClassObject == nullptr) Fail("WIC factory unavailable");
  ComPtr<IClassFactory> classes;
  Check(imaging.getClassObject(CLSID_WICImagingFactory, IID_IClassFactory, reinterpret_cast<void**>(classes.put())),
        "WIC factory unavailable");
  ComPtr<IWICImagingFactory> factory;
  Check(classes->CreateInstance(nullptr, IID_IWICImagingFactory, reinterpret_cast<void**>(factory.put())),
        "WIC factory unavailable");
  return factory;
}

void ReleasePictureDecoder() noexcept {
  if (imaging.module == nullptr) return;
  ::FreeLibrary(imaging.module);
  imaging = {};
}

namespace {

PicturePtr DecodeRaster(Bytes bytes) {
  // A cursor is an icon directory with type 2; the icon decoder reads it once relabelled.
  if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 2 && bytes[3] == 0)
    bytes[2] = 1;
  win::CoUninitializeOwner com;
  const ComPtr<IWICImagingFactory> factory = CreateImagingFactory();
  ComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.put()), "CreateStream failed");
  Check(stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())),
        "InitializeFromMemory failed");
  ComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                         decoder.put()),
        "unknown picture format");
  ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.put()), "picture has no frame");
  ComPtr<IWICFormatConverter> converter;
  Check(factory->CreateFormatConverter(converter.put()), "CreateFormatConverter failed");
  Check(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                              nullptr, 0.0, WICBitmapPaletteTypeCustom),
        "pixel conversion unavailable");
  UINT width = 0;
  UINT height = 0;
  Check(converter->GetSize(&width, &height), "GetSize failed");
  const int w = static_cast<int>(std::min<UINT>(width, kMaxSide + 1));
  const int h = static_cast<int>(std::min<UINT>(height, kMaxSide + 1));
  Dib dib = CreateDib(w, h);
  const UINT stride = width * 4;
  Check(converter->CopyPixels(nullptr, stride, stride * height, reinterpret_cast<BYTE*>(dib.bits)),
        "CopyPixels failed");
  return std::make_shared<DibPicture>(std::move(dib), w, h);
}

int ScreenDpi() {
  win::ReleaseDcOwner screen(nullptr);
  const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : 96;
}

// GDI writes no alpha, so the metafile is played twice, over black and over white: what
// it left untouched differs by 255 and becomes transparent, what it painted is opaque.
PicturePtr RenderMetafile(HENHMETAFILE emf, int width, int height) {
  Dib black = CreateDib(width, height);
  Dib white = CreateDib(width, height);
  DeleteDcOwner dc(::CreateCompatibleDC(nullptr));
  if (!dc) Fail("CreateCompatibleDC failed");
  const RECT frame{0, 0, width, height};
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  std::fill_n(white.bits, count, 0xFFFFFFFFu);
  for (Dib* target : {&black, &white}) {
    win::SelectGuard select(dc.get(), target->bitmap.get());
    if (!::PlayEnhMetaFile(dc.get(), emf, &frame)) Fail("PlayEnhMetaFile failed");
    ::GdiFlush();
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t out = 0;
    std::uint32_t alpha = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t b = (black.bits[i] >> shift) & 0xFF;
      const std::uint32_t wv = (white.bits[i] >> shift) & 0xFF;
      alpha = std::max(alpha, 255 - (wv > b ? wv - b : 0));
      out |= b << shift;
    }
    black.bits[i] = out | alpha << 24;
  }
  return std::make_shared<DibPicture>(std::move(black), width, height);
}

int ToPixels(long long length, long long unitsPerInch, int dpi) {
  const long long px = (length * dpi + unitsPerInch / 2) / unitsPerInch;
  if (px <= 0 || px > kMaxSide) Fail("metafile size out of range");
  return static_cast<int>(px);
}

// Placeable metafile: a 22-byte header (key, handle, bounding box, units per inch,
// reserved, checksum) in front of a classic Windows metafile.
PicturePtr DecodePlaceableWmf(const Bytes& bytes) {
  constexpr std::size_t kHeader = 22;
  if (bytes.size() <= kHeader) Fail("truncated metafile");
  const int inch = static_cast<std::uint16_t>(ReadI16(bytes, 14));
  if (inch <= 0) Fail("metafile without units per inch");
  const int dpi = ScreenDpi();
  const int width = ToPixels(std::abs(ReadI16(bytes, 10) - ReadI16(bytes, 6)), inch, dpi);
  const int height = ToPixels(std::abs(ReadI16(bytes, 12) - ReadI16(bytes, 8)), inch, dpi);
  METAFILEPICT pict{};
  pict.mm = MM_ANISOTROPIC;
  pict.xExt = ::MulDiv(width, 2540, dpi);  // HIMETRIC
  pict.yExt = ::MulDiv(height, 2540, dpi);
  DeleteEnhMetafileOwner emf(::SetWinMetaFileBits(static_cast<UINT>(bytes.size() - kHeader),
                                                  bytes.data() + kHeader, nullptr, &pict));
  if (!emf) Fail("unreadable metafile");
  return RenderMetafile(emf.get(), width, height);
}

// The natural size of an enhanced metafile is its frame (0.01 mm) at the screen's DPI.
PicturePtr DecodeEmf(const Bytes& bytes) {
  DeleteEnhMetafileOwner emf(::SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data()));
  if (!emf) Fail("unreadable enhanced metafile");
  ENHMETAHEADER header{};
  if (::GetEnhMetaFileHeader(emf.get(), sizeof header, &header) == 0) Fail("no metafile header");
  const int dpi = ScreenDpi();
  const long long frameW = static_cast<long long>(header.rclFrame.right) - header.rclFrame.left;
  const long long frameH = static_cast<long long>(header.rclFrame.bottom) - header.rclFrame.top;
  return RenderMetafile(emf.get(), ToPixels(frameW, 2540, dpi), ToPixels(frameH, 2540, dpi));
}

bool IsPlaceableWmf(const Bytes& b) { return ReadU32(b, 0) == 0x9AC6CDD7u; }

bool IsEmf(const Bytes& b) {
  return ReadU32(b, 0) == EMR_HEADER && ReadU32(b, 40) == ENHMETA_SIGNATURE;
}

}  // namespace

HBITMAP CreateTopDownDib(int width, int height, std::uint32_t*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* raw = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
  if (bitmap == nullptr || raw == nullptr) {
    if (bitmap != nullptr) ::DeleteObject(bitmap);
    Fail("CreateDIBSection failed");
  }
  bits = static_cast<std::uint32_t*>(raw);
  return bitmap;
}

PicturePtr LoadPicture(const std::wstring& path) {
  Bytes bytes = ReadFile(path);
  // Formats are told by their content, not by the file name's extension.
  if (IsPlaceableWmf(bytes)) return DecodePlaceableWmf(bytes);
  if (IsEmf(bytes)) return DecodeEmf(bytes);
  return DecodeRaster(std::move(bytes));
}

}  // namespace notify::ui
