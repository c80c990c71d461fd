#include <windows.h>

#include "platform/web_fetch.h"

namespace notify {

WebResponse FetchUrl(const WebRequest&) noexcept {
  WebResponse response;
  response.Failure = WebFailure::Network;
  return response;
}

}  // namespace notify
