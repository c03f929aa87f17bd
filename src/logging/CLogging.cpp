#include "logging/CLogging.h"

#include "logging/FileLogFile.h"
#include "logging/FileLogLine.h"
#include "logging/LogFormat.h"
#include "platform/UniqueHandles.h"
#include "registry/ModuleFilePath.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <new>

namespace ETWLogging
{

namespace
{

constexpr wchar_t kSettingsFileName[] = L"log.ini";
// What Severity becomes when the log folder cannot be created: no level reaches it.
constexpr std::uint32_t kSilencedSeverity = 10000;

std::wstring WithoutExtension(const std::wstring& name)
{
    return name.substr(0, name.find_last_of(L'.'));
}

// Makes sure the folder and its parents exist. Something other than a folder
// in its place counts as a failure.
bool EnsureFolder(const std::wstring& folder)
{
    if (folder.empty())
    {
        return false;
    }
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

DWORD CLogging::Open(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host, void* /*reserved*/)
{
    std::lock_guard guard(lock_);
    if (open_)
    {
        return kFileLogAlreadyOpen;
    }
    const DWORD result = OpenUnlocked(group, moduleHandle, host);
    if (result != ERROR_SUCCESS)
    {
        ResetUnlocked();
    }
    return result;
}

DWORD CLogging::OpenUnlocked(const wchar_t* group, HMODULE moduleHandle, const wchar_t* host)
{
    if ((group != nullptr && *group == L'\0') || (host != nullptr && *host == L'\0'))
    {
        return ERROR_INVALID_PARAMETER;
    }
    if (gate_ == WriteGate::Refuse)
    {
        // The silence belonged to the logger as it was before; this one checks
        // its folder afresh.
        gate_ = WriteGate::CheckFolder;
        enable_ = kDefaultFileLogSettings.enable;
        severity_ = kDefaultFileLogSettings.severity;
    }
    try
    {
        group_ = group != nullptr ? group : L"";

        std::wstring processPath;
        Basekit::GetModuleFilePath(nullptr, processPath);
        const std::size_t processSlash = processPath.find_last_of(L'\\');
        if (processSlash == std::wstring::npos)
        {
            return ERROR_OUTOFMEMORY;
        }
        imageName_ = processPath.substr(processSlash + 1);
        baseName_ = WithoutExtension(imageName_);
        if (moduleHandle != nullptr)
        {
            std::wstring modulePath;
            Basekit::GetModuleFilePath(moduleHandle, modulePath);
            const std::size_t moduleSlash = modulePath.find_last_of(L'\\');
            if (moduleSlash == std::wstring::npos)
            {
                return ERROR_OUTOFMEMORY;
            }
            imageName_.clear();
            baseName_ = WithoutExtension(modulePath.substr(moduleSlash + 1));
        }
        if (host != nullptr)
        {
            host_ = host;
        }

        wchar_t dataFolder[MAX_PATH];
        const DWORD result = GetCommonDataFolder(dataFolder, MAX_PATH);
        if (result != ERROR_SUCCESS)
        {
            return result;
        }
        if (group_.empty() || baseName_.empty())
        {
            return ERROR_INVALID_PARAMETER;
        }
        const std::wstring root = std::wstring(dataFolder) + L"\\Norvane\\" + L"QVLOGS" + L"\\";
        logFolder_ = root + group_ + L"\\" + baseName_;
        moduleSettingsPath_ = logFolder_ + L"\\" + kSettingsFileName;
        globalSettingsPath_ = root + kSettingsFileName;

        writers_ = FileLogWriterLock(logFolder_);
        const FileLogWriterLock::Guard writing = writers_.Acquire();
        Apply(ReadFileLogSettings(moduleSettingsPath_, globalSettingsPath_, CurrentSettings()));
        index_.emplace(moduleSettingsPath_);
        processId_ = GetCurrentProcessId();
        open_ = true;
        return ERROR_SUCCESS;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_OUTOFMEMORY;
    }
}

DWORD CLogging::Close()
{
    std::lock_guard guard(lock_);
    if (!open_)
    {
        return kFileLogNotOpen;
    }
    ResetUnlocked();
    return ERROR_SUCCESS;
}

void CLogging::ResetUnlocked()
{
    open_ = false;
    group_.clear();
    baseName_.clear();
    imageName_.clear();
    host_.reset();
    logFolder_.clear();
    moduleSettingsPath_.clear();
    globalSettingsPath_.clear();
    index_.reset();
    writers_ = FileLogWriterLock();
    Apply(kDefaultFileLogSettings);
    references_ = 0;
    gate_ = WriteGate::CheckFolder;
}

void CLogging::Apply(const FileLogSettings& settings)
{
    enable_ = settings.enable != 0 ? 1 : 0;
    SetMaxSize(settings.maxSize);
    SetMaxEntries(settings.maxEntries);
    severity_ = settings.severity;
    options_ = settings.options;
}

FileLogSettings CLogging::CurrentSettings() const
{
    return {enable_, maxSize_, maxEntries_, severity_, options_};
}

void CLogging::SetEnabled(bool enabled)
{
    enable_ = enabled ? 1 : 0;
}

bool CLogging::IsEnabled()
{
    return enable_ == 1;
}

void CLogging::Log(LogLevel level, const wchar_t* file, const wchar_t* function, std::uint32_t line,
                   const wchar_t* format, ...)
{
    if (enable_ == 0 || level < severity_)
    {
        return;
    }
    wchar_t text[kLogMessageBufferChars];
    va_list args;
    va_start(args, format);
    FormatLogMessage(text, kLogMessageBufferChars, format, args);
    va_end(args);
    LogText(file, function, line, level, text);
}

bool CLogging::WriteAllowedUnlocked()
{
    if (gate_ == WriteGate::CheckFolder)
    {
        gate_ = EnsureFolder(logFolder_) ? WriteGate::Allow : WriteGate::Refuse;
        if (gate_ == WriteGate::Refuse)
        {
            enable_ = 0;
            severity_ = kSilencedSeverity;
        }
    }
    return gate_ == WriteGate::Allow;
}

DWORD CLogging::LogText(const wchar_t* file, const wchar_t* function, std::uint32_t line, LogLevel level,
                        const wchar_t* text)
{
    std::lock_guard guard(lock_);
    if (!WriteAllowedUnlocked() || text == nullptr || *text == L'\0')
    {
        return ERROR_INVALID_PARAMETER;
    }
    try
    {
        FileLogLineFields fields{};
        GetLocalTime(&fields.time);
        fields.level = level;
        fields.options = options_;
        fields.imageName = imageName_.empty() ? nullptr : imageName_.c_str();
        fields.processId = processId_;
        fields.threadId = GetCurrentThreadId();
        fields.file = file;
        fields.function = function;
        fields.line = line;
        fields.message = text;
        std::wstring formatted;
        DWORD result = FormatFileLogLine(fields, formatted);
        if (result != ERROR_SUCCESS)
        {
            return result;
        }

        const FileLogWriterLock::Guard writing = writers_.Acquire();
        FileLogHandle logFile;
        result = OpenFileLogFile({logFolder_, baseName_, host_}, maxSize_, maxEntries_, *index_, logFile);
        if (result != ERROR_SUCCESS)
        {
            return result;
        }
        DWORD written = 0;
        if (!WriteFile(logFile.get(), formatted.data(), static_cast<DWORD>(formatted.size() * sizeof(wchar_t)),
                       &written, nullptr))
        {
            result = GetLastError();
        }
        if ((fields.options & kFileLogOptionDebugger) != 0)
        {
            OutputDebugStringW(formatted.c_str());
        }
        return result;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_OUTOFMEMORY;
    }
}

bool CLogging::IsLevelEnabled(LogLevel level)
{
    return level >= severity_;
}

void CLogging::SetMaxEntries(std::uint32_t entries)
{
    maxEntries_ = std::clamp(entries, kFileLogMinEntries, kFileLogMaxEntries);
}

std::uint32_t CLogging::GetMaxEntries()
{
    return maxEntries_;
}

void CLogging::SetMaxSize(std::uint32_t bytes)
{
    maxSize_ = std::clamp(bytes, kFileLogMinSize, kFileLogMaxSize);
}

std::uint32_t CLogging::GetMaxSize()
{
    return maxSize_;
}

void CLogging::SetSeverity(LogLevel level)
{
    severity_ = ClampSeverity(level);
}

LogLevel CLogging::GetSeverity()
{
    return severity_;
}

long CLogging::AddRef()
{
    return ++references_;
}

long CLogging::Release()
{
    const long count = --references_;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

DWORD CLogging::GetCommonDataFolder(wchar_t* buffer, std::size_t capacity)
{
    if (buffer == nullptr || capacity == 0)
    {
        return ERROR_INVALID_PARAMETER;
    }
    Ostrel::UniqueTaskString folder;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_ProgramData, KF_FLAG_CREATE, nullptr, folder.put());
    if (FAILED(hr) || !folder)
    {
        return ERROR_INVALID_PARAMETER;
    }
    const std::size_t length = std::min(std::wcslen(folder.get()), capacity - 1);
    std::wmemcpy(buffer, folder.get(), length);
    buffer[length] = L'\0';
    return ERROR_SUCCESS;
}

} // namespace ETWLogging
