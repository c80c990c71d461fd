#pragma once
// UC04's behaviour without a window: the look state machine, the property setters in
// their fixed step order, persistence and DrawCell. The window, its surface and its host
// services are reached through the interfaces below, so tests can record every step.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "controls/button/uc04_geometry.h"

namespace notify::button {

// 0x00BBGGRR.
using Color = std::uint32_t;

inline constexpr Color kDisabledTextColor = 0x0092A1A1;  // RGB(161, 161, 146)
inline constexpr Color kDefaultBackColor = 0x999999;
inline constexpr Color kDefaultPColor = 0xFFFFFF;

// A font object, shared by reference between the property and the surface.
struct FontSpec {
  std::wstring face;
  double points = 0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  int charset = 0;
  bool operator==(const FontSpec&) const = default;
};
using FontRef = std::shared_ptr<const FontSpec>;

// The face strip as the core sees it: an object only the surface knows how to draw.
class FacePicture {
 public:
  virtual ~FacePicture() = default;
};
using FacePictureRef = std::shared_ptr<const FacePicture>;

// Events raised to the host. Arguments go by reference, as copies: a handler's changes
// have no effect on the control.
struct UC04Events {
  std::function<void()> Click;
  std::function<void(std::int16_t& keyCode, std::int16_t& shift)> KeyDown;
  std::function<void(std::int16_t& keyAscii)> KeyPress;
  std::function<void(std::int16_t& keyCode, std::int16_t& shift)> KeyUp;
  std::function<void(std::int16_t& button, std::int16_t& shift, float& x, float& y)> MouseDown;
  std::function<void(std::int16_t& button, std::int16_t& shift, float& x, float& y)> MouseMove;
  std::function<void(std::int16_t& button, std::int16_t& shift, float& x, float& y)> MouseUp;
  std::function<void()> MouseOut;
};

// The retained drawing surface: pixels, text colour, background colour and font live here.
class UC04Surface {
 public:
  virtual ~UC04Surface() = default;
  virtual void SetScaleModePixels() = 0;
  // Inner width and height in pixels.
  virtual float ScaleWidth() const = 0;
  virtual float ScaleHeight() const = 0;
  virtual Color ForeColor() const = 0;
  virtual void SetForeColor(Color color) = 0;
  virtual Color BackColor() const = 0;
  virtual void SetBackColor(Color color) = 0;
  virtual FontRef Font() const = 0;
  virtual void SetFont(FontRef font) = 0;
  // Fills with the background colour and resets the text position.
  virtual void Clear() = 0;
  // Scaled plain copy of a source rectangle of the picture.
  virtual void PaintPicture(const FacePicture& picture, RectF destination,
                            Rect source) = 0;
  virtual void SetPixel(float x, float y, Color color) = 0;
  virtual float TextWidth(const std::wstring& text) = 0;
  virtual float TextHeight(const std::wstring& text) = 0;
  // Text in the surface's font and text colour, no background box, no prefix processing.
  virtual void PrintText(float x, float y, const std::wstring& text) = 0;
  virtual void DrawFocusRect(Edges frame) = 0;
};

// What the hosting window system provides.
class UC04Host {
 public:
  virtual ~UC04Host() = default;
  virtual void PropertyChanged(const wchar_t* name) = 0;
  virtual bool WindowEnabled() const = 0;
  virtual void SetWindowEnabled(bool enabled) = 0;
  // 0 clears the access key.
  virtual void SetAccessKey(wchar_t key) = 0;
  virtual void StartTimer() = 0;  // TM01, 50 ms
  virtual void StopTimer() = 0;
  // GetCursorPos + WindowFromPoint: is the control's own window under the pointer?
  virtual bool PointerOverControl() = 0;
  // Pushes the retained surface to the screen at once.
  virtual void Refresh() = 0;
  virtual std::wstring AmbientDisplayName() const = 0;
  virtual FontRef AmbientFont() const = 0;
};

// A stored property value; colours are Color, State is int32_t, Booleans bool.
using PropertyValue =
    std::variant<bool, std::int32_t, Color, std::wstring, FontRef, FacePictureRef>;

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  // A name that is missing yields the default.
  virtual PropertyValue Read(const std::wstring& name, const PropertyValue& defaultValue) = 0;
  virtual void Write(const std::wstring& name, const PropertyValue& value,
                     const PropertyValue& defaultValue) = 0;
};

