// The cost of the library trust verification, and of creating the UI host
// helper with and without it.
//
// 1. One verification of a file trusted by its listed SHA-256 digest: the
//    shipped (stripped) ScreenRelay.dll and UiHostHelper.dll beside this
//    program, each listed first, then verified N times (default 20).
// 2. One verification of each file named on the command line, trusted by its
//    signature (the trust list left empty, so that only the signature
//    decides), N times. A copy signed as the suite's publisher:
//      openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Bench Signing/O=Norvane"
//          -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem -days 30
//      osslsigncode sign -certs cert.pem -key key.pem -h sha256 -in UiHostHelper.dll -out signed.dll
// 3. Creating the helper through its class object and releasing it, N times
//    with the trust check of its server (QvCreateInstance2) and N times
//    without (QvCreateInstanceNoAuth), in one multithreaded apartment; the
//    helper's server stays loaded by COM between creations.
//
// Prints the median of each and the ratio of the checked creation to the
// unchecked one. The registry is redirected into a scratch key for the run
// (with a copy of the system's cryptography settings);
// the helper's class is registered in the prefix for the run.
// Usage: trustcost_bench.exe [-n N] [signed files...]
#include "ComServerRegistration.h"
#include "RegistrationLock.h"
#include "platform/TrustVerification.h"
#include "platform/UniqueHandles.h"
#include "support/RegistryIsolation.h"
#include "support/TestFiles.h"
#include "uihost/QvCreateInstance.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace
{

constexpr CLSID kUiHostHelperClass = {0xDF659FF1, 0xA244, 0x4D36, {0x9F, 0x84, 0x75, 0xBB, 0x2D, 0x03, 0xEB, 0x2E}};
constexpr IID kQvVrtHelperInterface = {0x771D0F66, 0xDDC6, 0x4E59, {0x9D, 0x45, 0xDB, 0x8B, 0x03, 0x8F, 0xD7, 0xDB}};
// The signature check reads the system's cryptography settings from here.
constexpr wchar_t kCryptographyKey[] = L"SOFTWARE\\Microsoft\\Cryptography";

// The median time of one call, in milliseconds; false when a call failed.
bool MedianMilliseconds(int rounds, const std::function<bool()>& call, double& median)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
    {
        const auto start = std::chrono::steady_clock::now();
        if (!call())
        {
            return false;
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    median = times[times.size() / 2];
    return true;
}

long long FileBytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
    {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool MeasureVerification(const std::wstring& path, const char* how, int rounds)
{
    DWORD status = 0;
    double median = 0;
    const bool ok = MedianMilliseconds(
        rounds, [&]() { return (status = Ostrel::VerifyFileTrust(path)) == ERROR_SUCCESS; }, median);
    if (!ok)
    {
        std::printf("%ls: not trusted (0x%08lX)\n", path.c_str(), status);
        return false;
    }
    std::printf("verify %-10s %-60ls %9lld bytes  %8.3f ms\n", how, path.c_str(), FileBytes(path), median);
    return true;
}

bool MeasureHelperCreation(int rounds)
{
    const auto create = [](bool verify)
    {
        IUnknown* helper = nullptr;
        const HRESULT result =
            verify ? Ostrel::QvCreateInstance2(kUiHostHelperClass, nullptr, CLSCTX_ALL, kQvVrtHelperInterface,
                                               reinterpret_cast<void**>(&helper), true)
                   : Ostrel::QvCreateInstanceNoAuth(kUiHostHelperClass, nullptr, CLSCTX_ALL, kQvVrtHelperInterface,
                                                    reinterpret_cast<void**>(&helper));
        if (helper != nullptr)
        {
            helper->Release();
        }
        return SUCCEEDED(result);
    };
    double checked = 0;
    double unchecked = 0;
    if (!create(false) ||
        !MedianMilliseconds(
            rounds, [&]() { return create(true); }, checked) ||
        !MedianMilliseconds(
            rounds, [&]() { return create(false); }, unchecked))
    {
        std::printf("helper creation failed\n");
        return false;
    }
    std::printf("create helper with trust check     %8.3f ms\n", checked);
    std::printf("create helper without trust check  %8.3f ms\n", unchecked);
    std::printf("ratio                              %8.1fx\n", checked / unchecked);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int rounds = 20;
    std::vector<std::wstring> signedFiles;
    for (int i = 1; i < argc; ++i)
    {
        if (std::wcscmp(argv[i], L"-n") == 0 && i + 1 < argc)
        {
            rounds = std::max(1, _wtoi(argv[++i]));
        }
        else
        {
            signedFiles.emplace_back(argv[i]);
        }
    }

    Ostrel::UniqueRegKey cryptography;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCryptographyKey, 0, KEY_READ | KEY_WOW64_64KEY, cryptography.put());
    ScreenRelayTest::RegistryIsolation registry;
    Ostrel::UniqueRegKey copy;
    if (!registry.Active() ||
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCryptographyKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                        copy.put(), nullptr) != ERROR_SUCCESS ||
        RegCopyTreeW(cryptography.get(), nullptr, copy.get()) != ERROR_SUCCESS)
    {
        std::printf("registry redirection failed\n");
        return 1;
    }
    bool ok = true;
    for (const std::wstring& path : signedFiles)
    {
        ok = MeasureVerification(path, "signed", rounds) && ok;
    }

    const std::wstring helperPath = ScreenRelayTest::ProgramFolder() + L"UiHostHelper.dll";
    for (const std::wstring& path : {ScreenRelayTest::ProgramFolder() + L"ScreenRelay.dll", helperPath})
    {
        if (Ostrel::ListTrustedFile(path) != ERROR_SUCCESS)
        {
            std::printf("%ls: cannot be listed\n", path.c_str());
            return 1;
        }
        ok = MeasureVerification(path, "listed", rounds) && ok;
    }

    DevHost::RegistrationLock lock;
    if (!lock.Held() || DevHost::RegisterUiHostHelper(helperPath) != ERROR_SUCCESS ||
        FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
    {
        std::printf("the helper cannot be registered\n");
        return 1;
    }
    ok = MeasureHelperCreation(rounds) && ok;
    CoUninitialize();
    DevHost::UnregisterUiHostHelper();
    return ok ? 0 : 1;
}
