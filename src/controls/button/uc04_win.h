#pragma once
// UC04 as a Win32 child window: a retained 32-bit surface that WM_PAINT only copies to
// the screen, mouse capture, the TM01 hover poll, focus and access keys. The behaviour
// itself is UC04Core's; this class is its host and its surface.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "controls/button/uc04_core.h"
#include "platform/handles_win.h"
#include "platform/ui/picture_win.h"

namespace notify::button {

// The retained surface: a DIB section selected into its own memory DC; every drawing
// operation invalidates the window, and WM_PAINT copies the surface to the screen. The
// core draws in 96-DPI pixels; the surface scales each operation to its DPI.
class RetainedSurface final : public UC04Surface {
 public:
  void AttachWindow(HWND window) { window_ = window; }
  void Resize(int width, int height);
  int Dpi() const { return dpi_; }
  // The font is made again at the new DPI.
  void SetDpi(int dpi);
  HDC Dc() const { return dc_.get(); }
  int PixelWidth() const { return width_; }
  int PixelHeight() const { return height_; }
  const std::uint32_t* Pixels() const;

  void SetScaleModePixels() override {}  // a window's unit is already the pixel
  float ScaleWidth() const override;
  float ScaleHeight() const override;
  Color ForeColor() const override { return foreColor_; }
  void SetForeColor(Color color) override;
  Color BackColor() const override { return backColor_; }
  void SetBackColor(Color color) override { backColor_ = color; }
  FontRef Font() const override { return font_; }
  void SetFont(FontRef font) override;
  void Clear() override;
  void PaintPicture(const FacePicture& picture, RectF destination, Rect source) override;
  void SetPixel(float x, float y, Color color) override;
  float TextWidth(const std::wstring& text) override;
  float TextHeight(const std::wstring& text) override;
  void PrintText(float x, float y, const std::wstring& text) override;
  void DrawFocusRect(Edges frame) override;

 private:
  void Invalidate() const;

  HWND window_ = nullptr;
  // Declared so that the selections are undone before the DC and the objects die.
  win::DeleteObjectOwner bitmap_;
  win::DeleteObjectOwner fontHandle_;
  win::DeleteDcOwner dc_;
  std::optional<win::SelectGuard> bitmapSelected_;
  std::optional<win::SelectGuard> fontSelected_;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int dpi_ = 96;
  Color foreColor_ = 0;
  Color backColor_ = kDefaultBackColor;
  FontRef font_;
};

class UC04 final : private UC04Host {
 public:
  // Creates the control as a child of `parent` named `name` (the ambient display name).
  // With `stored`, the nine properties are read from it in order and its "_extentx" and
  // "_extenty" (HIMETRIC) give the size; without, the defaults are applied.
  static std::unique_ptr<UC04> Create(HWND parent, const std::wstring& name, PropertyBag* stored);
  ~UC04() override;
  UC04(const UC04&) = delete;
  UC04& operator=(const UC04&) = delete;

  HWND Window() const { return window_.get(); }

  // Events raised to the host; set them any time.
  UC04Events Events;

  bool Enabled() const { return core_.Enabled(); }
  void SetEnabled(bool New_Enabled) { core_.SetEnabled(New_Enabled); }
  const std::wstring& Caption() const { return core_.Caption(); }
  void SetCaption(const std::wstring& vNewCaption) { core_.SetCaption(vNewCaption); }
  Color ForeColor() const { return core_.ForeColor(); }
  void SetForeColor(Color vNewColor) { core_.SetForeColor(vNewColor); }
  Color BackColor() const { return core_.BackColor(); }
  void SetBackColor(Color vNewColor) { core_.SetBackColor(vNewColor); }
  Color PColor() const { return core_.PColor(); }
  void SetPColor(Color vNewColor) { core_.SetPColor(vNewColor); }
  std::int32_t State() const { return core_.State(); }
  void SetState(std::int32_t vNewValue) { core_.SetState(vNewValue); }
  bool HasFocus() const { return core_.HasFocus(); }
  void SetHasFocus(bool vNewValue) { core_.SetHasFocus(vNewValue); }
  FontRef Font() const { return core_.Font(); }
  void SetFont(FontRef vNewFont) { core_.SetFont(std::move(vNewFont)); }
  ui::PicturePtr BtnPic() const;
  void SetBtnPic(ui::PicturePtr NewPic);

  // Position and size in device pixels, relative to the parent's client area.
  int Left() const;
  int Top() const;
  int Width() const { return surface_.PixelWidth(); }
  int Height() const { return surface_.PixelHeight(); }
  bool Visible() const;
  void Move(int left, int top, int width, int height);
  void SetLeft(int left) { Move(left, Top(), Width(), Height()); }
  void SetTop(int top) { Move(Left(), top, Width(), Height()); }
  void SetWidth(int width) { Move(Left(), Top(), width, Height()); }
  void SetHeight(int height) { Move(Left(), Top(), Width(), height); }
  void SetVisible(bool visible);
  // The DPI the face and caption are drawn at (the parent's when created).
  int Dpi() const { return surface_.Dpi(); }
  void SetDpi(int dpi);

  void SaveProperties(PropertyBag& bag) const { core_.WriteProperties(bag); }

  // The host form forwards Alt+letter (WM_SYSCHAR) or a plain character here: a visible,
  // enabled UC04 under the same top-level window with that access key raises Click.
  static bool HandleAccessKey(HWND host, wchar_t key);
  wchar_t AccessKey() const { return accessKey_; }
  // Clicks the button as its access key does (a screen reader's default action).
  void PerformClick() { core_.AccessKeyPressed(); }

  // The retained surface, top-down 0x00RRGGBB rows of Width() pixels, for tests.
  const std::uint32_t* SurfacePixels() const;
  std::uint32_t SurfacePixel(int x, int y) const;

  std::int16_t RestCell() const { return core_.RestCell(); }
  bool Hovering() const { return core_.Hovering(); }
  bool Focused() const { return core_.Focused(); }
  bool TimerArmed() const { return timerArmed_; }

 private:
  explicit UC04(std::wstring name);
  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  RECT RectInParent() const;
  void OnMouse(UINT message, WPARAM wParam, LPARAM lParam);

  // UC04Host
  void PropertyChanged(const wchar_t* name) override;
  bool WindowEnabled() const override;
  void SetWindowEnabled(bool enabled) override;
  void SetAccessKey(wchar_t key) override;
  void StartTimer() override;
  void StopTimer() override;
  bool PointerOverControl() override;
  void Refresh() override;
  std::wstring AmbientDisplayName() const override { return name_; }
  FontRef AmbientFont() const override;

  std::wstring name_;
  RetainedSurface surface_;
  wchar_t accessKey_ = 0;
  bool timerArmed_ = false;
  bool leftPressedHere_ = false;
  bool ready_ = false;
  UC04Core core_{*this, surface_, Events};
  win::DestroyWindowOwner window_;  // last: destroyed first, while the rest still lives
};

// The form's two design-time instances, created through the stored-properties path.
std::unique_ptr<UC04> CreateCmdClose(HWND parent);
std::unique_ptr<UC04> CreateCmdConfirm(HWND parent);

// Their stored properties: caption, font and the host's extent in HIMETRIC.
MemoryPropertyBag CmdCloseProperties();
MemoryPropertyBag CmdConfirmProperties();

}  // namespace notify::button
