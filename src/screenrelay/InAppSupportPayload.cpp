#include "screenrelay/InAppSupportPayload.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace Ostrel
{

namespace
{

using WideEncoding = rapidjson::UTF16<wchar_t>;
using WideBuffer = rapidjson::GenericStringBuffer<WideEncoding>;

std::wstring SupportQuery(const std::wstring& faultId, const std::wstring& parameters)
{
    std::wstring query = L"utm_source=inproduct&utm_medium=inproduct&utm_campaign=inproduct";
    if (!faultId.empty())
    {
        query += L"&faultid=" + faultId;
    }
    if (!parameters.empty())
    {
        if (parameters.front() != L'&')
        {
            query += L'&';
        }
        query += parameters;
    }
    return query;
}

} // namespace

std::wstring InAppSupportPayload(const std::wstring& faultId, const std::wstring& parameters)
{
    const std::wstring query = SupportQuery(faultId, parameters);
    WideBuffer buffer;
    rapidjson::Writer<WideBuffer, WideEncoding, WideEncoding> writer(buffer);
    writer.StartObject();
    writer.Key(L"link");
    writer.String(L"substlink:inappsupport");
    writer.Key(L"parameters");
    writer.String(query.c_str(), static_cast<rapidjson::SizeType>(query.size()));
    writer.EndObject();
    return std::wstring(buffer.GetString(), buffer.GetSize() / sizeof(wchar_t));
}

} // namespace Ostrel
