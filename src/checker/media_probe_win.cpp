#include "checker/media_probe.h"
#include "platform/error.h"
#include "platform/ui/picture_win.h"

namespace notify::checker {

std::optional<Size> ProbePicture(const std::wstring& path) {
  try {
    const auto picture = ui::LoadPicture(path);
    if (!picture) return std::nullopt;
    return Size{picture->Width(), picture->Height()};
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace notify::checker
