#include "controls/button/uc04_core.h"

#include <algorithm>
#include <string_view>

#include "platform/error.h"
#include "platform/text.h"

namespace notify::button {

namespace {

constexpr std::int16_t kCellNormal = 0;
constexpr std::int16_t kCellPressed = 1;
constexpr std::int16_t kCellDisabled = 2;
constexpr std::int16_t kCellHover = 3;
constexpr std::int16_t kCellStateOne = 4;
constexpr std::int16_t kLeftButton = 1;

// Handlers get copies by reference: what they change never reaches the control. The
// handler itself is copied too, so a Click handler may destroy the control it came from.
template <class Handler, class... Args>
void Raise(const Handler& handler, Args... args) {
  if (!handler) return;
  const Handler running = handler;
  running(args...);
}

template <class T>
const T& As(const PropertyValue& value, const wchar_t* name) {
  if (const T* v = std::get_if<T>(&value)) return *v;
  Fail("stored property has the wrong type: " + ToUtf8(name));
}

}  // namespace

void UC04Core::Initialize() {
  surface_.SetScaleModePixels();
  host_.StartTimer();  // TM01 is running when the control is created
}

void UC04Core::InitProperties() {
  SetEnabled(true);
  SetCaption(host_.AmbientDisplayName());
  SetFont(host_.AmbientFont());
  SetForeColor(0);
  SetBackColor(kDefaultBackColor);
  SetPColor(kDefaultPColor);
  SetState(0);
  SetHasFocus(false);
  UpdateLook();
}

PropertyValue UC04Core::DefaultOf(const wchar_t* name) const {
  const std::wstring_view n(name);
  if (n == L"Enabled") return true;
  if (n == L"Caption") return host_.AmbientDisplayName();
  if (n == L"ForeColor") return Color{0};
  if (n == L"BackColor") return kDefaultBackColor;
  if (n == L"PColor") return kDefaultPColor;
  if (n == L"State") return std::int32_t{0};
  if (n == L"HasFocus") return false;
  if (n == L"Font") return host_.AmbientFont();
  return FacePictureRef{};
}

PropertyValue UC04Core::CurrentOf(const wchar_t* name) const {
  const std::wstring_view n(name);
  if (n == L"Enabled") return Enabled();
  if (n == L"Caption") return caption_;
  if (n == L"ForeColor") return ForeColor();
  if (n == L"BackColor") return BackColor();
  if (n == L"PColor") return pColor_;
  if (n == L"State") return state_;
  if (n == L"HasFocus") return hasFocus_;
  if (n == L"Font") return Font();
  return btnPic_;
}

void UC04Core::ApplyStored(const wchar_t* name, const PropertyValue& value) {
  const std::wstring_view n(name);
  if (n == L"Enabled") return SetEnabled(As<bool>(value, name));
  if (n == L"Caption") return SetCaption(As<std::wstring>(value, name));
  if (n == L"ForeColor") return SetForeColor(As<Color>(value, name));
  if (n == L"BackColor") return SetBackColor(As<Color>(value, name));
  if (n == L"PColor") return SetPColor(As<Color>(value, name));
  if (n == L"State") return SetState(As<std::int32_t>(value, name));
  if (n == L"HasFocus") return SetHasFocus(As<bool>(value, name));
  if (n == L"Font") return SetFont(As<FontRef>(value, name));
  SetBtnPic(As<FacePictureRef>(value, name));
}

void UC04Core::ReadProperties(PropertyBag& bag) {
  for (const wchar_t* name : kPersistedNames) ApplyStored(name, bag.Read(name, DefaultOf(name)));
}

void UC04Core::WriteProperties(PropertyBag& bag) const {
  for (const wchar_t* name : kPersistedNames) bag.Write(name, CurrentOf(name), DefaultOf(name));
}

void UC04Core::Show() { UpdateLook(); }

void UC04Core::Resize() {
  surface_.Clear();
  UpdateLook();
}

void UC04Core::GotFocus() {
  focused_ = true;
  host_.StartTimer();
}

void UC04Core::LostFocus() {
  focused_ = false;
  DrawCell(kCellNormal);
  host_.Refresh();
}

void UC04Core::MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
  DrawCell(kCellPressed);
  Raise(events_.MouseDown, button, shift, x, y);
}

// Both bounds are inclusive: a move at exactly X = width still counts as inside.
void UC04Core::MouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
  host_.StartTimer();
  const bool inside = x >= 0 && y >= 0 && x <= surface_.ScaleWidth() && y <= surface_.ScaleHeight();
  if (!inside) return;
  Raise(events_.MouseMove, button, shift, x, y);
  if (button == kLeftButton) {
    DrawCell(kCellPressed);
  } else if (!hovering_) {
    DrawCell(kCellHover);
    hovering_ = true;
  }
}

void UC04Core::MouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
  focused_ = true;
  DrawCell(kCellHover);
  Raise(events_.MouseUp, button, shift, x, y);
}

void UC04Core::Click() { Raise(events_.Click); }

void UC04Core::AccessKeyPressed() { Click(); }

