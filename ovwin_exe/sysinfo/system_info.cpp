#include "sysinfo/system_info.h"

SystemInfoRecord SystemInfoObject;
