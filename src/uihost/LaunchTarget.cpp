#include "uihost/LaunchTarget.h"

#include "uihost/CommandLineArgument.h"
#include "uihost/qvshortpath.h"

#include <shlwapi.h>
#include <wininet.h>

#include <algorithm>
#include <cwchar>
#include <string_view>

namespace Ostrel
{

namespace
{

constexpr DWORD kSchemeChars = 32;
constexpr DWORD kPathChars = 2048;
constexpr DWORD kExtraChars = 2084;

struct TargetParts
{
    std::wstring scheme;
    std::wstring path;
    std::wstring extra;
};

DWORD SplitTarget(const wchar_t* target, TargetParts& parts)
{
    wchar_t scheme[kSchemeChars] = {};
    wchar_t path[kPathChars] = {};
    wchar_t extra[kExtraChars] = {};
    URL_COMPONENTSW components{};
    components.dwStructSize = sizeof(components);
    components.lpszScheme = scheme;
    components.dwSchemeLength = kSchemeChars;
    components.lpszUrlPath = path;
    components.dwUrlPathLength = kPathChars;
    components.lpszExtraInfo = extra;
    components.dwExtraInfoLength = kExtraChars;
    if (!InternetCrackUrlW(target, 0, ICU_ESCAPE, &components))
    {
        return GetLastError();
    }
    parts.scheme = scheme;
    parts.path = path;
    parts.extra = extra;
    // Some implementations leave the extra information on the path of a
    // file: URL as well.
    if (!parts.extra.empty() && parts.path.size() > parts.extra.size() && parts.path.ends_with(parts.extra))
    {
        parts.path.resize(parts.path.size() - parts.extra.size());
    }
    return ERROR_SUCCESS;
}

// The program that opens a scheme or an extension.
DWORD AssociatedProgram(const wchar_t* association, std::wstring& program)
{
    wchar_t found[kLaunchExecutableChars] = {};
    DWORD chars = static_cast<DWORD>(std::size(found));
    if (FAILED(AssocQueryStringW(ASSOCF_NOTRUNCATE | ASSOCF_VERIFY, ASSOCSTR_EXECUTABLE, association, L"open", found,
                                 &chars)))
    {
        return ERROR_INVALID_PARAMETER;
    }
    program = found;
    return ERROR_SUCCESS;
}

// Whether the extension is opened by the program that opens pages.
bool IsHtmlAssociated(const wchar_t* extension)
{
    std::wstring pages;
    std::wstring program;
    return AssociatedProgram(L".html", pages) == ERROR_SUCCESS &&
           AssociatedProgram(extension, program) == ERROR_SUCCESS &&
           CompareStringOrdinal(pages.c_str(), -1, program.c_str(), -1, TRUE) == CSTR_EQUAL;
}

DWORD SetArguments(const std::wstring& argumentText, LaunchCommand& command)
{
    command.arguments = argumentText.empty() ? std::wstring() : QuoteCommandLineArgument(argumentText);
    return command.arguments.size() < kLaunchArgumentsChars ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

DWORD ResolveLink(const wchar_t* target, const TargetParts& parts, LaunchCommand& command)
{
    const std::wstring_view text(target);
    const std::size_t program = text.find(L".exe");
    if (program != std::wstring_view::npos)
    {
        const std::size_t programEnd = program + 4;
        command.executable = text.substr(0, programEnd);
        command.namedFile = command.executable;
        if (command.executable.size() >= kLaunchExecutableChars)
        {
            return ERROR_FILENAME_EXCED_RANGE;
        }
        return SetArguments(std::wstring(text.substr(std::min(programEnd + 1, text.size()))), command);
    }
    const DWORD status = SetArguments(target, command);
    return status != ERROR_SUCCESS ? status : AssociatedProgram(parts.scheme.c_str(), command.executable);
}

DWORD ResolveFile(const TargetParts& parts, LaunchCommand& command)
{
    command.namedFile = parts.path;
    const wchar_t* extension = PathFindExtensionW(parts.path.c_str());
    if (*extension == L'\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (_wcsicmp(extension, L".exe") == 0)
    {
        wchar_t program[kLaunchExecutableChars] = {};
        if (QvGetShortPathName(parts.path.c_str(), program, static_cast<DWORD>(std::size(program))) == 0)
        {
            return ERROR_FILENAME_EXCED_RANGE;
        }
        command.executable = program;
        return ERROR_SUCCESS;
    }
    std::wstring document;
    if (_wcsicmp(extension, L".html") == 0 || IsHtmlAssociated(extension))
    {
        wchar_t url[kLaunchArgumentsChars] = {};
        const DWORD status =
            BuildFileUrl(parts.path.c_str(), parts.extra.c_str(), url, static_cast<DWORD>(std::size(url)));
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
        document = url;
    }
    else
    {
        document = parts.path + parts.extra;
    }
    const DWORD status = SetArguments(document, command);
    return status != ERROR_SUCCESS ? status : AssociatedProgram(extension, command.executable);
}

} // namespace

DWORD ResolveLaunchTarget(const wchar_t* target, LaunchCommand& command)
{
    command = LaunchCommand{};
    if (target == nullptr || *target == L'\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    TargetParts parts;
    const DWORD status = SplitTarget(target, parts);
    if (status != ERROR_SUCCESS)
    {
        return status;
    }
    return _wcsicmp(parts.scheme.c_str(), L"file") == 0 ? ResolveFile(parts, command)
                                                        : ResolveLink(target, parts, command);
}

DWORD BuildFileUrl(const wchar_t* path, const wchar_t* extra, wchar_t* out, DWORD outChars)
{
    if (path == nullptr || out == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    const std::wstring_view pathText(path);
    const std::wstring_view extraText(extra != nullptr ? extra : L"");
    const std::size_t spaces = static_cast<std::size_t>(std::count(pathText.begin(), pathText.end(), L' '));
    constexpr std::wstring_view kPrefix = L"file:///";
    if (pathText.size() + extraText.size() + 2 * spaces + kPrefix.size() >= outChars)
    {
        return ERROR_OUTOFMEMORY;
    }
    std::wstring url(kPrefix);
    for (const wchar_t character : pathText)
    {
        if (character == L' ')
        {
            url += L"%20";
        }
        else
        {
            url += character == L'\\' ? L'/' : character;
        }
    }
    url += extraText;
    wmemcpy(out, url.c_str(), url.size() + 1);
    return ERROR_SUCCESS;
}

} // namespace Ostrel
