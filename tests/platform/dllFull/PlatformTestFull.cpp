// A framework library in miniature: the four entry points and a version
// resource, for the loading tests to find, check, load and bind.

#include <cstdint>

namespace
{
int object = 0;
}

extern "C"
{
    void* CreateObject(std::uint32_t)
    {
        return &object;
    }

    void ReleaseObject(void*) {}

    const char* GetVersionStr()
    {
        return "7.3.2";
    }

    std::uint32_t GetVersionNum()
    {
        return 7003002;
    }
}
