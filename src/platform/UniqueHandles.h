#pragma once

// Move-only owners of the Windows handles this code closes. The header depends
// on Windows and the C runtime only, so that every layer may include it.
//
// Each owner offers get() (borrow), put() (close what is held and receive a new
// handle from a Windows out-parameter), release() (give up ownership) and
// reset() (close what is held, optionally take another).

#include <windows.h>

#include <bcrypt.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <utility>

namespace Ostrel
{

template <typename Traits>
class UniqueResource
{
public:
    using pointer = typename Traits::pointer;

    UniqueResource() noexcept = default;
    explicit UniqueResource(pointer value) noexcept
        : value_(value)
    {
    }
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept
        : value_(other.release())
    {
    }
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
        {
            reset(other.release());
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    pointer get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    pointer* put() noexcept
    {
        reset();
        return &value_;
    }

    [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

    void reset(pointer value = Traits::invalid()) noexcept
    {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::invalid())
        {
            Traits::close(old);
        }
    }

private:
    pointer value_ = Traits::invalid();
};

namespace handle_traits
{

// Events, mutexes, threads, processes: "no handle" is null.
struct Kernel
{
    using pointer = HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::CloseHandle(value); }
};

// CreateFileW and friends: "no handle" is INVALID_HANDLE_VALUE.
struct File
{
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer value) noexcept { ::CloseHandle(value); }
};

// FindFirstFileW searches: "no handle" is INVALID_HANDLE_VALUE.
struct FindFile
{
    using pointer = HANDLE;
    static pointer invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(pointer value) noexcept { ::FindClose(value); }
};

struct RegKey
{
    using pointer = HKEY;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::RegCloseKey(value); }
};

struct Library
{
    using pointer = HMODULE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::FreeLibrary(value); }
};

struct HashAlgorithm
{
    using pointer = BCRYPT_ALG_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::BCryptCloseAlgorithmProvider(value, 0); }
};

struct Hash
{
    using pointer = BCRYPT_HASH_HANDLE;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::BCryptDestroyHash(value); }
};

// Text the shell or COM hands out from the task allocator.
struct TaskString
{
    using pointer = wchar_t*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::CoTaskMemFree(value); }
};

// Strings of the automation allocator (SysAllocString).
struct Bstr
{
    using pointer = BSTR;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { ::SysFreeString(value); }
};

struct CFile
{
    using pointer = std::FILE*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer value) noexcept { std::fclose(value); }
};

} // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Kernel>;
using UniqueFileHandle = UniqueResource<handle_traits::File>;
using UniqueFindHandle = UniqueResource<handle_traits::FindFile>;
using UniqueRegKey = UniqueResource<handle_traits::RegKey>;
using UniqueLibrary = UniqueResource<handle_traits::Library>;
using UniqueHashAlgorithm = UniqueResource<handle_traits::HashAlgorithm>;
using UniqueHash = UniqueResource<handle_traits::Hash>;
using UniqueTaskString = UniqueResource<handle_traits::TaskString>;
using UniqueBstr = UniqueResource<handle_traits::Bstr>;
using UniqueCFile = UniqueResource<handle_traits::CFile>;

} // namespace Ostrel
