#include "uihost/ExecutableFileTypes.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>
#include <string_view>

namespace Ostrel
{

namespace
{

// Types that run code when opened: programs and libraries, command scripts,
// script hosts, installers and packages, shortcuts, and documents whose
// handlers execute what they hold.
constexpr std::wstring_view kExecutableExtensions[] = {
    L"ade",        L"adp",         L"app",
    L"appref-ms",  L"application", L"appx",
    L"appxbundle", L"bas",         L"bat",
    L"chm",        L"cmd",         L"com",
    L"cpl",        L"crt",         L"der",
    L"diagcab",    L"dll",         L"exe",
    L"gadget",     L"hlp",         L"hta",
    L"inf",        L"ins",         L"isp",
    L"jar",        L"js",          L"jse",
    L"lnk",        L"mde",         L"msc",
    L"msh",        L"msi",         L"msix",
    L"msixbundle", L"msp",         L"mst",
    L"ocx",        L"pif",         L"ps1",
    L"ps1xml",     L"ps2",         L"ps2xml",
    L"psc1",       L"psc2",        L"psd1",
    L"psm1",       L"reg",         L"scf",
    L"scr",        L"sct",         L"settingcontent-ms",
    L"shb",        L"shs",         L"sys",
    L"url",        L"vb",          L"vbe",
    L"vbs",        L"website",     L"ws",
    L"wsc",        L"wsf",         L"wsh",
    L"xbap",       L"xll",
};

bool EqualNoCase(std::wstring_view left, std::wstring_view right)
{
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

bool ContainsNoCase(std::wstring_view text, std::wstring_view part)
{
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at)
    {
        if (EqualNoCase(text.substr(at, part.size()), part))
        {
            return true;
        }
    }
    return false;
}

// Letters, digits and dashes only: anything else ("bat.", "bat ", "txt:stream") is
// something the file system or the shell may read differently.
bool IsPlainExtension(std::wstring_view extension)
{
    return !extension.empty() &&
           std::all_of(extension.begin(), extension.end(), [](wchar_t c) { return std::iswalnum(c) || c == L'-'; });
}

} // namespace

bool OpensAsProgram(const std::wstring& file)
{
    const std::wstring_view name = std::wstring_view(file).substr(file.find_last_of(L"\\/") + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (ContainsNoCase(file, L".exe") || dot == std::wstring_view::npos)
    {
        return true;
    }
    const std::wstring_view extension = name.substr(dot + 1);
    if (!IsPlainExtension(extension))
    {
        return true;
    }
    const bool listed = std::any_of(std::begin(kExecutableExtensions), std::end(kExecutableExtensions),
                                    [&](std::wstring_view known) { return EqualNoCase(known, extension); });
    return listed || AssocIsDangerous(std::wstring(name.substr(dot)).c_str());
}

} // namespace Ostrel
