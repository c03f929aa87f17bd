// A module library for testing the development host: each entry point journals
// its call (component "FakeModule"), so that a test sees the order in which
// the host drove it, also across the library's unloading. A handler acts on
// its payload: "unload" asks the host to unload the module and journals
// "HandlerReturning" after the callback has returned; "wait-unload" first
// waits (up to 30 s) for the named event "FakeModuleGo"; "fail" returns
// MODULE_STATUS_UNSUCCESSFUL; "ask-settings" requests the setting
// "renew_button_show" with "VEZir.PDSettings.Request" on the host's bus and
// journals "SettingsAnswer" with the answer's payload, or "timeout" when the bus
// reported no answer; anything else returns 0. Initialized with the host's bus
// (V2), it also subscribes to "ZTS.UI.Fake" there. A module named "FailInit"
// fails to initialize.

#include "Journal.h"
#include "messagebus/MessageBusFunctions.h"
#include "module/ModuleInterface.h"
#include "platform/UniqueHandles.h"

#include <chrono>
#include <future>
#include <string>

namespace
{

using namespace Ostrel;

constexpr wchar_t kComponent[] = L"FakeModule";

struct FakeModule
{
    std::wstring name;
    void* hostContext = nullptr;
    UnloadModuleCallback unload = nullptr;
    void* busHandle = nullptr;
    const MessageBusFunctions* bus = nullptr;
    std::uint32_t subscription = 0;
};

void Journal(const wchar_t* call, const std::wstring& argument = {})
{
    DevHost::JournalCall(kComponent, call, {{L"", L"", argument}});
}

ModuleStatus OnSettingsAnswer(void* context, std::uint64_t, const MessageProperties*, const wchar_t*, const wchar_t*,
                              const wchar_t* payload, std::uint32_t busStatus)
{
    static_cast<std::promise<std::wstring>*>(context)->set_value(busStatus == MODULE_STATUS_SUCCESS ? payload
                                                                                                    : L"timeout");
    return MODULE_STATUS_SUCCESS;
}

void AskSettings(FakeModule& module)
{
    std::promise<std::wstring> answer;
    MessageProperties record{};
    record.kind = 1;
    record.version = 2;
    const ModuleStatus requested =
        module.bus->request(module.busHandle, 0, &answer, &OnSettingsAnswer, &record, L"VEZir.PDSettings.Request",
                            module.name.c_str(), L"renew_button_show", 5000);
    if (requested != MODULE_STATUS_SUCCESS)
    {
        Journal(L"SettingsAnswer", L"refused");
        return;
    }
    // The bus calls back exactly once, at the latest when the request's 5 s
    // have passed.
    auto answered = answer.get_future();
    Journal(L"SettingsAnswer", answered.wait_for(std::chrono::seconds(30)) == std::future_status::ready
                                   ? answered.get()
                                   : L"no reply call");
}

ModuleStatus Handle(FakeModule& module, const wchar_t* payload)
{
    const std::wstring request = payload;
    if (request == L"ask-settings" && module.bus != nullptr)
    {
        AskSettings(module);
    }
    if (request == L"wait-unload")
    {
        const Ostrel::UniqueHandle go(OpenEventW(SYNCHRONIZE, FALSE, L"FakeModuleGo"));
        WaitForSingleObject(go.get(), 30000);
    }
    if (request == L"unload" || request == L"wait-unload")
    {
        module.unload(module.hostContext, module.name.c_str(), nullptr);
        Journal(L"HandlerReturning");
    }
    return request == L"fail" ? MODULE_STATUS_UNSUCCESSFUL : MODULE_STATUS_SUCCESS;
}

ModuleStatus Deliver(void* context, const MessageProperties*, const wchar_t*, const wchar_t*, const wchar_t* payload)
{
    Journal(L"Delivered", payload);
    return Handle(*static_cast<FakeModule*>(context), payload);
}

ModuleStatus NewModule(ModuleHandle* handle, const wchar_t* name)
{
    Journal(L"NewModule", name);
    *handle = new FakeModule{name};
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus DestroyModule(ModuleHandle handle)
{
    Journal(L"DestroyModule");
    delete static_cast<FakeModule*>(handle);
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus Initialize(const wchar_t* call, ModuleHandle handle, const wchar_t* name, void* context,
                        UnloadModuleCallback unload)
{
    Journal(call, name);
    auto& module = *static_cast<FakeModule*>(handle);
    module.hostContext = context;
    module.unload = unload;
    return module.name == L"FailInit" ? MODULE_STATUS_UNSUCCESSFUL : MODULE_STATUS_SUCCESS;
}

ModuleStatus InitializeModule(ModuleHandle handle, const wchar_t* name, const wchar_t*, std::uint32_t,
                              const wchar_t* const*, const wchar_t* const*, void* context, UnloadModuleCallback unload)
{
    return Initialize(L"InitializeModule", handle, name, context, unload);
}

ModuleStatus InitializeModuleV2(ModuleHandle handle, const wchar_t* name, const wchar_t*, std::uint32_t,
                                const wchar_t* const*, const wchar_t* const*, void* context,
                                UnloadModuleCallback unload, void* busHandle, void* busFunctions)
{
    const ModuleStatus status = Initialize(L"InitializeModuleV2", handle, name, context, unload);
    auto& module = *static_cast<FakeModule*>(handle);
    module.busHandle = busHandle;
    module.bus = static_cast<const MessageBusFunctions*>(busFunctions);
    module.subscription = module.bus->subscribe(busHandle, &module, &Deliver, L"ZTS.UI.Fake");
    return status;
}

ModuleStatus StartModule(ModuleHandle)
{
    Journal(L"StartModule");
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus StopModule(ModuleHandle)
{
    Journal(L"StopModule");
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus UninitializeModule(ModuleHandle handle)
{
    Journal(L"UninitializeModule");
    auto& module = *static_cast<FakeModule*>(handle);
    if (module.subscription != 0)
    {
        module.bus->unsubscribe(module.busHandle, module.subscription);
        module.subscription = 0;
    }
    return MODULE_STATUS_SUCCESS;
}

ModuleStatus DirectMessage(ModuleHandle handle, const MessageProperties*, const wchar_t*, const wchar_t*,
                           const wchar_t* payload)
{
    Journal(L"DirectMessage", payload);
    return Handle(*static_cast<FakeModule*>(handle), payload);
}

constexpr ModuleFunctionTable kTable = {&NewModule,  &DestroyModule,      &InitializeModule, &StartModule,
                                        &StopModule, &UninitializeModule, &DirectMessage,    &InitializeModuleV2};

} // namespace

extern "C"
{
    const ModuleFunctionTable* CreateObject(std::uint32_t)
    {
        return &kTable;
    }

    void ReleaseObject(void*) {}
}
