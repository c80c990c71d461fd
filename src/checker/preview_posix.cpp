#include "checker/preview.h"

namespace notify::checker {

int WritePreviews(const PreviewRequest&, std::string& errorText) {
  errorText = "previews need the Windows build (NotifyCheck.exe)";
  return 2;
}

}  // namespace notify::checker
