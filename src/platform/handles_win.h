#pragma once
// Move-only owners of Win32 and COM resources, one per kind of release. Nobody calls a
// release function by hand: a resource is born inside one of these.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include <utility>

namespace notify::win {

template <class T, auto Release, T Empty = T{}>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T value) : value_(value) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : value_(std::exchange(other.value_, Empty)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = std::exchange(other.value_, Empty);
    }
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Empty; }
  // Hands the resource over to someone who releases it (SetWindowRgn takes a region).
  T release() { return std::exchange(value_, Empty); }
  void reset(T value = Empty) {
    if (value_ != Empty) Release(value_);
    value_ = value;
  }

 private:
  T value_ = Empty;
};

inline void ReleaseGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void ReleaseDcHandle(HDC h) { ::DeleteDC(h); }
inline void ReleaseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void ReleaseRegKey(HKEY h) { ::RegCloseKey(h); }
inline void ReleaseTaskMem(void* p) { ::CoTaskMemFree(p); }
inline void ReleaseIdList(PIDLIST_ABSOLUTE p) { ::ILFree(p); }
inline void ReleaseWindow(HWND h) { ::DestroyWindow(h); }
inline void ReleaseIcon(HICON h) { ::DestroyIcon(h); }
inline void ReleaseBstr(BSTR s) { ::SysFreeString(s); }
inline void ReleaseDesktop(HDESK h) { ::CloseDesktop(h); }
inline void ReleaseFind(HANDLE h) { ::FindClose(h); }

using DeleteObjectOwner = Owned<HGDIOBJ, ReleaseGdiObject>;
using DeleteDcOwner = Owned<HDC, ReleaseDcHandle>;
using CloseHandleOwner = Owned<HANDLE, ReleaseKernelHandle>;
using RegCloseKeyOwner = Owned<HKEY, ReleaseRegKey>;
using CoTaskMemOwner = Owned<void*, ReleaseTaskMem>;
using IdListOwner = Owned<PIDLIST_ABSOLUTE, ReleaseIdList>;
using DestroyWindowOwner = Owned<HWND, ReleaseWindow>;
using DestroyIconOwner = Owned<HICON, ReleaseIcon>;
using CloseDesktopOwner = Owned<HDESK, ReleaseDesktop>;
using SysFreeStringOwner = Owned<BSTR, ReleaseBstr>;
// FindFirstFileW fails with INVALID_HANDLE_VALUE: store nullptr instead.
using FindCloseOwner = Owned<HANDLE, ReleaseFind>;

// A VARIANT that a callee filled in, cleared with VariantClear.
class VariantClearOwner {
 public:
  VariantClearOwner() { ::VariantInit(&value_); }
  ~VariantClearOwner() { ::VariantClear(&value_); }
  VariantClearOwner(const VariantClearOwner&) = delete;
  VariantClearOwner& operator=(const VariantClearOwner&) = delete;
  VARIANT* put() {
    ::VariantClear(&value_);
    return &value_;
  }
  const VARIANT& get() const { return value_; }

 private:
  VARIANT value_;
};

// A DC obtained with GetDC, given back with ReleaseDC.
class ReleaseDcOwner {
 public:
  explicit ReleaseDcOwner(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~ReleaseDcOwner() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  ReleaseDcOwner(const ReleaseDcOwner&) = delete;
  ReleaseDcOwner& operator=(const ReleaseDcOwner&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint as one scope.
class EndPaintOwner {
 public:
  explicit EndPaintOwner(HWND window) : window_(window), dc_(::BeginPaint(window, &ps_)) {}
  ~EndPaintOwner() { ::EndPaint(window_, &ps_); }
  EndPaintOwner(const EndPaintOwner&) = delete;
  EndPaintOwner& operator=(const EndPaintOwner&) = delete;
  HDC get() const { return dc_; }
  const PAINTSTRUCT& paint() const { return ps_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects an object into a DC and puts the old one back before either dies.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~SelectGuard() {
    if (old_ != nullptr && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// COM Release.
template <class I>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(I* p) : p_(p) {}
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr& operator=(const ComPtr& o) {
    if (this != &o) {
      if (o.p_) o.p_->AddRef();
      reset();
      p_ = o.p_;
    }
    return *this;
  }
  I* get() const { return p_; }
  I* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held first.
  I** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  I* p_ = nullptr;
};

// CoUninitialize only when CoInitialize succeeded.
class CoUninitializeOwner {
 public:
  CoUninitializeOwner() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~CoUninitializeOwner() {
    if (ok_) ::CoUninitialize();
  }
  CoUninitializeOwner(const CoUninitializeOwner&) = delete;
  CoUninitializeOwner& operator=(const CoUninitializeOwner&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace notify::win
