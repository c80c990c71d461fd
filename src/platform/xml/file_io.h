#pragma once
// The XML layer's own file bytes: whole-file reads, atomic replacement and appends.
// Paths use backslashes on every build (the native build maps them to '/').
#include <optional>
#include <string>
#include <string_view>

namespace notify::xml {

// Nothing when the file cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// Writes a temporary file beside the target, flushes it to disk and renames it over the
// target. On failure the temporary file is removed, the target is untouched and a
// RuntimeError is thrown.
void WriteFileAtomically(const std::wstring& path, std::string_view bytes);

// Appends to the file, creating it when missing. Throws RuntimeError on failure.
void AppendFileBytes(const std::wstring& path, std::string_view bytes);

}  // namespace notify::xml
