// Writes N lines (default 2000) through the file logger and N lines of the
// same bytes with a bare loop that opens the file for appending, writes and
// closes it, and prints both times and their ratio. Usage: filelog_bench.exe [N]
#include "logging/CLogging.h"
#include "logging/FileLogLine.h"
#include "platform/UniqueHandles.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{

constexpr wchar_t kFile[] = L"ModuleFunctions.cpp";
constexpr wchar_t kFunction[] = L"Ostrel::ScreenRelayModule::initialize";
constexpr wchar_t kMessage[] = L"Subscribed to ZTS.UI.ShowScreen with alias 7 for session 1.";
constexpr std::uint32_t kLine = 192;
constexpr int kRounds = 10;

double Seconds(LARGE_INTEGER start, LARGE_INTEGER end)
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring UniqueGroup()
{
    GUID guid{};
    CoCreateGuid(&guid);
    wchar_t text[64];
    StringFromGUID2(guid, text, 64);
    return std::wstring(L"FileLogBench") + text;
}

std::wstring ProgramData()
{
    Ostrel::UniqueTaskString folder;
    SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, folder.put());
    return std::wstring(folder.get());
}

// The bytes of one line as the logger writes it.
std::wstring SampleLine(const std::wstring& imageName)
{
    ETWLogging::FileLogLineFields fields{};
    GetLocalTime(&fields.time);
    fields.level = ETWLogging::LOG_LEVEL_ERROR;
    fields.options = ETWLogging::kFileLogOptionImageName;
    fields.imageName = imageName.c_str();
    fields.file = kFile;
    fields.function = kFunction;
    fields.line = kLine;
    fields.message = kMessage;
    std::wstring line;
    ETWLogging::FormatFileLogLine(fields, line);
    return line;
}

double TimeLogger(ETWLogging::CLogging& logger, int lines)
{
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceCounter(&start);
    for (int i = 0; i < lines; ++i)
    {
        if (logger.LogText(kFile, kFunction, kLine, ETWLogging::LOG_LEVEL_ERROR, kMessage) != 0)
        {
            std::fprintf(stderr, "LogText failed at line %d\n", i);
            return -1;
        }
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

double TimeBareWrites(const std::wstring& path, const std::wstring& line, int lines)
{
    const auto bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    QueryPerformanceCounter(&start);
    for (int i = 0; i < lines; ++i)
    {
        const Ostrel::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
        {
            std::fprintf(stderr, "CreateFileW failed: %lu\n", GetLastError());
            return -1;
        }
        DWORD written = 0;
        WriteFile(file.get(), line.data(), bytes, &written, nullptr);
    }
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

} // namespace

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (lines <= 0)
    {
        std::fprintf(stderr, "usage: filelog_bench.exe [lines]\n");
        return 2;
    }
    const std::wstring group = UniqueGroup();
    const std::filesystem::path groupFolder = ProgramData() + L"\\Norvane\\QVLOGS\\" + group;

    ETWLogging::CLogging logger;
    if (logger.Open(group.c_str(), nullptr, nullptr, nullptr) != 0)
    {
        std::fprintf(stderr, "Open failed\n");
        return 1;
    }
    std::error_code ignored;
    std::filesystem::create_directories(groupFolder / L"bare", ignored);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring barePath = (groupFolder / L"bare" / L"bare.log").wstring();
    const std::wstring line = SampleLine(std::filesystem::path(self).filename().wstring());

    // Both loops run in alternating rounds, so that a change of the machine's
    // load during the run weighs on both alike.
    double loggerSeconds = 0;
    double bareSeconds = 0;
    bool failed = false;
    for (int round = 0; round < kRounds && !failed; ++round)
    {
        const int count = lines / kRounds + (round < lines % kRounds ? 1 : 0);
        const double loggerRound = TimeLogger(logger, count);
        const double bareRound = TimeBareWrites(barePath, line, count);
        failed = loggerRound < 0 || bareRound < 0;
        loggerSeconds += loggerRound;
        bareSeconds += bareRound;
    }

    logger.Close();
    std::filesystem::remove_all(groupFolder, ignored);
    if (failed || bareSeconds <= 0)
    {
        return 1;
    }
    std::printf("lines: %d\n", lines);
    std::printf("CLogging::LogText:            %.3f s (%.1f us/line)\n", loggerSeconds, loggerSeconds * 1e6 / lines);
    std::printf("bare open/append/close:       %.3f s (%.1f us/line)\n", bareSeconds, bareSeconds * 1e6 / lines);
    std::printf("ratio: %.2f\n", loggerSeconds / bareSeconds);
    return 0;
}
