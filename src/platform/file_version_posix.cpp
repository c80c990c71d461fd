#include <fstream>
#include <iterator>
#include <string>

#include "platform/error.h"
#include "platform/file_version.h"
#include "platform/paths_posix.h"

namespace notify {

// The native build reads the version resource from the file's PE image itself.
std::optional<FileVersionWords> ReadFileVersionWords(const std::wstring& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) Fail("cannot open the file");
  const std::string bytes(std::istreambuf_iterator<char>(in), {});
  return ParsePeFileVersion(bytes);
}

}  // namespace notify
