#include "platform/registry.h"

namespace notify {

// The native build has no registry: nothing is written and nothing succeeds.
bool RegWriteValue(RegRoot, const std::wstring&, const std::optional<std::wstring>&, const RegValue&,
                   std::uint32_t) noexcept {
  return false;
}

}  // namespace notify
