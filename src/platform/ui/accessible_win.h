#pragma once
// The popup as screen readers see it: an alert whose name is the title and whose
// description is the body, with its buttons as push-button children. The form answers
// WM_GETOBJECT with one of these; its content comes from whoever fills the form.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace notify::ui {

struct AccessibleButton {
  HWND window = nullptr;
  std::wstring name;      // the caption without its access-key marks
  std::wstring shortcut;  // "Alt+X", or empty without an access key
};

class AccessibleContent {
 public:
  virtual ~AccessibleContent() = default;
  virtual std::wstring AccessibleName() const = 0;
  virtual std::wstring AccessibleDescription() const = 0;
  virtual std::vector<AccessibleButton> AccessibleButtons() const = 0;
  // Runs later from the form's own messages, never inside the reader's call.
  virtual void PressButton(std::size_t index) = 0;
};

// What an accessible object reaches its popup through. The form clears it when it goes,
// and objects still held by a reader then answer that they are disconnected.
struct AccessibleLink {
  HWND window = nullptr;
  AccessibleContent* content = nullptr;
};

// The form posts this to itself with the button's index to press it.
inline constexpr UINT kAccessiblePressMessage = WM_APP + 0x4A;

// The object for WM_GETOBJECT's OBJID_CLIENT, as LresultFromObject returns it; 0 when
// there is no content.
LRESULT AnswerGetObject(const std::shared_ptr<AccessibleLink>& link, WPARAM wParam) noexcept;

}  // namespace notify::ui
