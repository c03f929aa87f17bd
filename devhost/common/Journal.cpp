#include "Journal.h"

#include "platform/UniqueHandles.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace DevHost
{

namespace
{

// Every process that appends to a journal takes this mutex for the append.
constexpr wchar_t kAppendMutexName[] = L"RelayHostJournalAppend";
constexpr DWORD kAppendTimeoutMs = 30000;

using Utf8Writer = rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF16<wchar_t>, rapidjson::UTF8<>>;

void WriteText(Utf8Writer& writer, const std::wstring& text)
{
    writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

void WriteArgument(Utf8Writer& writer, const JournalArgument& argument)
{
    writer.StartObject();
    if (!argument.name.empty())
    {
        writer.Key(L"name");
        WriteText(writer, argument.name);
    }
    if (!argument.type.empty())
    {
        writer.Key(L"type");
        WriteText(writer, argument.type);
    }
    writer.Key(L"value");
    if (const auto* text = std::get_if<std::wstring>(&argument.value))
    {
        WriteText(writer, *text);
    }
    else if (const auto* number = std::get_if<std::uint32_t>(&argument.value))
    {
        writer.Uint(*number);
    }
    else
    {
        writer.Null();
    }
    writer.EndObject();
}

std::wstring JournalPath()
{
    const DWORD size = GetEnvironmentVariableW(kJournalVariable, nullptr, 0);
    if (size == 0)
    {
        return {};
    }
    std::wstring path(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(kJournalVariable, path.data(), size);
    path.resize(length < size ? length : 0);
    return path;
}

} // namespace

std::string FormatJournalLine(const JournalEntry& entry)
{
    rapidjson::StringBuffer buffer;
    Utf8Writer writer(buffer);
    writer.StartObject();
    writer.Key(L"component");
    WriteText(writer, entry.component);
    writer.Key(L"call");
    WriteText(writer, entry.call);
    writer.Key(L"arguments");
    writer.StartArray();
    for (const auto& argument : entry.arguments)
    {
        WriteArgument(writer, argument);
    }
    writer.EndArray();
    writer.Key(L"processId");
    writer.Uint(entry.processId);
    writer.Key(L"time");
    writer.Int64(entry.time);
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

DWORD JournalCall(const wchar_t* component, const wchar_t* call, std::vector<JournalArgument> arguments)
{
    const std::wstring path = JournalPath();
    if (path.empty())
    {
        return ERROR_SUCCESS;
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const JournalEntry entry{component, call, std::move(arguments), GetCurrentProcessId(), now.QuadPart};
    return AppendJournalLine(path, FormatJournalLine(entry));
}

DWORD AppendJournalLine(const std::wstring& path, const std::string& line)
{
    const Ostrel::UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kAppendMutexName));
    if (!mutex)
    {
        return GetLastError();
    }
    const DWORD waited = WaitForSingleObject(mutex.get(), kAppendTimeoutMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
    {
        return waited == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError();
    }

    DWORD status = ERROR_SUCCESS;
    {
        const Ostrel::UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const std::string text = line + "\n";
        DWORD written = 0;
        if (!file)
        {
            status = GetLastError();
        }
        else if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        {
            status = GetLastError();
        }
        else if (written != text.size())
        {
            status = ERROR_WRITE_FAULT;
        }
    }
    ReleaseMutex(mutex.get());
    return status;
}

} // namespace DevHost
