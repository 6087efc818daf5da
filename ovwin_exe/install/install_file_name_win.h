// The one plain file copy of the installation steps, logged as they log it.
#pragma once

// Copies source over destination (replacing a file there); false, with the
// error line, when the copy failed. The last-write time comes along.
[[nodiscard]] bool InstallFileName(const char* source, const char* destination);
