// Security descriptors for tests, built with the Win32 security API: an
// owner and a DACL of allowed and denied entries, in the order added.
#pragma once

#include <windows.h>

#include <vector>

// A SID in a buffer of its own.
class TestSid
{
  public:
    static TestSid WellKnown(WELL_KNOWN_SID_TYPE type);
    static TestSid ProcessUser();
    static TestSid FromText(const char* text); // "S-1-5-21-..."
    PSID Get() const { return const_cast<BYTE*>(bytes_.data()); }

  private:
    std::vector<BYTE> bytes_;
};

class TestDescriptor
{
  public:
    explicit TestDescriptor(PSID owner);
    TestDescriptor(const TestDescriptor&) = delete;
    TestDescriptor& operator=(const TestDescriptor&) = delete;

    TestDescriptor& Allow(PSID sid, ACCESS_MASK mask, BYTE flags = 0);
    TestDescriptor& Deny(PSID sid, ACCESS_MASK mask, BYTE flags = 0);
    TestDescriptor& WithoutDacl(); // no DACL at all: nothing is kept from anybody
    PSECURITY_DESCRIPTOR Get() { return &descriptor_; }

  private:
    SECURITY_DESCRIPTOR descriptor_;
    std::vector<BYTE> acl_;
};
