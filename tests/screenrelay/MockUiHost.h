#pragma once

#include "uihost/VRTCommonAPI.h"

#include <gmock/gmock.h>

namespace ScreenRelayTest
{

// Stands in for the UI host where a test needs its calls to fail or to look
// at the thread they run on.
class MockUiHost : public Ostrel::VRTCommonAPI
{
public:
    MOCK_METHOD(HRESULT, openInternal, (const wchar_t* pageId), (override));
    MOCK_METHOD(HRESULT, openApp, (const wchar_t* application), (override));
};

} // namespace ScreenRelayTest
