#include "checker/preview.h"

namespace notify::checker {

int WritePreviews(const PreviewRequest&, std::string& errorText) {
  errorText = "previews are not available in this build of NotifyCheck.exe yet";
  return 2;
}

}  // namespace notify::checker
