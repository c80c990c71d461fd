#include <unistd.h>

#include <climits>

#include "checker/console.h"
#include "platform/text.h"

namespace notify::checker {

std::vector<std::wstring> CommandArguments(int argc, char** argv) {
  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(ReplaceAll(FromUtf8(argv[i]), L"/", L"\\"));
  return arguments;
}

std::wstring CurrentFolder() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? ReplaceAll(FromUtf8(buffer), L"/", L"\\") : std::wstring(L".");
}

bool PrepareProcess() { return true; }
void EndProcess() {}

}  // namespace notify::checker
