#pragma once
// Off-screen pictures of the messages a catalogue would show, drawn by the popup's own code.
#include <string>
#include <utility>
#include <vector>

#include "catalogue/msg_record.h"

namespace notify::checker {

struct PreviewRequest {
  std::wstring ProgramFolder;
  std::wstring OutputFolder;
  std::vector<std::pair<int, MsgRecord>> Messages;  // catalogue index (1-based, as in the JSON), record to show
};

// 0 when every preview was written; 2 when previews cannot be made here (errorText says why).
int WritePreviews(const PreviewRequest& request, std::string& errorText);

}  // namespace notify::checker
