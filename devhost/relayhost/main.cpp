// relayhost: the framework's host for development. It loads ScreenRelay.dll
// on demand when a "ZTS.UI.*" message is published on its bus, drives the
// module's lifecycle, honours its unload requests, answers the settings
// requests, and shows what the UI host and the shell were asked to do.
//
//   relayhost [--v1 | --v2] [--module=<path>] [--name=<module name>] [--no-settings] <command>
//
//   setup [--partner]         set up the development installation, as a
//                             partner installation with --partner
//   send <message> <json>     publish one message
//   stdin                     publish "<message> <json>" lines read from standard input
//   demo                      publish every message the module serves
//   soak <count> [<every>]    publish count requests round-robin over the
//                             messages and print what the process holds every
//                             <every> (1,000) requests; exit 1 on growth
//   log                       print the module's newest file log
//   logini [--global] <Key>=<value>...
//                             write file log settings to the module's (or the
//                             machine-wide) "log.ini"
//
// --v2 (the default): InitializeModuleV2, the host passes its bus; --v1:
// InitializeModule, the module loads MessageBus.dll itself. The module is
// ScreenRelay.dll in relayhost's folder unless --module names another, and
// its name (the log group) is "ScreenRelayModule" unless --name gives one.
// --no-settings: the settings service receives its requests but leaves them
// unanswered, so that they time out.

#include "Console.h"
#include "DemoRequests.h"
#include "DevelopmentInstallation.h"
#include "HostSession.h"
#include "LogIniSettings.h"
#include "ModuleLogFiles.h"
#include "Soak.h"

#include <windows.h>

#include <cwctype>
#include <iostream>
#include <utility>
#include <string>
#include <vector>

namespace
{

using namespace RelayHost;

constexpr wchar_t kDefaultModuleName[] = L"ScreenRelayModule";
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Options
{
    ModuleHostSettings settings;
    SettingsAnswers settingsAnswers = SettingsAnswers::Answered;
    std::vector<std::wstring> arguments;
};

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length == 0 || length >= MAX_PATH ? path : std::wstring(full, length);
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options)
{
    options.settings.moduleName = kDefaultModuleName;
    int index = 1;
    for (; index < argc && StartsWith(argv[index], L"--"); ++index)
    {
        const std::wstring option = argv[index];
        if (option == L"--v1")
        {
            options.settings.busPassing = BusPassing::ModuleLoadsBus;
        }
        else if (option == L"--v2")
        {
            options.settings.busPassing = BusPassing::HostPassesBus;
        }
        else if (StartsWith(option, L"--module="))
        {
            options.settings.modulePath = FullPath(option.substr(9));
        }
        else if (StartsWith(option, L"--name="))
        {
            options.settings.moduleName = option.substr(7);
        }
        else if (option == L"--no-settings")
        {
            options.settingsAnswers = SettingsAnswers::LeftUnanswered;
        }
        else
        {
            return false;
        }
    }
    options.arguments.assign(argv + index, argv + argc);
    return !options.arguments.empty();
}

int Usage()
{
    PrintLine(L"usage: relayhost [--v1 | --v2] [--module=<path>] [--name=<module name>] [--no-settings] "
              L"setup [--partner] | send <message> <json> | stdin | demo | soak <count> [<every>] | log | "
              L"logini [--global] <Key>=<value>...");
    return kExitUsage;
}

int SetUp(const Options& options)
{
    const bool partner = options.arguments.size() == 2 && options.arguments[1] == L"--partner";
    if (options.arguments.size() > 1 && !partner)
    {
        return Usage();
    }
    bool failed = false;
    for (const SetUpStep& step : SetUpDevelopmentInstallation(OwnFolder(), partner))
    {
        PrintLine(
            (step.status == ERROR_SUCCESS ? L"set up: " : L"failed (error " + std::to_wstring(step.status) + L"): ") +
            step.what);
        failed = failed || step.status != ERROR_SUCCESS;
    }
    return failed ? kExitFailure : 0;
}

// Runs the requests that next() hands out until it answers false.
template <typename Next>
int RunRequests(const Options& options, Next next)
{
    std::wstring error;
    const auto session = HostSession::Open(OwnFolder(), options.settings, options.settingsAnswers, error);
    if (!session)
    {
        PrintLine(L"error: " + error);
        return kExitFailure;
    }
    PrintLine(L"journal: " + session->journalPath());
    bool failed = false;
    std::wstring name;
    std::wstring payload;
    while (next(name, payload))
    {
        failed = !session->run(name, payload) || failed;
    }
    return failed ? kExitFailure : 0;
}

int Send(const Options& options)
{
    if (options.arguments.size() != 3)
    {
        return Usage();
    }
    bool sent = false;
    return RunRequests(options,
                       [&](std::wstring& name, std::wstring& payload)
                       {
                           name = options.arguments[1];
                           payload = options.arguments[2];
                           return !std::exchange(sent, true);
                       });
}

