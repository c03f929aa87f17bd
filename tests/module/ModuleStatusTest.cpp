#include "module/ExceptionBarrier.h"
#include "module/ModuleStatus.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <typeinfo>
#include <utility>

namespace Ostrel
{
namespace
{

TEST(ModuleStatusNameTest, NamesEveryKnownStatusAndOnlyThose)
{
    struct Case
    {
        ModuleStatus status;
        const wchar_t* name;
    };
    const Case cases[] = {
        {0x00000000, L"MODULE_STATUS_SUCCESS"},
        {0x80000001, L"MODULE_STATUS_NOT_SUPPORTED"},
        {0x80000002, L"MODULE_STATUS_UNSUCCESSFUL"},
        {0x80000003, L"MODULE_STATUS_BUFFER_TOO_SMALL"},
        {0x80000004, L"MODULE_STATUS_NOT_IMPLEMENTED"},
        {0x80000005, L"MODULE_STATUS_INVALID_BUFFER_SIZE"},
        {0x80000006, L"MODULE_STATUS_DATA_ERROR"},
        {0x80000007, L"MODULE_STATUS_INVALID_HANDLE"},
        {0x80000008, L"MODULE_STATUS_INVALID_PARAMETER"},
        {0x80000009, L"MODULE_STATUS_NO_MEMORY"},
        {0x8000000A, L"MODULE_STATUS_NOT_FOUND"},
        {0x8000000B, L"MODULE_STATUS_ON_DEMAND_ENABLED"},
        {0x8000000C, L"MODULE_STATUS_PROPERTY_NOT_FOUND"},
        {0x8000000D, L"MODULE_STATUS_TIMEOUT"},
        {0x8000000E, L"MODULE_STATUS_NO_SUBSCRIBERS"},
        {0x8000000F, L"MODULE_STATUS_UNKNOWN_EXCEPTION"},
        {0x80000010, L"MODULE_STATUS_DUPLICATE_MODULE"},
        {0x80000011, L"MODULE_STATUS_PARTIAL_SUCCESS"},
        {0x80000012, L"MODULE_STATUS_UWP_APP_NOT_INSTALLED"},
        {0x80000013, L"MODULE_STATUS_APP_SERVICE_UNAVAILABLE"},
        {0x80000014, L"MODULE_STATUS_APP_SERVICE_UNAUTHORIZED"},
        {0x80000015, L"MODULE_STATUS_SESSION_INVALID"},
        {0x800000FF, L"MODULE_STATUS_INVALID_STATE"},
        // Neighbours and look-alikes of known codes are unknown.
        {0x80000016, L"MODULE_STATUS_UNKNOWN"},
        {0x800000FE, L"MODULE_STATUS_UNKNOWN"},
        {0x80000000, L"MODULE_STATUS_UNKNOWN"},
        {0x00000001, L"MODULE_STATUS_UNKNOWN"},
        {0x00000008, L"MODULE_STATUS_UNKNOWN"},
        {0xFFFFFFFF, L"MODULE_STATUS_UNKNOWN"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(std::wstring(ModuleStatusName(c.status)), c.name) << std::hex << c.status;
    }
}

struct NotAStandardException
{
};

template <typename Thrown>
ModuleStatus Throwing()
{
    throw Thrown{};
}

// The barrier is noexcept: anything it lets through ends the process. Catching
// std::exception alone, or rethrowing what it does not know, crashes this test;
// a status of its own for one kind (no memory for bad_alloc) fails it.
TEST(ExceptionBarrierTest, StopsExceptionsOfEveryType)
{
    const std::pair<const char*, ModuleStatus (*)()> cases[] = {
        {"std::bad_cast", Throwing<std::bad_cast>},
        {"std::bad_alloc", Throwing<std::bad_alloc>},
        {"int", Throwing<int>},
        {"a class outside std::exception", Throwing<NotAStandardException>},
        {"a text pointer", Throwing<const wchar_t*>},
    };
    for (const auto& [thrown, work] : cases)
    {
        EXPECT_EQ(ExceptionBarrier(work), MODULE_STATUS_UNKNOWN_EXCEPTION) << thrown;
    }
}

} // namespace
} // namespace Ostrel
