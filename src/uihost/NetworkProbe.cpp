#include "uihost/NetworkProbe.h"

#include "uihost/KeepAliveCheck.h"
#include "uihost/LocalNetworkChecks.h"
#include "uihost/NetworkAPI.h"
#include "uihost/NetworkSettings.h"
#include "platform/OnceOnly.h"

#include <mutex>

#include <optional>

namespace Ostrel
{

namespace
{

constexpr WORD kSocketsVersion = MAKEWORD(1, 1);

// A manual-reset event, initially not signalled, with a null access-control
// list so that every process may open it. An existing event is opened as is.
DWORD CreateOpenEvent(const wchar_t* name, UniqueHandle& event)
{
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
    {
        return GetLastError();
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
    event.reset(CreateEventW(&attributes, TRUE, FALSE, name));
    return event ? ERROR_SUCCESS : GetLastError();
}

constinit LazyObject<NetworkProbe> g_processProbe;

} // namespace

NetworkProbe::NetworkProbe(std::shared_ptr<NetworkAPI> api)
    : api_(api ? std::move(api) : std::make_shared<NetworkAPI>())
    , exitEventName_(std::wstring(kNetExitEventPrefix) + L"_" + std::to_wstring(GetCurrentProcessId()))
{
}

NetworkProbe::~NetworkProbe() = default;

NetworkProbe& NetworkProbe::Instance()
{
    return g_processProbe.Get();
}

DWORD NetworkProbe::initialize()
{
    const std::lock_guard guard(lock_);
    if (initialized_)
    {
        return kProbeAlreadyInitialized;
    }
    DWORD status = api_->load();
    if (status == ERROR_SUCCESS)
    {
        status = createEvents();
    }
    if (status == ERROR_SUCCESS)
    {
        WSADATA data{};
        status = static_cast<DWORD>(api_->wsaStartup(kSocketsVersion, &data));
    }
    if (status == ERROR_SUCCESS)
    {
        lingerModify_.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, kNetLingerEventName));
        status = lingerModify_ ? ERROR_SUCCESS : GetLastError();
    }
    if (status != ERROR_SUCCESS)
    {
        lingerModify_.reset();
        exitEvent_.reset();
        lingerEvent_.reset();
        api_->unload();
        return status;
    }
    initialized_ = true;
    return ERROR_SUCCESS;
}

DWORD NetworkProbe::createEvents()
{
    const DWORD status = CreateOpenEvent(kNetLingerEventName, lingerEvent_);
    return status != ERROR_SUCCESS ? status : CreateOpenEvent(exitEventName_.c_str(), exitEvent_);
}

bool NetworkProbe::isInitialized()
{
    const std::lock_guard guard(lock_);
    return initialized_;
}

int NetworkProbe::isConnected(bool fullMethod, bool honourOverride)
{
    if (honourOverride)
    {
        if (const std::optional<DWORD> assumed = ReadAssumeConnected())
        {
            return *assumed > 0 ? 1 : 0;
        }
    }
    if (!isInitialized())
    {
        const DWORD status = initialize();
        if (status != ERROR_SUCCESS && status != kProbeAlreadyInitialized)
        {
            return -1;
        }
    }
    int answer = 0;
    const DWORD status = fullMethod ? fullCheck(answer) : quickCheck(answer);
    return status == ERROR_SUCCESS ? answer : -1;
}

DWORD NetworkProbe::quickCheck(int& answer)
{
    if (!isInitialized())
    {
        return kProbeNotInitialized;
    }
    const DWORD status = CheckDialUp(*api_, answer);
    if (status != ERROR_SUCCESS || answer == 1)
    {
        return status;
    }
    return CheckLocalAddress(*api_, answer);
}

DWORD NetworkProbe::fullCheck(int& answer)
{
    if (!isInitialized())
    {
        return kProbeNotInitialized;
    }
    DWORD status = CheckDialUp(*api_, answer);
    if (status != ERROR_SUCCESS || answer == 1)
    {
        return status;
    }
    status = CheckLocalAddress(*api_, answer);
    if (status != ERROR_SUCCESS || answer != 1)
    {
        return status;
    }
    return CheckKeepAliveServer(*api_, answer);
}

int IsConnected(bool fullMethod, bool honourOverride)
{
    return NetworkProbe::Instance().isConnected(fullMethod, honourOverride);
}

} // namespace Ostrel
