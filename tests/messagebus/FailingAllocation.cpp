#include "messagebus/FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace
{

struct ArmedFailure
{
    bool armed = false;
    std::size_t remaining = 0;
    bool happened = false;
};

thread_local ArmedFailure failure;

} // namespace

void* operator new(std::size_t size)
{
    if (failure.armed)
    {
        if (failure.remaining == 0)
        {
            failure.armed = false;
            failure.happened = true;
            throw std::bad_alloc();
        }
        --failure.remaining;
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size))
    {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace ScreenRelayTest
{

FailingAllocation::FailingAllocation(std::size_t index)
{
    failure = {true, index, false};
}

FailingAllocation::~FailingAllocation()
{
    failure = {};
}

bool FailingAllocation::Happened() const
{
    return failure.happened;
}

} // namespace ScreenRelayTest
