#include "checker/preview.h"

#include <filesystem>
#include <system_error>

#include "checker/check.h"
#include "checker/preview_name.h"
#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "presentation/placement.h"
#include "presentation/popup_preview_win.h"

namespace notify::checker {
namespace {

// The skin reads ProgramFolder(); the checker's own folder comes back afterwards.
class ProgramFolderScope {
 public:
  explicit ProgramFolderScope(const std::wstring& folder) : saved_(ProgramFolder()) {
    SetProgramFolder(AddTrailingBackslash(folder));
  }
  ~ProgramFolderScope() { SetProgramFolder(saved_); }
  ProgramFolderScope(const ProgramFolderScope&) = delete;
  ProgramFolderScope& operator=(const ProgramFolderScope&) = delete;

 private:
  std::wstring saved_;
};

void WriteAll(const PreviewRequest& request) {
  const std::filesystem::path output(request.OutputFolder);
  std::error_code error;
  std::filesystem::create_directories(output, error);
  if (!std::filesystem::is_directory(output)) Fail("cannot create the folder " + ToUtf8(request.OutputFolder));

  const ProgramFolderScope folder(request.ProgramFolder);
  const auto document = NewCheckerDocument();
  if (!document) Fail("the system XML component is not available");
  PopupView view;
  // One form for the whole run, as Notify shows them: a style's pictures stay until a
  // message of another style replaces them; each message brings its own logo.
  std::wstring lastStyle;
  for (const auto& [index, record] : request.Messages) {
    if (!EqualsNoCase(record.Style, lastStyle)) view.LoadSkinStyle(record, document.get());
    lastStyle = record.Style;
    view.LoadLogo(record);
    view.LayoutPopup(record);
    const std::int16_t corner = record.Round ? kRoundCornerPixels : 0;
    const std::filesystem::path file = output / PreviewFileName(index, record.ID);
    try {
      WritePng(SnapshotPopup(view, corner, corner), file.wstring());
    } catch (const std::exception& e) {
      Fail(ToUtf8(file.wstring()) + ": " + e.what());
    }
  }
}

}  // namespace

int WritePreviews(const PreviewRequest& request, std::string& errorText) {
  try {
    win::CoUninitializeOwner com;
    WriteAll(request);
    return 0;
  } catch (const std::exception& e) {
    errorText = std::string("cannot write previews: ") + e.what();
    return 2;
  }
}

}  // namespace notify::checker
