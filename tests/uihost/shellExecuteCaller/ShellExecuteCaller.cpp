// Opens its last argument with QvShellExecute and exits with the status. The
// tests start it when the launching process itself matters, for instance with
// a command line that names the updater.

#include "uihost/vrtcmn.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    return argc > 1 ? static_cast<int>(Ostrel::QvShellExecute(argv[argc - 1])) : ERROR_INVALID_PARAMETER;
}
