#include "logging/FileLogWriterLock.h"

#include <sddl.h>

#include <cstdint>
#include <cwchar>
#include <iterator>
#include <utility>

namespace ETWLogging
{

namespace
{

// SYSTEM and administrators hold every right; everyone else may wait for the
// mutex and release it, nothing more.
constexpr wchar_t kMutexSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;WD)";
constexpr DWORD kWaitAndRelease = SYNCHRONIZE | MUTEX_MODIFY_STATE;

// 64-bit FNV-1a over the UTF-16 code units: stable across processes and builds.
std::uint64_t Fingerprint(const std::wstring& text)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const wchar_t unit : text)
    {
        hash = (hash ^ static_cast<std::uint16_t>(unit)) * 0x100000001B3ull;
    }
    return hash;
}

} // namespace

FileLogWriterLock::Guard::~Guard()
{
    if (owned_ != nullptr)
    {
        ReleaseMutex(owned_);
    }
}

FileLogWriterLock::Guard::Guard(Guard&& other) noexcept
    : owned_(std::exchange(other.owned_, nullptr))
{
}

FileLogWriterLock::FileLogWriterLock(const std::wstring& logFolder)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kMutexSecurity, SDDL_REVISION_1, &descriptor, nullptr))
    {
        descriptor = nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    mutex_.reset(
        CreateMutexExW(descriptor != nullptr ? &attributes : nullptr, NameFor(logFolder).c_str(), 0, kWaitAndRelease));
    LocalFree(descriptor);
}

FileLogWriterLock::Guard FileLogWriterLock::Acquire() const
{
    if (!mutex_)
    {
        return Guard();
    }
    const DWORD waited = WaitForSingleObject(mutex_.get(), kFileLogWriterWaitMs);
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED ? Guard(mutex_.get()) : Guard();
}

std::wstring FileLogWriterLock::NameFor(const std::wstring& logFolder)
{
    std::wstring folded = logFolder;
    if (!folded.empty())
    {
        CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    }
    wchar_t name[64];
    _snwprintf(name, std::size(name) - 1, L"Global\\Norvane.FileLog.%016llx",
               static_cast<unsigned long long>(Fingerprint(folded)));
    name[std::size(name) - 1] = L'\0';
    return name;
}

} // namespace ETWLogging
