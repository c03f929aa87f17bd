#pragma once

#include <rapidjson/document.h>
#include <rapidjson/reader.h>

#include <cstddef>
#include <cstdint>

namespace Ostrel
{

// Passes every parse event on to a document and stops the parse when arrays
// and objects nest deeper than the limit.
template <typename Target>
class DepthLimitedHandler
{
public:
    using Ch = typename Target::Ch;
    using SizeType = rapidjson::SizeType;

    DepthLimitedHandler(Target& target, std::size_t maxDepth)
        : target_(target)
        , maxDepth_(maxDepth)
    {
    }

    bool Null() { return target_.Null(); }
    bool Bool(bool value) { return target_.Bool(value); }
    bool Int(int value) { return target_.Int(value); }
    bool Uint(unsigned value) { return target_.Uint(value); }
    bool Int64(std::int64_t value) { return target_.Int64(value); }
    bool Uint64(std::uint64_t value) { return target_.Uint64(value); }
    bool Double(double value) { return target_.Double(value); }
    bool RawNumber(const Ch* text, SizeType length, bool copy) { return target_.RawNumber(text, length, copy); }
    bool String(const Ch* text, SizeType length, bool copy) { return target_.String(text, length, copy); }
    bool Key(const Ch* text, SizeType length, bool copy) { return target_.Key(text, length, copy); }
    bool StartObject() { return Enter() && target_.StartObject(); }
    bool EndObject(SizeType members)
    {
        --depth_;
        return target_.EndObject(members);
    }
    bool StartArray() { return Enter() && target_.StartArray(); }
    bool EndArray(SizeType elements)
    {
        --depth_;
        return target_.EndArray(elements);
    }

private:
    bool Enter() { return ++depth_ <= maxDepth_; }

    Target& target_;
    std::size_t maxDepth_;
    std::size_t depth_ = 0;
};

// Parses one JSON value, surrounded only by whitespace, from the stream into
// the document. The parser keeps its state on the heap, not in recursion, so
// the sender of the text does not decide how much stack it takes. A text
// nested deeper than maxDepth fails with kParseErrorTermination. On failure
// the document keeps the value it had.
template <typename SourceEncoding, typename Document, typename InputStream>
rapidjson::ParseResult ParseBoundedDepth(Document& document, InputStream& stream, std::size_t maxDepth)
{
    rapidjson::ParseResult result;
    auto parse = [&](Document& target)
    {
        DepthLimitedHandler<Document> handler(target, maxDepth);
        rapidjson::GenericReader<SourceEncoding, typename Document::EncodingType> reader;
        result = reader.template Parse<rapidjson::kParseIterativeFlag>(stream, handler);
        return !result.IsError();
    };
    document.Populate(parse);
    return result;
}

} // namespace Ostrel
