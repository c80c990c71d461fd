#include "platform/ui/accessible_win.h"

#include <oleacc.h>

#include <atomic>
#include <new>
#include <optional>

#include "platform/error.h"
#include "platform/system_library_win.h"

namespace notify::ui {
namespace {

constexpr LONG kButtonRole = ROLE_SYSTEM_PUSHBUTTON;

// Strings leave through BSTRs the caller frees.
HRESULT ToBstr(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

class PopupAccessible final : public IAccessible {
 public:
  explicit PopupAccessible(std::shared_ptr<AccessibleLink> link) : link_(std::move(link)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: readers use the vtable.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    // The accessibility library is loaded when a screen reader first asks.
    static const auto fromWindow =
        win::SystemFunction<decltype(&::AccessibleObjectFromWindow)>(L"oleacc.dll", "AccessibleObjectFromWindow");
    if (fromWindow == nullptr) return E_FAIL;
    return fromWindow(link_->window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch, reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(Buttons().size());
    return S_OK;
  }
  // The buttons are simple elements, addressed by their child id on this object.
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    return ButtonIndex(child) ? S_FALSE : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, [this] { return link_->content->AccessibleName(); },
                [](const AccessibleButton& b) { return b.name; });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override { return ToBstr(L"", value); }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return Text(child, text, [this] { return link_->content->AccessibleDescription(); },
                [](const AccessibleButton&) { return std::wstring(); });
  }
  // Role and state are whole numbers asked of the alert (index 0) or of one button.
  template <typename Answer>
  HRESULT WholeNumber(VARIANT child, VARIANT* out, Answer answer) {
    if (out == nullptr) return E_POINTER;
    ::VariantInit(out);
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const auto index = Target(child);
    if (!index) return E_INVALIDARG;
    out->vt = VT_I4;
    out->lVal = answer(*index);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return WholeNumber(child, role, [](auto index) -> long { return index == 0 ? ROLE_SYSTEM_ALERT : kButtonRole; });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return WholeNumber(child, state, [this](auto index) -> long {
      const HWND window = index == 0 ? link_->window : Buttons()[index - 1].window;
      long flags = index == 0 ? STATE_SYSTEM_READONLY : STATE_SYSTEM_FOCUSABLE;
      if (!::IsWindowVisible(window)) flags |= STATE_SYSTEM_INVISIBLE;
      if (!::IsWindowEnabled(window)) flags |= STATE_SYSTEM_UNAVAILABLE;
      if (index != 0 && ::GetFocus() == window) flags |= STATE_SYSTEM_FOCUSED;
      return flags;
    });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return ToBstr(L"", help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file != nullptr) *file = nullptr;
    if (topic != nullptr) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Text(child, shortcut, [] { return std::wstring(); },
                [](const AccessibleButton& b) { return b.shortcut; });
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus == nullptr) return E_POINTER;
    ::VariantInit(focus);
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const HWND focused = ::GetFocus();
    const auto buttons = Buttons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i].window == focused) return ChildVariant(focus, static_cast<long>(i + 1));
    }
    if (focused == link_->window) return ChildVariant(focus, CHILDID_SELF);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection == nullptr) return E_POINTER;
    ::VariantInit(selection);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Text(child, action, [] { return std::wstring(); }, [](const AccessibleButton&) { return std::wstring(L"Press"); });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const auto index = Target(child);
    if (!index) return E_INVALIDARG;
    RECT r{};
    if (!::GetWindowRect(*index == 0 ? link_->window : Buttons()[*index - 1].window, &r)) return E_FAIL;
    *left = r.left;
    *top = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    ::VariantInit(end);
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const auto index = Target(start);
    if (!index) return E_INVALIDARG;
    const long count = static_cast<long>(Buttons().size());
    long to = 0;
    if (*index == 0 && direction == NAVDIR_FIRSTCHILD) to = 1;
    if (*index == 0 && direction == NAVDIR_LASTCHILD) to = count;
    if (*index != 0 && (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN)) to = static_cast<long>(*index) + 1;
    if (*index != 0 && (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP)) to = static_cast<long>(*index) - 1;
    if (to < 1 || to > count) return S_FALSE;
    return ChildVariant(end, to);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (hit == nullptr) return E_POINTER;
    ::VariantInit(hit);
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const POINT at{x, y};
    const auto buttons = Buttons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      RECT r{};
      if (::IsWindowVisible(buttons[i].window) && ::GetWindowRect(buttons[i].window, &r) && ::PtInRect(&r, at)) {
        return ChildVariant(hit, static_cast<long>(i + 1));
      }
    }
    RECT self{};
    if (::GetWindowRect(link_->window, &self) && ::PtInRect(&self, at)) return ChildVariant(hit, CHILDID_SELF);
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const auto target = Target(child);
    if (!target) return E_INVALIDARG;
    if (*target == 0) return DISP_E_MEMBERNOTFOUND;  // the alert itself has no action
    const auto index = target;
    const HWND button = Buttons()[*index - 1].window;
    if (!::IsWindowVisible(button) || !::IsWindowEnabled(button)) return E_FAIL;
    // The click may end the program; it must not run inside the reader's call.
    return ::PostMessageW(link_->window, kAccessiblePressMessage, *index - 1, 0) ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

 private:
  bool Alive() const { return link_->content != nullptr && link_->window != nullptr; }
  std::vector<AccessibleButton> Buttons() const {
    return Trap(std::vector<AccessibleButton>(), [this] { return link_->content->AccessibleButtons(); });
  }

  // 0 for the popup itself, 1.. for its buttons; nothing for an id it does not have.
  std::optional<std::size_t> Target(const VARIANT& child) const {
    if (child.vt != VT_I4 || child.lVal < 0) return std::nullopt;
    const auto index = static_cast<std::size_t>(child.lVal);
    if (index > Buttons().size()) return std::nullopt;
    return index;
  }
  std::optional<std::size_t> ButtonIndex(const VARIANT& child) const {
    const auto index = Target(child);
    return index && *index > 0 ? index : std::nullopt;
  }

  static HRESULT ChildVariant(VARIANT* out, long id) {
    out->vt = VT_I4;
    out->lVal = id;
    return S_OK;
  }

  template <class Self, class Child>
  HRESULT Text(const VARIANT& child, BSTR* out, Self self, Child ofButton) const {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!Alive()) return CO_E_OBJNOTCONNECTED;
    const auto index = Target(child);
    if (!index) return E_INVALIDARG;
    return Trap<HRESULT>(E_FAIL, [&] {
      return ToBstr(*index == 0 ? self() : ofButton(Buttons()[*index - 1]), out);
    });
  }

  std::atomic<ULONG> refs_{1};
  std::shared_ptr<AccessibleLink> link_;
};

}  // namespace

LRESULT AnswerGetObject(const std::shared_ptr<AccessibleLink>& link, WPARAM wParam) noexcept {
  if (!link || link->content == nullptr) return 0;
  static const auto fromObject = win::SystemFunction<decltype(&::LresultFromObject)>(L"oleacc.dll", "LresultFromObject");
  if (fromObject == nullptr) return 0;
  auto* object = new (std::nothrow) PopupAccessible(link);
  if (object == nullptr) return 0;
  const LRESULT result = fromObject(IID_IAccessible, wParam, object);
  object->Release();  // LresultFromObject holds its own reference
  return result < 0 ? 0 : result;
}

}  // namespace notify::ui