// A line "<message> <json>"; blank lines and lines starting with '#' are skipped.
bool ReadRequestLine(std::wstring& name, std::wstring& payload)
{
    std::string line;
    while (std::getline(std::cin, line))
    {
        const std::wstring text = FromUtf8(line);
        const std::size_t start = text.find_first_not_of(L" \t\r");
        if (start == std::wstring::npos || text[start] == L'#')
        {
            continue;
        }
        const std::size_t nameEnd = text.find_first_of(L" \t", start);
        name = text.substr(start, nameEnd - start);
        const std::size_t payloadStart =
            text.find_first_not_of(L" \t", nameEnd == std::wstring::npos ? text.size() : nameEnd);
        const std::size_t payloadEnd = text.find_last_not_of(L" \t\r");
        payload = payloadStart == std::wstring::npos ? L"" : text.substr(payloadStart, payloadEnd + 1 - payloadStart);
        return true;
    }
    return false;
}

int Demo(const Options& options)
{
    std::size_t next = 0;
    const auto requests = DemoRequests();
    RunRequests(options,
                [&](std::wstring& name, std::wstring& payload)
                {
                    if (next == requests.size())
                    {
                        return false;
                    }
                    name = requests[next].name;
                    payload = requests[next++].payload;
                    return true;
                });
    return 0;
}

int RunSoak(const Options& options)
{
    const auto isCount = [](const std::wstring& text)
    {
        return !text.empty() && text.size() < 10 && text.find_first_not_of(L"0123456789") == std::wstring::npos;
    };
    const std::size_t arguments = options.arguments.size();
    if (arguments < 2 || arguments > 3 || !isCount(options.arguments[1]) ||
        (arguments == 3 && (!isCount(options.arguments[2]) || std::stoull(options.arguments[2]) == 0)))
    {
        return Usage();
    }
    const std::size_t every = arguments == 3 ? std::stoull(options.arguments[2]) : kSoakRequestsPerLine;
    std::wstring error;
    const auto session = HostSession::Open(OwnFolder(), options.settings, options.settingsAnswers, error);
    if (!session)
    {
        PrintLine(L"error: " + error);
        return kExitFailure;
    }
    return Soak(*session, std::stoull(options.arguments[1]), every) ? 0 : kExitFailure;
}

int ShowLog(const Options& options)
{
    std::wstring folder;
    std::wstring path;
    std::wstring text;
    DWORD status = ModuleLogFolder(options.settings.moduleName, folder);
    status = status != ERROR_SUCCESS ? status : NewestLogFile(folder, path);
    status = status != ERROR_SUCCESS ? status : ReadLogText(path, text);
    if (status != ERROR_SUCCESS)
    {
        PrintLine(L"error: no readable log file in " + folder + L" (error " + std::to_wstring(status) + L")");
        return kExitFailure;
    }
    PrintLine(L"log: " + path);
    const std::string bytes = ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return 0;
}

int WriteLogIni(const Options& options)
{
    bool global = false;
    std::vector<std::pair<std::wstring, int>> settings;
    for (std::size_t i = 1; i < options.arguments.size(); ++i)
    {
        const std::wstring& argument = options.arguments[i];
        const std::size_t equals = argument.find(L'=');
        if (argument == L"--global")
        {
            global = true;
        }
        else if (equals != std::wstring::npos && equals + 1 < argument.size() &&
                 (std::iswdigit(argument[equals + 1]) || argument[equals + 1] == L'-'))
        {
            settings.emplace_back(argument.substr(0, equals), std::stoi(argument.substr(equals + 1)));
        }
        else
        {
            return Usage();
        }
    }
    std::wstring folder;
    const DWORD status = global ? LogRootFolder(folder) : ModuleLogFolder(options.settings.moduleName, folder);
    const std::wstring path = folder + (global ? L"" : L"\\") + L"log.ini";
    std::wstring error;
    if (status != ERROR_SUCCESS || settings.empty() || !WriteLogIniSettings(path, settings, error))
    {
        PrintLine(L"error: " + (error.empty() ? L"nothing written to " + path : error));
        return kExitFailure;
    }
    PrintLine(L"written: " + path);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options))
    {
        return Usage();
    }
    const std::wstring& command = options.arguments[0];
    if (command == L"setup")
    {
        return SetUp(options);
    }
    if (command == L"send")
    {
        return Send(options);
    }
    if (command == L"stdin")
    {
        return RunRequests(options, ReadRequestLine);
    }
    if (command == L"demo")
    {
        return Demo(options);
    }
    if (command == L"soak")
    {
        return RunSoak(options);
    }
    if (command == L"log")
    {
        return ShowLog(options);
    }
    if (command == L"logini")
    {
        return WriteLogIni(options);
    }
    return Usage();
}
