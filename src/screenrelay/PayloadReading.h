#pragma once

#include "json/JSONParser.h"

#include <rapidjson/document.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace Ostrel
{

// The longest payload the readers take in, in UTF-16 code units. Payloads
// come from other processes; the module's requests need a small fraction of
// this, and a longer text is refused before anything is copied from it.
inline constexpr std::size_t kMaxPayloadChars = 65536;

// One payload's DOM: UTF-16, memory-pool allocator, a parse stack of 1024
// bytes to start with.
using PayloadDocument = JSONParser::Document;
using PayloadValue = PayloadDocument::ValueType;
inline constexpr std::size_t kPayloadStackCapacity = 1024;

// The reading functions the payload readers and the mapping definition share.
// Each failure writes one level-4 record under the function's own name.

// Parses the text, up to its first NUL, as one JSON value with any root,
// nested at most kMaxJsonDepth deep. False for an empty text, a text longer
// than kMaxPayloadChars, or a parse error (the record shows its code).
bool parseJSON(const std::wstring& text, PayloadDocument& document);

// Reads a string member of an object (a value that is not an object has no
// members), with its full stored length; required refuses an empty string.
// value is written only on success.
bool getStringMember(const PayloadValue& object, const wchar_t* name, std::wstring& value, bool required);

// Reads a member that is a number representable as a signed 32-bit integer.
bool getIntMember(const PayloadValue& object, const wchar_t* name, std::int32_t& value);

// Reads a member that is true or false.
bool getBoolMember(const PayloadValue& object, const wchar_t* name, bool& value);

} // namespace Ostrel
