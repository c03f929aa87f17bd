#include "PayloadGenerator.h"

#include <array>
#include <cwctype>
#include <utility>
#include <vector>

namespace PayloadFuzz
{

namespace
{

using Members = std::vector<std::pair<std::wstring, std::wstring>>;

constexpr std::size_t kHugeStringChars = 1024 * 1024;

// Screen names and page ids the development installation maps, and texts of
// the kinds the suite sends.
constexpr std::array<const wchar_t*, 8> kTexts = {
    L"scan.quick",        L"help_support", L"main",        L"x=1&y=2", L"substlink:inappsupport",
    L"qvknownapp:uihost", L"caf\u00e9",    L"\u65e5\u672c"};

std::wstring Quoted(const std::wstring& text)
{
    std::wstring quoted = L"\"";
    for (const wchar_t c : text)
    {
        if (c == L'"' || c == L'\\')
        {
            quoted += L'\\';
            quoted += c;
        }
        else if (c < 0x20)
        {
            static constexpr wchar_t kHex[] = L"0123456789abcdef";
            quoted += L"\\u00";
            quoted += kHex[c >> 4];
            quoted += kHex[c & 15];
        }
        else
        {
            quoted += c;
        }
    }
    return quoted + L"\"";
}

std::wstring Object(const Members& members)
{
    std::wstring text = L"{";
    for (const auto& [name, value] : members)
    {
        text += (text.size() > 1 ? L"," : L"") + Quoted(name) + L":" + value;
    }
    return text + L"}";
}

std::wstring Nested(const std::wstring& inner, std::size_t depth, bool objects)
{
    std::wstring text;
    for (std::size_t i = 0; i < depth; ++i)
    {
        text += objects ? L"{\"a\":" : L"[";
    }
    text += inner;
    for (std::size_t i = 0; i < depth; ++i)
    {
        text += objects ? L"}" : L"]";
    }
    return text;
}

} // namespace

PayloadGenerator::PayloadGenerator(std::uint64_t seed)
    : random_(seed)
{
}

std::size_t PayloadGenerator::below(std::size_t bound)
{
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
}

bool PayloadGenerator::oneIn(std::size_t chances)
{
    return below(chances) == 0;
}

std::wstring PayloadGenerator::text()
{
    if (oneIn(2))
    {
        return kTexts[below(kTexts.size())];
    }
    std::wstring text(below(24), L' ');
    for (wchar_t& c : text)
    {
        c = static_cast<wchar_t>(oneIn(4) ? below(0x10000) : L' ' + below(95));
    }
    return text;
}

std::wstring PayloadGenerator::validValue(const ExpectedMember& member)
{
    switch (member.kind)
    {
        case MemberKind::NonEmptyText:
        {
            std::wstring value = text();
            return Quoted(value.empty() ? L"v" : value);
        }
        case MemberKind::AnyText:
            return Quoted(text());
        case MemberKind::Unsigned32:
            return std::to_wstring(oneIn(3) ? 0xFFFFFFFFu : below(4));
        case MemberKind::Signed32:
            return std::to_wstring(oneIn(3) ? -2147483647 - 1 : static_cast<int>(below(100)));
        case MemberKind::Boolean:
            return oneIn(2) ? L"true" : L"false";
    }
    return L"null";
}

std::wstring PayloadGenerator::wrongValue()
{
    static constexpr std::array<const wchar_t*, 18> kWrong = {L"null",
                                                              L"true",
                                                              L"false",
                                                              L"0",
                                                              L"-1",
                                                              L"1.0",
                                                              L"1e3",
                                                              L"4294967296",
                                                              L"2147483648",
                                                              L"-2147483649",
                                                              L"18446744073709551616",
                                                              L"\"\"",
                                                              L"\"42\"",
                                                              L"[]",
                                                              L"[\"scan.quick\"]",
                                                              L"{}",
                                                              L"{\"name\":\"scan.quick\"}",
                                                              L"-0"};
    return kWrong[below(kWrong.size())];
}

std::wstring PayloadGenerator::messageName(const RequestReader& request)
{
    const std::wstring name = request.message;
    if (!oneIn(kNearMessageChances))
    {
        return name;
    }
    std::wstring near = name;
    switch (below(4))
    {
        case 0:
            near[0] = static_cast<wchar_t>(towlower(near[0]));
            break;
        case 1:
            near.back() = static_cast<wchar_t>(towupper(near.back()));
            break;
        default:
            near = nearName(name);
            break;
    }
    return near == name ? name + L" " : near;
}

std::wstring PayloadGenerator::nearName(const std::wstring& name)
{
    std::wstring near = name;
    switch (below(6))
    {
        case 0:
            near[0] = static_cast<wchar_t>(towupper(near[0]));
            break;
        case 1:
            near += L' ';
            break;
        case 2:
            near.pop_back();
            break;
        case 3:
            near.insert(below(near.size() + 1), 1, L'\0');
            break;
        case 4:
            near[below(near.size())] = L'\u0131';
            break;
        default:
            near.insert(below(near.size() + 1), 1, near[below(near.size())]);
            break;
    }
    return near;
}

std::wstring PayloadGenerator::next(const RequestReader& request, std::wstring& mutation)
{
    Members members;
    for (const ExpectedMember& member : request.members)
    {
        if (member.required || oneIn(2))
        {
            members.emplace_back(member.name, validValue(member));
        }
    }
    const auto anyMember = [&]() -> std::pair<std::wstring, std::wstring>&
    {
        if (members.empty())
        {
            members.emplace_back(L"name", Quoted(text()));
        }
        return members[below(members.size())];
    };
    const auto anyStringValue = [&]() -> std::wstring&
    {
        auto& member = anyMember();
        if (member.second.empty() || member.second[0] != L'"')
        {
            member.second = Quoted(text());
        }
        return member.second;
    };

    switch (below(16))
    {
        case 0:
        case 1:
            mutation = L"valid";
            break;
        case 2:
        {
            static constexpr std::array<const wchar_t*, 7> kShapes = {L"[]",   L"[{}]", L"42",    L"\"scan.quick\"",
                                                                      L"null", L"true", L"-1e309"};
            mutation = L"wrong shape";
            return oneIn(2) ? kShapes[below(kShapes.size())] : L"[" + Object(members) + L"]";
        }
        case 3:
            mutation = L"wrong member type";
            anyMember().second = wrongValue();
            break;
        case 4:
        {
            mutation = L"truncated";
            const std::wstring whole = Object(members);
            return whole.substr(0, below(whole.size()));
        }
        case 5:
        {
            mutation = L"lone surrogate";
            std::wstring& value = anyStringValue();
            static constexpr std::array<const wchar_t*, 4> kSurrogates = {L"\xD800", L"\xDFFF", L"\\uD800",
                                                                          L"\\uDC00x"};
            value.insert(1 + below(value.size() - 1), kSurrogates[below(kSurrogates.size())]);
            break;
        }
        case 6:
        {
            mutation = L"NUL in a string";
            std::wstring& value = anyStringValue();
            value.insert(1 + below(value.size() - 1), oneIn(2) ? std::wstring(L"\\u0000") : std::wstring(1, L'\0'));
            break;
        }
        case 7:
            if (oneIn(8))
            {
                mutation = L"huge string";
                anyStringValue() = L"\"" + std::wstring(kHugeStringChars, L'a') + L"\"";
                break;
            }
            mutation = L"long string";
            anyStringValue() = L"\"" + std::wstring(65536 - 16 + below(32), L'b') + L"\"";
            break;
        case 8:
        {
            mutation = L"deep nesting";
            static constexpr std::array<std::size_t, 6> kDepths = {30, 31, 32, 33, 200, 30000};
            const std::size_t depth = kDepths[below(kDepths.size())];
            if (oneIn(2))
            {
                return Nested(Object(members), depth, oneIn(2));
            }
            anyMember().second = Nested(L"\"x\"", depth, oneIn(2));
            break;
        }
        case 9:
        {
            mutation = L"duplicate member";
            const auto original = anyMember();
            members.emplace(members.begin() + below(members.size() + 1), original.first,
                            oneIn(2) ? wrongValue() : Quoted(text()));
            break;
        }
        case 10:
        {
            static constexpr std::array<const wchar_t*, 5> kEmpty = {L"", L"   ", L"{}", L"\t\r\n", L"{\"\":\"\"}"};
            mutation = L"empty or missing";
            return kEmpty[below(kEmpty.size())];
        }
        case 11:
        {
            mutation = L"name a hair away";
            auto& member = anyMember();
            member.first = nearName(member.first);
            break;
        }
        case 12:
            mutation = L"unknown members";
            members.emplace_back(text(), wrongValue());
            members.emplace(members.begin(), L"__proto__", Object({}));
            break;
        case 13:
        {
            mutation = L"trailing text";
            static constexpr std::array<const wchar_t*, 4> kTails = {L"}", L",", L" x", L"{}"};
            return Object(members) + kTails[below(kTails.size())];
        }
        default:
        {
            mutation = L"random characters";
            std::wstring whole = Object(members);
            for (std::size_t flips = 1 + below(4); flips > 0 && !whole.empty(); --flips)
            {
                whole[below(whole.size())] = static_cast<wchar_t>(1 + below(0xFFFF));
            }
            return whole;
        }
    }
    return Object(members);
}

} // namespace PayloadFuzz
