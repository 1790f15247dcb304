#pragma once

#include "platform/win_api.h"

// Lets every trustee the service's access list already allows anything also
// start, stop, pause, query and reconfigure the service. True when the
// widened list was applied.
bool GrantServiceControl(SC_HANDLE service);
