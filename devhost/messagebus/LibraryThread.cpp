#include "LibraryThread.h"

#include <memory>
#include <utility>

namespace DevBus
{

namespace
{

// An address inside this library, to find its module handle.
const char kLibraryAnchor = 0;

struct ThreadStart
{
    Ostrel::UniqueLibrary library;
    std::function<void()> body;
};

DWORD WINAPI ThreadMain(void* parameter)
{
    HMODULE library = nullptr;
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
        start->body();
        library = start->library.release();
    }
    FreeLibraryAndExitThread(library, 0);
}

} // namespace

Ostrel::UniqueHandle StartLibraryThread(std::function<void()> body)
{
    auto start = std::make_unique<ThreadStart>(ThreadStart{{}, std::move(body)});
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&kLibraryAnchor),
                            start->library.put()))
    {
        return {};
    }
    Ostrel::UniqueHandle thread(CreateThread(nullptr, 0, &ThreadMain, start.get(), 0, nullptr));
    if (thread)
    {
        start.release();
    }
    return thread;
}

} // namespace DevBus
