#include "platform/shell.h"

namespace notify {
namespace {

// The native build exists to test the core; it opens nothing and starts nothing, so a
// test run never spawns a browser or a program.
class InertLauncher final : public ShellLauncher {
 public:
  void Open(const std::wstring&, const std::wstring&, std::int32_t) override {}
  void RunAndWait(const std::wstring&, const std::wstring&, std::int32_t, std::int32_t) override {}
};

}  // namespace

ShellLauncher& PlatformShellLauncher() {
  static InertLauncher launcher;
  return launcher;
}

}  // namespace notify
