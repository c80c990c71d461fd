#pragma once
// One HTTP GET of a published file, blocking, for a worker thread. The Windows build uses
// WinHTTP with the user's proxy settings, the system's certificate checks, no cookies,
// 10 s to connect and 30 s in all; the request carries only the headers below. The native
// build has no network: every fetch there fails as "network".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace notify {

struct WebRequest {
  std::wstring Url;
  std::wstring IfNoneMatch;      // empty: not sent
  std::wstring IfModifiedSince;  // empty: not sent
  std::wstring UserAgent;        // "Notify/<file version>"
  std::size_t MaxBytes = 0;      // a longer body is cut off and marked TooLarge
  // Whether a redirect from one address to the next may be followed (at most five are);
  // empty: none is.
  std::function<bool(std::wstring_view from, std::wstring_view to)> RedirectAllowed;
};

enum class WebFailure { None, Network, Redirect, TooLarge };

struct WebResponse {
  WebFailure Failure = WebFailure::None;
  std::int32_t Status = 0;  // 0 when no answer came
  std::string Body;
  std::wstring ETag;
  std::wstring LastModified;
  std::wstring RetryAfter;  // the header as sent
};

// platform
WebResponse FetchUrl(const WebRequest& request) noexcept;

// The absolute address a Location header leads to from `from`: absolute, scheme-relative
// ("//host/..."), rooted ("/path") or relative to from's folder. Nothing when from is not
// an absolute address.
std::optional<std::wstring> ResolveRedirect(std::wstring_view from, std::wstring_view location);

// Retry-After as seconds from `now`: delta-seconds or an HTTP date (IMF-fixdate); nothing
// for anything else. A date in the past gives 0.
std::optional<std::int64_t> RetryAfterSeconds(std::wstring_view header, std::int64_t now);

}  // namespace notify
