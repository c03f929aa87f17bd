#pragma once

#include "screenrelay/ConnectivityCheck.h"
#include "uihost/QvRegAPI.h"
#include "uihost/VRTCommonAPI.h"
#include "uihost/WinCOMFundamentalsAPI.h"

#include <gmock/gmock.h>

namespace ScreenRelayTest
{

// Stands in for the UI host where a test needs its calls to fail or to look
// at the thread they run on.
class MockUiHost : public Ostrel::VRTCommonAPI
{
public:
    MOCK_METHOD(DWORD, expandUrl, (const wchar_t* link, wchar_t** expanded), (override));
    MOCK_METHOD(DWORD, shellExecute, (const wchar_t* target), (override));
    MOCK_METHOD(HRESULT, openInternal, (const wchar_t* pageId), (override));
    MOCK_METHOD(HRESULT, openUrlInContainer, (const wchar_t* url, const wchar_t* parameters), (override));
    MOCK_METHOD(HRESULT, openApp, (const wchar_t* application), (override));
    MOCK_METHOD(bool, setLaunchPoint, (LONG launchPoint), (override));
    MOCK_METHOD(HRESULT, openUrl,
                (const wchar_t* url, DWORD destination, DWORD overlayOption, const wchar_t* parameters), (override));
};

// Stands in for the registry reader of the web-safety page's link.
class MockRegistry : public Ostrel::QvRegAPI
{
public:
    MOCK_METHOD(LONG, readValue,
                (HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes,
                 DWORD flags),
                (override));
};

// Stands in for the COM task allocator, to see what is given back.
class MockTaskMemory : public Ostrel::WinCOMFundamentalsAPI
{
public:
    MOCK_METHOD(void, freeTaskMemory, (void* memory), (override));
};

// Decides whether the machine is online.
class MockConnectivityCheck : public Ostrel::ConnectivityCheck
{
public:
    MOCK_METHOD(int, isConnected, (), (override));
};

} // namespace ScreenRelayTest
