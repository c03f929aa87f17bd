#include "screenrelay/PayloadReading.h"

#include "json/BoundedDepthParse.h"
#include "logging/Log.h"

// The reading functions belong to the module object; their records name its
// source file.
LOG_SOURCE_FILE(L"ScreenRelayImpl.cpp")

namespace Ostrel
{

namespace
{

using Encoding = rapidjson::UTF16<wchar_t>;

// The member of the name, or null when it is missing or the value is not an
// object.
const PayloadValue* findMember(const PayloadValue& object, const wchar_t* name)
{
    if (!object.IsObject())
    {
        return nullptr;
    }
    const auto member = object.FindMember(name);
    return member == object.MemberEnd() ? nullptr : &member->value;
}

} // namespace

bool parseJSON(const std::wstring& text, PayloadDocument& document)
{
    if (text.empty())
    {
        LOG_ERROR(L"parseJSON", L"String empty, not valid JSON");
        return false;
    }
    if (text.size() > kMaxPayloadChars)
    {
        LOG_ERROR(L"parseJSON", L"String too long, not valid JSON, %lu", static_cast<unsigned long>(text.size()));
        return false;
    }
    rapidjson::GenericStringStream<Encoding> stream(text.c_str());
    const rapidjson::ParseResult result = ParseBoundedDepth<Encoding>(document, stream, kMaxJsonDepth);
    if (result.IsError())
    {
        LOG_ERROR(L"parseJSON", L"String is not valid JSON, %d", static_cast<int>(result.Code()));
        return false;
    }
    return true;
}

bool getStringMember(const PayloadValue& object, const wchar_t* name, std::wstring& value, bool required)
{
    const PayloadValue* member = findMember(object, name);
    if (member == nullptr)
    {
        LOG_ERROR(L"getStringMember", L"Failed to get string member, not found");
        return false;
    }
    if (!member->IsString())
    {
        LOG_ERROR(L"getStringMember", L"Failed to get string member, not string type");
        return false;
    }
    std::wstring text(member->GetString(), member->GetStringLength());
    if (required && text.empty())
    {
        LOG_ERROR(L"getStringMember", L"Failed to get string member, empty");
        return false;
    }
    value = std::move(text);
    return true;
}

bool getIntMember(const PayloadValue& object, const wchar_t* name, std::int32_t& value)
{
    const PayloadValue* member = findMember(object, name);
    if (member == nullptr)
    {
        LOG_ERROR(L"getIntMember", L"Failed to get int member, not found");
        return false;
    }
    if (!member->IsInt())
    {
        LOG_ERROR(L"getIntMember", L"Failed to get int member, not int type");
        return false;
    }
    value = member->GetInt();
    return true;
}

bool getBoolMember(const PayloadValue& object, const wchar_t* name, bool& value)
{
    const PayloadValue* member = findMember(object, name);
    if (member == nullptr)
    {
        LOG_ERROR(L"getBoolMember", L"Failed to get Bool member, not found");
        return false;
    }
    if (!member->IsBool())
    {
        LOG_ERROR(L"getBoolMember", L"Failed to get Bool member, not Bool type");
        return false;
    }
    value = member->GetBool();
    return true;
}

} // namespace Ostrel
