#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>

namespace Basekit
{

// The name a registration gets when none is given.
inline constexpr wchar_t kUnnamedRegistration[] = L"Unnamed registration";

// Makes the products of one interface under one registration name.
class IOCFactoryInterface
{
public:
    virtual ~IOCFactoryInterface() = default;
    virtual std::type_index typeIdentity() const = 0;
    virtual const std::wstring& registrationName() const = 0;
    // The product, untyped; it points to an object of the interface type.
    virtual std::shared_ptr<void> resolve() = 0;
};

// A factory for interface T; subclasses decide how a product is made.
template <typename T>
class IOCBaseFactory : public IOCFactoryInterface
{
public:
    explicit IOCBaseFactory(std::wstring registrationName)
        : registrationName_(std::move(registrationName))
    {
    }

    std::type_index typeIdentity() const override { return typeid(T); }
    const std::wstring& registrationName() const override { return registrationName_; }
    std::shared_ptr<void> resolve() override { return create(); }
    virtual std::shared_ptr<T> create() = 0;

private:
    std::wstring registrationName_;
};

// Every resolution yields the same existing instance.
template <typename T>
class IOCInstanceReturningFactory : public IOCBaseFactory<T>
{
public:
    IOCInstanceReturningFactory(std::wstring registrationName, std::shared_ptr<T> instance)
        : IOCBaseFactory<T>(std::move(registrationName))
        , instance_(std::move(instance))
    {
    }

    std::shared_ptr<T> create() override { return instance_; }

private:
    std::shared_ptr<T> instance_;
};

// Factories keyed by the interface they make and then by registration name.
// Not thread-safe: registrations happen during initialization.
class IOCContainer
{
public:
    // Stores the factory under its interface and name, replacing (and
    // releasing) a factory already registered there.
    void registerFactory(std::shared_ptr<IOCFactoryInterface> factory);

    template <typename T>
    void registerInstance(std::shared_ptr<T> instance, const std::wstring& registrationName = kUnnamedRegistration)
    {
        registerFactory(std::make_shared<IOCInstanceReturningFactory<T>>(registrationName, std::move(instance)));
    }

    // The product registered for T under the name; empty when there is none.
    template <typename T>
    std::shared_ptr<T> resolve(const std::wstring& registrationName = kUnnamedRegistration) const
    {
        return std::static_pointer_cast<T>(resolveType(typeid(T), registrationName));
    }

    // How many names are registered for T.
    template <typename T>
    std::size_t registrationCount() const
    {
        return registrationCountOf(typeid(T));
    }

private:
    std::shared_ptr<void> resolveType(std::type_index type, const std::wstring& registrationName) const;
    std::size_t registrationCountOf(std::type_index type) const;

    std::unordered_map<std::type_index, std::map<std::wstring, std::shared_ptr<IOCFactoryInterface>>> factories_;
};

} // namespace Basekit
