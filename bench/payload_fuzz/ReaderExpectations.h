#pragma once

// What the module's payload readers expect of each of the ten requests, and
// which record a reader leaves when it refuses a payload: a model of the
// readers written from their contract, used to judge what the module did.

#include <string>
#include <vector>

namespace PayloadFuzz
{

enum class MemberKind
{
    NonEmptyText, // a string that must not be empty
    AnyText,      // a string, empty allowed
    Unsigned32,   // an integer in unsigned 32-bit range
    Signed32,     // an integer in signed 32-bit range
    Boolean,      // true or false
};

struct ExpectedMember
{
    const wchar_t* name;
    MemberKind kind;
    bool required;
    // The reader's record when a required member fails; null for optional ones.
    const wchar_t* refusal;
};

struct RequestReader
{
    const wchar_t* message;
    // The qualified name of the function that reads the payload; null when
    // the request's payload is not read.
    const wchar_t* reader;
    // The reader's record for a payload that does not parse; null when the
    // request never refuses a payload.
    const wchar_t* notParsable;
    std::vector<ExpectedMember> members;
};

// The ten requests, in the order of the module's handler table.
const std::vector<RequestReader>& RequestReaders();

// What the reader should do with a payload.
struct Verdict
{
    bool refused = false;
    // The one record the reader leaves for a refused payload.
    std::wstring record;
    // Every record the reader could leave for a refused payload of this
    // request; a refused payload leaves exactly one of them, an accepted one
    // none.
    std::vector<std::wstring> possibleRecords;
};

// The payload as the module receives it: the bus hands over the text up to
// its first NUL character.
std::wstring AsDelivered(const std::wstring& payload);

// Judges a delivered payload as the reader's contract does: refused when it
// is empty, longer than 65,536 characters, not one JSON value surrounded by
// whitespace, nested deeper than 32 arrays and objects, or when a required
// member is missing, of the wrong type or (for non-empty text) empty. The
// first member with a duplicate name is the one that counts.
Verdict Judge(const RequestReader& request, const std::wstring& delivered);

} // namespace PayloadFuzz
