#include "presentation/popup_preview_win.h"

#include <wincodec.h>

#include <algorithm>
#include <optional>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/ui/picture_win.h"

// PNG goes through WIC, the component that already decodes the skins' pictures: no
// process-wide GDI+ start-up, and Wine implements its encoder.

namespace notify {
namespace {

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Fail(what);
}

// A top-down 32-bit DIB section selected into its own memory DC.
class MemorySurface {
 public:
  MemorySurface(int width, int height)
      : width_(width), bitmap_(ui::CreateTopDownDib(width, height, bits_)), dc_(::CreateCompatibleDC(nullptr)) {
    if (!dc_) Fail("no memory surface for the preview");
    select_.emplace(dc_.get(), bitmap_.get());
  }
  HDC Dc() const { return dc_.get(); }
  std::uint32_t Pixel(int x, int y) const {
    return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
  }

 private:
  int width_;
  std::uint32_t* bits_ = nullptr;
  win::DeleteObjectOwner bitmap_;
  win::DeleteDcOwner dc_;
  std::optional<win::SelectGuard> select_;  // deselects before the bitmap dies
};

// A child button paints its retained surface through WM_PRINTCLIENT at its place.
void PrintButton(HDC dc, const PopupButton& button) {
  if (!button.Visible()) return;
  const Rect at = button.Bounds();
  POINT saved{};
  ::SetViewportOrgEx(dc, at.left, at.top, &saved);
  ::SendMessageW(button.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  ::SetViewportOrgEx(dc, saved.x, saved.y, nullptr);
}

}  // namespace

PopupSnapshot SnapshotPopup(PopupView& view, std::int16_t ellipseWidth, std::int16_t ellipseHeight) {
  const ui::Form& form = view.Form();
  PopupSnapshot snapshot;
  snapshot.width = form.ClientWidth();
  snapshot.height = form.ClientHeight();
  if (snapshot.width <= 0 || snapshot.height <= 0) Fail("the popup has no size");

  MemorySurface surface(snapshot.width, snapshot.height);
  form.Render(surface.Dc());
  PrintButton(surface.Dc(), view.Cmd_Close());
  PrintButton(surface.Dc(), view.Cmd_Confirm());
  ::GdiFlush();

  // GDI leaves the alpha byte undefined: the region alone decides what is opaque.
  const win::DeleteObjectOwner region = CreatePopupRegion(form, ellipseWidth, ellipseHeight);
  if (!region) Fail("CreateRoundRectRgn");
  const auto rgn = static_cast<HRGN>(region.get());
  snapshot.pixels.resize(static_cast<std::size_t>(snapshot.width) * static_cast<std::size_t>(snapshot.height));
  auto out = snapshot.pixels.begin();
  for (int y = 0; y < snapshot.height; ++y) {
    for (int x = 0; x < snapshot.width; ++x, ++out) {
      *out = ::PtInRegion(rgn, x, y) ? (surface.Pixel(x, y) | 0xFF000000u) : 0u;
    }
  }
  return snapshot;
}

void WritePng(const PopupSnapshot& snapshot, const std::wstring& path) {
  if (snapshot.width <= 0 || snapshot.height <= 0 ||
      snapshot.pixels.size() != static_cast<std::size_t>(snapshot.width) * static_cast<std::size_t>(snapshot.height))
    Fail("no picture to write");
  win::CoUninitializeOwner com;
  const win::ComPtr<IWICImagingFactory> factory = ui::CreateImagingFactory();
  win::ComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.put()), "CreateStream failed");
  Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "cannot create the PNG file");
  win::ComPtr<IWICBitmapEncoder> encoder;
  Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()), "no PNG encoder");
  Check(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "PNG encoder failed");
  win::ComPtr<IWICBitmapFrameEncode> frame;
  win::ComPtr<IPropertyBag2> options;
  Check(encoder->CreateNewFrame(frame.put(), options.put()), "PNG frame failed");
  Check(frame->Initialize(options.get()), "PNG frame failed");
  const auto width = static_cast<UINT>(snapshot.width);
  const auto height = static_cast<UINT>(snapshot.height);
  Check(frame->SetSize(width, height), "PNG size failed");
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  Check(frame->SetPixelFormat(&format), "PNG pixel format failed");
  if (!::IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) Fail("PNG encoder refuses 32-bit BGRA");
  const UINT stride = width * 4;
  // WritePixels takes a non-const buffer but only reads it.
  auto* bytes = reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(snapshot.pixels.data()));
  Check(frame->WritePixels(height, stride, stride * height, bytes), "PNG pixels failed");
  Check(frame->Commit(), "PNG frame failed");
  Check(encoder->Commit(), "PNG file failed");
}

}  // namespace notify
