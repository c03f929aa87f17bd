#include "ReaderExpectations.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cstddef>

namespace PayloadFuzz
{

namespace
{

using Document = rapidjson::GenericDocument<rapidjson::UTF16<wchar_t>>;
using Value = Document::ValueType;

constexpr std::size_t kLongestPayload = 65536;
constexpr std::size_t kDeepestNesting = 32;

constexpr wchar_t kScreenRelayImpl[] = L"Ostrel::ScreenRelayImpl::";

// The deepest nesting of arrays and objects, counted outside strings.
std::size_t NestingDepth(const std::wstring& text)
{
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const wchar_t c = text[i];
        if (inString)
        {
            if (c == L'\\')
            {
                ++i;
            }
            else if (c == L'"')
            {
                inString = false;
            }
            continue;
        }
        if (c == L'"')
        {
            inString = true;
        }
        else if (c == L'[' || c == L'{')
        {
            deepest = std::max(deepest, ++depth);
        }
        else if ((c == L']' || c == L'}') && depth > 0)
        {
            --depth;
        }
    }
    return deepest;
}

bool Satisfies(const Value& value, MemberKind kind)
{
    switch (kind)
    {
        case MemberKind::NonEmptyText:
            return value.IsString() && value.GetStringLength() > 0;
        case MemberKind::AnyText:
            return value.IsString();
        case MemberKind::Unsigned32:
            return value.IsUint();
        case MemberKind::Signed32:
            return value.IsInt();
        case MemberKind::Boolean:
            return value.IsBool();
    }
    return false;
}

// A record as a line of the file log shows it: "[<function>()]$ <message>",
// the function's name cut to its first 40 characters and right-aligned in
// 40.
std::wstring Record(const std::wstring& function, const wchar_t* message)
{
    constexpr std::size_t kFunctionWidth = 40;
    const std::wstring shown = function.substr(0, kFunctionWidth);
    return L"[" + std::wstring(kFunctionWidth - shown.size(), L' ') + shown + L"()]$ " + message;
}

} // namespace

const std::vector<RequestReader>& RequestReaders()
{
    using K = MemberKind;
    static const std::vector<RequestReader> readers = {
        {L"ZTS.UI.ShowScreen",
         L"processShowScreenMessagePayload",
         L"Message payload invalid, not parsable",
         {{L"name", K::NonEmptyText, true, L"Message payload invalid, unable to get 'name' member"},
          {L"parameters", K::AnyText, false, nullptr}}},
        {L"ZTS.UI.ShowInBrowser",
         L"processShowInBrowserMessagePayload",
         L"Message payload for show in browser is invalid, not parsable",
         {{L"url", K::NonEmptyText, true, L"Mapping definition invalid, unable to get url member"}}},
        {L"ZTS.UI.ShowInContainer",
         L"processShowInContainerMessagePayload",
         L"Message payload for show in container is invalid, not parsable",
         {{L"link", K::NonEmptyText, true, L"Mapping definition invalid, unable to get link member"},
          {L"parameters", K::AnyText, false, nullptr},
          {L"launch_point", K::Signed32, false, nullptr}}},
        {L"ZTS.UI.ShowWithPageID",
         L"processShowWithPageIDMessagePayload",
         L"Message payload for show with page id is invalid, not parsable",
         {{L"page_id", K::NonEmptyText, true,
           L"Message payload for show with page id is invalid, unable to get 'page_id' member"}}},
        {L"ZTS.UI.ShowWithResource",
         L"processShowWithResourceMessagePayload",
         L"Message payload for show with resource is invalid, not parsable",
         {{L"resource_name", K::NonEmptyText, true, L"Invalid payload, unable to get 'resource_name' member"},
          {L"parameters", K::AnyText, false, nullptr}}},
        {L"ZTS.UI.ShowSurfmark", nullptr, nullptr, {}},
        {L"ZTS.UI.OpenUrl",
         L"processOpenUrlMessagePayload",
         L"Message payload for OpenUrl is invalid, not parsable",
         {{L"url", K::AnyText, true, L"Invalid payload, unable to get 'url' member"},
          {L"destination", K::Unsigned32, true, L"Invalid payload, unable to get 'destination' member"},
          {L"web_overlay_option", K::Unsigned32, true, L"Invalid payload, unable to get 'web_overlay_option' member"},
          {L"parameters", K::AnyText, false, nullptr}}},
        {L"ZTS.UI.ShowHelp",
         L"processShowHelpMessagePayload",
         L"Message payload invalid, not parsable",
         {{L"appid", K::NonEmptyText, true, L"Message payload invalid, unable to get 'appid' member"},
          {L"topic", K::NonEmptyText, true, L"No topic_id found"},
          {L"online", K::Boolean, false, nullptr}}},
        {L"ZTS.UI.OpenApp",
         L"processOpenAppMessagePayload",
         L"Message payload invalid, not parsable",
         {{L"app_info", K::NonEmptyText, true, L"Message payload invalid, unable to get 'app_info' member"}}},
        {L"ZTS.UI.OpenInAppSupport",
         nullptr,
         nullptr,
         {{L"fault_id", K::AnyText, false, nullptr}, {L"parameters", K::AnyText, false, nullptr}}},
    };
    return readers;
}

std::wstring AsDelivered(const std::wstring& payload)
{
    return payload.substr(0, payload.find(L'\0'));
}

Verdict Judge(const RequestReader& request, const std::wstring& delivered)
{
    Verdict verdict;
    if (request.reader == nullptr || request.notParsable == nullptr)
    {
        return verdict;
    }
    const std::wstring reader = std::wstring(kScreenRelayImpl) + request.reader;
    verdict.possibleRecords.push_back(Record(reader, request.notParsable));
    for (const ExpectedMember& member : request.members)
    {
        if (member.refusal != nullptr)
        {
            verdict.possibleRecords.push_back(Record(reader, member.refusal));
        }
    }
    const auto refuse = [&](const std::wstring& record)
    {
        verdict.refused = true;
        verdict.record = record;
        return verdict;
    };

    Document document;
    if (delivered.empty() || delivered.size() > kLongestPayload || NestingDepth(delivered) > kDeepestNesting ||
        document.Parse<rapidjson::kParseIterativeFlag>(delivered.c_str()).HasParseError())
    {
        return refuse(verdict.possibleRecords.front());
    }
    for (const ExpectedMember& member : request.members)
    {
        if (!member.required)
        {
            continue;
        }
        const bool found = document.IsObject() && document.FindMember(member.name) != document.MemberEnd();
        if (!found || !Satisfies(document.FindMember(member.name)->value, member.kind))
        {
            return refuse(Record(reader, member.refusal));
        }
    }
    return verdict;
}

} // namespace PayloadFuzz
