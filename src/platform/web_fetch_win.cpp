#include <windows.h>
// Needs the types above.
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/handles_win.h"
#include "platform/web_fetch.h"

namespace notify {

namespace {

using Clock = std::chrono::steady_clock;
inline void ReleaseInternet(HINTERNET h) { ::WinHttpCloseHandle(h); }
using Internet = win::Owned<HINTERNET, &ReleaseInternet>;

constexpr int kConnectMs = 10000;
constexpr auto kWholeFetch = std::chrono::seconds(30);
constexpr int kMostRedirects = 5;

struct Failure {
  WebFailure kind;
};

// A proxy string handed out by the system, freed with GlobalFree.
struct SystemString {
  LPWSTR text = nullptr;
  ~SystemString() {
    if (text != nullptr) ::GlobalFree(text);
  }
};

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) throw Failure{WebFailure::Network};
  return static_cast<int>(left);
}

// The user's own proxy where the system cannot pick it by itself: the configured proxy,
// or automatic discovery and the configuration script, as the user's settings say.
void ApplyUserProxy(HINTERNET session, HINTERNET request, const std::wstring& url) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (!::WinHttpGetIEProxyConfigForCurrentUser(&user)) return;
  SystemString autoConfig{user.lpszAutoConfigUrl}, proxy{user.lpszProxy}, bypass{user.lpszProxyBypass};
  if (user.fAutoDetect || autoConfig.text != nullptr) {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    options.dwFlags = autoConfig.text != nullptr ? WINHTTP_AUTOPROXY_CONFIG_URL : WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    options.lpszAutoConfigUrl = autoConfig.text;
    WINHTTP_PROXY_INFO found{};
    if (::WinHttpGetProxyForUrl(session, url.c_str(), &options, &found)) {
      SystemString foundProxy{found.lpszProxy}, foundBypass{found.lpszProxyBypass};
      ::WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &found, sizeof found);
      return;
    }
  }
  if (proxy.text != nullptr) {
    WINHTTP_PROXY_INFO named{WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.text, bypass.text};
    ::WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &named, sizeof named);
  }
}

std::wstring Header(HINTERNET request, DWORD which) {
  DWORD size = 0;
  ::WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (!::WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  value.resize(size / sizeof(wchar_t));
  return value;
}

std::int32_t StatusOf(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!::WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    throw Failure{WebFailure::Network};
  }
  return static_cast<std::int32_t>(status);
}

void ReadBody(HINTERNET request, std::size_t maxBytes, Clock::time_point deadline, WebResponse& response) {
  for (;;) {
    RemainingMs(deadline);
    DWORD available = 0;
    if (!::WinHttpQueryDataAvailable(request, &available)) throw Failure{WebFailure::Network};
    if (available == 0) return;
    const std::size_t at = response.Body.size();
    const std::size_t room = maxBytes + 1 - at;  // one byte past the limit tells "too large"
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(available, room));
    response.Body.resize(at + wanted);
    DWORD read = 0;
    if (!::WinHttpReadData(request, response.Body.data() + at, wanted, &read)) throw Failure{WebFailure::Network};
    response.Body.resize(at + read);
    if (response.Body.size() > maxBytes) throw Failure{WebFailure::TooLarge};
    if (read == 0) return;
  }
}

bool IsRedirect(std::int32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One request to `url`; a redirect's target comes back in `next`.
WebResponse FetchOnce(HINTERNET session, bool userProxy, const std::wstring& url, const WebRequest& request,
                      Clock::time_point deadline, std::wstring& next) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) throw Failure{WebFailure::Network};
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  const Internet connection(::WinHttpConnect(session, host.c_str(), parts.nPort, 0));
  if (!connection) throw Failure{WebFailure::Network};
  const Internet handle(::WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
  if (!handle) throw Failure{WebFailure::Network};
  // No cookies, no credentials, no redirect followed behind our back.
  DWORD features = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION | WINHTTP_DISABLE_REDIRECTS;
  ::WinHttpSetOption(handle.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
  DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  ::WinHttpSetOption(handle.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
  const int left = RemainingMs(deadline);
  ::WinHttpSetTimeouts(handle.get(), std::min(left, kConnectMs), std::min(left, kConnectMs), left, left);
  if (userProxy) ApplyUserProxy(session, handle.get(), url);

  std::wstring headers;
  if (!request.IfNoneMatch.empty()) headers += L"If-None-Match: " + request.IfNoneMatch + L"\r\n";
  if (!request.IfModifiedSince.empty()) headers += L"If-Modified-Since: " + request.IfModifiedSince + L"\r\n";
  if (!::WinHttpSendRequest(handle.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                            headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !::WinHttpReceiveResponse(handle.get(), nullptr)) {
    throw Failure{WebFailure::Network};
  }
  WebResponse response;
  response.Status = StatusOf(handle.get());
  response.ETag = Header(handle.get(), WINHTTP_QUERY_ETAG);
  response.LastModified = Header(handle.get(), WINHTTP_QUERY_LAST_MODIFIED);
  response.RetryAfter = Header(handle.get(), WINHTTP_QUERY_RETRY_AFTER);
  if (IsRedirect(response.Status)) {
    next = ResolveRedirect(url, Header(handle.get(), WINHTTP_QUERY_LOCATION)).value_or(L"");
  } else if (response.Status == 200) {
    ReadBody(handle.get(), request.MaxBytes, deadline, response);
  }
  return response;
}

WebResponse Fetch(const WebRequest& request) {
  const auto deadline = Clock::now() + kWholeFetch;
  // The system's own choice of proxy where it has one; the user's settings read by hand where not.
  bool userProxy = false;
  Internet session(::WinHttpOpen(request.UserAgent.c_str(), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                 WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    userProxy = true;
    session = Internet(::WinHttpOpen(request.UserAgent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  }
  if (!session) throw Failure{WebFailure::Network};
  std::wstring url = request.Url;
  for (int hop = 0;; ++hop) {
    std::wstring next;
    WebResponse response = FetchOnce(session.get(), userProxy, url, request, deadline, next);
    if (!IsRedirect(response.Status)) return response;
    if (hop == kMostRedirects || next.empty() || !request.RedirectAllowed || !request.RedirectAllowed(url, next)) {
      response.Failure = WebFailure::Redirect;
      return response;
    }
    url = next;
  }
}

}  // namespace

WebResponse FetchUrl(const WebRequest& request) noexcept {
  WebResponse response;
  try {
    return Fetch(request);
  } catch (const Failure& failure) {
    response.Failure = failure.kind;
  } catch (...) {
    response.Failure = WebFailure::Network;
  }
  return response;
}

}  // namespace notify
