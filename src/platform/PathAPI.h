#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace Ostrel
{

// Facade over the file-system calls of the platform layer. The operations
// named after a Windows or C runtime call make that call with arguments and
// result unchanged; tests derive from the class to stand in for them.
class PathAPI
{
public:
    PathAPI() = default;
    virtual ~PathAPI() = default;
    PathAPI(const PathAPI&) = delete;
    PathAPI& operator=(const PathAPI&) = delete;

    // True when the path is not empty and names an existing file (not a folder).
    virtual bool fileExists(const std::wstring& path);
    // True when the path is not empty and names an existing folder.
    virtual bool directoryExists(const std::wstring& path);

    virtual BOOL PathFileExistsW(LPCWSTR path);
    virtual BOOL PathIsRelativeW(LPCWSTR path);
    virtual LPWSTR PathCombineW(LPWSTR destination, LPCWSTR directory, LPCWSTR file);
    virtual BOOL PathRemoveFileSpecW(LPWSTR path);

    virtual HANDLE CreateFileW(LPCWSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile);
    virtual BOOL MoveFileW(LPCWSTR existingName, LPCWSTR newName);
    virtual BOOL DeleteFileW(LPCWSTR fileName);
    virtual BOOL ReadDirectoryChangesW(HANDLE directory, LPVOID buffer, DWORD bufferBytes, BOOL watchSubtree,
                                       DWORD filter, LPDWORD bytesReturned, LPOVERLAPPED overlapped,
                                       LPOVERLAPPED_COMPLETION_ROUTINE completionRoutine);
    virtual LPWSTR PathFindFileNameW(LPCWSTR path);
    virtual DWORD GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD longPathChars);
    virtual DWORD SleepEx(DWORD milliseconds, BOOL alertable);
    virtual BOOL CancelIoEx(HANDLE file, LPOVERLAPPED overlapped);
    virtual BOOL CloseHandle(HANDLE handle);
    virtual HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData);
    virtual BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW findData);
    virtual BOOL FindClose(HANDLE find);
    virtual DWORD GetLastError();

    // _wfopen_s: opens a C runtime file stream.
    virtual errno_t openFileStream(FILE** stream, const wchar_t* fileName, const wchar_t* mode);
    // fclose: closes a stream opened with openFileStream.
    virtual int closeFileStream(FILE* stream);
};

} // namespace Ostrel
