// One owner for the Win32 resources that are released by a call of their
// own (registry keys, SIDs, Authz handles, LocalAlloc'ed blocks): released
// once, on every way out of the owner's scope.
#pragma once

#include <windows.h>

template <typename T, auto Release>
class OwnedResource
{
  public:
    OwnedResource() = default;
    ~OwnedResource() { Reset(); }
    OwnedResource(const OwnedResource&) = delete;
    OwnedResource& operator=(const OwnedResource&) = delete;

    T Get() const { return value_; }
    bool Valid() const { return value_ != T{}; }
    // For APIs that fill a variable: whatever was held is released first.
    T* Receive()
    {
        Reset();
        return &value_;
    }
    void Reset()
    {
        if (value_ != T{})
        {
            Release(value_);
            value_ = T{};
        }
    }

  private:
    T value_{};
};

using OwnedRegistryKey = OwnedResource<HKEY, RegCloseKey>;
using OwnedLocalBlock = OwnedResource<HLOCAL, LocalFree>;
using OwnedKernelHandle = OwnedResource<HANDLE, CloseHandle>;
