// What an access check found: the granted access mask read as flags and a
// readable line, and the judgement whether a party holds full rights.
#pragma once

#include <cstddef>
#include <cstdint>

// The three-way answer of an access check. A check that could not be made
// is Error, never taken for a refusal.
enum RightsCheckResult : int32_t
{
    kRightsFalse = 0,
    kRightsTrue = 1,
    kRightsError = 2,
};

// Files and folders, or registry keys: the same bits mean different rights.
enum class AccessMaskForm
{
    FileSystem,
    Registry,
};

constexpr uint32_t kFileFullAccess = 0x1F01FF;    // FILE_ALL_ACCESS
constexpr uint32_t kRegistryFullAccess = 0xF003F; // KEY_ALL_ACCESS

// Slots of GrantedRights. Slots 4 to 9 carry registry rights under the
// names after the list.
enum RightsSlot : int
{
    kSlotRead,
    kSlotWrite,
    kSlotAppend,
    kSlotReadEA,
    kSlotWriteEA,
    kSlotExecute,
    kSlotDeleteChild,
    kSlotReadAttr,
    kSlotWriteAttr,
    kSlotDelete,
    kSlotReadSecurity,
    kSlotWriteSecurity,
    kSlotSynchronize,
    kSlotAllSpecific,
    kSlotAllStandard,
    kSlotFullAccess,
    kRightsSlotCount
};
constexpr int kSlotEnumerate = kSlotReadEA;
constexpr int kSlotNotify = kSlotWriteEA;
constexpr int kSlotCreateLink = kSlotExecute;
constexpr int kSlotWow64_32Key = kSlotDeleteChild;
constexpr int kSlotWow64_64Key = kSlotReadAttr;
constexpr int kSlotWow64Res = kSlotWriteAttr;

struct GrantedRights
{
    bool Slots[kRightsSlotCount];
    bool FullAccess() const { return Slots[kSlotFullAccess]; }
};

// Fills the flags and builds the line that ParseAccessMask writes.
void DescribeAccessMask(uint32_t mask, AccessMaskForm form, GrantedRights& rights, char* line,
                        std::size_t capacity);

// Fills the flags and writes the line at level 1.
void ParseAccessMask(uint32_t mask, AccessMaskForm form, GrantedRights& rights);

// Who an access check asks about, and the words its lines use.
struct RightsCheckParty
{
    const char* CheckName;  // begins every line of the check
    const char* Subject;    // "\"Everyone\"" or "invoker"
    const char* DeniedHint; // what an ACCESS_DENIED reply usually means
    AccessMaskForm Form;
};

extern const RightsCheckParty kEveryoneInFile;
extern const RightsCheckParty kEveryoneInRegistry;
extern const RightsCheckParty kInvokerInFile;

// Judges a completed access check by its reply: an error code in the reply
// is Error (with its error line); otherwise the granted mask is parsed and
// full rights are True.
[[nodiscard]] RightsCheckResult JudgeAccessReply(const RightsCheckParty& party, uint32_t replyError,
                                                 uint32_t grantedMask);
