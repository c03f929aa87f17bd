#pragma once

#include <string>

namespace ScreenRelayTest
{

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);

// A UTF-16LE text file (the module's log files): the text after the byte-order
// mark FF FE. Sets hadBom when the mark was there.
std::wstring ReadUtf16File(const std::wstring& path, bool* hadBom = nullptr);

// The file logger's folder for a group: "<ProgramData>\Norvane\QVLOGS\<group>".
std::wstring LogGroupFolder(const std::wstring& group);

// Every log file the file logger wrote for a group and base name under the
// machine's program data folder ("...\Norvane\QVLOGS\<group>\<baseName>*"),
// concatenated in name order.
std::wstring ReadLoggedText(const std::wstring& group, const std::wstring& baseName);

// Removes a folder with everything in it.
void DeleteFolderTree(const std::wstring& path);

// Writes bytes to a file, replacing it.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Folder that holds the running test program, with a trailing backslash.
std::wstring ProgramFolder();

// File name of the running test program without folder and extension: the
// base name of its log files.
std::wstring ProgramBaseName();

// A log group no other test uses.
std::wstring UniqueLogGroup();

// Removes the log folder of a group with everything in it.
void RemoveLogGroup(const std::wstring& group);

} // namespace ScreenRelayTest
