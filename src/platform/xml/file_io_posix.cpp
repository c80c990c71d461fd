#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/error.h"
#include "platform/paths_posix.h"
#include "platform/text.h"
#include "platform/xml/file_io.h"

namespace notify::xml {

namespace {

class FdOwner {
 public:
  explicit FdOwner(int fd) : fd_(fd) {}
  ~FdOwner() { Close(); }
  FdOwner(const FdOwner&) = delete;
  FdOwner& operator=(const FdOwner&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closing can report a deferred write error, so callers check it.
  bool Close() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

struct FolderAndName {
  std::string folder;  // with its trailing '/', or empty
  std::string name;
};

FolderAndName Split(const std::string& target) {
  const auto slash = target.rfind('/');
  if (slash == std::string::npos) return {{}, target};
  return {target.substr(0, slash + 1), target.substr(slash + 1)};
}

// Creates the temporary file exclusively; a name taken by someone else gets the next serial.
int CreateTemp(const std::string& target, std::string& temp) {
  static std::atomic<std::uint32_t> serial{0};
  const auto pid = static_cast<std::uint32_t>(::getpid());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = ToUtf8(detail::TempNameFor(FromUtf8(target), pid, serial++));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool ProcessHasEnded(std::uint32_t pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// Leftovers of saves killed between writing and renaming. Our own process's files are
// saves still under way on another thread.
void RemoveStaleTemps(const std::string& target) noexcept {
  try {
    const auto [folder, name] = Split(target);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) return;
    const auto wideName = FromUtf8(name);
    const auto self = static_cast<std::uint32_t>(::getpid());
    while (const dirent* entry = ::readdir(dir.get())) {
      const auto owner = detail::TempFileOwner(FromUtf8(entry->d_name), wideName, false);
      if (!owner || *owner == self || !ProcessHasEnded(*owner)) continue;
      const auto path = folder + entry->d_name;
      struct stat info {};
      if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
    }
  } catch (...) {
  }
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  FdOwner fd(::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.ok()) return std::nullopt;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  while (true) {
    const auto got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

void WriteFileAtomically(const std::wstring& path, std::string_view bytes) {
  const auto target = NativePath(path);
  std::string temp;
  FdOwner fd(CreateTemp(target, temp));
  if (!fd.ok()) Fail("cannot create a temporary file beside " + target);
  const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.Close();
  if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    Fail("cannot save " + target);
  }
  RemoveStaleTemps(target);
}

void AppendFileBytes(const std::wstring& path, std::string_view bytes) {
  const auto target = NativePath(path);
  FdOwner fd(::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!fd.ok() || !WriteAll(fd.get(), bytes) || !fd.Close()) Fail("cannot append to " + target);
}

}  // namespace notify::xml
