// The authz.dll that the harness puts in the place of Wine's, on its own:
// the launcher's one question, the maximum access allowed, over DACLs built
// with the Win32 security API. That it is the one loaded shows in every
// scenario of the configuration step, and how it treats the process token's
// user and groups in the Wine tests of the invoker's check.
#include "support/security_builder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <authz.h>

#include <cstdio>
#include <string>

namespace
{
std::string Granted(ACCESS_MASK mask)
{
    char text[32];
    std::snprintf(text, sizeof(text), "granted 0x%lx", static_cast<unsigned long>(mask));
    return text;
}
const std::string kDenied = "error 5";

class AuthzStandIn : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(AuthzInitializeResourceManager(AUTHZ_RM_FLAG_NO_AUDIT, nullptr, nullptr, nullptr, nullptr,
                                                   &manager_));
    }
    void TearDown() override
    {
        for (AUTHZ_CLIENT_CONTEXT_HANDLE client : clients_)
        {
            EXPECT_TRUE(AuthzFreeContext(client));
        }
        EXPECT_TRUE(AuthzFreeResourceManager(manager_));
    }

    AUTHZ_CLIENT_CONTEXT_HANDLE FromSid(PSID sid)
    {
        AUTHZ_CLIENT_CONTEXT_HANDLE client = nullptr;
        EXPECT_TRUE(AuthzInitializeContextFromSid(0, sid, manager_, nullptr, LUID{}, nullptr, &client));
        clients_.push_back(client);
        return client;
    }
    // Everyone's answer.
    std::string Check(TestDescriptor& descriptor)
    {
        AUTHZ_ACCESS_REQUEST request = {};
        request.DesiredAccess = MAXIMUM_ALLOWED;
        ACCESS_MASK granted = 0xFFFF;
        DWORD error = 0xFFFF;
        AUTHZ_ACCESS_REPLY reply = {1, &granted, nullptr, &error};
        EXPECT_TRUE(AuthzAccessCheck(0, FromSid(everyone_.Get()), &request, nullptr, descriptor.Get(),
                                     nullptr, 0, &reply, nullptr));
        return error == ERROR_SUCCESS ? Granted(granted) : "error " + std::to_string(error);
    }

    AUTHZ_RESOURCE_MANAGER_HANDLE manager_ = nullptr;
    std::vector<AUTHZ_CLIENT_CONTEXT_HANDLE> clients_;
    TestSid everyone_ = TestSid::WellKnown(WinWorldSid);
    TestSid administrators_ = TestSid::WellKnown(WinBuiltinAdministratorsSid);
    TestSid stranger_ = TestSid::FromText("S-1-5-21-1-2-3-4444");
};
} // namespace

TEST_F(AuthzStandIn, EntriesAreReadInOrderAndTheFirstWordOnARightHolds)
{
    TestDescriptor denyFirst(stranger_.Get());
    denyFirst.Deny(everyone_.Get(), WRITE_DAC | DELETE)
        .Allow(everyone_.Get(), FILE_GENERIC_READ)
        .Allow(everyone_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(Check(denyFirst), Granted(FILE_ALL_ACCESS & ~(WRITE_DAC | DELETE)));
    TestDescriptor allowFirst(stranger_.Get());
    allowFirst.Allow(everyone_.Get(), FILE_ALL_ACCESS).Deny(everyone_.Get(), WRITE_DAC);
    EXPECT_EQ(Check(allowFirst), Granted(FILE_ALL_ACCESS));
    // Entries of other parties count for nothing; nothing granted is a denial.
    TestDescriptor others(stranger_.Get());
    others.Allow(stranger_.Get(), FILE_ALL_ACCESS).Allow(administrators_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(Check(others), kDenied);
}

TEST_F(AuthzStandIn, InheritOnlyEntriesAreSkippedAndGenericRightsMapped)
{
    TestDescriptor descriptor(stranger_.Get());
    descriptor.Allow(everyone_.Get(), GENERIC_ALL, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE)
        .Allow(everyone_.Get(), GENERIC_READ | GENERIC_EXECUTE, CONTAINER_INHERIT_ACE);
    EXPECT_EQ(Check(descriptor), Granted(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE));
    // A grant of everything a mask can name still holds only real rights.
    TestDescriptor everything(stranger_.Get());
    everything.Allow(everyone_.Get(), 0xF20FFFFF);
    EXPECT_EQ(Check(everything), Granted(0x1FFFFF));
}

TEST_F(AuthzStandIn, NullDaclGrantsAllAndEmptyDaclOnlyTheOwnersImpliedRights)
{
    TestDescriptor open(stranger_.Get());
    EXPECT_EQ(Check(open.WithoutDacl()), Granted(FILE_ALL_ACCESS));
    TestDescriptor empty(stranger_.Get());
    EXPECT_EQ(Check(empty), kDenied);
    TestDescriptor owned(everyone_.Get());
    EXPECT_EQ(Check(owned), Granted(READ_CONTROL | WRITE_DAC));
}
