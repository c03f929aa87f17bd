#include "ComServerRegistration.h"

#include "SuiteComInterfaces.h"
#include "platform/UniqueHandles.h"

namespace DevHost
{

namespace
{

std::wstring ClassKey(const CLSID& classId)
{
    wchar_t text[40];
    StringFromGUID2(classId, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

DWORD SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return static_cast<DWORD>(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

DWORD RegisterServer(const CLSID& classId, const wchar_t* serverKind, const std::wstring& serverPath,
                     const wchar_t* threadingModel)
{
    Ostrel::UniqueRegKey key;
    const std::wstring path = ClassKey(classId) + L"\\" + serverKind;
    DWORD status =
        static_cast<DWORD>(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, key.put(), nullptr));
    if (status == ERROR_SUCCESS)
    {
        status = SetString(key.get(), nullptr, serverPath);
    }
    if (status == ERROR_SUCCESS && threadingModel != nullptr)
    {
        status = SetString(key.get(), L"ThreadingModel", threadingModel);
    }
    return status;
}

DWORD UnregisterClass(const CLSID& classId)
{
    const std::wstring path = ClassKey(classId);
    const LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
    {
        return static_cast<DWORD>(status);
    }
    const LONG deleted = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<DWORD>(deleted);
}

} // namespace

DWORD RegisterUiHostHelper(const std::wstring& dllPath)
{
    return RegisterServer(kUiHostHelperClass, L"InprocServer32", dllPath, L"Both");
}

DWORD UnregisterUiHostHelper()
{
    return UnregisterClass(kUiHostHelperClass);
}

DWORD RegisterUpdater(const std::wstring& updaterPath)
{
    return RegisterServer(kUpdaterClass, L"LocalServer32", L"\"" + updaterPath + L"\"", nullptr);
}

DWORD UnregisterUpdater()
{
    return UnregisterClass(kUpdaterClass);
}

} // namespace DevHost
