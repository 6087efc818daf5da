// The authz.dll that the harness puts in the place of Wine's, on its own:
// maximum access over DACLs built with the Win32 security API.
#include "support/security_builder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <authz.h>

namespace
{
struct Answer
{
    DWORD error;
    ACCESS_MASK granted;
    bool operator==(const Answer& other) const { return error == other.error && granted == other.granted; }
};

std::ostream& operator<<(std::ostream& out, const Answer& answer)
{
    return out << "{error " << answer.error << ", granted 0x" << std::hex << answer.granted << std::dec
               << "}";
}

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

    AUTHZ_CLIENT_CONTEXT_HANDLE FromSid(PSID sid, DWORD flags = 0)
    {
        AUTHZ_CLIENT_CONTEXT_HANDLE client = nullptr;
        EXPECT_TRUE(AuthzInitializeContextFromSid(flags, sid, manager_, nullptr, LUID{}, nullptr, &client));
        clients_.push_back(client);
        return client;
    }
    AUTHZ_CLIENT_CONTEXT_HANDLE FromProcessToken()
    {
        HANDLE token = nullptr;
        EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &token));
        AUTHZ_CLIENT_CONTEXT_HANDLE client = nullptr;
        EXPECT_TRUE(AuthzInitializeContextFromToken(0, token, manager_, nullptr, LUID{}, nullptr, &client));
        CloseHandle(token);
        clients_.push_back(client);
        return client;
    }
    static Answer Check(AUTHZ_CLIENT_CONTEXT_HANDLE client, PSECURITY_DESCRIPTOR descriptor,
                        ACCESS_MASK desired = MAXIMUM_ALLOWED)
    {
        AUTHZ_ACCESS_REQUEST request = {};
        request.DesiredAccess = desired;
        Answer answer = {0xFFFF, 0xFFFF};
        AUTHZ_ACCESS_REPLY reply = {};
        reply.ResultListLength = 1;
        reply.GrantedAccessMask = &answer.granted;
        reply.Error = &answer.error;
        EXPECT_TRUE(AuthzAccessCheck(0, client, &request, nullptr, descriptor, nullptr, 0, &reply, nullptr));
        return answer;
    }

    AUTHZ_RESOURCE_MANAGER_HANDLE manager_ = nullptr;
    std::vector<AUTHZ_CLIENT_CONTEXT_HANDLE> clients_;
    TestSid everyone_ = TestSid::WellKnown(WinWorldSid);
    TestSid administrators_ = TestSid::WellKnown(WinBuiltinAdministratorsSid);
    TestSid stranger_ = TestSid::FromText("S-1-5-21-1-2-3-4444");
};

constexpr Answer Granted(ACCESS_MASK mask)
{
    return {ERROR_SUCCESS, mask};
}
constexpr Answer kDenied = {ERROR_ACCESS_DENIED, 0};
} // namespace

