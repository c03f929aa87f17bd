#include "registry/ObfuscatedValueCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

// The scrambled form of a string value, version 1.
//
// Stored text: the marker "$SR", the version as two lower-case hex digits
// ("01"), then lower-case hex digits of (plain bytes followed by the CRC-32 of
// the plain bytes, little endian), XORed with a keystream. The plain bytes are
// the value data exactly as given (UTF-16 with its terminators), so any text
// and any string list round-trip unchanged. The keystream is xorshift32 from a
// fixed key mixed with the plain length.
//
// The text is printable ASCII, the same in every ANSI code page, and is stored
// with one terminating zero (REG_SZ, REG_EXPAND_SZ) or as a list of that one
// string (REG_MULTI_SZ, two zeros), so registry tools and string type checks
// still see well-formed values. Plain text lacks the marker, and altered data
// fails the CRC: both are refused. A later form takes a new version number.

namespace Basekit::internal
{

namespace
{

constexpr char kMarker[] = "$SR";
constexpr std::size_t kMarkerChars = sizeof(kMarker) - 1;
constexpr BYTE kVersion = 1;
constexpr std::size_t kHeaderChars = kMarkerChars + 2;
constexpr std::size_t kCrcBytes = 4;
constexpr std::uint32_t kKey = 0x5A17C3E9;
constexpr char kHexDigits[] = "0123456789abcdef";

std::uint32_t Crc32(const BYTE* data, std::size_t size)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i)
    {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
        {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// XORs the keystream for a value of `plainBytes` plain bytes into `data`.
void ApplyKeystream(std::vector<BYTE>& data, std::size_t plainBytes)
{
    std::uint32_t state = (kKey ^ static_cast<std::uint32_t>(plainBytes * 0x9E3779B9u)) | 1u;
    for (BYTE& byte : data)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte ^= static_cast<BYTE>(state >> 24);
    }
}

std::size_t TerminatorCount(DWORD type)
{
    return type == REG_MULTI_SZ ? 2 : 1;
}

void AppendHex(std::vector<BYTE>& text, BYTE byte)
{
    text.push_back(static_cast<BYTE>(kHexDigits[byte >> 4]));
    text.push_back(static_cast<BYTE>(kHexDigits[byte & 0x0F]));
}

// The value of a lower-case hex digit, or -1.
int HexValue(BYTE digit)
{
    if (digit >= '0' && digit <= '9')
    {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f')
    {
        return digit - 'a' + 10;
    }
    return -1;
}

// The byte written as two lower-case hex digits, or -1.
int HexByte(const BYTE* digits)
{
    const int high = HexValue(digits[0]);
    const int low = HexValue(digits[1]);
    return high < 0 || low < 0 ? -1 : (high << 4) | low;
}

// Decodes `count` bytes of hex text; false on any character that is not a lower-case hex digit.
bool DecodeHex(const BYTE* text, std::size_t count, std::vector<BYTE>& bytes)
{
    bytes.resize(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const int byte = HexByte(text + 2 * i);
        if (byte < 0)
        {
            return false;
        }
        bytes[i] = static_cast<BYTE>(byte);
    }
    return true;
}

} // namespace

bool IsScrambledType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

LONG ScrambleValue(DWORD type, const BYTE* plain, ULONG bytes, std::vector<BYTE>& stored)
{
    try
    {
        std::vector<BYTE> payload(plain, plain + bytes);
        const std::uint32_t crc = Crc32(plain, bytes);
        for (std::size_t i = 0; i < kCrcBytes; ++i)
        {
            payload.push_back(static_cast<BYTE>(crc >> (8 * i)));
        }
        ApplyKeystream(payload, bytes);

        std::vector<BYTE> text(kMarker, kMarker + kMarkerChars);
        text.reserve(kHeaderChars + 2 * payload.size() + TerminatorCount(type));
        AppendHex(text, kVersion);
        for (BYTE byte : payload)
        {
            AppendHex(text, byte);
        }
        text.insert(text.end(), TerminatorCount(type), 0);
        stored.swap(text);
        return ERROR_SUCCESS;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_OUTOFMEMORY;
    }
}

LONG UnscrambleValue(DWORD type, const std::vector<BYTE>& stored, std::vector<BYTE>& plain)
{
    const std::size_t terminators = TerminatorCount(type);
    if (stored.size() < kHeaderChars + 2 * kCrcBytes + terminators)
    {
        return ERROR_INVALID_DATA;
    }
    const std::size_t textChars = stored.size() - terminators;
    const BYTE* text = stored.data();
    for (std::size_t i = textChars; i < stored.size(); ++i)
    {
        if (stored[i] != 0)
        {
            return ERROR_INVALID_DATA;
        }
    }
    if ((textChars - kHeaderChars) % 2 != 0 || std::memcmp(text, kMarker, kMarkerChars) != 0 ||
        HexByte(text + kMarkerChars) != kVersion)
    {
        return ERROR_INVALID_DATA;
    }
    try
    {
        std::vector<BYTE> payload;
        if (!DecodeHex(text + kHeaderChars, (textChars - kHeaderChars) / 2, payload))
        {
            return ERROR_INVALID_DATA;
        }
        const std::size_t plainBytes = payload.size() - kCrcBytes;
        ApplyKeystream(payload, plainBytes);
        std::uint32_t crc = 0;
        for (std::size_t i = 0; i < kCrcBytes; ++i)
        {
            crc |= static_cast<std::uint32_t>(payload[plainBytes + i]) << (8 * i);
        }
        if (crc != Crc32(payload.data(), plainBytes))
        {
            return ERROR_INVALID_DATA;
        }
        payload.resize(plainBytes);
        plain.swap(payload);
        return ERROR_SUCCESS;
    }
    catch (const std::bad_alloc&)
    {
        return ERROR_OUTOFMEMORY;
    }
}

} // namespace Basekit::internal
