#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ETWLogging::internal
{

// A growable byte buffer with 256 bytes of inline room; when an append does
// not fit, the contents move to the heap with a capacity of the larger of the
// needed size and one and a half times the old capacity.
class ETWRecordBuffer
{
public:
    ETWRecordBuffer() = default;
    ETWRecordBuffer(const ETWRecordBuffer&) = delete;
    ETWRecordBuffer& operator=(const ETWRecordBuffer&) = delete;

    // False, with the contents unchanged, when the heap cannot provide room.
    bool Append(const void* bytes, std::size_t count);

    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }

private:
    std::array<std::uint8_t, 256> inline_{};
    std::unique_ptr<std::uint8_t[]> heap_;
    std::uint8_t* data_ = inline_.data();
    std::size_t size_ = 0;
    std::size_t capacity_ = inline_.size();
};

} // namespace ETWLogging::internal
