// Steps of the configuration check whose work is not built yet: named calls
// that do nothing, so that the check around them runs and logs in full.
// Each leaves this file when its work is built.
#include "environment/config_repair.h"

bool UpdateConfigRegistry()
{
    return true;
}

void UpdateConfigAppData() {}

void UpdateCacheFolder() {}

