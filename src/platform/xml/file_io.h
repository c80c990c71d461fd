#pragma once
// The XML layer's own file bytes: whole-file reads, atomic replacement and appends.
// Paths use backslashes on every build (the native build maps them to '/').
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace notify::xml {

// Nothing when the file cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// Writes a temporary file beside the target, flushes it to disk and renames it over the
// target. On failure the temporary file is removed, the target is untouched and a
// RuntimeError is thrown. After a successful rename, temporary files of the same target
// left by saves whose process has ended (killed mid-save) are removed; nothing else is.
void WriteFileAtomically(const std::wstring& path, std::string_view bytes);

// Appends to the file, creating it when missing. Throws RuntimeError on failure.
void AppendFileBytes(const std::wstring& path, std::string_view bytes);

namespace detail {
// "<target>.~<pid>-<serial>.tmp": the temporary file of one save, named by the process
// writing it so that a later save can tell a dead writer's leftovers from a live one.
std::wstring TempNameFor(std::wstring_view target, std::uint32_t processId, std::uint32_t serial);
// The writer's process id when `entry` (a name in the target's folder) is exactly such a
// temporary name for `targetName`; nothing for every other name.
std::optional<std::uint32_t> TempFileOwner(std::wstring_view entry, std::wstring_view targetName, bool ignoreCase);
}  // namespace detail

}  // namespace notify::xml
