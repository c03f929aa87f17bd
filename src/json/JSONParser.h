#pragma once

#include <rapidjson/fwd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace Ostrel
{

// The deepest nesting of arrays and objects a parsed text may have: a root
// array or object is level 1. The module's payloads are flat; the limit keeps
// every document far from what the recursive writer could not handle. Text
// set into a member (setJson, appendJson) sits at most two levels deeper.
inline constexpr std::size_t kMaxJsonDepth = 32;

// One JSON document held as a UTF-16 DOM: parsed from text or a UTF-16LE file,
// read and built member by member of its root object, written back as compact
// JSON text.
//
// Names denote members of the root object, compared exactly; the first member
// of a name is used. Getters need an object root, answer true when the member
// exists and has the asked kind, and leave the out-argument untouched
// otherwise; the array getters append as they go. Strings read from the
// document end at their first NUL character. Setters make the root an object
// (dropping what it held), remove a member of the same name (the last member
// takes its place) and append the new member at the end. A null name makes a
// getter answer false and a setter do nothing.
//
// Failures show only as false results or as nothing done; the wrapper throws
// nothing of its own (allocation failures propagate). Not thread-safe.
//
// Slot order is part of the interface. Where two slots share a name, the one
// taking std::wstring calls the one taking character pointers.
class JSONParser
{
public:
    using Document =
        rapidjson::GenericDocument<rapidjson::UTF16<wchar_t>, rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>,
                                   rapidjson::CrtAllocator>;

    JSONParser();
    virtual ~JSONParser();
    JSONParser(const JSONParser&) = delete;
    JSONParser& operator=(const JSONParser&) = delete;

    // Parses one JSON value surrounded only by whitespace. A text nested
    // deeper than kMaxJsonDepth counts as a parse error. On a parse error (or
    // a null text) the previous document stays and the result is false.
    virtual bool parse(std::wstring text);
    virtual bool parse(const wchar_t* text);
    // As parse, reading an open binary stream as UTF-16LE; a leading byte-order
    // mark is skipped.
    virtual bool parseFile(std::FILE* file);
    // Compact JSON text of the whole document; "null" for a fresh wrapper.
    virtual std::wstring toString() const;
    // Writes the byte-order mark FF FE and the compact JSON text in UTF-16LE
    // to an open binary stream.
    virtual void writeFile(std::FILE* file) const;

    virtual bool getBool(std::wstring name, bool& value) const;
    virtual bool getBool(const wchar_t* name, bool& value) const;
    virtual bool getString(std::wstring name, std::wstring& value) const;
    virtual bool getString(const wchar_t* name, std::wstring& value) const;
    virtual bool getInt(std::wstring name, std::int32_t& value) const;
    virtual bool getInt(const wchar_t* name, std::int32_t& value) const;
    virtual bool getInt64(std::wstring name, std::int64_t& value) const;
    virtual bool getInt64(const wchar_t* name, std::int64_t& value) const;
    virtual bool getUint(std::wstring name, std::uint32_t& value) const;
    virtual bool getUint(const wchar_t* name, std::uint32_t& value) const;
    virtual bool getUint64(std::wstring name, std::uint64_t& value) const;
    virtual bool getUint64(const wchar_t* name, std::uint64_t& value) const;
    // Only numbers written with a fraction or an exponent; integers are refused.
    virtual bool getDouble(std::wstring name, double& value) const;
    virtual bool getDouble(const wchar_t* name, double& value) const;
    // The member must be an array. With a null or empty key each element must
    // be a string; otherwise each element must be an object whose member
    // named key is a string. Stops with false at the first element that does
    // not qualify, keeping what it appended before.
    virtual bool getStringArray(std::wstring name, std::vector<std::wstring>& values, std::wstring key) const;
    virtual bool getStringArray(const wchar_t* name, std::vector<std::wstring>& values, const wchar_t* key) const;
    // The member must be an array of objects; appends each object as compact
    // JSON text (duplicate names inside an object collapse to the last value)
    // and stops with false at the first element that is not an object.
    virtual bool getObjectArray(std::wstring name, std::vector<std::wstring>& values) const;
    virtual bool getObjectArray(const wchar_t* name, std::vector<std::wstring>& values) const;
    // As getStringArray, for signed 32-bit numbers.
    virtual bool getIntArray(std::wstring name, std::vector<std::int32_t>& values, std::wstring key) const;
    virtual bool getIntArray(const wchar_t* name, std::vector<std::int32_t>& values, const wchar_t* key) const;
    // Any member: a string gives its text, null the empty string, any other
    // value its compact JSON text.
    virtual bool getValueText(std::wstring name, std::wstring& value) const;
    virtual bool getValueText(const wchar_t* name, std::wstring& value) const;

    virtual void setBool(std::wstring name, bool value);
    virtual void setBool(const wchar_t* name, bool value);
    // A null value pointer sets nothing.
    virtual void setString(std::wstring name, std::wstring value);
    virtual void setString(std::wstring name, const wchar_t* value);
    virtual void setString(const wchar_t* name, std::wstring value);
    virtual void setString(const wchar_t* name, const wchar_t* value);
    virtual void setInt(std::wstring name, std::int32_t value);
    virtual void setInt(const wchar_t* name, std::int32_t value);
    virtual void setInt64(std::wstring name, std::int64_t value);
    virtual void setInt64(const wchar_t* name, std::int64_t value);
    virtual void setUint(std::wstring name, std::uint32_t value);
    virtual void setUint(const wchar_t* name, std::uint32_t value);
    virtual void setUint64(std::wstring name, std::uint64_t value);
    virtual void setUint64(const wchar_t* name, std::uint64_t value);
    virtual void setDouble(std::wstring name, double value);
    virtual void setDouble(const wchar_t* name, double value);
    virtual void setIntArray(std::wstring name, const std::vector<std::int32_t>& values);
    virtual void setIntArray(const wchar_t* name, const std::vector<std::int32_t>& values);
    virtual void setStringArray(std::wstring name, const std::vector<std::wstring>& values);
    virtual void setStringArray(const wchar_t* name, const std::vector<std::wstring>& values);
    // Null pointers in the vector are skipped.
    virtual void setStringArray(const wchar_t* name, const std::vector<const wchar_t*>& values);
    // Appends to the array member, which is created empty when missing (a
    // member of another kind becomes an empty array first): the value itself
    // when the key is null or empty, otherwise the object {key: value}. A null
    // value appends nothing.
    virtual void appendToArray(std::wstring name, std::wstring value, std::wstring key);
    virtual void appendToArray(const wchar_t* name, const wchar_t* value, const wchar_t* key);
    // Sets the member to the parsed JSON text; a text that does not parse
    // (within kMaxJsonDepth) changes nothing.
    virtual void setJson(const wchar_t* name, const wchar_t* json);
    // Appends the parsed JSON text to the array member as appendToArray does;
    // a text that does not parse changes nothing.
    virtual void appendJson(const wchar_t* name, const wchar_t* json);
    // Removes every member of an object root; any other root stays.
    virtual void clear();
    // True when the root is not an object or has no members.
    virtual bool isEmpty() const;

private:
    std::shared_ptr<Document> document_;
};

} // namespace Ostrel
