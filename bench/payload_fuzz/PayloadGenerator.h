#pragma once

// Seeded payloads for one request, built from what its reader expects and
// then mutated the ways a buggy or hostile sender would: the wrong shape, the
// wrong member types, truncation, bad UTF-16, NUL characters, huge strings,
// deep nesting, duplicate members, empty or missing payloads and member names
// a hair away from the real ones; now and then the message name itself is a
// hair away.

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

    // The name to publish the request under: one time in kNearMessageChances a
    // name a hair away from the request's (another letter case, a blank
    // added, a character dropped, doubled or replaced by a look-alike, a NUL
    // inside), otherwise the request's own.
    std::wstring messageName(const RequestReader& request);
    static constexpr std::size_t kNearMessageChances = 16;

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
