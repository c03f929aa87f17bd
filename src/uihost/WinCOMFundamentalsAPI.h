#pragma once

namespace Ostrel
{

// Facade over the COM task allocator, so that tests can stand in for it.
class WinCOMFundamentalsAPI
{
public:
    WinCOMFundamentalsAPI() = default;
    WinCOMFundamentalsAPI(const WinCOMFundamentalsAPI&) = delete;
    WinCOMFundamentalsAPI& operator=(const WinCOMFundamentalsAPI&) = delete;

    // CoTaskMemFree: releases what the COM task allocator gave (null is fine).
    virtual void freeTaskMemory(void* memory);

    virtual ~WinCOMFundamentalsAPI() = default;
};

} // namespace Ostrel
