// What screen readers are told about the window's controls, through the
// standard accessibility hook: a control answers WM_GETOBJECT for its client
// object with the system's own accessible object for it (CreateStdAccessibleObject),
// wrapped so that its name, its description and a picture's role are the ones
// the window gives; everything else (value, state, children, focus, actions)
// is the system's. The accessibility library is loaded when a screen reader
// first asks, so the program starts without it, and on every Windows from XP on.
#pragma once

#include <windows.h>

#include <string>

namespace quillet::win32 {

// What the wrapper asks its control for, sent as kAccessibleQueryMessage with
// a pointer to it in lparam. A control that has an answer fills it in and
// sets `answered`; otherwise the system's own answer stands.
struct AccessibleQuery {
  enum class Item { kName, kDescription, kRole };
  Item item = Item::kName;
  long child = 0;     // 0 for the control itself; a list row: its index + 1
  std::wstring text;  // the name or description
  long role = 0;      // a ROLE_SYSTEM_* value
  bool answered = false;
};

// The private message the window's controls answer for their wrapper.
inline constexpr UINT kAccessibleQueryMessage = WM_APP + 0x2A;

// The answer to WM_GETOBJECT (its wparam and lparam) for a control that
// answers kAccessibleQueryMessage: the wrapped object for OBJID_CLIENT; 0
// for any other object, or where the accessibility library is missing, so
// the caller passes the message on to the control's own procedure.
LRESULT AnswerGetObject(HWND control, WPARAM wparam, LPARAM lparam);

// Tells listening screen readers that the control's name has changed.
void AnnounceNameChange(HWND control);

}  // namespace quillet::win32
