#pragma once

#include <windows.h>

namespace Basekit::internal
{

// Owns one registry key handle and closes it when it goes.
class UniqueRegKey
{
public:
    UniqueRegKey() = default;
    ~UniqueRegKey() { reset(); }
    UniqueRegKey(const UniqueRegKey&) = delete;
    UniqueRegKey& operator=(const UniqueRegKey&) = delete;

    HKEY get() const { return key_; }
    // Closes the handle held and receives a new one from a Windows call.
    HKEY* put()
    {
        reset();
        return &key_;
    }
    void reset()
    {
        if (key_ != nullptr)
        {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }

private:
    HKEY key_ = nullptr;
};

} // namespace Basekit::internal
