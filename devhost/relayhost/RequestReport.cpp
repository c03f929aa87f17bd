#include "RequestReport.h"

#include "Console.h"

#include <cwchar>
#include <variant>

namespace RelayHost
{

namespace
{

std::wstring ModuleStatusText(Ostrel::ModuleStatus status)
{
    wchar_t number[16];
    std::swprintf(number, std::size(number), L"0x%08X", static_cast<unsigned>(status));
    return std::wstring(Ostrel::ModuleStatusName(status)) + L" (" + number + L")";
}

std::wstring CallLine(const std::wstring& name, const std::wstring& result)
{
    std::wstring line = L"  " + name;
    line.resize(std::max<std::size_t>(line.size() + 1, 24), L' ');
    return line + result;
}

std::wstring ValueText(const DevHost::JournalValue& value)
{
    if (const auto* text = std::get_if<std::wstring>(&value))
    {
        return L"\"" + *text + L"\"";
    }
    if (const auto* number = std::get_if<std::uint32_t>(&value))
    {
        return std::to_wstring(*number);
    }
    return L"null";
}

} // namespace

std::wstring DescribeJournalEntry(const DevHost::JournalEntry& entry)
{
    std::wstring text = entry.component + L"." + entry.call + L"(";
    for (std::size_t i = 0; i < entry.arguments.size(); ++i)
    {
        const DevHost::JournalArgument& argument = entry.arguments[i];
        text +=
            (i > 0 ? L", " : L"") + (argument.name.empty() ? L"" : argument.name + L"=") + ValueText(argument.value);
    }
    return text + L")";
}

void PrintRequestReport(const std::wstring& name, const std::wstring& payload, const RequestOutcome& outcome,
                        const std::vector<DevHost::JournalEntry>& journal)
{
    PrintLine(L"> " + name + L" " + payload);
    PrintLine(CallLine(L"publish", ModuleStatusText(outcome.publishStatus)));
    bool unloadShown = false;
    for (const HostCall& call : outcome.calls)
    {
        if (call.name == L"StopModule" && outcome.unloadRequestedBy)
        {
            PrintLine(L"  the module asked to be unloaded (\"" + *outcome.unloadRequestedBy + L"\")");
            unloadShown = true;
        }
        PrintLine(CallLine(call.name, call.win32 ? std::to_wstring(call.status) : ModuleStatusText(call.status)));
    }
    if (outcome.unloadRequestedBy && !unloadShown)
    {
        PrintLine(L"  the module asked to be unloaded (\"" + *outcome.unloadRequestedBy + L"\")");
    }
    if (outcome.deliveredByBus)
    {
        PrintLine(L"  delivered by the bus to the loaded module, whose handler's status goes to the bus");
    }
    if (outcome.timedOut)
    {
        PrintLine(L"  still being delivered when the host stopped waiting");
    }
    PrintLine(outcome.loadedAfterwards ? L"  module still loaded"
              : outcome.freed          ? L"  module unloaded"
                                       : L"  module not loaded");
    for (const DevHost::JournalEntry& entry : journal)
    {
        PrintLine(L"  asked: " + DescribeJournalEntry(entry));
    }
}

} // namespace RelayHost
