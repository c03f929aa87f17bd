#include "registry/IniScrambler.h"

#include <windows.h>

#include <algorithm>

namespace Basekit
{

// The 32 bytes after the tag, before scrambling:
//   [0..3]   CRC-32 of bytes 4 to 31, least significant byte first
//   [4]      format version, 1
//   [5]      kind: 1 text, 4 number
//   [6]      content length in bytes (text: at most 25, number: 4)
//   [7..31]  content, zero-padded: text in UTF-8, a number as 32 bits,
//            least significant byte first
// Scrambling runs over all 32 bytes: each byte is XORed with a keystream
// byte and added to the previous scrambled byte, so that a change spreads
// to every byte after it (the CRC first, so values that differ in one bit
// look unrelated). Unscrambling rejects any other version, kind or length,
// non-zero padding, a CRC mismatch and text that is not UTF-8.
namespace
{

constexpr std::uint8_t kTag[] = {'Q', 'V', 'R', 'G'};
constexpr std::size_t kTagBytes = sizeof(kTag);
constexpr std::size_t kBodyBytes = kScrambledBytes - kTagBytes;
constexpr std::uint8_t kFormatVersion = 1;
constexpr std::size_t kCrcBytes = 4;
constexpr std::size_t kVersionOffset = kCrcBytes;
constexpr std::size_t kKindOffset = kCrcBytes + 1;
constexpr std::size_t kLengthOffset = kCrcBytes + 2;
constexpr std::size_t kContentOffset = kCrcBytes + 3;
static_assert(kContentOffset + kMaxScrambledTextBytes == kBodyBytes);
constexpr std::uint32_t kKeystreamSeed = 0x6C3A91E5u;
constexpr std::uint8_t kChainStart = 0xA7;

using Body = std::array<std::uint8_t, kBodyBytes>;

std::uint32_t Crc32(const std::uint8_t* bytes, std::size_t count)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i)
    {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
        {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

Body Keystream()
{
    Body stream{};
    std::uint32_t state = kKeystreamSeed;
    for (auto& byte : stream)
    {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return stream;
}

ScrambledValue Seal(IniValueKind kind, const std::uint8_t* content, std::size_t length)
{
    Body plain{};
    plain[kVersionOffset] = kFormatVersion;
    plain[kKindOffset] = static_cast<std::uint8_t>(kind);
    plain[kLengthOffset] = static_cast<std::uint8_t>(length);
    std::copy_n(content, length, plain.begin() + kContentOffset);
    const std::uint32_t crc = Crc32(plain.data() + kCrcBytes, kBodyBytes - kCrcBytes);
    for (std::size_t i = 0; i < kCrcBytes; ++i)
    {
        plain[i] = static_cast<std::uint8_t>(crc >> (8 * i));
    }

    ScrambledValue sealed{};
    std::copy_n(kTag, kTagBytes, sealed.begin());
    const Body stream = Keystream();
    std::uint8_t previous = kChainStart;
    for (std::size_t i = 0; i < kBodyBytes; ++i)
    {
        previous = static_cast<std::uint8_t>((plain[i] ^ stream[i]) + previous);
        sealed[kTagBytes + i] = previous;
    }
    return sealed;
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
    {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F')
    {
        return c - L'A' + 10;
    }
    if (c >= L'a' && c <= L'f')
    {
        return c - L'a' + 10;
    }
    return -1;
}

// The bytes of the profile struct text after its checksum was verified.
std::optional<ScrambledValue> DecodeProfileStruct(const std::wstring& stored)
{
    if (stored.size() != kScrambledValueChars)
    {
        return std::nullopt;
    }
    std::array<std::uint8_t, kScrambledBytes + 1> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        const int high = HexDigit(stored[2 * i]);
        const int low = HexDigit(stored[2 * i + 1]);
        if (high < 0 || low < 0)
        {
            return std::nullopt;
        }
        bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    std::uint8_t sum = 0;
    ScrambledValue value{};
    for (std::size_t i = 0; i < kScrambledBytes; ++i)
    {
        value[i] = bytes[i];
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    }
    if (sum != bytes[kScrambledBytes])
    {
        return std::nullopt;
    }
    return value;
}

std::optional<std::wstring> ContentText(IniValueKind kind, const std::uint8_t* content, std::size_t length)
{
    if (kind == IniValueKind::Number)
    {
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < 4; ++i)
        {
            bits |= static_cast<std::uint32_t>(content[i]) << (8 * i);
        }
        return std::to_wstring(static_cast<std::int32_t>(bits));
    }
    if (length == 0)
    {
        return std::wstring();
    }
    const auto* narrow = reinterpret_cast<const char*>(content);
    const int chars = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, narrow, static_cast<int>(length), nullptr, 0);
    if (chars <= 0)
    {
        return std::nullopt;
    }
    std::wstring text(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, narrow, static_cast<int>(length), text.data(), chars);
    return text;
}

} // namespace

std::optional<ScrambledValue> ScrambleText(const std::wstring& text)
{
    if (text.empty())
    {
        return Seal(IniValueKind::Text, nullptr, 0);
    }
    std::array<char, kMaxScrambledTextBytes> utf8{};
    const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                          utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    if (bytes <= 0)
    {
        return std::nullopt;
    }
    return Seal(IniValueKind::Text, reinterpret_cast<const std::uint8_t*>(utf8.data()),
                static_cast<std::size_t>(bytes));
}

ScrambledValue ScrambleNumber(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint8_t content[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                     static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    return Seal(IniValueKind::Number, content, sizeof(content));
}

bool LooksScrambled(const std::wstring& stored)
{
    return stored.size() == kScrambledValueChars && stored.starts_with(kScrambledValuePrefix);
}

std::optional<UnscrambledValue> Unscramble(const std::wstring& stored)
{
    const auto sealed = DecodeProfileStruct(stored);
    if (!sealed || !std::equal(kTag, kTag + kTagBytes, sealed->begin()))
    {
        return std::nullopt;
    }
    Body plain{};
    const Body stream = Keystream();
    std::uint8_t previous = kChainStart;
    for (std::size_t i = 0; i < kBodyBytes; ++i)
    {
        const std::uint8_t current = (*sealed)[kTagBytes + i];
        plain[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(current - previous) ^ stream[i]);
        previous = current;
    }

    std::uint32_t storedCrc = 0;
    for (std::size_t i = 0; i < kCrcBytes; ++i)
    {
        storedCrc |= static_cast<std::uint32_t>(plain[i]) << (8 * i);
    }
    const auto kind = static_cast<IniValueKind>(plain[kKindOffset]);
    const std::size_t length = plain[kLengthOffset];
    const bool shapeValid =
        plain[kVersionOffset] == kFormatVersion && ((kind == IniValueKind::Text && length <= kMaxScrambledTextBytes) ||
                                                    (kind == IniValueKind::Number && length == 4));
    if (!shapeValid || storedCrc != Crc32(plain.data() + kCrcBytes, kBodyBytes - kCrcBytes) ||
        std::any_of(plain.begin() + kContentOffset + length, plain.end(), [](std::uint8_t byte) { return byte != 0; }))
    {
        return std::nullopt;
    }
    auto text = ContentText(kind, plain.data() + kContentOffset, length);
    if (!text)
    {
        return std::nullopt;
    }
    return UnscrambledValue{kind, std::move(*text)};
}

} // namespace Basekit
