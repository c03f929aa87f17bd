#include "uihost/VRTCommonAPI.h"

#include "uihost/OpenUrlInContainer.h"
#include "uihost/strInstru.h"
#include "uihost/vrtcmn.h"

namespace Ostrel
{

DWORD VRTCommonAPI::expandUrl(const wchar_t* link, wchar_t** expanded)
{
    return QvExpandKespUrl(link, expanded);
}

DWORD VRTCommonAPI::shellExecute(const wchar_t* target)
{
    return QvShellExecute(target);
}

HRESULT VRTCommonAPI::openInternal(const wchar_t* pageId)
{
    return OpenInternal(pageId);
}

HRESULT VRTCommonAPI::openUrlInContainer(const wchar_t* url, const wchar_t* parameters)
{
    return OpenUrlInContainer(url, parameters);
}

HRESULT VRTCommonAPI::openApp(const wchar_t* application)
{
    return OpenApp(application);
}

bool VRTCommonAPI::setLaunchPoint(LONG launchPoint)
{
    return SetLaunchPoint(launchPoint) == 1;
}

HRESULT VRTCommonAPI::openUrl(const wchar_t* url, DWORD destination, DWORD overlayOption, const wchar_t* parameters)
{
    return OpenUrl(url, destination, overlayOption, parameters);
}

} // namespace Ostrel
