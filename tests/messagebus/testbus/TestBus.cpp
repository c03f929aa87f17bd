// A bus library in miniature for the binding tests: the four framework entry
// points and the ten-entry function table. It routes nothing; every call is
// written to a journal (entry number and arguments, one line each) that the
// test reads through TestBusJournal. Built in variants that fail one step:
//   TESTBUS_NO_TABLE                 "CreateObject" returns null
//   TESTBUS_CREATE_HANDLE_STATUS=s   handle creation returns s
//   TESTBUS_RELEASE_HANDLE_STATUS=s  handle release returns s

#include "messagebus/MessageBusFunctions.h"

#include <cstdint>
#include <string>

#ifdef TESTBUS_NO_TABLE
constexpr bool kHasTable = false;
#else
constexpr bool kHasTable = true;
#endif
#ifndef TESTBUS_CREATE_HANDLE_STATUS
#define TESTBUS_CREATE_HANDLE_STATUS 0
#endif
#ifndef TESTBUS_RELEASE_HANDLE_STATUS
#define TESTBUS_RELEASE_HANDLE_STATUS 0
#endif

namespace
{

using namespace Ostrel;

int busHandle = 0;
std::wstring journal;

// A call that did not get this library's handle says so.
void Record(void* handle, int entry, const std::wstring& arguments = L"")
{
    journal += std::to_wstring(entry) + (handle == &busHandle ? L"" : L" wrong handle") + arguments + L"\n";
}

ModuleStatus CreateHandle(void** handle)
{
    *handle = &busHandle;
    Record(*handle, 0);
    return TESTBUS_CREATE_HANDLE_STATUS;
}

ModuleStatus ReleaseHandle(void* handle)
{
    Record(handle, 1);
    return TESTBUS_RELEASE_HANDLE_STATUS;
}

template <int Entry>
ModuleStatus Publish(void* handle, MessageProperties*, const wchar_t* name, const wchar_t*, const wchar_t*)
{
    Record(handle, Entry, std::wstring(L" ") + name);
    return 0;
}

template <int Entry>
ModuleStatus Request(void* handle, std::uint64_t replyIndex, void*, BusReplyEntryPoint, MessageProperties*,
                     const wchar_t* name, const wchar_t*, const wchar_t*, std::uint64_t timeout)
{
    Record(handle, Entry, L" " + std::to_wstring(replyIndex) + L" " + name + L" " + std::to_wstring(timeout));
    return 0;
}

template <int Entry>
std::uint32_t Subscribe(void* handle, void*, BusDeliveryEntryPoint, const wchar_t* name)
{
    Record(handle, Entry, std::wstring(L" ") + name);
    return 10 + Entry;
}

void Unsubscribe(void* handle, std::uint32_t subscriptionId)
{
    Record(handle, 6, L" " + std::to_wstring(subscriptionId));
}

void ReleaseReplyCallback(void* handle, BusReplyEntryPoint)
{
    Record(handle, 7);
}

MessageBusFunctions functions = {
    CreateHandle, ReleaseHandle, Publish<2>,           Request<3>, Subscribe<4>,
    Subscribe<5>, Unsubscribe,   ReleaseReplyCallback, Publish<8>, Request<9>,
};

} // namespace

extern "C"
{
    __declspec(dllexport) void* CreateObject(std::uint32_t interfaceVersion)
    {
        journal += L"CreateObject " + std::to_wstring(interfaceVersion) + L"\n";
        return kHasTable ? &functions : nullptr;
    }

    __declspec(dllexport) void ReleaseObject(void*) {}

    __declspec(dllexport) const char* GetVersionStr()
    {
        return "2.1.0";
    }

    __declspec(dllexport) std::uint32_t GetVersionNum()
    {
        return 2001000;
    }

    __declspec(dllexport) const wchar_t* TestBusJournal()
    {
        return journal.c_str();
    }
}
