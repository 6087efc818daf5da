// The IPv4 address by which the workstation reaches the internet.
#pragma once

#include <cstddef>
#include <cstdint>

// A public host whose route picks the interface; no packet is sent to it.
extern const char kRouteProbeAddress[];

// Writes the dotted address of the interface the system would use towards
// the probe host, or "0.0.0.0" when there is none, into a destination of
// kIpAddressCapacity bytes, and lists every interface address in the debug
// log (network_address_win.cpp).
void GetNetworkAddress(char* destination);

// The state column of an interface row: "Type/State: " followed by
// "Default; " for the chosen interface and a mark for each state bit in the
// low byte of the type word, the last "; " giving way to a single space.
void BuildInterfaceStateText(uint32_t typeWord, bool isDefault, char* destination, std::size_t capacity);
