#include "ActiveCalls.h"

#include <algorithm>

namespace DevBus
{

ActiveCalls::Scope::Scope(ActiveCalls& calls, const Call& call)
    : calls_(calls)
{
    std::lock_guard lock(calls_.mutex_);
    position_ = calls_.running_.insert(calls_.running_.end(), call);
}

ActiveCalls::Scope::~Scope()
{
    {
        std::lock_guard lock(calls_.mutex_);
        calls_.running_.erase(position_);
    }
    calls_.ended_.notify_all();
}

void ActiveCalls::waitUntilIdle(void* client, std::uint32_t subscriptionId, Ostrel::BusReplyEntryPoint replyEntryPoint)
{
    const DWORD self = GetCurrentThreadId();
    const auto matches = [&](const Call& call)
    {
        return call.client == client && call.threadId != self &&
               (subscriptionId == 0 || call.subscriptionId == subscriptionId) &&
               (replyEntryPoint == nullptr || call.replyEntryPoint == replyEntryPoint);
    };
    std::unique_lock lock(mutex_);
    ended_.wait(lock, [&] { return std::none_of(running_.begin(), running_.end(), matches); });
}

} // namespace DevBus
