#include <windows.h>

#include <atomic>
#include <string>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/text.h"
#include "platform/xml/file_io.h"

namespace notify::xml {

namespace {

win::CloseHandleOwner OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  HANDLE h = ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return win::CloseHandleOwner(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD part = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), part, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

std::wstring TempPathBeside(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  return target + L".~" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
}

// Writes and flushes the temporary file; the handle is closed before the rename.
bool WriteTemp(const std::wstring& temp, std::string_view bytes) {
  auto file = OpenFile(temp, GENERIC_WRITE, 0, CREATE_NEW);
  if (!file) return false;
  return WriteAll(file.get(), bytes) && ::FlushFileBuffers(file.get());
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  auto file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(bytes.size() - done);
    if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

void WriteFileAtomically(const std::wstring& path, std::string_view bytes) {
  const auto temp = TempPathBeside(path);
  const bool saved = WriteTemp(temp, bytes) &&
                     ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (saved) return;
  ::DeleteFileW(temp.c_str());
  Fail("cannot save " + ToUtf8(path));
}

void AppendFileBytes(const std::wstring& path, std::string_view bytes) {
  auto file = OpenFile(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS);
  if (!file || !WriteAll(file.get(), bytes)) Fail("cannot append to " + ToUtf8(path));
}

}  // namespace notify::xml