// The persisted names, in their read and write order.
inline constexpr std::array<const wchar_t*, 9> kPersistedNames = {
    L"Enabled", L"Caption",  L"ForeColor", L"BackColor", L"PColor",
    L"State",   L"HasFocus", L"Font",      L"BtnPic"};

class UC04Core {
 public:
  UC04Core(UC04Host& host, UC04Surface& surface, const UC04Events& events)
      : host_(host), surface_(surface), events_(events) {}

  // Lifecycle and notifications from the host.
  void Initialize();
  void InitProperties();
  void ReadProperties(PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;
  void Show();
  void Resize();
  void GotFocus();
  void LostFocus();
  void MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
  void MouseMove(std::int16_t button, std::int16_t shift, float x, float y);
  void MouseUp(std::int16_t button, std::int16_t shift, float x, float y);
  void Click();
  void AccessKeyPressed();
  void KeyDown(std::int16_t keyCode, std::int16_t shift);
  void KeyPress(std::int16_t keyAscii);
  void KeyUp(std::int16_t keyCode, std::int16_t shift);
  void TimerTick();  // TM01

  // Properties, in the order of the control's public members.
  bool Enabled() const { return host_.WindowEnabled(); }
  void SetEnabled(bool New_Enabled);
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& vNewCaption);
  Color ForeColor() const { return surface_.ForeColor(); }
  void SetForeColor(Color vNewColor);
  Color BackColor() const { return surface_.BackColor(); }
  void SetBackColor(Color vNewColor);
  Color PColor() const { return pColor_; }
  void SetPColor(Color vNewColor);
  std::int32_t State() const { return state_; }
  void SetState(std::int32_t vNewValue);
  bool HasFocus() const { return hasFocus_; }
  void SetHasFocus(bool vNewValue);
  FontRef Font() const { return surface_.Font(); }
  void SetFont(FontRef vNewFont);
  FacePictureRef BtnPic() const { return btnPic_; }
  void SetBtnPic(FacePictureRef NewPic);

  void UpdateLook();
  void DrawCell(std::int16_t cell);
  void UpdateAccessKey();

  // The look state, for the window layer and for tests.
  std::int16_t RestCell() const { return restCell_; }
  bool Hovering() const { return hovering_; }
  bool Focused() const { return focused_; }
  const FacePictureRef& Img() const { return img_; }

 private:
  void DrawFocusFrame();
  void ApplyStored(const wchar_t* name, const PropertyValue& value);
  PropertyValue DefaultOf(const wchar_t* name) const;
  PropertyValue CurrentOf(const wchar_t* name) const;

  UC04Host& host_;
  UC04Surface& surface_;
  const UC04Events& events_;
  std::wstring caption_;
  Color pColor_ = kDefaultPColor;
  std::int32_t state_ = 0;
  bool hasFocus_ = false;
  FacePictureRef btnPic_;
  FacePictureRef img_;
  bool focused_ = false;
  bool hovering_ = false;
  std::int16_t restCell_ = 0;
};

// A property store held in memory: what the host keeps for a design-time instance.
class MemoryPropertyBag final : public PropertyBag {
 public:
  PropertyValue Read(const std::wstring& name, const PropertyValue& defaultValue) override;
  void Write(const std::wstring& name, const PropertyValue& value,
             const PropertyValue& defaultValue) override;
  void Set(const std::wstring& name, PropertyValue value);
  bool Has(const std::wstring& name) const;

 private:
  std::vector<std::pair<std::wstring, PropertyValue>> entries_;
};

}  // namespace notify::button
