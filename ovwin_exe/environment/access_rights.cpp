#include "environment/access_rights.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "foundation/text_limits.h"

#include <cstring>

const RightsCheckParty kEveryoneInFile = {
    "CheckEveryoneRightsInFile", "\"Everyone\"",
    "This usually indicates that \"Everyone\" does not have rights to access this location.",
    AccessMaskForm::FileSystem};
const RightsCheckParty kEveryoneInRegistry = {
    "CheckEveryoneRightsInRegistry", "\"Everyone\"",
    "This usually indicates that \"Everyone\" does not have rights to access this location.",
    AccessMaskForm::Registry};
// The capital H is how support staff know this line.
const RightsCheckParty kInvokerInFile = {
    "CheckInvokerRightsInFile", "invoker",
    "THis usually indicates that the invoker does not have rights to access this location.",
    AccessMaskForm::FileSystem};

namespace
{
constexpr uint32_t kStandardRights = 0xF0000;
constexpr uint32_t kWow64Keys = 0x300;

struct RightWord
{
    const char* word;
    uint32_t bits; // all of them must be granted
    int slot;
};

// In the order the words are written.
const RightWord kFileWords[] = {
    {"Read", 0x1, kSlotRead},
    {"Write", 0x2, kSlotWrite},
    {"Append", 0x4, kSlotAppend},
    {"Delete", 0x10000, kSlotDelete},
    {"DeleteChild", 0x40, kSlotDeleteChild},
    {"Execute", 0x20, kSlotExecute},
    {"Synchronize", 0x100000, kSlotSynchronize},
    {"ReadAttr", 0x80, kSlotReadAttr},
    {"WriteAttr", 0x100, kSlotWriteAttr},
    {"ReadEA", 0x8, kSlotReadEA},
    {"WriteEA", 0x10, kSlotWriteEA},
    {"ReadSecurity", 0x20000, kSlotReadSecurity},
    {"WriteSecurity", 0x40000, kSlotWriteSecurity},
};

const RightWord kRegistryWords[] = {
    {"Read", 0x1, kSlotRead},
    {"Write", 0x2, kSlotWrite},
    {"Append", 0x4, kSlotAppend},
    {"Delete", 0x10000, kSlotDelete},
    {"Enumerate", 0x8, kSlotEnumerate},
    {"Notify", 0x10, kSlotNotify},
    {"CreateLink", 0x20, kSlotCreateLink},
    {"ReadSecurity", 0x20000, kSlotReadSecurity},
    {"WriteSecurity", 0x40000, kSlotWriteSecurity},
    {"WOW64_32KEY", 0x200, kSlotWow64_32Key},
    {"WOW64_64KEY", 0x100, kSlotWow64_64Key},
    {"WOW64_RES", kWow64Keys, kSlotWow64Res},
    {"Synchronize", 0x100000, kSlotSynchronize},
};

struct FormRules
{
    const char* objects; // whose rights, in the line's opening
    uint32_t fullMask;
    uint32_t specificMask;
    const RightWord* words;
    std::size_t wordCount;
};

FormRules RulesOf(AccessMaskForm form)
{
    if (form == AccessMaskForm::Registry)
    {
        return {"registry", kRegistryFullAccess, 0x3F, kRegistryWords,
                sizeof(kRegistryWords) / sizeof(kRegistryWords[0])};
    }
    return {"file system", kFileFullAccess, 0x1FF, kFileWords, sizeof(kFileWords) / sizeof(kFileWords[0])};
}

bool AllGranted(uint32_t mask, uint32_t bits)
{
    return (mask & bits) == bits;
}
} // namespace

void DescribeAccessMask(uint32_t mask, AccessMaskForm form, GrantedRights& rights, char* line,
                        std::size_t capacity)
{
    std::memset(&rights, 0, sizeof(rights));
    const FormRules rules = RulesOf(form);
    FormatToBuffer(line, capacity,
                   "ParseAccessMask found granted %s rights within Access Mask (%8X): ", rules.objects,
                   static_cast<unsigned>(mask));
    if (mask == 0)
    {
        AppendToBuffer(line, capacity, "None; ");
    }
    else if (AllGranted(mask, rules.fullMask))
    {
        AppendToBuffer(line, capacity, "FullAccess*; ");
        rights.Slots[kSlotFullAccess] = true;
        rights.Slots[kSlotAllSpecific] = true;
        rights.Slots[kSlotAllStandard] = true;
    }
    else
    {
        if (AllGranted(mask, rules.specificMask))
        {
            AppendToBuffer(line, capacity, "AllSpecific*; ");
            rights.Slots[kSlotAllSpecific] = true;
        }
        if (AllGranted(mask, kStandardRights))
        {
            AppendToBuffer(line, capacity, "AllStandard*; ");
            rights.Slots[kSlotAllStandard] = true;
        }
    }
    for (std::size_t i = 0; i < rules.wordCount; ++i)
    {
        const RightWord& right = rules.words[i];
        if (AllGranted(mask, right.bits))
        {
            rights.Slots[right.slot] = true;
            AppendToBuffer(line, capacity, right.word);
            AppendToBuffer(line, capacity, "; ");
        }
    }
    // Every line ends in "; " here: it becomes the full stop.
    const std::size_t length = std::strlen(line);
    if (length >= 2)
    {
        line[length - 2] = '\0';
        AppendToBuffer(line, capacity, ".");
    }
}

void ParseAccessMask(uint32_t mask, AccessMaskForm form, GrantedRights& rights)
{
    char line[kMessageCapacity];
    DescribeAccessMask(mask, form, rights, line, sizeof(line));
    DebugLog("%s", line);
}

RightsCheckResult JudgeAccessReply(const RightsCheckParty& party, uint32_t replyError, uint32_t grantedMask)
{
    if (replyError != 0)
    {
        char tag[kErrorTagCapacity];
        FormatErrorTag(replyError, tag, kErrorKindWin32);
        if (replyError == 5) // ERROR_ACCESS_DENIED
        {
            ErrorLog(
                "%s failed: Failed to perform access check for %s on DACL; The access check call resulted "
                "in an ACCESS_DENIED error %s. %s",
                party.CheckName, party.Subject, tag, party.DeniedHint);
        }
        else
        {
            ErrorLog(
                "%s failed: Failed to perform access check for %s on DACL; The access check call resulted "
                "in an unexpected error %s.",
                party.CheckName, party.Subject, tag);
        }
        return kRightsError;
    }
    GrantedRights rights;
    ParseAccessMask(grantedMask, party.Form, rights);
    const bool full = rights.FullAccess();
    DebugLog("%s: Full rights access check for %s on DACL result: %s.", party.CheckName, party.Subject,
             full ? "True" : "False");
    return full ? kRightsTrue : kRightsFalse;
}
