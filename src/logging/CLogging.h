#pragma once

#include "logging/CLoggingIf.h"
#include "logging/FileLogIndex.h"
#include "logging/FileLogSettings.h"
#include "logging/FileLogWriterLock.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace ETWLogging
{

// Open on a logger that is open already.
inline constexpr DWORD kFileLogAlreadyOpen = 20001;
// Close on a logger that is not open.
inline constexpr DWORD kFileLogNotOpen = 20002;

// The file logger. Writes UTF-16LE text lines to
// <program data>\Norvane\QVLOGS\<group>\<base name>\<base name>[_<host>]NNN.log,
// rotating over MaxEntries files of MaxSize bytes, with its settings from the
// "log.ini" files of that folder and of QVLOGS. Every line opens the file for
// appending, writes and closes it, so that other processes can write the same
// files. Open, Close and LogText are serialised by one lock per logger; the
// settings, the rotation and each line also by a lock that every process
// writing the same folder shares. Results are Windows error codes.
class CLogging final : public CLoggingIf
{
public:
    CLogging() = default;
    ~CLogging() override = default;
    CLogging(const CLogging&) = delete;
    CLogging& operator=(const CLogging&) = delete;

    // The base name is the file name (without extension) of the module when a
    // module handle is given, else of the process's executable, whose name
    // then also appears on every line. 87 for an empty group or host or a null
    // group; 14 for a module path that cannot be used. A failed Open leaves the
    // logger as it was constructed. Opening again after Close lifts the silence
    // of a write gate that had closed.
    DWORD Open(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, void* reserved) override;
    DWORD Register() override { return ERROR_SUCCESS; }
    const wchar_t* GetLogName() override { return nullptr; }
    const wchar_t* GetGroup() override { return nullptr; }
    DWORD Close() override;
    void SetEnabled(bool enabled) override;
    bool IsEnabled() override;
    // Writes when the logger is enabled and the level reaches the severity;
    // the message is cut at 4159 characters.
    void Log(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line, const wchar_t* format,
             ...) override;
    // Writes one line whatever Enable and Severity say. 87 when writing is
    // not possible (not open, the log folder cannot be created), for an empty
    // text or a level other than 1 to 6; otherwise the system error of the
    // file or 0.
    DWORD LogText(const wchar_t* file, const wchar_t* function, std::uint32_t line, LogLevel level,
                  const wchar_t* text) override;
    bool IsLevelEnabled(LogLevel level) override;
    void SetMaxEntries(std::uint32_t entries) override;
    std::uint32_t GetMaxEntries() override;
    void SetMaxSize(std::uint32_t bytes) override;
    std::uint32_t GetMaxSize() override;
    void SetSeverity(LogLevel level) override;
    LogLevel GetSeverity() override;
    long AddRef() override;
    // Destroys the logger when the count reaches 0.
    long Release() override;

    // Copies the machine-wide program data folder into the buffer, cut to
    // fit. 87 for a null or empty buffer or when the folder is unknown.
    virtual DWORD GetCommonDataFolder(wchar_t* buffer, std::size_t capacity);

private:
    enum class WriteGate
    {
        CheckFolder,
        Allow,
        Refuse
    };

    DWORD OpenUnlocked(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host);
    void ResetUnlocked();
    bool WriteAllowedUnlocked();
    void Apply(const FileLogSettings& settings);
    FileLogSettings CurrentSettings() const;

    std::mutex lock_;
    bool open_ = false;
    std::wstring group_;
    std::wstring baseName_;
    std::wstring imageName_; // empty when a module handle was given
    DWORD processId_ = 0;
    std::optional<std::wstring> host_;
    std::wstring logFolder_;
    std::atomic<long> references_{0};
    std::atomic<std::uint32_t> maxSize_{kDefaultFileLogSettings.maxSize};
    std::atomic<std::uint32_t> maxEntries_{kDefaultFileLogSettings.maxEntries};
    std::atomic<std::uint32_t> severity_{kDefaultFileLogSettings.severity};
    std::atomic<std::uint32_t> options_{kDefaultFileLogSettings.options};
    std::wstring globalSettingsPath_;
    std::wstring moduleSettingsPath_;
    std::atomic<std::uint32_t> enable_{kDefaultFileLogSettings.enable};
    WriteGate gate_ = WriteGate::CheckFolder;
    std::optional<FileLogIndex> index_;
    FileLogWriterLock writers_;
};

} // namespace ETWLogging
