#pragma once

// Seeded payloads for one request, built from what its reader expects and
// then mutated the ways a buggy or hostile sender would: the wrong shape, the
// wrong member types, truncation, bad UTF-16, NUL characters, huge strings,
// deep nesting, duplicate members, empty or missing payloads and member names
// a hair away from the real ones.

#include "ReaderExpectations.h"

#include <cstdint>
#include <random>
#include <string>

namespace PayloadFuzz
{

class PayloadGenerator
{
public:
    explicit PayloadGenerator(std::uint64_t seed);

    // The next payload for the request, and in mutation the name of what was
    // done to it ("valid" for a payload that meets the reader's expectations).
    std::wstring next(const RequestReader& request, std::wstring& mutation);

private:
    std::size_t below(std::size_t bound);
    bool oneIn(std::size_t chances);
    std::wstring text();
    std::wstring validValue(const ExpectedMember& member);
    std::wstring wrongValue();
    std::wstring nearName(const std::wstring& name);

    std::mt19937_64 random_;
};

} // namespace PayloadFuzz
