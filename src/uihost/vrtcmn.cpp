#include "uihost/vrtcmn.h"

#include "logging/Log.h"
#include "platform/VerifiedFile.h"
#include "uihost/ClsidServerPath.h"
#include "uihost/CommandLineArgument.h"
#include "uihost/ExecutableFileTypes.h"
#include "uihost/LaunchTarget.h"
#include "uihost/LinkExpansion.h"
#include "uihost/QvPartnerCustomizationBase.h"
#include "uihost/QvRegValue.h"
#include "uihost/QvUtilBinding.h"
#include "uihost/VrtHelperCall.h"

#include <objbase.h>
#include <shellapi.h>

#include <cwchar>
#include <iterator>
#include <new>
#include <string>

LOG_SOURCE_FILE(L"vrtcmn.cpp");

namespace Ostrel
{

namespace
{

constexpr wchar_t kFunction[] = L"QvExpandKespUrl";
constexpr wchar_t kShellExecuteFunction[] = L"QvShellExecute";
constexpr wchar_t kOpenApp[] = L"OpenApp";
constexpr wchar_t kSubstituteLinkPrefix[] = L"substlink:";
constexpr wchar_t kExternalUrlPrefix[] = L"extURL::";
constexpr wchar_t kLinksKey[] = L"Links";
constexpr std::size_t kLinkChars = 260;

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix, std::size_t prefixChars)
{
    return _wcsnicmp(text, prefix, prefixChars) == 0;
}

// The text of the override's "Links" entry of that name.
DWORD LookUpSubstituteLink(const wchar_t* name, std::wstring& text)
{
    QvPartnerCustomizationBase customization;
    HRESULT status = customization.Initialize(nullptr);
    if (FAILED(status))
    {
        return static_cast<DWORD>(status);
    }
    QvRegistryOverride& hives = customization.Override();
    status = hives.OpenKey(kLinksKey, KEY_READ | KEY_WOW64_64KEY);
    if (FAILED(status))
    {
        return static_cast<DWORD>(status);
    }
    wchar_t link[kLinkChars] = {};
    DWORD bytes = sizeof(link);
    status = hives.ReadValue(name, nullptr, link, &bytes, kQvReg64BitView);
    hives.CloseKeys();
    if (FAILED(status))
    {
        return static_cast<DWORD>(status);
    }
    text.assign(link, wcsnlen(link, bytes / sizeof(wchar_t)));
    return ERROR_SUCCESS;
}

DWORD ExpandLink(const wchar_t* link, wchar_t** expanded)
{
    std::wstring text;
    if (StartsWithNoCase(link, kSubstituteLinkPrefix, std::size(kSubstituteLinkPrefix) - 1))
    {
        const wchar_t* name = link + std::size(kSubstituteLinkPrefix) - 1;
        if (StartsWithNoCase(name, kExternalUrlPrefix, std::size(kExternalUrlPrefix) - 1))
        {
            LOG_NORMAL(kFunction, L"CQvUtil::QvExpandKespUrl APP_EXTERNAL_URL detected.");
            LOG_WARNING(kFunction, L"CQvUtil::QvExpandKespUrl APP_EXTERNAL_URL detected, but uknown verb passed.");
            return ERROR_INVALID_PARAMETER;
        }
        const DWORD status = LookUpSubstituteLink(name, text);
        if (status != ERROR_SUCCESS)
        {
            return status;
        }
    }
    else
    {
        text = link;
    }

    DWORD chars = 0;
    DWORD status = QvExpandEnvironmentStringEx(kSubstituteKeyPath, text.c_str(), true, nullptr, &chars, true);
    if (status != ERROR_SUCCESS)
    {
        LOG_WARNING(kFunction, L"CQvUtil::QvExpandEnvironmentStringEx failed - error %lu", status);
        return status;
    }
    auto* block = static_cast<wchar_t*>(CoTaskMemAlloc(static_cast<SIZE_T>(chars) * sizeof(wchar_t)));
    if (block == nullptr)
    {
        LOG_WARNING(kFunction, L"Not enough memory");
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    ZeroMemory(block, static_cast<SIZE_T>(chars) * sizeof(wchar_t));
    status = QvExpandEnvironmentStringEx(kSubstituteKeyPath, text.c_str(), true, block, &chars, true);
    if (status != ERROR_SUCCESS)
    {
        LOG_WARNING(kFunction, L"CQvUtil::QvExpandEnvironmentStringEx failed - error %lu", status);
        CoTaskMemFree(block);
        return status;
    }
    LOG_WARNING(kFunction, L"url %s has been expanded to %s", text.c_str(), block);
    *expanded = block;
    return ERROR_SUCCESS;
}

constexpr wchar_t kUpdaterClass[] = L"{E0EC0F2B-773D-4dd7-BE6C-7D85D6AA6269}";
constexpr wchar_t kUpdaterFile[] = L"QvUpdate.exe";
constexpr wchar_t kLinkSwitch[] = L"/link:";
constexpr DWORD kServerPathChars = MAX_PATH;

bool IsWebLink(const wchar_t* target)
{
    return StartsWithNoCase(target, L"http://", 7) || StartsWithNoCase(target, L"https://", 8);
}

bool IsUpdaterProcess()
{
    std::wstring commandLine = GetCommandLineW();
    CharLowerBuffW(commandLine.data(), static_cast<DWORD>(commandLine.size()));
    return commandLine.find(L"qvupdate.exe") != std::wstring::npos;
}

// ShellExecuteW's result as a status: a value above 32 means started; 0
// (out of resources) must not read as success.
DWORD ShellStatus(HINSTANCE result)
{
    const auto value = reinterpret_cast<INT_PTR>(result);
    if (value == 0)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return value > 32 ? ERROR_SUCCESS : static_cast<DWORD>(value);
}

DWORD ShellExecuteTarget(const wchar_t* target)
{
    if (IsWebLink(target) && !IsUpdaterProcess())
    {
        LOG_NORMAL(kShellExecuteFunction,
                   L"the calling process is not qvupdate.exe, launch qvupdate.exe to open the link");
        return LaunchUpdaterWithArgs(QuoteCommandLineArgument(kLinkSwitch + std::wstring(target)).c_str());
    }
    LaunchCommand command;
    const bool resolved = ResolveLaunchTarget(target, command) == ERROR_SUCCESS;
    // Unresolved, the shell gets the whole target, which then names the file.
    const std::wstring namedFile = resolved || !command.namedFile.empty() ? command.namedFile : target;

    // Held from the verdict until the program has been started from it.
    VerifiedFile verified;
    if (!namedFile.empty() && OpensAsProgram(namedFile))
    {
        const DWORD trust = verified.Open(namedFile);
        if (trust != ERROR_SUCCESS)
        {
            LOG_ERROR(kShellExecuteFunction, L"Not opening %ls: it runs %ls, which is not trusted. Error 0x%08lX.",
                      target, namedFile.c_str(), trust);
            return ERROR_ACCESS_DENIED;
        }
    }
    if (!resolved)
    {
        return ShellStatus(ShellExecuteW(nullptr, L"Open", target, nullptr, nullptr, SW_SHOWNORMAL));
    }
    const wchar_t* arguments = command.arguments.empty() ? nullptr : command.arguments.c_str();
    return ShellStatus(ShellExecuteW(nullptr, L"open", command.executable.c_str(), arguments, nullptr, SW_SHOWNORMAL));
}

} // namespace

DWORD QvShellExecute(const wchar_t* target)
{
    if (target == nullptr || *target == L'\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    try
    {
        return ShellExecuteTarget(target);
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

HRESULT OpenApp(const wchar_t* application)
{
    LOG_NORMAL(kOpenApp, L"OpenApp - Enter function");
    if (application == nullptr)
    {
        LOG_ERROR(kOpenApp, L"OpenApp - Invalid parameter: pwszAppName is NULL");
        return ERROR_INVALID_PARAMETER;
    }
    const VrtHelperResult result = CallVrtHelper(kOpenApp, {application});
    switch (result.step)
    {
        case VrtHelperStep::Create:
            LOG_ERROR(kOpenApp, L"OpenApp - QvCreateInstance2 IID_IQvVrtHelper failed: (0x%08lX)", result.status);
            return result.status;
        case VrtHelperStep::QueryDispatch:
            LOG_ERROR(kOpenApp, L"OpenApp - pQvVrtHelper QueryInterface failed: (0x%08lX)", result.status);
            return result.status;
        case VrtHelperStep::Invoke:
            break;
    }
    LOG_NORMAL(kOpenApp, L"OpenApp(%s, NULL) returned (0x%08lX)", application, result.status);
    LOG_NORMAL(kOpenApp, L"OpenApp - Leave function. ReturnCode: 0x%lx", result.status);
    return result.status;
}

DWORD LaunchUpdaterWithArgs(const wchar_t* arguments)
{
    QvUtilBinding utility;
    const DWORD bound = utility.Bind();
    if (bound != ERROR_SUCCESS)
    {
        return bound;
    }
    wchar_t server[kServerPathChars] = {};
    if (!GetClsidServerPath(kUpdaterClass, server, kServerPathChars))
    {
        return ERROR_PATH_NOT_FOUND;
    }
    std::wstring updater = server;
    const std::size_t folderEnd = updater.find_last_of(L'\\');
    if (folderEnd == std::wstring::npos)
    {
        return ERROR_INVALID_NAME;
    }
    updater.resize(folderEnd + 1);
    updater += kUpdaterFile;
    // Held from the verdict until the updater has been started from it.
    VerifiedFile verified;
    const DWORD trust = verified.Open(updater);
    if (trust != ERROR_SUCCESS)
    {
        return trust;
    }
    return ShellStatus(ShellExecuteW(nullptr, L"open", updater.c_str(), arguments, nullptr, SW_SHOWNORMAL));
}

DWORD QvExpandKespUrl(const wchar_t* link, wchar_t** expanded)
{
    if (link == nullptr || expanded == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    *expanded = nullptr;
    if (wcsnlen(link, kMaxExpandedTextChars + 1) > kMaxExpandedTextChars)
    {
        return ERROR_INVALID_PARAMETER;
    }
    try
    {
        return ExpandLink(link, expanded);
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace Ostrel
