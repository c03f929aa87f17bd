#include "RelayHostProcess.h"

#include "platform/UniqueHandles.h"
#include "support/TestFiles.h"

namespace E2ETest
{

namespace
{

constexpr DWORD kRunTimeoutMs = 120000;
constexpr DWORD kNotRun = 0xFFFFFFFF;

std::wstring Quoted(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    for (const wchar_t c : argument)
    {
        quoted += c == L'"' ? L"\\\"" : std::wstring(1, c);
    }
    return quoted + L"\"";
}

} // namespace

RelayHostRun RunRelayHost(const std::vector<std::wstring>& arguments)
{
    RelayHostRun run{kNotRun, {}};
    const std::wstring program = ScreenRelayTest::ProgramFolder() + L"relayhost.exe";
    std::wstring commandLine = Quoted(program);
    for (const std::wstring& argument : arguments)
    {
        commandLine += L" " + Quoted(argument);
    }

    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    Ostrel::UniqueHandle readEnd;
    Ostrel::UniqueHandle writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0) ||
        !SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0))
    {
        return run;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &started))
    {
        return run;
    }
    const Ostrel::UniqueHandle process(started.hProcess);
    const Ostrel::UniqueHandle thread(started.hThread);
    writeEnd.reset();

    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        run.output.append(buffer, read);
    }
    if (WaitForSingleObject(process.get(), kRunTimeoutMs) == WAIT_OBJECT_0)
    {
        GetExitCodeProcess(process.get(), &run.exitCode);
    }
    else
    {
        TerminateProcess(process.get(), kNotRun);
    }
    return run;
}

} // namespace E2ETest
