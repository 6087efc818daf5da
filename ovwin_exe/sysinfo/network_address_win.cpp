#include "sysinfo/network_address.h"

#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"
#include "sysinfo/system_info.h"

// winsock2 must come before windows.h, and iphlpapi after both.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <iphlpapi.h>

#include "foundation/win32_owners_win.h"

#include <memory>
#include <new>

namespace
{
constexpr std::size_t kDottedCapacity = 22;
// Room for the count and one row, which is often enough.
constexpr ULONG kFirstTableBytes = sizeof(MIB_IPADDRTABLE);

// The system's text for a code, in the user's language; empty when it has
// none.
LocalMemory<char> SystemMessage(DWORD code)
{
    LocalMemory<char> text;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<char*>(text.Receive()), 0, nullptr) == 0)
    {
        text.Reset();
    }
    return text;
}

std::unique_ptr<unsigned char[]> AllocateTable(ULONG bytes)
{
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[bytes]());
}

void ToDotted(DWORD address, char* destination)
{
    IN_ADDR value = {};
    value.S_un.S_addr = address;
    if (inet_ntop(AF_INET, &value, destination, kDottedCapacity) == nullptr)
    {
        destination[0] = '\0';
    }
}
} // namespace

void GetNetworkAddress(char* destination)
{
    CopyToBuffer(destination, kIpAddressCapacity, "0.0.0.0");

    ULONG tableBytes = kFirstTableBytes;
    std::unique_ptr<unsigned char[]> buffer = AllocateTable(tableBytes);
    DWORD result = buffer != nullptr
                       ? GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.get()), &tableBytes, FALSE)
                       : static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY);
    if (result == ERROR_INSUFFICIENT_BUFFER)
    {
        buffer = AllocateTable(tableBytes);
    }
    if (buffer == nullptr)
    {
        DebugLogText("GetNetworkAddress: Memory allocation failed for GetIpAddrTable");
        return;
    }
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.get());
    result = GetIpAddrTable(table, &tableBytes, FALSE);
    if (result != NO_ERROR)
    {
        DebugLog("GetNetworkAddress failed with error %d", static_cast<int>(result));
        const LocalMemory<char> message = SystemMessage(result);
        if (message)
        {
            DebugLog("\tError: %s", message.Get());
        }
        return;
    }

    IN_ADDR probe = {};
    if (inet_pton(AF_INET, kRouteProbeAddress, &probe) != 1)
    {
        const LocalMemory<char> message = SystemMessage(GetLastError());
        if (message)
        {
            DebugLog("GetNetworkAddress failed with error: %s", message.Get());
        }
        else
        {
            DebugLogText("GetNetworkAddress failed with error");
        }
        return;
    }
    // Asks the routing table only; nothing is sent. No row has index 0, so a
    // failed answer marks no row.
    DWORD bestInterface = 0;
    GetBestInterface(probe.S_un.S_addr, &bestInterface);

    DebugLog("Network Interfaces: %ld", static_cast<long>(table->dwNumEntries));
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
    {
        const MIB_IPADDRROW& row = table->table[i];
        const bool isDefault = row.dwIndex == bestInterface;
        char address[kDottedCapacity];
        char mask[kDottedCapacity];
        char broadcast[kDottedCapacity];
        ToDotted(row.dwAddr, address);
        ToDotted(row.dwMask, mask);
        ToDotted(row.dwBCastAddr, broadcast);
        if (isDefault)
        {
            CopyToBuffer(destination, kIpAddressCapacity, address);
        }
        char state[kMessageCapacity];
        BuildInterfaceStateText(row.wType, isDefault, state, sizeof(state));
        DebugLog("   %d: Interface %ld:   IP: %s, Mask: %s, Broadcast: %s (%ld), %s", static_cast<int>(i),
                 static_cast<long>(row.dwIndex), address, mask, broadcast, static_cast<long>(row.dwBCastAddr),
                 state);
    }
}
