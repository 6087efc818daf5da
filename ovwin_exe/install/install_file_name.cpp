#include "install/install_file_name.h"

namespace
{
constexpr uint32_t kSharingViolation = 32; // ERROR_SHARING_VIOLATION
} // namespace

bool RemoveAfterFailedCopy(bool destinationExistedBefore, uint32_t copyError)
{
    return !destinationExistedBefore && copyError != kSharingViolation;
}
