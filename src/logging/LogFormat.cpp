#include "logging/LogFormat.h"

#include <cwchar>
#include <stdio.h>

namespace ETWLogging
{

std::size_t FormatLogMessage(wchar_t* buffer, std::size_t bufferChars, const wchar_t* format, va_list args) noexcept
{
    if (buffer == nullptr || bufferChars == 0)
    {
        return 0;
    }
    buffer[0] = L'\0';
    if (format == nullptr)
    {
        return 0;
    }
    // The C runtime's own formatter gives the conversions their Microsoft
    // meaning; the C99 one mingw-w64 selects for C++ would read %s as narrow.
    // It returns -1 when the text does not fit and leaves it unterminated.
    const int written = _vsnwprintf(buffer, bufferChars - 1, format, args);
    buffer[bufferChars - 1] = L'\0';
    return written >= 0 ? static_cast<std::size_t>(written) : std::wcslen(buffer);
}

std::wstring FormatLogMessage(const wchar_t* format, va_list args)
{
    if (format == nullptr)
    {
        return {};
    }
    va_list sizing;
    va_copy(sizing, args);
    const int length = _vscwprintf(format, sizing);
    va_end(sizing);
    if (length <= 0)
    {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    _vsnwprintf(text.data(), text.size(), format, args);
    return text;
}

} // namespace ETWLogging
