#include "logging/ETWRecordBuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ETWLogging::internal
{

bool ETWRecordBuffer::Append(const void* bytes, std::size_t count)
{
    const std::size_t needed = size_ + count;
    if (needed > capacity_)
    {
        const std::size_t capacity = std::max(needed, capacity_ + capacity_ / 2);
        std::unique_ptr<std::uint8_t[]> heap(new (std::nothrow) std::uint8_t[capacity]);
        if (!heap)
        {
            return false;
        }
        std::memcpy(heap.get(), data_, size_);
        heap_ = std::move(heap);
        data_ = heap_.get();
        capacity_ = capacity;
    }
    if (count != 0)
    {
        std::memcpy(data_ + size_, bytes, count);
    }
    size_ = needed;
    return true;
}

} // namespace ETWLogging::internal
