#include "messagebus/Message.h"

#include "platform/OnceOnly.h"

#include <windows.h>

#include <new>

namespace Ostrel
{

namespace
{

std::uint32_t TotalSize(const std::wstring& name, const std::wstring& sender, const std::wstring& payload)
{
    const std::size_t characters = name.size() + sender.size() + payload.size();
    return static_cast<std::uint32_t>(kEmptyMessageTotalSize + characters * sizeof(wchar_t));
}

std::wstring OwnLibraryFileName()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&OwnLibraryFileName), &module))
    {
        return {};
    }
    wchar_t path[MAX_PATH] = {};
    SetLastError(0);
    GetModuleFileNameW(module, path, MAX_PATH);
    if (GetLastError() != 0)
    {
        return {};
    }
    const std::wstring text(path);
    const std::size_t slash = text.find_last_of(L'\\');
    return slash == std::wstring::npos ? text : text.substr(slash + 1);
}

constinit LazyObject<std::wstring> g_defaultSender;

} // namespace

Message::Message(std::wstring name, std::wstring sender, std::wstring payload)
    : name_(std::move(name))
    , sender_(std::move(sender))
    , payload_(std::move(payload))
    , properties_(std::make_unique<MessageProperties>(MessagePropertiesTemplate()))
{
    properties_->totalSize = TotalSize(name_, sender_, payload_);
}

Message::~Message() = default;

std::shared_ptr<Message> createMessage(const std::wstring& name, const std::wstring& sender,
                                       const std::wstring& payload)
{
    try
    {
        return std::make_shared<Message>(name, sender.empty() ? defaultMessageSender() : sender, payload);
    }
    catch (const std::bad_alloc&)
    {
        return {};
    }
}

const std::wstring& defaultMessageSender()
{
    return g_defaultSender.Get(OwnLibraryFileName);
}

} // namespace Ostrel
