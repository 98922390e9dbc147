#pragma once

// The two UI Automation client calls the focus watch needs: the focused element, and one
// property of it. MinGW-w64's uiautomationclient.h declares no client interfaces, so their
// first methods are declared here in the order of the system's vtables; the slots never
// called are placeholders. The names differ from the SDK's, so both may meet in one build.
#include <windows.h>

#include <oaidl.h>
#include <unknwn.h>

namespace tarquel::uia {

// {ff48dba4-60ef-4201-aa87-54103eef594e}
inline constexpr CLSID CuiAutomationClass = {
    0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
// {30cbe57d-d9d0-452a-ab13-7ac5ac4825ee}
inline constexpr IID AutomationInterface = {
    0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};

// UIA_IsPasswordPropertyId
inline constexpr int IsPasswordProperty = 30019;

struct Element : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(void*) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirst(int, void*, void*) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAll(int, void*, void*) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(int, void*, void*, void*) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(int, void*, void*, void*) = 0;
  virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void*, void*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int propertyId, VARIANT* value) = 0;
};

struct Automation : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CompareElements(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRootElement(Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND, Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromPoint(POINT, Element**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFocusedElement(Element** element) = 0;
};

}  // namespace tarquel::uia
