#include "platform/PathAPI.h"

#include <shlwapi.h>

namespace Ostrel
{
namespace
{

// Attributes of an existing, non-empty path; none when the path is empty or
// the system cannot read them.
bool ReadAttributes(const std::wstring& path, DWORD& attributes)
{
    if (path.empty())
    {
        return false;
    }
    attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool PathAPI::fileExists(const std::wstring& path)
{
    DWORD attributes = 0;
    return ReadAttributes(path, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool PathAPI::directoryExists(const std::wstring& path)
{
    DWORD attributes = 0;
    return ReadAttributes(path, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL PathAPI::PathFileExistsW(LPCWSTR path)
{
    return ::PathFileExistsW(path);
}

BOOL PathAPI::PathIsRelativeW(LPCWSTR path)
{
    return ::PathIsRelativeW(path);
}

LPWSTR PathAPI::PathCombineW(LPWSTR destination, LPCWSTR directory, LPCWSTR file)
{
    return ::PathCombineW(destination, directory, file);
}

BOOL PathAPI::PathRemoveFileSpecW(LPWSTR path)
{
    return ::PathRemoveFileSpecW(path);
}

HANDLE PathAPI::CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                            DWORD disposition, DWORD flags, HANDLE templateFile)
{
    return ::CreateFileW(fileName, access, shareMode, security, disposition, flags, templateFile);
}

BOOL PathAPI::MoveFileW(LPCWSTR existingName, LPCWSTR newName)
{
    return ::MoveFileW(existingName, newName);
}

BOOL PathAPI::DeleteFileW(LPCWSTR fileName)
{
    return ::DeleteFileW(fileName);
}

BOOL PathAPI::ReadDirectoryChangesW(HANDLE directory, LPVOID buffer, DWORD bufferBytes, BOOL watchSubtree, DWORD filter,
                                    LPDWORD bytesReturned, LPOVERLAPPED overlapped,
                                    LPOVERLAPPED_COMPLETION_ROUTINE completionRoutine)
{
    return ::ReadDirectoryChangesW(directory, buffer, bufferBytes, watchSubtree, filter, bytesReturned, overlapped,
                                   completionRoutine);
}

LPWSTR PathAPI::PathFindFileNameW(LPCWSTR path)
{
    return ::PathFindFileNameW(path);
}

DWORD PathAPI::GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD longPathChars)
{
    return ::GetLongPathNameW(shortPath, longPath, longPathChars);
}

DWORD PathAPI::SleepEx(DWORD milliseconds, BOOL alertable)
{
    return ::SleepEx(milliseconds, alertable);
}

BOOL PathAPI::CancelIoEx(HANDLE file, LPOVERLAPPED overlapped)
{
    return ::CancelIoEx(file, overlapped);
}

BOOL PathAPI::CloseHandle(HANDLE handle)
{
    return ::CloseHandle(handle);
}

HANDLE PathAPI::FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData)
{
    return ::FindFirstFileW(fileName, findData);
}

BOOL PathAPI::FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW findData)
{
    return ::FindNextFileW(find, findData);
}

BOOL PathAPI::FindClose(HANDLE find)
{
    return ::FindClose(find);
}

DWORD PathAPI::GetLastError()
{
    return ::GetLastError();
}

errno_t PathAPI::openFileStream(FILE** stream, const wchar_t* fileName, const wchar_t* mode)
{
    return ::_wfopen_s(stream, fileName, mode);
}

int PathAPI::closeFileStream(FILE* stream)
{
    return std::fclose(stream);
}

} // namespace Ostrel
