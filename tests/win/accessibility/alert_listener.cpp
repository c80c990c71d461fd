// alert_listener <report> <press-child> <seconds>
// Waits for one EVENT_SYSTEM_ALERT from another process, reads the accessible object
// behind it and writes what it found to <report> (UTF-8, one "key<TAB>value" a line),
// then runs the default action of child <press-child> (0: none). Writes <report>.ready
// once the hook is set.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::wstring g_report;
long g_press = 0;
bool g_done = false;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Line breaks inside a value are written as "\n" so that one value stays on one line.
std::string Escaped(const std::wstring& text) {
  std::string out;
  for (char c : Utf8(text)) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

VARIANT Child(long id) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* acc, long id) {
  BSTR value = nullptr;
  const HRESULT hr = (acc->*get)(Child(id), &value);
  std::wstring text = SUCCEEDED(hr) && value ? std::wstring(value, ::SysStringLen(value)) : L"";
  if (value) ::SysFreeString(value);
  if (FAILED(hr)) text = L"<error " + std::to_wstring(static_cast<unsigned long>(hr)) + L">";
  return text;
}

long Role(IAccessible* acc, long id) {
  VARIANT role;
  ::VariantInit(&role);
  if (FAILED(acc->get_accRole(Child(id), &role)) || role.vt != VT_I4) return -1;
  return role.lVal;
}

void CALLBACK OnAlert(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (g_done || event != EVENT_SYSTEM_ALERT) return;
  g_done = true;
  std::ofstream out(std::filesystem::path(g_report + L".part"), std::ios::binary);
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 64);
  wchar_t windowText[256] = {};
  ::GetWindowTextW(window, windowText, 256);
  out << "event_object\t" << object << "\nevent_child\t" << child << "\nclass\t" << Utf8(className)
      << "\nwindow_text\t" << Escaped(windowText) << "\n";
  IAccessible* acc = nullptr;
  VARIANT self;
  ::VariantInit(&self);
  const HRESULT hr = ::AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child), &acc,
                                                 &self);
  out << "object_hr\t" << static_cast<unsigned long>(hr) << "\n";
  if (SUCCEEDED(hr) && acc != nullptr) {
    const long id = self.vt == VT_I4 ? self.lVal : 0;
    out << "role\t" << Role(acc, id) << "\nname\t" << Escaped(Text(&IAccessible::get_accName, acc, id))
        << "\ndescription\t" << Escaped(Text(&IAccessible::get_accDescription, acc, id)) << "\n";
    long count = -1;
    acc->get_accChildCount(&count);
    out << "children\t" << count << "\n";
    for (long c = 1; c <= count; ++c) {
      out << "child" << c << "_name\t" << Escaped(Text(&IAccessible::get_accName, acc, c)) << "\n";
      out << "child" << c << "_role\t" << Role(acc, c) << "\n";
      out << "child" << c << "_shortcut\t" << Escaped(Text(&IAccessible::get_accKeyboardShortcut, acc, c)) << "\n";
      out << "child" << c << "_action\t" << Escaped(Text(&IAccessible::get_accDefaultAction, acc, c)) << "\n";
    }
    if (g_press > 0) {
      out << "press_hr\t" << static_cast<unsigned long>(acc->accDoDefaultAction(Child(g_press))) << "\n";
    }
    acc->Release();
  }
  out.close();
  ::MoveFileW((g_report + L".part").c_str(), g_report.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  g_report = argv[1];
  g_press = std::wcstol(argv[2], nullptr, 10);
  const DWORD seconds = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_SYSTEM_ALERT, nullptr, &OnAlert, 0, 0,
                                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
  if (hook == nullptr) return 3;
  std::ofstream(std::filesystem::path(g_report + L".ready")).put('1');
  const ULONGLONG end = ::GetTickCount64() + seconds * 1000ULL;
  while (!g_done && ::GetTickCount64() < end) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  ::UnhookWinEvent(hook);
  ::CoUninitialize();
  return g_done ? 0 : 1;
}
