#pragma once

#include "module/ModuleManagerShim.h"
#include "screenrelay/MockMessageBus.h"
#include "screenrelay/MockUiHost.h"
#include "screenrelay/ScreenRelayImpl.h"

#include <gmock/gmock.h>

#include <objbase.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ScreenRelayTest
{

// A mapping definition of two screens.
inline const std::wstring kTwoScreens =
    LR"({"screens":[{"name":"scan.quick","page_id":"scan_quick_page"},{"name":"dashboard.home","page_id":"home"}]})";

// The host's side of unloading: counts the requests and runs an optional
// check inside each.
class UnloadRequests
{
public:
    static Ostrel::ModuleStatus Callback(void* context, const wchar_t* moduleName, void* reserved)
    {
        auto* self = static_cast<UnloadRequests*>(context);
        self->names_.push_back(moduleName);
        EXPECT_EQ(reserved, nullptr);
        if (self->inside_)
        {
            self->inside_();
        }
        ++self->count_;
        return self->answer_;
    }

    int Count() const { return count_; }
    const std::vector<std::wstring>& Names() const { return names_; }
    void OnEach(std::function<void()> inside) { inside_ = std::move(inside); }
    void Answer(Ostrel::ModuleStatus answer) { answer_ = answer; }

private:
    std::atomic<int> count_{0};
    std::vector<std::wstring> names_;
    std::function<void()> inside_;
    Ostrel::ModuleStatus answer_ = Ostrel::MODULE_STATUS_SUCCESS;
};

// A module object over a mocked bus, UI host, task allocator, registry
// reader and connectivity check (offline unless told otherwise),
// base-initialized as the entry points do it. A UI host or registry reader
// given here replaces its mock. Subscriptions are accepted and kept by name.
class ModuleUnderTest
{
public:
    explicit ModuleUnderTest(const std::wstring& mappingDefinition = kTwoScreens,
                             std::shared_ptr<Ostrel::VRTCommonAPI> uiHost = nullptr,
                             std::shared_ptr<Ostrel::QvRegAPI> registry = nullptr)
        : uiHost_(std::make_shared<::testing::NiceMock<MockUiHost>>())
        , taskMemory_(std::make_shared<::testing::NiceMock<MockTaskMemory>>())
        , registry_(std::make_shared<::testing::NiceMock<MockRegistry>>())
        , connectivity_(std::make_shared<::testing::NiceMock<MockConnectivityCheck>>())
        , bus_(std::make_shared<::testing::NiceMock<MockMessageBus>>())
        , module_(std::make_unique<Ostrel::ScreenRelayImpl>(mappingDefinition, taskMemory_,
                                                            uiHost ? std::move(uiHost) : uiHost_,
                                                            registry ? std::move(registry) : registry_, connectivity_))
    {
        using ::testing::_;
        ON_CALL(*taskMemory_, freeTaskMemory(_)).WillByDefault(CoTaskMemFree);
        ON_CALL(*bus_, subscribeInSession(_, _))
            .WillByDefault(
                [this](const std::wstring& name, Ostrel::MessageHandler handler)
                {
                    subscriptions_.emplace_back(name, std::move(handler));
                    return Ostrel::MODULE_STATUS_SUCCESS;
                });
        EXPECT_EQ(module_->baseInitialize(
                      L"ScreenRelay", L"info", {},
                      std::make_shared<Ostrel::internal::ModuleManagerShim>(&unloads_, &UnloadRequests::Callback),
                      bus_),
                  Ostrel::MODULE_STATUS_SUCCESS);
    }

    Ostrel::ScreenRelayImpl& Module() { return *module_; }
    MockUiHost& UiHost() { return *uiHost_; }
    MockTaskMemory& TaskMemory() { return *taskMemory_; }
    MockRegistry& Registry() { return *registry_; }
    MockConnectivityCheck& Connectivity() { return *connectivity_; }
    MockMessageBus& Bus() { return *bus_; }
    UnloadRequests& Unloads() { return unloads_; }
    // Message names in the order they were subscribed, with their handlers.
    const std::vector<std::pair<std::wstring, Ostrel::MessageHandler>>& Subscriptions() const { return subscriptions_; }

private:
    UnloadRequests unloads_;
    std::vector<std::pair<std::wstring, Ostrel::MessageHandler>> subscriptions_;
    std::shared_ptr<::testing::NiceMock<MockUiHost>> uiHost_;
    std::shared_ptr<::testing::NiceMock<MockTaskMemory>> taskMemory_;
    std::shared_ptr<::testing::NiceMock<MockRegistry>> registry_;
    std::shared_ptr<::testing::NiceMock<MockConnectivityCheck>> connectivity_;
    std::shared_ptr<::testing::NiceMock<MockMessageBus>> bus_;
    std::unique_ptr<Ostrel::ScreenRelayImpl> module_;
};

} // namespace ScreenRelayTest
