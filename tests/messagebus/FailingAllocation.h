#pragma once

#include <cstddef>

namespace ScreenRelayTest
{

// Makes one allocation of the calling thread through this test program's
// global operator new throw std::bad_alloc: the one with the given index,
// counted from construction (0 is the next). Other threads allocate as usual.
// Armed for the object's lifetime.
class FailingAllocation
{
public:
    explicit FailingAllocation(std::size_t index);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;

    // Whether that allocation was reached, and failed.
    bool Happened() const;
};

} // namespace ScreenRelayTest
