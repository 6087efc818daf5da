// What a failed plain file copy leaves behind, decided from what the system
// said.
#pragma once

#include <cstdint>

// A copy that fails part way (a full disk, a share that went away) leaves the
// bytes it wrote under the destination's name, where the next start would
// take them for the file. Such a file is removed when the copy itself made
// it: nothing stood there before, and the failure was not another process
// holding the name (a launcher started at the same time, whose own copy may
// be complete by the time this one looks).
[[nodiscard]] bool RemoveAfterFailedCopy(bool destinationExistedBefore, uint32_t copyError);
