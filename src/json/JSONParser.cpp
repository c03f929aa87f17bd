#include "json/JSONParser.h"

#include "json/BoundedDepthParse.h"

#include <rapidjson/document.h>
#include <rapidjson/encodedstream.h>
#include <rapidjson/filereadstream.h>
#include <rapidjson/filewritestream.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstddef>
#include <optional>
#include <utility>

namespace Ostrel
{

namespace
{

using Document = JSONParser::Document;
using Value = Document::ValueType;
using Encoding = rapidjson::UTF16<wchar_t>;
// Files hold UTF-16LE; their code units are the document's own, so nothing is transcoded.
using FileEncoding = rapidjson::UTF16LE<wchar_t>;

constexpr std::size_t kStackCapacity = 1024;
constexpr std::size_t kFileBufferSize = 256;
constexpr int kMaxDecimalPlaces = 324;

// Parses with the nesting limit of every text this wrapper takes in.
bool parseText(Document& document, const wchar_t* text)
{
    rapidjson::GenericStringStream<Encoding> stream(text);
    return !ParseBoundedDepth<Encoding>(document, stream, kMaxJsonDepth).IsError();
}

bool isEmptyText(const wchar_t* text)
{
    return text == nullptr || text[0] == L'\0';
}

// The first member of the name when value is an object, else null.
const Value* memberOf(const Value& value, const wchar_t* name)
{
    if (name == nullptr || !value.IsObject())
    {
        return nullptr;
    }
    const auto member = value.FindMember(name);
    return member == value.MemberEnd() ? nullptr : &member->value;
}

template <typename OutputStream>
bool writeCompact(const Value& value, OutputStream& stream)
{
    rapidjson::Writer<OutputStream, Encoding, Encoding> writer(stream);
    writer.SetMaxDecimalPlaces(kMaxDecimalPlaces);
    return value.Accept(writer);
}

std::wstring compactText(const Value& value)
{
    rapidjson::GenericStringBuffer<Encoding> buffer;
    writeCompact(value, buffer);
    return buffer.GetString();
}

// Readers of one value: empty when the value is not of their kind.
std::optional<bool> boolOf(const Value& value)
{
    return value.IsBool() ? std::optional(value.GetBool()) : std::nullopt;
}

std::optional<std::wstring> stringOf(const Value& value)
{
    return value.IsString() ? std::optional<std::wstring>(value.GetString()) : std::nullopt;
}

std::optional<std::int32_t> intOf(const Value& value)
{
    return value.IsInt() ? std::optional<std::int32_t>(value.GetInt()) : std::nullopt;
}

std::optional<std::int64_t> int64Of(const Value& value)
{
    return value.IsInt64() ? std::optional<std::int64_t>(value.GetInt64()) : std::nullopt;
}

std::optional<std::uint32_t> uintOf(const Value& value)
{
    return value.IsUint() ? std::optional<std::uint32_t>(value.GetUint()) : std::nullopt;
}

std::optional<std::uint64_t> uint64Of(const Value& value)
{
    return value.IsUint64() ? std::optional<std::uint64_t>(value.GetUint64()) : std::nullopt;
}

std::optional<double> doubleOf(const Value& value)
{
    return value.IsDouble() ? std::optional(value.GetDouble()) : std::nullopt;
}

std::optional<std::wstring> valueTextOf(const Value& value)
{
    if (value.IsNull())
    {
        return std::wstring();
    }
    return value.IsString() ? stringOf(value) : compactText(value);
}

template <typename T, typename Read>
bool readMember(const Document& document, const wchar_t* name, T& value, Read read)
{
    const Value* member = memberOf(document, name);
    if (member == nullptr)
    {
        return false;
    }
    auto result = read(*member);
    if (!result)
    {
        return false;
    }
    value = std::move(*result);
    return true;
}

// Reads each element of an array member (or, with a key, the member of that
// name of each element) and stops at the first one that does not qualify.
template <typename T, typename Read>
bool readArray(const Document& document, const wchar_t* name, const wchar_t* key, std::vector<T>& values, Read read)
{
    const Value* array = memberOf(document, name);
    if (array == nullptr || !array->IsArray())
    {
        return false;
    }
    for (const Value& element : array->GetArray())
    {
        const Value* item = isEmptyText(key) ? &element : memberOf(element, key);
        if (item == nullptr)
        {
            return false;
        }
        auto result = read(*item);
        if (!result)
        {
            return false;
        }
        values.push_back(std::move(*result));
    }
    return true;
}

Value& rootObject(Document& document)
{
    if (!document.IsObject())
    {
        document.SetObject();
    }
    return document;
}

// Replaces any member of the name by one holding value (moved from), at the
// end of the root object; the former last member takes the removed one's place.
void setMember(Document& document, const wchar_t* name, Value& value)
{
    if (name == nullptr)
    {
        return;
    }
    Value& root = rootObject(document);
    const auto existing = root.FindMember(name);
    if (existing != root.MemberEnd())
    {
        root.RemoveMember(existing);
    }
    Value key(name, document.GetAllocator());
    root.AddMember(key, value, document.GetAllocator());
}

// The array member of the name, created empty when missing. A member of
// another kind cannot take elements, so it becomes an empty array.
Value& arrayMember(Document& document, const wchar_t* name)
{
    Value& root = rootObject(document);
    auto member = root.FindMember(name);
    if (member == root.MemberEnd())
    {
        Value key(name, document.GetAllocator());
        Value array(rapidjson::kArrayType);
        root.AddMember(key, array, document.GetAllocator());
        member = root.MemberEnd() - 1;
    }
    else if (!member->value.IsArray())
    {
        member->value.SetArray();
    }
    return member->value;
}

} // namespace

JSONParser::JSONParser()
    : document_(std::make_shared<Document>(nullptr, kStackCapacity))
{
}

JSONParser::~JSONParser() = default;

bool JSONParser::parse(std::wstring text)
{
    return parse(text.c_str());
}

bool JSONParser::parse(const wchar_t* text)
{
    if (text == nullptr)
    {
        return false;
    }
    // A document that holds nothing yet takes the parse itself: a failed parse
    // leaves it as it was. Any other goes through a document of its own, so
    // that what the old value took from the memory pool is given back.
    if (document_->IsNull() && document_->GetAllocator().Size() == 0)
    {
        return parseText(*document_, text);
    }
    Document parsed(nullptr, kStackCapacity);
    if (!parseText(parsed, text))
    {
        return false;
    }
    document_->Swap(parsed);
    return true;
}

bool JSONParser::parseFile(std::FILE* file)
{
    if (file == nullptr)
    {
        return false;
    }
    char buffer[kFileBufferSize];
    rapidjson::FileReadStream bytes(file, buffer, sizeof(buffer));
    rapidjson::EncodedInputStream<FileEncoding, rapidjson::FileReadStream> units(bytes);
    Document parsed(nullptr, kStackCapacity);
    if (ParseBoundedDepth<Encoding>(parsed, units, kMaxJsonDepth).IsError())
    {
        return false;
    }
    document_->Swap(parsed);
    return true;
}

std::wstring JSONParser::toString() const
{
    return compactText(*document_);
}

void JSONParser::writeFile(std::FILE* file) const
{
    if (file == nullptr)
    {
        return;
    }
    char buffer[kFileBufferSize];
    rapidjson::FileWriteStream bytes(file, buffer, sizeof(buffer));
    rapidjson::EncodedOutputStream<FileEncoding, rapidjson::FileWriteStream> units(bytes, true);
    writeCompact(*document_, units);
}

bool JSONParser::getBool(std::wstring name, bool& value) const
{
    return getBool(name.c_str(), value);
}

bool JSONParser::getBool(const wchar_t* name, bool& value) const
{
    return readMember(*document_, name, value, boolOf);
}

bool JSONParser::getString(std::wstring name, std::wstring& value) const
{
    return getString(name.c_str(), value);
}

bool JSONParser::getString(const wchar_t* name, std::wstring& value) const
{
    return readMember(*document_, name, value, stringOf);
}

bool JSONParser::getInt(std::wstring name, std::int32_t& value) const
{
    return getInt(name.c_str(), value);
}

bool JSONParser::getInt(const wchar_t* name, std::int32_t& value) const
{
    return readMember(*document_, name, value, intOf);
}

bool JSONParser::getInt64(std::wstring name, std::int64_t& value) const
{
    return getInt64(name.c_str(), value);
}

bool JSONParser::getInt64(const wchar_t* name, std::int64_t& value) const
{
    return readMember(*document_, name, value, int64Of);
}

bool JSONParser::getUint(std::wstring name, std::uint32_t& value) const
{
    return getUint(name.c_str(), value);
}

bool JSONParser::getUint(const wchar_t* name, std::uint32_t& value) const
{
    return readMember(*document_, name, value, uintOf);
}

bool JSONParser::getUint64(std::wstring name, std::uint64_t& value) const
{
    return getUint64(name.c_str(), value);
}

bool JSONParser::getUint64(const wchar_t* name, std::uint64_t& value) const
{
    return readMember(*document_, name, value, uint64Of);
}

bool JSONParser::getDouble(std::wstring name, double& value) const
{
    return getDouble(name.c_str(), value);
}

bool JSONParser::getDouble(const wchar_t* name, double& value) const
{
    return readMember(*document_, name, value, doubleOf);
}

bool JSONParser::getStringArray(std::wstring name, std::vector<std::wstring>& values, std::wstring key) const
{
    return getStringArray(name.c_str(), values, key.c_str());
}

bool JSONParser::getStringArray(const wchar_t* name, std::vector<std::wstring>& values, const wchar_t* key) const
{
    return readArray(*document_, name, key, values, stringOf);
}

bool JSONParser::getObjectArray(std::wstring name, std::vector<std::wstring>& values) const
{
    return getObjectArray(name.c_str(), values);
}

bool JSONParser::getObjectArray(const wchar_t* name, std::vector<std::wstring>& values) const
{
    const Value* array = memberOf(*document_, name);
    if (array == nullptr || !array->IsArray())
    {
        return false;
    }
    for (const Value& element : array->GetArray())
    {
        if (!element.IsObject())
        {
            return false;
        }
        // Rebuilt member by member, so that a name given twice keeps its last
        // value; the root starts as an object so that {} stays {}.
        JSONParser object;
        object.document_->SetObject();
        for (auto member = element.MemberBegin(); member != element.MemberEnd(); ++member)
        {
            if (member->value.IsString())
            {
                object.setString(member->name.GetString(), member->value.GetString());
            }
            else
            {
                object.setJson(member->name.GetString(), compactText(member->value).c_str());
            }
        }
        values.push_back(object.toString());
    }
    return true;
}

bool JSONParser::getIntArray(std::wstring name, std::vector<std::int32_t>& values, std::wstring key) const
{
    return getIntArray(name.c_str(), values, key.c_str());
}

bool JSONParser::getIntArray(const wchar_t* name, std::vector<std::int32_t>& values, const wchar_t* key) const
{
    return readArray(*document_, name, key, values, intOf);
}

bool JSONParser::getValueText(std::wstring name, std::wstring& value) const
{
    return getValueText(name.c_str(), value);
}

bool JSONParser::getValueText(const wchar_t* name, std::wstring& value) const
{
    return readMember(*document_, name, value, valueTextOf);
}

void JSONParser::setBool(std::wstring name, bool value)
{
    setBool(name.c_str(), value);
}

void JSONParser::setBool(const wchar_t* name, bool value)
{
    Value member(value);
    setMember(*document_, name, member);
}

void JSONParser::setString(std::wstring name, std::wstring value)
{
    setString(name.c_str(), value.c_str());
}

void JSONParser::setString(std::wstring name, const wchar_t* value)
{
    setString(name.c_str(), value);
}

void JSONParser::setString(const wchar_t* name, std::wstring value)
{
    setString(name, value.c_str());
}

void JSONParser::setString(const wchar_t* name, const wchar_t* value)
{
    if (name == nullptr || value == nullptr)
    {
        return;
    }
    Value member(value, document_->GetAllocator());
    setMember(*document_, name, member);
}

void JSONParser::setInt(std::wstring name, std::int32_t value)
{
    setInt(name.c_str(), value);
}

void JSONParser::setInt(const wchar_t* name, std::int32_t value)
{
    Value member(value);
    setMember(*document_, name, member);
}

void JSONParser::setInt64(std::wstring name, std::int64_t value)
{
    setInt64(name.c_str(), value);
}

void JSONParser::setInt64(const wchar_t* name, std::int64_t value)
{
    Value member(value);
    setMember(*document_, name, member);
}

void JSONParser::setUint(std::wstring name, std::uint32_t value)
{
    setUint(name.c_str(), value);
}

void JSONParser::setUint(const wchar_t* name, std::uint32_t value)
{
    Value member(value);
    setMember(*document_, name, member);
}

void JSONParser::setUint64(std::wstring name, std::uint64_t value)
{
    setUint64(name.c_str(), value);
}

void JSONParser::setUint64(const wchar_t* name, std::uint64_t value)
{
    Value member(value);
    setMember(*document_, name, member);
}

void JSONParser::setDouble(std::wstring name, double value)
{
    setDouble(name.c_str(), value);
}

void JSONParser::setDouble(const wchar_t* name, double value)
{
    Value member(value);
    setMember(*document_, name, member);
}

void JSONParser::setIntArray(std::wstring name, const std::vector<std::int32_t>& values)
{
    setIntArray(name.c_str(), values);
}

void JSONParser::setIntArray(const wchar_t* name, const std::vector<std::int32_t>& values)
{
    if (name == nullptr)
    {
        return;
    }
    Value array(rapidjson::kArrayType);
    for (const std::int32_t value : values)
    {
        array.PushBack(value, document_->GetAllocator());
    }
    setMember(*document_, name, array);
}

void JSONParser::setStringArray(std::wstring name, const std::vector<std::wstring>& values)
{
    setStringArray(name.c_str(), values);
}

void JSONParser::setStringArray(const wchar_t* name, const std::vector<std::wstring>& values)
{
    if (name == nullptr)
    {
        return;
    }
    Value array(rapidjson::kArrayType);
    for (const std::wstring& value : values)
    {
        Value text(value.c_str(), static_cast<rapidjson::SizeType>(value.size()), document_->GetAllocator());
        array.PushBack(text, document_->GetAllocator());
    }
    setMember(*document_, name, array);
}

void JSONParser::setStringArray(const wchar_t* name, const std::vector<const wchar_t*>& values)
{
    if (name == nullptr)
    {
        return;
    }
    Value array(rapidjson::kArrayType);
    for (const wchar_t* value : values)
    {
        if (value != nullptr)
        {
            Value text(value, document_->GetAllocator());
            array.PushBack(text, document_->GetAllocator());
        }
    }
    setMember(*document_, name, array);
}

void JSONParser::appendToArray(std::wstring name, std::wstring value, std::wstring key)
{
    appendToArray(name.c_str(), value.c_str(), key.c_str());
}

void JSONParser::appendToArray(const wchar_t* name, const wchar_t* value, const wchar_t* key)
{
    if (name == nullptr || value == nullptr)
    {
        return;
    }
    auto& allocator = document_->GetAllocator();
    Value& array = arrayMember(*document_, name);
    Value text(value, allocator);
    if (isEmptyText(key))
    {
        array.PushBack(text, allocator);
        return;
    }
    Value object(rapidjson::kObjectType);
    Value keyName(key, allocator);
    object.AddMember(keyName, text, allocator);
    array.PushBack(object, allocator);
}

void JSONParser::setJson(const wchar_t* name, const wchar_t* json)
{
    if (name == nullptr || json == nullptr)
    {
        return;
    }
    // Parsed with the document's allocator, so the value can move in without a copy.
    Document parsed(&document_->GetAllocator(), kStackCapacity);
    if (!parseText(parsed, json))
    {
        return;
    }
    setMember(*document_, name, parsed);
}

void JSONParser::appendJson(const wchar_t* name, const wchar_t* json)
{
    if (name == nullptr || json == nullptr)
    {
        return;
    }
    Document parsed(&document_->GetAllocator(), kStackCapacity);
    if (!parseText(parsed, json))
    {
        return;
    }
    arrayMember(*document_, name).PushBack(parsed, document_->GetAllocator());
}

void JSONParser::clear()
{
    if (document_->IsObject())
    {
        document_->RemoveAllMembers();
    }
}

bool JSONParser::isEmpty() const
{
    return !document_->IsObject() || document_->ObjectEmpty();
}

} // namespace Ostrel
