// The library's own version, for its version resource.
#pragma once

#define QEL_VERSION_MAJOR 4
#define QEL_VERSION_MINOR 20
#define QEL_VERSION_BUILD 0
#define QEL_VERSION_REVISION 1
#define QEL_VERSION_TEXT "4.20.0.1"
