#pragma once

#include "logging/ETWRecordBuffer.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace ETWLogging
{

// The binary part of an event, as the event-tracing logger fills it for one
// log record. The strings are views on the logger's and the caller's text.
struct ETWLogRecord
{
    DWORD processId = 0;
    DWORD threadId = 0;
    std::wstring_view processImageName;
    std::wstring_view sourceFile;
    std::wstring_view function;
    std::uint32_t line = 0;
    std::wstring_view moduleFolder;
    std::wstring_view moduleVersion;
    std::wstring_view group;
};

// Appends the packed little-endian form: process id, thread id, image name,
// source file, function, line, module folder, module version, group and the
// 64-bit byte length of the message. Each string is a 16-bit count of UTF-16
// units and the units, without terminator; a string longer than a count can
// say keeps its first 65535 units. False when the buffer cannot grow.
bool AppendETWLogRecord(const ETWLogRecord& record, std::uint64_t messageBytes, internal::ETWRecordBuffer& buffer);

} // namespace ETWLogging
