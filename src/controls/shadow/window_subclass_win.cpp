#include "controls/shadow/window_subclass_win.h"

#include <algorithm>
#include <new>
#include <vector>

namespace notify {
namespace {

constexpr wchar_t kChainProperty[] = L"Notify.SubclassChain";

struct Link {
  SubclassProcedure procedure;
  UINT_PTR id;
  DWORD_PTR refData;
};

struct Chain {
  WNDPROC original = nullptr;
  std::vector<Link> links;  // removed links become empty while a message runs
  std::size_t position = 0;  // links below this one are still to be called
  int running = 0;
  bool destroyed = false;  // WM_NCDESTROY seen: nothing may outlive the window
};

Chain* ChainOf(HWND window) { return static_cast<Chain*>(::GetPropW(window, kChainProperty)); }

LRESULT CALLBACK ChainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Drops removed links, and the whole chain once nothing is left and nothing runs,
// provided nobody has replaced the window's procedure on top of it since.
void Compact(HWND window, Chain* chain) {
  if (chain->running > 0) return;
  const bool destroying = chain->destroyed;
  std::erase_if(chain->links, [](const Link& l) { return l.procedure == nullptr; });
  if (!chain->links.empty() && !destroying) return;
  const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC));
  if (current == &ChainProc) {
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
  } else if (!destroying) {
    return;  // still called by whoever is on top: stay, passing messages through
  }
  ::RemovePropW(window, kChainProperty);
  delete chain;
}

LRESULT CallNext(Chain* chain, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  while (chain->position > 0) {
    const Link link = chain->links[--chain->position];
    if (link.procedure != nullptr) return link.procedure(window, message, wParam, lParam, link.id, link.refData);
  }
  return ::CallWindowProcW(chain->original, window, message, wParam, lParam);
}

LRESULT CALLBACK ChainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Chain* chain = ChainOf(window);
  if (chain == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  ++chain->running;
  if (message == WM_NCDESTROY) chain->destroyed = true;
  const std::size_t saved = chain->position;  // a nested message starts at the top again
  chain->position = chain->links.size();
  const LRESULT result = CallNext(chain, window, message, wParam, lParam);
  chain->position = saved;
  --chain->running;
  Compact(window, chain);
  return result;
}

}  // namespace

bool AddSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id, DWORD_PTR refData) noexcept {
  if (procedure == nullptr || !::IsWindow(window)) return false;
  Chain* chain = ChainOf(window);
  if (chain == nullptr) {
    chain = new (std::nothrow) Chain();
    if (chain == nullptr) return false;
    if (!::SetPropW(window, kChainProperty, chain)) {
      delete chain;
      return false;
    }
    chain->original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChainProc)));
    if (chain->original == nullptr) {
      ::RemovePropW(window, kChainProperty);
      delete chain;
      return false;
    }
  }
  const auto same = [&](const Link& l) { return l.procedure == procedure && l.id == id; };
  if (const auto found = std::find_if(chain->links.begin(), chain->links.end(), same); found != chain->links.end()) {
    found->refData = refData;
    return true;
  }
  try {
    chain->links.push_back({procedure, id, refData});
  } catch (...) {
    return false;
  }
  return true;
}

bool RemoveSubclass(HWND window, SubclassProcedure procedure, UINT_PTR id) noexcept {
  Chain* chain = ChainOf(window);
  if (chain == nullptr) return false;
  const auto same = [&](const Link& l) { return l.procedure == procedure && l.id == id; };
  const auto found = std::find_if(chain->links.begin(), chain->links.end(), same);
  if (found == chain->links.end()) return false;
  found->procedure = nullptr;
  Compact(window, chain);
  return true;
}

LRESULT CallNextSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  Chain* chain = ChainOf(window);
  if (chain == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return CallNext(chain, window, message, wParam, lParam);
}

}  // namespace notify