TEST_F(AuthzStandIn, IsTheOneLoaded)
{
    // Wine's own library has many more entry points than the six we need.
    const HMODULE library = GetModuleHandleA("authz.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GetProcAddress(library, "AuthzInstallSecurityEventSource"), nullptr);
    EXPECT_NE(GetProcAddress(library, "AuthzAccessCheck"), nullptr);
}

TEST_F(AuthzStandIn, EntriesAreReadInOrderAndTheFirstWordOnARightHolds)
{
    const AUTHZ_CLIENT_CONTEXT_HANDLE client = FromSid(everyone_.Get());
    TestDescriptor denyFirst(stranger_.Get());
    denyFirst.Deny(everyone_.Get(), WRITE_DAC | DELETE)
        .Allow(everyone_.Get(), FILE_GENERIC_READ)
        .Allow(everyone_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(Check(client, denyFirst.Get()), Granted(FILE_ALL_ACCESS & ~(WRITE_DAC | DELETE)));

    TestDescriptor allowFirst(stranger_.Get());
    allowFirst.Allow(everyone_.Get(), FILE_ALL_ACCESS).Deny(everyone_.Get(), WRITE_DAC);
    EXPECT_EQ(Check(client, allowFirst.Get()), Granted(FILE_ALL_ACCESS));

    // Entries of other parties count for nothing; nothing granted is a denial.
    TestDescriptor others(stranger_.Get());
    others.Allow(stranger_.Get(), FILE_ALL_ACCESS).Allow(administrators_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(Check(client, others.Get()), kDenied);
}

TEST_F(AuthzStandIn, InheritOnlyEntriesAreSkippedAndGenericRightsMapped)
{
    const AUTHZ_CLIENT_CONTEXT_HANDLE client = FromSid(everyone_.Get());
    TestDescriptor descriptor(stranger_.Get());
    descriptor.Allow(everyone_.Get(), GENERIC_ALL, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE)
        .Allow(everyone_.Get(), GENERIC_READ | GENERIC_EXECUTE, CONTAINER_INHERIT_ACE);
    EXPECT_EQ(Check(client, descriptor.Get()), Granted(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE));

    // A grant of everything a mask can name still holds only real rights.
    TestDescriptor everything(stranger_.Get());
    everything.Allow(everyone_.Get(), 0xF20FFFFF);
    EXPECT_EQ(Check(client, everything.Get()), Granted(0x1FFFFF));
}

TEST_F(AuthzStandIn, NullDaclGrantsAllAndEmptyDaclOnlyTheOwnersImpliedRights)
{
    const AUTHZ_CLIENT_CONTEXT_HANDLE client = FromSid(everyone_.Get());
    TestDescriptor open(stranger_.Get());
    EXPECT_EQ(Check(client, open.WithoutDacl().Get()), Granted(FILE_ALL_ACCESS));

    TestDescriptor empty(stranger_.Get());
    EXPECT_EQ(Check(client, empty.Get()), kDenied);
    TestDescriptor owned(everyone_.Get());
    EXPECT_EQ(Check(client, owned.Get()), Granted(READ_CONTROL | WRITE_DAC));
    // An OWNER RIGHTS entry replaces what the owner is granted implicitly.
    const TestSid ownerRights = TestSid::WellKnown(WinCreatorOwnerRightsSid);
    TestDescriptor ownerRightsSet(everyone_.Get());
    ownerRightsSet.Allow(ownerRights.Get(), READ_CONTROL);
    EXPECT_EQ(Check(client, ownerRightsSet.Get()), Granted(READ_CONTROL));
    TestDescriptor notTheOwner(stranger_.Get());
    notTheOwner.Allow(ownerRights.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(Check(client, notTheOwner.Get()), kDenied);
}

TEST_F(AuthzStandIn, ContextsHoldTheirSidsAndGroups)
{
    TestDescriptor everyoneReads(administrators_.Get());
    everyoneReads.Allow(everyone_.Get(), FILE_GENERIC_READ);
    // Everybody is a member of Everyone, unless groups are skipped.
    EXPECT_EQ(Check(FromSid(stranger_.Get()), everyoneReads.Get()), Granted(FILE_GENERIC_READ));
    EXPECT_EQ(Check(FromSid(stranger_.Get(), AUTHZ_SKIP_TOKEN_GROUPS), everyoneReads.Get()), kDenied);

    // The process's token: its user, and its groups (Wine's processes are
    // administrators).
    const TestSid user = TestSid::ProcessUser();
    const AUTHZ_CLIENT_CONTEXT_HANDLE invoker = FromProcessToken();
    TestDescriptor userFull(stranger_.Get());
    userFull.Allow(user.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(Check(invoker, userFull.Get()), Granted(FILE_ALL_ACCESS));
    TestDescriptor administratorsRead(stranger_.Get());
    administratorsRead.Allow(administrators_.Get(), FILE_GENERIC_READ).Deny(user.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(Check(invoker, administratorsRead.Get()), Granted(FILE_GENERIC_READ));
}

TEST_F(AuthzStandIn, SpecificRequestsAreAllOrNothing)
{
    const AUTHZ_CLIENT_CONTEXT_HANDLE client = FromSid(everyone_.Get());
    TestDescriptor reads(stranger_.Get());
    reads.Allow(everyone_.Get(), FILE_GENERIC_READ);
    EXPECT_EQ(Check(client, reads.Get(), FILE_READ_DATA), Granted(FILE_READ_DATA));
    EXPECT_EQ(Check(client, reads.Get(), GENERIC_READ), Granted(FILE_GENERIC_READ));
    EXPECT_EQ(Check(client, reads.Get(), FILE_READ_DATA | WRITE_DAC), kDenied);
    EXPECT_EQ(Check(client, reads.Get(), MAXIMUM_ALLOWED | WRITE_DAC), kDenied);
    EXPECT_EQ(Check(client, reads.Get(), 0), kDenied);
    EXPECT_EQ(Check(client, reads.Get(), ACCESS_SYSTEM_SECURITY), (Answer{ERROR_PRIVILEGE_NOT_HELD, 0}));

    AUTHZ_ACCESS_REQUEST request = {MAXIMUM_ALLOWED, nullptr, nullptr, 0, nullptr};
    ACCESS_MASK granted = 0;
    DWORD error = 0;
    AUTHZ_ACCESS_REPLY reply = {1, &granted, nullptr, &error};
    SetLastError(0);
    EXPECT_FALSE(AuthzAccessCheck(0, client, &request, nullptr, nullptr, nullptr, 0, &reply, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
