#include "uihost/NetworkSettings.h"

#include "platform/UniqueHandles.h"
#include "uihost/QvRegValue.h"

namespace Ostrel
{

namespace
{

constexpr wchar_t kInternetSettingsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr DWORD kProxyListChars = 260;
constexpr DWORD kHostNameChars = 256;

std::string ToAnsi(const std::wstring& text)
{
    if (text.empty())
    {
        return {};
    }
    const int chars = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (chars <= 1)
    {
        return {};
    }
    std::string converted(static_cast<std::size_t>(chars), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, converted.data(), chars, nullptr, nullptr);
    converted.resize(static_cast<std::size_t>(chars - 1));
    return converted;
}

// A REG_DWORD under HKEY_LOCAL_MACHINE, the key opened with the ANSI registry
// functions and the value read through the scrambling reader (which leaves
// a REG_DWORD unchanged).
std::optional<DWORD> ReadMachineDword(const wchar_t* subKey, const wchar_t* valueName)
{
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ToAnsi(subKey).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(value);
    if (RegReadValueEx(key.get(), valueName, &type, &value, &bytes, kQvRegScrambled) != ERROR_SUCCESS ||
        bytes != sizeof(value))
    {
        return std::nullopt;
    }
    return value;
}

// A REG_SZ of at most maxChars characters; empty otherwise.
std::wstring ReadString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD maxChars)
{
    std::wstring text(maxChars + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(root, subKey, valueName, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS)
    {
        return {};
    }
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
    {
        text.pop_back();
    }
    return text;
}

// Whether the value holds more than an empty string; nullopt when absent.
std::optional<bool> IsNonEmptyValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName)
{
    DWORD bytes = 0;
    const LONG status = RegGetValueW(root, subKey, valueName, RRF_RT_ANY | RRF_NOEXPAND, nullptr, nullptr, &bytes);
    if (status == ERROR_FILE_NOT_FOUND)
    {
        return std::nullopt;
    }
    return status == ERROR_SUCCESS && bytes > sizeof(wchar_t);
}

} // namespace

std::optional<DWORD> ReadAssumeConnected()
{
    return ReadMachineDword(kAgentUpdateKey, L"AssumeConnected");
}

KeepAliveServer ReadKeepAliveServer()
{
    KeepAliveServer server;
    const std::string host =
        ToAnsi(ReadString(HKEY_LOCAL_MACHINE, kConnectivityKey, L"KeepAliveServer", kHostNameChars));
    if (!host.empty())
    {
        server.host = host;
    }
    DWORD port = 0;
    DWORD bytes = sizeof(port);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kConnectivityKey, L"KeepAlivePort", RRF_RT_REG_DWORD, nullptr, &port,
                     &bytes) == ERROR_SUCCESS &&
        port != 0 && port <= 0xFFFF)
    {
        server.port = static_cast<unsigned short>(port);
    }
    return server;
}

std::optional<DWORD> ReadPingIp()
{
    return ReadMachineDword(kConnectivityKey, L"PingIp");
}

LONG StorePingIp(DWORD address)
{
    UniqueRegKey key;
    const LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, ToAnsi(kConnectivityKey).c_str(), 0, nullptr,
                                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS)
    {
        return status;
    }
    return RegWriteValueEx(key.get(), L"PingIp", REG_DWORD, &address, sizeof(address), kQvRegScrambled);
}

std::string ReadProxyServerList()
{
    return ToAnsi(ReadString(HKEY_LOCAL_MACHINE, kUpdateProxyKey, L"ProxyServerList", kProxyListChars));
}

bool IsAutoConfigScriptSet()
{
    if (const std::optional<bool> machine = IsNonEmptyValue(HKEY_LOCAL_MACHINE, kUpdateProxyKey, L"AutoConfigUrl"))
    {
        return *machine;
    }
    return IsNonEmptyValue(HKEY_CURRENT_USER, kInternetSettingsKey, L"AutoConfigURL").value_or(false);
}

} // namespace Ostrel
