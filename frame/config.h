// Reading client.cfg at start-up; the settings themselves live in core/config.h.
#pragma once

#include "core/config.h"

// Reads CONFIG_FILE; ends the process through Quit on a missing file or a refused nickname.
void ReadConfig();
