#pragma once
// Creates a COM object from its ProgID. Needs COM initialised on the calling thread.
#include <windows.h>

#include <string>

#include "platform/handles_win.h"

namespace notify::xml {

template <class I>
win::ComPtr<I> CreateFromProgId(const std::wstring& progId, REFIID iid) {
  CLSID clsid{};
  if (FAILED(::CLSIDFromProgID(progId.c_str(), &clsid))) return {};
  win::ComPtr<I> object;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(object.put())))) {
    return {};
  }
  return object;
}

}  // namespace notify::xml
