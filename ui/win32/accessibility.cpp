// What a screen reader reads for the controls: an edit box's or a list's
// name from its label (ui/accessible_name.h). Windows' own objects name
// such a control after the static text before it in template order, which
// names the Extended Timeouts list "Data Rate"; so these controls answer
// WM_GETOBJECT with the system's object under the right name. Buttons and
// texts keep the system's names, their own texts.
#include <atomic>
#include <oleacc.h>
#include <string>
#include <utility>

#include "ui/accessible_name.h"
#include "ui/win32/state.h"

namespace ui::win32 {

namespace {

// The system's object for the control, with another name for the control
// itself; everything else is the system's answer.
class NamedAccessible final : public IAccessible {
 public:
  NamedAccessible(IAccessible* system, std::wstring name)
      : system_(system), name_(std::move(name)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return system_->get_accName(child, name);
    *name = SysAllocString(name_.c_str());
    return *name != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  // The rest as the system answers.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return system_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return system_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return system_->GetIDsOfNames(riid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument) override {
    return system_->Invoke(id, riid, locale, flags, params, result, exception, argument);
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return system_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return system_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return system_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return system_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return system_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return system_->get_accRole(child, role);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return system_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return system_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return system_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return system_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return system_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return system_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return system_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return system_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    return system_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return system_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return system_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return system_->accDoDefaultAction(child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return system_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return system_->put_accValue(child, value);
  }

 private:
  ~NamedAccessible() { system_->Release(); }

  IAccessible* system_;
  const std::wstring name_;
  std::atomic<ULONG> references_{1};
};

// The name a labelled control goes by: its label's text as shown now.
std::wstring NameOf(const Window& window, const ControlTemplate& control) {
  const ControlTemplate* label = LabelOf(*window.tmpl, control);
  if (label == nullptr) return {};
  // A label without an ID cannot be changed: its text is the template's.
  const std::string text =
      label->id != kNoId ? TextOf(window.Control(label->id)) : std::string(label->text);
  return platform::ToUtf16(SpokenText(*label, text));
}

LRESULT CALLBACK LabelledControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
    const auto& [window, control] =
        *reinterpret_cast<std::pair<const Window*, const ControlTemplate*>*>(data);
    IAccessible* system = nullptr;
    if (SUCCEEDED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&system)))) {
      auto* named = new NamedAccessible(system, NameOf(*window, *control));
      const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, named);
      named->Release();
      return result;
    }
  }
  if (message == WM_NCDESTROY)
    delete reinterpret_cast<std::pair<const Window*, const ControlTemplate*>*>(data);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

void NameControls(Window& window) {
  for (const ControlTemplate& control : window.tmpl->controls) {
    if (!IsNamedByLabel(control.kind)) continue;
    auto* data = new std::pair<const Window*, const ControlTemplate*>(&window, &control);
    SetWindowSubclass(window.Control(control.id), LabelledControlProc, 0,
                      reinterpret_cast<DWORD_PTR>(data));
  }
}

std::string AccessibleNameOf(HWND control) {
  // As a screen reader asks: the window's client object, and its name.
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                        __uuidof(IAccessible), reinterpret_cast<void**>(&object))))
    return "(no object)";
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::string text;
  if (object->get_accName(self, &name) == S_OK && name != nullptr)
    text = platform::ToUtf8(std::wstring_view(name, SysStringLen(name)));
  SysFreeString(name);
  object->Release();
  return text;
}

}  // namespace ui::win32
