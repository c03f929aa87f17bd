#pragma once

#include <windows.h>

namespace Ostrel
{

// Facade over the registry value reader of the UI host services, so that
// tests can stand in for it.
class QvRegAPI
{
public:
    QvRegAPI() = default;
    QvRegAPI(const QvRegAPI&) = delete;
    QvRegAPI& operator=(const QvRegAPI&) = delete;

    // QvRegReadValue (QvRegValue.h), its arguments and Win32 status unchanged.
    virtual LONG readValue(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD* type, void* data,
                           DWORD* bytes, DWORD flags);

    virtual ~QvRegAPI() = default;
};

} // namespace Ostrel
