#include "launcher/launch_options.h"

LaunchOptionsRecord LaunchOptions;
