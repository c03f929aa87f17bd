#include "JournalReader.h"

#include "platform/UniqueHandles.h"

#include <rapidjson/document.h>

namespace DevHost
{

namespace
{

using WideDocument = rapidjson::GenericDocument<rapidjson::UTF16<wchar_t>>;
using WideValue = WideDocument::ValueType;

std::string ReadWholeFile(const std::wstring& path)
{
    const Ostrel::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file)
    {
        return bytes;
    }
    char buffer[16384];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        bytes.append(buffer, read);
    }
    return bytes;
}

std::wstring Text(const WideValue& value)
{
    return std::wstring(value.GetString(), value.GetStringLength());
}

std::optional<JournalArgument> ParseArgument(const WideValue& value)
{
    if (!value.IsObject() || !value.HasMember(L"value"))
    {
        return std::nullopt;
    }
    JournalArgument argument;
    if (value.HasMember(L"name") && value[L"name"].IsString())
    {
        argument.name = Text(value[L"name"]);
    }
    if (value.HasMember(L"type") && value[L"type"].IsString())
    {
        argument.type = Text(value[L"type"]);
    }
    const WideValue& data = value[L"value"];
    if (data.IsString())
    {
        argument.value = Text(data);
    }
    else if (data.IsUint())
    {
        argument.value = static_cast<std::uint32_t>(data.GetUint());
    }
    else if (!data.IsNull())
    {
        return std::nullopt;
    }
    return argument;
}

} // namespace

std::vector<std::string> ReadJournalLines(const std::wstring& path)
{
    const std::string bytes = ReadWholeFile(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start))
    {
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::optional<JournalEntry> ParseJournalLine(const std::string& line)
{
    WideDocument document;
    document.Parse<rapidjson::kParseDefaultFlags, rapidjson::UTF8<>>(line.c_str(), line.size());
    if (document.HasParseError() || !document.IsObject())
    {
        return std::nullopt;
    }
    const auto component = document.FindMember(L"component");
    const auto call = document.FindMember(L"call");
    const auto arguments = document.FindMember(L"arguments");
    const auto processId = document.FindMember(L"processId");
    if (component == document.MemberEnd() || !component->value.IsString() || call == document.MemberEnd() ||
        !call->value.IsString() || arguments == document.MemberEnd() || !arguments->value.IsArray() ||
        processId == document.MemberEnd() || !processId->value.IsUint())
    {
        return std::nullopt;
    }
    JournalEntry entry;
    entry.component = Text(component->value);
    entry.call = Text(call->value);
    entry.processId = processId->value.GetUint();
    if (const auto time = document.FindMember(L"time"); time != document.MemberEnd() && time->value.IsInt64())
    {
        entry.time = time->value.GetInt64();
    }
    for (const auto& value : arguments->value.GetArray())
    {
        auto argument = ParseArgument(value);
        if (!argument)
        {
            return std::nullopt;
        }
        entry.arguments.push_back(std::move(*argument));
    }
    return entry;
}

std::vector<JournalEntry> ReadJournal(const std::wstring& path)
{
    std::vector<JournalEntry> entries;
    for (const auto& line : ReadJournalLines(path))
    {
        if (auto entry = ParseJournalLine(line))
        {
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

} // namespace DevHost
