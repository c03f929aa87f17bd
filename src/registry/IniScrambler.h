#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace Basekit
{

// What a stored INI value holds.
enum class IniValueKind : std::uint8_t
{
    Text = 1,
    Number = 4,
};

// The binary form of a scrambled INI value: the tag "QVRG" and 32 scrambled
// bytes. The profile struct writer stores it as 74 hexadecimal characters
// (two per byte and a checksum byte), which begin with "51565247".
inline constexpr std::size_t kScrambledBytes = 36;
inline constexpr std::size_t kScrambledValueChars = 2 * (kScrambledBytes + 1);
inline constexpr wchar_t kScrambledValuePrefix[] = L"51565247";
using ScrambledValue = std::array<std::uint8_t, kScrambledBytes>;

// Texts of at most this many bytes in UTF-8 fit into a scrambled value.
inline constexpr std::size_t kMaxScrambledTextBytes = 25;

// A value that was unscrambled and passed every check.
struct UnscrambledValue
{
    IniValueKind kind;
    // The text, or the number in decimal.
    std::wstring text;
};

// Nothing when the text is not valid UTF-16 or longer than
// kMaxScrambledTextBytes in UTF-8.
std::optional<ScrambledValue> ScrambleText(const std::wstring& text);
ScrambledValue ScrambleNumber(std::int32_t value);

// Whether a stored value has the length and the beginning of a scrambled one.
bool LooksScrambled(const std::wstring& stored);

// Reads the value as the profile struct writer stored it: hexadecimal digits,
// checksum byte, tag and the scrambler's own checks. Nothing when any fails.
std::optional<UnscrambledValue> Unscramble(const std::wstring& stored);

} // namespace Basekit
