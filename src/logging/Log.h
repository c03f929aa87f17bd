#pragma once

// The log statement every source file uses:
//
//   LOG_SOURCE_FILE(L"dll\\DllLoader.cpp");   // once, after the includes
//   ...
//   LOG_ERROR(L"Ostrel::DllLoader::load", L"Failed to load %ls. Error %lu.", path, error);
//
// The level is checked first and the message is formatted only when the level
// is enabled. The function is the qualified name as people read it in the log;
// the source file is the file's name relative to its subsystem folder.

#include "logging/LogFrontEnd.h"

#define LOG_SOURCE_FILE(name)                                                                                          \
    namespace                                                                                                          \
    {                                                                                                                  \
    [[maybe_unused]] constexpr const wchar_t* kLogSourceFile = name;                                                   \
    }

#define LOG_AT(level, function, ...)                                                                                   \
    do                                                                                                                 \
    {                                                                                                                  \
        if (::ETWLogging::LogIsEnabled(level))                                                                         \
        {                                                                                                              \
            ::ETWLogging::LogRecord(level, kLogSourceFile, function, __LINE__, __VA_ARGS__);                           \
        }                                                                                                              \
    } while (false)

#define LOG_NORMAL(function, ...) LOG_AT(::ETWLogging::LOG_LEVEL_NORMAL, function, __VA_ARGS__)
#define LOG_WARNING(function, ...) LOG_AT(::ETWLogging::LOG_LEVEL_WARNING, function, __VA_ARGS__)
#define LOG_INFORMATION(function, ...) LOG_AT(::ETWLogging::LOG_LEVEL_INFORMATION, function, __VA_ARGS__)
#define LOG_ERROR(function, ...) LOG_AT(::ETWLogging::LOG_LEVEL_ERROR, function, __VA_ARGS__)
