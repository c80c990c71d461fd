#include "platform/ui/form_dpi_win.h"

#include "platform/error.h"
#include "platform/ui/form_win.h"
#include "platform/ui/scale.h"

namespace notify::ui {

// The system gives the message font at its own DPI.
LOGFONTW MessageFontAt96() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW font{};
  if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    font = metrics.lfMessageFont;
  } else {
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  }
  font.lfHeight = ::MulDiv(font.lfHeight, kBaseDpi, SystemDpi());
  return font;
}

HFONT CreateFontAt(LOGFONTW font, int dpi) {
  font.lfHeight = ::MulDiv(font.lfHeight, dpi, kBaseDpi);
  if (HFONT created = ::CreateFontIndirectW(&font)) return created;
  return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

HFONT CreateLabelFont() { return CreateFontAt(MessageFontAt96(), kBaseDpi); }

void Form::SetDpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  paintFont_.reset(CreateFontAt(baseFont_, dpi_));
  for (const auto& label : labels_) label->Resize();
  MovePixels(at_, logical_);
  if (dpiChanged_) dpiChanged_(dpi_);
}

bool Form::DpiMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_DPICHANGED) return false;
  // Moved onto a monitor of another scale: keep the suggested place, redo the size. A
  // form already drawn at that scale (its owner placed it there) stays where it is.
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  const int dpi = LOWORD(wParam);
  TrapVoid([&] {
    if (dpi == dpi_) return;
    if (suggested != nullptr) at_ = {suggested->left, suggested->top};
    SetDpi(dpi);
  });
  result = 0;
  return true;
}

}  // namespace notify::ui
