#include "win32/accessible_proxy.h"

// After windows.h, which they build on.
#include <ole2.h>
#include <oleacc.h>

namespace quillet::win32 {
namespace {

// The accessibility library and the two COM helpers the wrapper needs, loaded
// when a screen reader first asks: every Windows from XP on has them.
struct AccessibilityLibrary {
  decltype(&::CreateStdAccessibleObject) create_std_accessible_object = nullptr;
  decltype(&::LresultFromObject) lresult_from_object = nullptr;
  decltype(&::SysAllocString) sys_alloc_string = nullptr;
  bool usable = false;
};

template <typename Function>
Function Lookup(HMODULE library, const char* name) {
  return library
             ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)))
             : nullptr;
}

const AccessibilityLibrary& LoadAccessibility() {
  static const AccessibilityLibrary library = [] {
    AccessibilityLibrary loaded;
    // The object is handed over through COM: the window's thread joins a
    // single-threaded apartment (the file dialog would make it one too).
    // It stays in it for the rest of the program.
    HMODULE ole = ::LoadLibraryW(L"ole32.dll");
    if (auto co_initialize = Lookup<HRESULT(WINAPI*)(LPVOID)>(ole, "CoInitialize")) {
      co_initialize(nullptr);
    }
    HMODULE oleacc = ::LoadLibraryW(L"oleacc.dll");
    loaded.create_std_accessible_object =
        Lookup<decltype(&::CreateStdAccessibleObject)>(oleacc, "CreateStdAccessibleObject");
    loaded.lresult_from_object =
        Lookup<decltype(&::LresultFromObject)>(oleacc, "LresultFromObject");
    loaded.sys_alloc_string =
        Lookup<decltype(&::SysAllocString)>(::LoadLibraryW(L"oleaut32.dll"), "SysAllocString");
    loaded.usable = loaded.create_std_accessible_object && loaded.lresult_from_object &&
                    loaded.sys_alloc_string;
    return loaded;
  }();
  return library;
}

// The child a VARIANT names: CHILDID_SELF (0) for the object itself; -1 for
// anything that is no child id.
long ChildOf(const VARIANT& child) { return child.vt == VT_I4 ? child.lVal : -1; }

// The system's accessible object of one control, with the name, description
// and role the control gives (kAccessibleQueryMessage) in place of its own.
// It keeps only the control's handle: once the control is gone, the system's
// answers stand.
class AccessibleProxy final : public IAccessible, public IOleWindow {
 public:
  // Takes over the reference to `standard`.
  AccessibleProxy(HWND control, IAccessible* standard) : control_(control), standard_(standard) {}
  AccessibleProxy(const AccessibleProxy&) = delete;
  AccessibleProxy& operator=(const AccessibleProxy&) = delete;

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
    } else if (iid == __uuidof(IOleWindow)) {
      *object = static_cast<IOleWindow*>(this);
    } else if (iid == __uuidof(IEnumVARIANT)) {
      // The children (a list's rows) as the system enumerates them.
      return standard_->QueryInterface(iid, object);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: the system's.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    return standard_->Invoke(member, iid, locale, flags, parameters, result, exception,
                             argument_error);
  }

  // IAccessible: the name, description and role asked of the control first.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (name == nullptr) return E_POINTER;
    if (AccessibleQuery query = Ask(AccessibleQuery::Item::kName, child); query.answered) {
      return Give(query.text, name);
    }
    return standard_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    if (description == nullptr) return E_POINTER;
    if (AccessibleQuery query = Ask(AccessibleQuery::Item::kDescription, child); query.answered) {
      return Give(query.text, description);
    }
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role == nullptr) return E_POINTER;
    if (AccessibleQuery query = Ask(AccessibleQuery::Item::kRole, child); query.answered) {
      role->vt = VT_I4;
      role->lVal = query.role;
      return S_OK;
    }
    return standard_->get_accRole(child, role);
  }

  // The rest: the system's.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return standard_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return standard_->get_accFocus(focus);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return standard_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return standard_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

  // IOleWindow: the control, so a screen reader can tell which window this is.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = control_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  ~AccessibleProxy() { standard_->Release(); }

  AccessibleQuery Ask(AccessibleQuery::Item item, const VARIANT& child) const {
    AccessibleQuery query;
    query.item = item;
    query.child = ChildOf(child);
    if (query.child >= 0 && ::IsWindow(control_)) {
      ::SendMessageW(control_, kAccessibleQueryMessage, 0, reinterpret_cast<LPARAM>(&query));
    }
    return query;
  }

  // A text as the caller's own string; an empty one as none (S_FALSE).
  static HRESULT Give(const std::wstring& text, BSTR* out) {
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = LoadAccessibility().sys_alloc_string(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  HWND control_;
  IAccessible* standard_;
  LONG references_ = 1;
};

}  // namespace

LRESULT AnswerGetObject(HWND control, WPARAM wparam, LPARAM lparam) {
  // The object id arrives as a 32-bit value in lparam.
  if (static_cast<LONG>(static_cast<DWORD>(lparam)) != OBJID_CLIENT) return 0;
  const AccessibilityLibrary& library = LoadAccessibility();
  if (!library.usable) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(library.create_std_accessible_object(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                  reinterpret_cast<void**>(&standard))) ||
      standard == nullptr) {
    return 0;
  }
  auto* proxy = new AccessibleProxy(control, standard);
  const LRESULT result =
      library.lresult_from_object(__uuidof(IAccessible), wparam, static_cast<IAccessible*>(proxy));
  proxy->Release();  // LresultFromObject holds its own reference
  // A failure is a negative value; the caller then passes the message on.
  return result > 0 ? result : 0;
}

void AnnounceNameChange(HWND control) {
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace quillet::win32
