// Owners of the Win32 resources that one call gives back.
#pragma once

#include "foundation/owner.h"

#include <windows.h>

// A value that is empty when null, given back by one call.
template <typename T, auto ReleaseCall>
struct NullEmptyTraits
{
    using Value = T;
    static T Empty() { return nullptr; }
    static void Release(T value) { ReleaseCall(value); }
};

// A handle that is empty when INVALID_HANDLE_VALUE (files, searches).
template <auto ReleaseCall>
struct InvalidEmptyTraits
{
    using Value = HANDLE;
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static void Release(HANDLE value) { ReleaseCall(value); }
};

// A COM interface pointer, given back with its own Release.
template <typename Interface>
struct ComInterfaceTraits
{
    using Value = Interface*;
    static Interface* Empty() { return nullptr; }
    static void Release(Interface* pointer) { pointer->Release(); }
};

// A block of the process heap, given back without a log line.
template <typename T>
struct ProcessHeapTraits
{
    using Value = T*;
    static T* Empty() { return nullptr; }
    static void Release(T* block) { HeapFree(GetProcessHeap(), 0, block); }
};

using RegistryKey = Owner<NullEmptyTraits<HKEY, RegCloseKey>>;
using KernelHandle = Owner<NullEmptyTraits<HANDLE, CloseHandle>>; // processes, threads, tokens
using FindHandle = Owner<InvalidEmptyTraits<FindClose>>;
using LibraryModule = Owner<NullEmptyTraits<HMODULE, FreeLibrary>>; // from LoadLibrary
using AllocatedSid = Owner<NullEmptyTraits<PSID, FreeSid>>;         // from AllocateAndInitializeSid
template <typename T>
using LocalMemory = Owner<NullEmptyTraits<T*, LocalFree>>; // LocalAlloc'ed, also by the system
template <typename T>
using ProcessHeapMemory = Owner<ProcessHeapTraits<T>>;
template <typename Interface>
using ComInterface = Owner<ComInterfaceTraits<Interface>>; // filled through Receive()
