// Writes lines through the file logger, as one of several processes sharing a
// log folder. Usage: filelog_writer.exe <group> <writer> <lines> <start event>
// Each line's message is "writer <writer> line <n> " followed by padding.
// Writing starts when the named event is set, so that all writers run at
// once. Exits 0 when every line was written, 1 otherwise.
#include "logging/CLogging.h"
#include "platform/UniqueHandles.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace
{

// The writers wait this long for the start signal before giving up.
constexpr DWORD kStartWaitMs = 120000;
// Makes a line long enough that the writers fill several files.
constexpr wchar_t kPadding[] = L"................................................";

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5)
    {
        return 2;
    }
    const wchar_t* group = argv[1];
    const std::wstring writer = argv[2];
    const long lines = std::wcstol(argv[3], nullptr, 10);
    const Ostrel::UniqueHandle start(OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
    if (!start || WaitForSingleObject(start.get(), kStartWaitMs) != WAIT_OBJECT_0)
    {
        return 1;
    }

    ETWLogging::CLogging logger;
    if (logger.Open(group, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    {
        return 1;
    }
    int failures = 0;
    for (long line = 0; line < lines; ++line)
    {
        const std::wstring message = L"writer " + writer + L" line " + std::to_wstring(line) + L" " + kPadding;
        if (logger.LogText(L"FileLogWriter.cpp", L"wmain", 1, ETWLogging::LOG_LEVEL_ERROR, message.c_str()) != 0)
        {
            ++failures;
        }
    }
    logger.Close();
    return failures == 0 ? 0 : 1;
}
