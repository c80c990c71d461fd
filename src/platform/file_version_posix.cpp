#include "platform/file_version.h"

namespace notify {

// The native build reads no version resources: every existing file counts as one
// without version information ("1.0.0.1000").
std::optional<FileVersionWords> ReadFileVersionWords(const std::wstring&) { return std::nullopt; }

}  // namespace notify
