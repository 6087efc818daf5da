#include "environment/access_rights.h"

#include "diagnostics/log.h"
#include "foundation/text_limits.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
const std::string kFileOpening = "ParseAccessMask found granted file system rights within Access Mask (";
const std::string kRegistryOpening = "ParseAccessMask found granted registry rights within Access Mask (";

std::string Describe(uint32_t mask, AccessMaskForm form, GrantedRights& rights)
{
    char line[kMessageCapacity];
    DescribeAccessMask(mask, form, rights, line, sizeof(line));
    return line;
}

std::vector<int> SetSlots(const GrantedRights& rights)
{
    std::vector<int> slots;
    for (int slot = 0; slot < kRightsSlotCount; ++slot)
    {
        if (rights.Slots[slot])
        {
            slots.push_back(slot);
        }
    }
    return slots;
}
} // namespace

TEST(ParseAccessMask, NothingGrantedIsNoneInEitherForm)
{
    GrantedRights rights;
    EXPECT_EQ(Describe(0, AccessMaskForm::FileSystem, rights), kFileOpening + "       0): None.");
    EXPECT_TRUE(SetSlots(rights).empty());
    EXPECT_EQ(Describe(0, AccessMaskForm::Registry, rights), kRegistryOpening + "       0): None.");
    EXPECT_FALSE(rights.FullAccess());
}

TEST(ParseAccessMask, FullFileAccessNamesEveryRightInItsOrder)
{
    GrantedRights rights;
    EXPECT_EQ(Describe(0x1F01FF, AccessMaskForm::FileSystem, rights),
              kFileOpening +
                  "  1F01FF): FullAccess*; Read; Write; Append; Delete; DeleteChild; Execute; "
                  "Synchronize; ReadAttr; WriteAttr; ReadEA; WriteEA; ReadSecurity; WriteSecurity.");
    EXPECT_TRUE(rights.FullAccess());
    EXPECT_EQ(SetSlots(rights).size(), static_cast<std::size_t>(kRightsSlotCount));
    // Change of owner and bits beyond the file rights are not words of their own.
    EXPECT_EQ(Describe(0x101F01FF, AccessMaskForm::FileSystem, rights)
                  .rfind(kFileOpening + "101F01FF): FullAccess*; Read;", 0),
              0u);
}

TEST(ParseAccessMask, ModifyWithoutChangePermissionsIsNotFull)
{
    GrantedRights rights;
    // Read, write, execute and delete: what "Modify" grants.
    EXPECT_EQ(Describe(0x1301BF, AccessMaskForm::FileSystem, rights),
              kFileOpening + "  1301BF): Read; Write; Append; Delete; Execute; Synchronize; ReadAttr; "
                             "WriteAttr; ReadEA; WriteEA; ReadSecurity.");
    EXPECT_FALSE(rights.FullAccess());
    EXPECT_FALSE(rights.Slots[kSlotAllSpecific]);
    EXPECT_FALSE(rights.Slots[kSlotAllStandard]);
    EXPECT_FALSE(rights.Slots[kSlotDeleteChild]);

    // All specific and all standard rights, but no Synchronize.
    EXPECT_EQ(Describe(0xF01FF, AccessMaskForm::FileSystem, rights)
                  .rfind(kFileOpening + "   F01FF): AllSpecific*; AllStandard*; Read;", 0),
              0u);
    EXPECT_FALSE(rights.FullAccess());
    EXPECT_TRUE(rights.Slots[kSlotAllSpecific]);
    EXPECT_TRUE(rights.Slots[kSlotAllStandard]);
}

TEST(ParseAccessMask, RegistryAllAccessIsFullWithoutOwnerOrWow64Words)
{
    GrantedRights rights;
    EXPECT_EQ(Describe(0xF003F, AccessMaskForm::Registry, rights),
              kRegistryOpening + "   F003F): FullAccess*; Read; Write; Append; Delete; Enumerate; Notify; "
                                 "CreateLink; ReadSecurity; WriteSecurity.");
    EXPECT_TRUE(rights.FullAccess());
    EXPECT_FALSE(rights.Slots[kSlotSynchronize]);
    // The file-system form judges the same mask by its own, larger full mask.
    EXPECT_NE(Describe(0xF003F, AccessMaskForm::FileSystem, rights).find("AllStandard*; Read; Write"),
              std::string::npos);
    EXPECT_FALSE(rights.FullAccess());
}

TEST(ParseAccessMask, RegistryViewBitsAndTheirCombination)
{
    GrantedRights rights;
    EXPECT_EQ(Describe(0x20119, AccessMaskForm::Registry, rights),
              kRegistryOpening + "   20119): Read; Enumerate; Notify; ReadSecurity; WOW64_64KEY.");
    EXPECT_TRUE(rights.Slots[kSlotWow64_64Key]);
    EXPECT_FALSE(rights.Slots[kSlotWow64Res]);
    EXPECT_EQ(Describe(0x300, AccessMaskForm::Registry, rights),
              kRegistryOpening + "     300): WOW64_32KEY; WOW64_64KEY; WOW64_RES.");
    EXPECT_EQ(SetSlots(rights), (std::vector<int>{kSlotWow64_32Key, kSlotWow64_64Key, kSlotWow64Res}));
    EXPECT_EQ(Describe(0x1000003F, AccessMaskForm::Registry, rights),
              kRegistryOpening +
                  "1000003F): AllSpecific*; Read; Write; Append; Enumerate; Notify; CreateLink.");
}

class AccessReply : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        folder_ = log_state::Reset();
        OpenLogs(folder_.c_str(), log_state::WithDiagnosticSwitch());
    }
    std::vector<std::string> Lines(const char* name) const { return log_state::ReadMessages(folder_ + name); }

    std::string folder_;
};

TEST_F(AccessReply, DeniedOrFailedReplyIsAnErrorNotARefusal)
{
    EXPECT_EQ(JudgeAccessReply(kEveryoneInFile, 5, 0), kRightsError);
    EXPECT_EQ(JudgeAccessReply(kInvokerInFile, 5, 0), kRightsError);
    EXPECT_EQ(JudgeAccessReply(kEveryoneInRegistry, 1314, 0x1F01FF), kRightsError);
    EXPECT_EQ(ErrorCount, 3u);
    EXPECT_EQ(
        Lines("OvwinError.log"),
        (std::vector<std::string>{
            "ERROR !!  CheckEveryoneRightsInFile failed: Failed to perform access check for \"Everyone\" on "
            "DACL; The access check call resulted in an ACCESS_DENIED error [WIN32 0x00000005/C0005]. This "
            "usually indicates that \"Everyone\" does not have rights to access this location.",
            "ERROR !!  CheckInvokerRightsInFile failed: Failed to perform access check for invoker on DACL; "
            "The access check call resulted in an ACCESS_DENIED error [WIN32 0x00000005/C0005]. THis "
            "usually indicates that the invoker does not have rights to access this location.",
            "ERROR !!  CheckEveryoneRightsInRegistry failed: Failed to perform access check for "
            "\"Everyone\" on DACL; The access check call resulted in an unexpected error [WIN32 "
            "0x00000522/C1314].",
        }));
}
