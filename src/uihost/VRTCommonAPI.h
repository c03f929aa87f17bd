#pragma once

#include <windows.h>

namespace Ostrel
{

// The seam between the request handlers and the UI host services: one virtual
// operation per service, in this slot order, each forwarding unchanged. The
// default instance calls the services; tests stand in for it. Stateless, so
// one instance serves every thread.
class VRTCommonAPI
{
public:
    VRTCommonAPI() = default;
    VRTCommonAPI(const VRTCommonAPI&) = delete;
    VRTCommonAPI& operator=(const VRTCommonAPI&) = delete;

    // QvExpandKespUrl: *expanded comes from the COM task allocator; free it
    // with WinCOMFundamentalsAPI::freeTaskMemory.
    virtual DWORD expandUrl(const wchar_t* link, wchar_t** expanded);
    // QvShellExecute.
    virtual DWORD shellExecute(const wchar_t* target);
    // OpenInternal.
    virtual HRESULT openInternal(const wchar_t* pageId);
    // OpenUrlInContainer.
    virtual HRESULT openUrlInContainer(const wchar_t* url, const wchar_t* parameters);
    // OpenApp.
    virtual HRESULT openApp(const wchar_t* application);
    // SetLaunchPoint: true exactly when the launch point was stored.
    virtual bool setLaunchPoint(LONG launchPoint);
    // OpenUrl.
    virtual HRESULT openUrl(const wchar_t* url, DWORD destination, DWORD overlayOption, const wchar_t* parameters);

    // Declared after the operations so that they keep their slots.
    virtual ~VRTCommonAPI() = default;
};

} // namespace Ostrel
