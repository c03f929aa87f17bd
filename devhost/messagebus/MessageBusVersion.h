#pragma once

// Version of the development bus library, for its exports and its version
// resource. The major number is that of the bus interface it serves.
#define MESSAGEBUS_VERSION_MAJOR 2
#define MESSAGEBUS_VERSION_NUMBER 2001000
#define MESSAGEBUS_VERSION_STRING "2.1.0"
#define MESSAGEBUS_VERSION_COMMAS 2, 1, 0, 0
#define MESSAGEBUS_VERSION_TEXT "2, 1, 0, 0"
