#include "logging/FileLogLine.h"

#include <cstdarg>
#include <cwchar>
#include <iterator>
#include <new>
#include <stdio.h>
#include <string_view>

namespace ETWLogging
{

namespace
{

constexpr std::size_t kImageNameWidth = 15;
constexpr std::size_t kSourceWidth = 20;
constexpr std::size_t kFunctionWidth = 40;
// Room for everything but the message: timestamp, level, the four pieces and
// the separators come to well under this.
constexpr std::size_t kFixedPartChars = 256;

bool Present(const wchar_t* text)
{
    return text != nullptr && *text != L'\0';
}

// Appends a short piece formatted with the Microsoft meaning of the conversions.
void AppendFormatted(std::wstring& out, const wchar_t* format, ...)
{
    wchar_t piece[64];
    va_list args;
    va_start(args, format);
    const int length = _vsnwprintf(piece, std::size(piece) - 1, format, args);
    va_end(args);
    if (length > 0)
    {
        out.append(piece, static_cast<std::size_t>(length));
    }
}

// Appends at most `width` characters of the text, right-aligned in a field of `width`.
void AppendAligned(std::wstring& out, std::wstring_view text, std::size_t width)
{
    text = text.substr(0, width);
    out.append(width - text.size(), L' ');
    out.append(text);
}

std::wstring_view NameAfterLastBackslash(const wchar_t* path)
{
    const std::wstring_view whole(path);
    const std::size_t slash = whole.find_last_of(L'\\');
    return slash == std::wstring_view::npos ? whole : whole.substr(slash + 1);
}

void AppendTimestamp(std::wstring& out, const SYSTEMTIME& time)
{
    const WORD hour = time.wHour % 12 == 0 ? 12 : time.wHour % 12;
    AppendFormatted(out, L"%02hu/%02hu/%hu %02hu:%02hu:%02hu %s$", time.wMonth, time.wDay, time.wYear, hour,
                    time.wMinute, time.wSecond, time.wHour < 12 ? L"AM" : L"PM");
}

} // namespace

DWORD FormatFileLogLine(const FileLogLineFields& fields, std::wstring& line)
{
    const wchar_t* levelName = LogLevelName(fields.level);
    if (!Present(fields.message) || levelName == nullptr)
    {
        return ERROR_INVALID_PARAMETER;
    }
    try
    {
        const std::wstring_view message(fields.message);
        std::wstring text;
        text.reserve(message.size() + kFixedPartChars);

        AppendTimestamp(text, fields.time);
        text.append(L" -- (").append(levelName).append(L")$");
        if ((fields.options & kFileLogOptionImageName) != 0 && Present(fields.imageName))
        {
            text.append(L" [");
            AppendAligned(text, fields.imageName, kImageNameWidth);
            text.append(L"]$");
        }
        if ((fields.options & kFileLogOptionIds) != 0)
        {
            AppendFormatted(text, L" [PID:%5lu TID:%5lu]$", fields.processId, fields.threadId);
        }
        if ((fields.options & kFileLogOptionSource) != 0 && Present(fields.file))
        {
            text.append(L" [");
            AppendAligned(text, NameAfterLastBackslash(fields.file), kSourceWidth);
            AppendFormatted(text, L":%5d]$", static_cast<int>(fields.line));
        }
        if ((fields.options & kFileLogOptionFunction) != 0 && Present(fields.function))
        {
            text.append(L" [");
            AppendAligned(text, fields.function, kFunctionWidth);
            text.append(L"()]$");
        }
        text.append(L" ").append(message);
        if (message.back() != L'\n')
        {
            text.append(L"\r\n");
        }
        line = std::move(text);
        return ERROR_SUCCESS;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_OUTOFMEMORY;
    }
}

} // namespace ETWLogging
