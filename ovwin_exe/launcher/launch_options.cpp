#include "launcher/launch_options.h"

LaunchOptionsRecord LaunchOptions;

LogSettings LogSettingsFor(const LaunchOptionsRecord& options, const LibraryVersion& version)
{
    LogSettings settings;
    settings.PreloadMode = options.PreloadMode != 0;
    settings.DeveloperLogging = options.DeveloperDebugLogging.Set;
    settings.DiagnosticLogging = options.DiagnosticLogging.Set;
    settings.AppendLogFiles = options.AppendLogFiles.Set;
    settings.FileDescription = version.FileDescription;
    settings.Major = version.Major;
    settings.Minor = version.Minor;
    settings.Build = version.Build;
    settings.Revision = version.Revision;
    settings.LegalCopyright = version.LegalCopyright;
    return settings;
}
