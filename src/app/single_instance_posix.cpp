#include "app/single_instance.h"

namespace notify {

// The native build has no start-up of its own; only the marker name is tested there.
bool ClaimSingleInstance() noexcept { return true; }

}  // namespace notify
