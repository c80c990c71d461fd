#include "test_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace notify::test {

namespace fs = std::filesystem;

fs::path FixturePath(const std::string& relative) {
  fs::path p(NOTIFY_FIXTURES_DIR);
#ifdef _WIN32
  // The build happened on Linux; Wine shows the Unix root as drive Z:.
  p = fs::path("Z:" + std::string(NOTIFY_FIXTURES_DIR));
#endif
  return (p / relative).make_preferred();
}

std::wstring FixtureText(const std::string& relative) { return FixturePath(relative).wstring(); }

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          ("notify-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::wstring TempDir::text() const {
  auto t = fs::path(path_).make_preferred().wstring();
  if (t.empty() || (t.back() != L'\\' && t.back() != L'/')) t += static_cast<wchar_t>(fs::path::preferred_separator);
  return t;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace notify::test
