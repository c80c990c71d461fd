#include "platform/web_fetch.h"

namespace notify {

// The native build is for tests and the checker: it never reaches the network.
WebResponse FetchUrl(const WebRequest&) noexcept {
  WebResponse response;
  response.Failure = WebFailure::Network;
  return response;
}

}  // namespace notify
