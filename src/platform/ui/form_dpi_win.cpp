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

void Form::RefreshDpi() {
  if (window_) ApplyDpi(WindowDpi(window_.get()));
}

void Form::ApplyDpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  paintFont_.reset(CreateFontAt(baseFont_, dpi_));
  MovePixels(at_, logical_);
  if (dpiChanged_) dpiChanged_(dpi_);
}

bool Form::DpiMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_DPICHANGED) return false;
  // Moved onto a monitor of another scale: keep the suggested place, redo the size.
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  TrapVoid([&] {
    if (suggested != nullptr) at_ = {suggested->left, suggested->top};
    ApplyDpi(LOWORD(wParam));
  });
  result = 0;
  return true;
}

}  // namespace notify::ui
