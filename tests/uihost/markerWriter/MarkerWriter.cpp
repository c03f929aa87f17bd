// A program that the shell launcher tests start (or must not start): it
// proves that it ran by writing a marker file, at the path given as its first
// argument or else beside itself ("<program>.started"). The marker holds the
// number of arguments it received, then each on its own line.

#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    std::wstring marker;
    if (argc > 1)
    {
        marker = argv[1];
    }
    else
    {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        marker = std::wstring(self) + L".started";
    }
    std::FILE* file = _wfopen(marker.c_str(), L"w");
    if (file == nullptr)
    {
        return 1;
    }
    std::fwprintf(file, L"%d\n", argc - 1);
    for (int i = 1; i < argc; ++i)
    {
        std::fwprintf(file, L"%ls\n", argv[i]);
    }
    std::fclose(file);
    return 0;
}
