#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/xml/file_io.h"

namespace notify::xml {

namespace {

std::string NativePath(const std::wstring& path) { return ToUtf8(ReplaceAll(path, L"\\", L"/")); }

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

std::string TempTemplate(const std::string& target) {
  const auto slash = target.rfind('/');
  const auto folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const auto name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + name + ".XXXXXX";
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
  auto temp = TempTemplate(target);
  FdOwner fd(::mkstemp(temp.data()));
  if (!fd.ok()) Fail("cannot create a temporary file beside " + target);
  const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.Close();
  if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    Fail("cannot save " + target);
  }
}

void AppendFileBytes(const std::wstring& path, std::string_view bytes) {
  const auto target = NativePath(path);
  FdOwner fd(::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!fd.ok() || !WriteAll(fd.get(), bytes) || !fd.Close()) Fail("cannot append to " + target);
}

}  // namespace notify::xml
