#pragma once

#include "platform/OnceOnly.h"
#include "platform/WinOSVersionAPI.h"
#include "registry/FileVersionInfo.h"

#include <memory>

namespace Basekit::internal
{

// Platform values of the operating system. Every Windows from XP on gives
// OS_PLATFORM_X64, whatever the processor; the path macro "$(OS.Platform)"
// names them "win32", "x64" and "PlatformUnknown".
inline constexpr int OS_PLATFORM_WIN32 = 0;
inline constexpr int OS_PLATFORM_X64 = 1;
inline constexpr int OS_PLATFORM_UNKNOWN = 2;

// Answers questions about the Windows that runs the process.
class OSInfoProxy
{
public:
    // A default facade is created when none is given. The version reader is
    // asked to load "kernel32.dll"; by default it reads the system folder.
    explicit OSInfoProxy(std::shared_ptr<WinOSVersionAPI> api = nullptr,
                         std::shared_ptr<FileVersionInfo> kernel32Version = nullptr);
    virtual ~OSInfoProxy() = default;
    OSInfoProxy(const OSInfoProxy&) = delete;
    OSInfoProxy& operator=(const OSInfoProxy&) = delete;

    // True only for a 32-bit process on 64-bit Windows; false as well when the
    // system cannot tell.
    virtual bool isWow64() const;

    // The platform value, worked out on first use from the version of
    // kernel32.dll and the platform family the system confirms. The family
    // alone decides for Windows 9x; on the NT family, 5.1 and later give
    // OS_PLATFORM_X64 and anything older OS_PLATFORM_WIN32. An unconfirmed
    // family, or an NT system whose kernel32 version cannot be read, gives
    // OS_PLATFORM_UNKNOWN.
    virtual int getPlatform() const;

private:
    int computePlatform() const;
    bool confirmsPlatformId(DWORD platformId) const;

    std::shared_ptr<WinOSVersionAPI> api_;
    std::shared_ptr<FileVersionInfo> kernel32Version_;
    mutable Ostrel::OnceOnly platformOnce_;
    mutable int platform_ = OS_PLATFORM_UNKNOWN;
};

} // namespace Basekit::internal
