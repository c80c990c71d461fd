#include <windows.h>

#include <atomic>
#include <cstdint>
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
  static std::atomic<std::uint32_t> counter{0};
  return detail::TempNameFor(target, ::GetCurrentProcessId(), counter++);
}

// Unknown answers count as running: a live save's file must never be taken away.
bool ProcessHasEnded(DWORD pid) {
  win::CloseHandleOwner process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return ::GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  return ::GetExitCodeProcess(process.get(), &code) && code != STILL_ACTIVE;
}

// Leftovers of saves killed between writing and renaming. Our own process's files are
// saves still under way on another thread.
void RemoveStaleTemps(const std::wstring& target) noexcept {
  try {
    const auto slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::wstring name = target.substr(slash == std::wstring::npos ? 0 : slash + 1);
    WIN32_FIND_DATAW found{};
    const HANDLE first = ::FindFirstFileW((target + L".~*.tmp").c_str(), &found);
    win::FindCloseOwner search(first == INVALID_HANDLE_VALUE ? nullptr : first);
    if (!search) return;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const auto owner = detail::TempFileOwner(found.cFileName, name, true);
      if (!owner || *owner == ::GetCurrentProcessId() || !ProcessHasEnded(*owner)) continue;
      ::DeleteFileW((folder + found.cFileName).c_str());  // one still open stays, harmlessly
    } while (::FindNextFileW(search.get(), &found));
  } catch (...) {
  }
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
  if (saved) {
    RemoveStaleTemps(path);
    return;
  }
  ::DeleteFileW(temp.c_str());
  Fail("cannot save " + ToUtf8(path));
}

void AppendFileBytes(const std::wstring& path, std::string_view bytes) {
  auto file = OpenFile(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS);
  if (!file || !WriteAll(file.get(), bytes)) Fail("cannot append to " + ToUtf8(path));
}

}  // namespace notify::xml