void UC04Core::KeyDown(std::int16_t keyCode, std::int16_t shift) {
  Raise(events_.KeyDown, keyCode, shift);
}

void UC04Core::KeyPress(std::int16_t keyAscii) { Raise(events_.KeyPress, keyAscii); }

void UC04Core::KeyUp(std::int16_t keyCode, std::int16_t shift) {
  Raise(events_.KeyUp, keyCode, shift);
}

void UC04Core::TimerTick() {
  if (host_.PointerOverControl()) return;
  host_.StopTimer();
  hovering_ = false;
  UpdateLook();
  Raise(events_.MouseOut);
}

void UC04Core::SetEnabled(bool New_Enabled) {
  host_.SetWindowEnabled(New_Enabled);
  host_.PropertyChanged(L"Enabled");
  // Straight into the surface: whatever ForeColor held is lost.
  surface_.SetForeColor(New_Enabled ? Color{0} : kDisabledTextColor);
  UpdateLook();
}

void UC04Core::SetCaption(const std::wstring& vNewCaption) {
  caption_ = vNewCaption;
  host_.PropertyChanged(L"Caption");
  UpdateAccessKey();
  UpdateLook();
}

void UC04Core::SetForeColor(Color vNewColor) {
  surface_.SetForeColor(vNewColor);
  host_.PropertyChanged(L"ForeColor");
  UpdateLook();
}

void UC04Core::SetBackColor(Color vNewColor) {
  surface_.SetBackColor(vNewColor);
  host_.PropertyChanged(L"BackColor");
  UpdateLook();
}

void UC04Core::SetPColor(Color vNewColor) {
  pColor_ = vNewColor;
  host_.PropertyChanged(L"PColor");
  UpdateLook();
}

void UC04Core::SetState(std::int32_t vNewValue) {
  state_ = vNewValue;
  host_.PropertyChanged(L"State");
  UpdateLook();
}

void UC04Core::SetHasFocus(bool vNewValue) {
  hasFocus_ = vNewValue;
  host_.PropertyChanged(L"HasFocus");
  UpdateLook();
}

void UC04Core::SetFont(FontRef vNewFont) {
  surface_.SetFont(std::move(vNewFont));
  host_.PropertyChanged(L"Font");
  UpdateLook();
}

void UC04Core::SetBtnPic(FacePictureRef NewPic) {
  btnPic_ = NewPic;
  img_ = std::move(NewPic);
  host_.PropertyChanged(L"BtnPic");
  UpdateLook();
}

void UC04Core::UpdateLook() {
  if (state_ == 1) {
    restCell_ = kCellStateOne;
  } else if (state_ == 0) {
    restCell_ = kCellNormal;
  }
  DrawCell(Enabled() ? restCell_ : kCellDisabled);
}

void UC04Core::UpdateAccessKey() {
  host_.SetAccessKey(0);
  if (const wchar_t key = AccessKeyFor(caption_)) host_.SetAccessKey(key);
}

void UC04Core::DrawCell(std::int16_t cell) {
  const float w = surface_.ScaleWidth();
  const float h = surface_.ScaleHeight();
  if (TooSmallToDraw(w, h)) return;
  if (img_) {
    for (const SlicePiece& piece : NineSlice(w, h, cell))
      surface_.PaintPicture(*img_, piece.destination, piece.source);
  }
  const float right = w - 1;
  const float bottom = static_cast<float>(RoundToInt16(h - 1));
  surface_.SetPixel(0, 0, pColor_);
  surface_.SetPixel(right, 0, pColor_);
  surface_.SetPixel(right, bottom, pColor_);
  surface_.SetPixel(0, bottom, pColor_);
  const float textW = surface_.TextWidth(caption_);
  const float textH = surface_.TextHeight(caption_);
  surface_.PrintText((w - textW) / 2, (h - textH) / 2, caption_);
  if (cell != kCellDisabled && focused_ && hasFocus_) DrawFocusFrame();
}

void UC04Core::DrawFocusFrame() {
  surface_.DrawFocusRect(FocusFrame(surface_.ScaleWidth(), surface_.ScaleHeight()));
}

PropertyValue MemoryPropertyBag::Read(const std::wstring& name, const PropertyValue& defaultValue) {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const auto& e) { return e.first == name; });
  return it == entries_.end() ? defaultValue : it->second;
}

// Like the host's own store, a value equal to its default is not kept.
void MemoryPropertyBag::Write(const std::wstring& name, const PropertyValue& value,
                              const PropertyValue& defaultValue) {
  std::erase_if(entries_, [&](const auto& e) { return e.first == name; });
  if (value != defaultValue) entries_.emplace_back(name, value);
}

void MemoryPropertyBag::Set(const std::wstring& name, PropertyValue value) {
  std::erase_if(entries_, [&](const auto& e) { return e.first == name; });
  entries_.emplace_back(name, std::move(value));
}

bool MemoryPropertyBag::Has(const std::wstring& name) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const auto& e) { return e.first == name; });
}

}  // namespace notify::button
