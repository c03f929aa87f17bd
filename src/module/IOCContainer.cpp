#include "module/IOCContainer.h"

namespace Basekit
{

void IOCContainer::registerFactory(std::shared_ptr<IOCFactoryInterface> factory)
{
    auto& named = factories_[factory->typeIdentity()];
    const std::wstring registrationName = factory->registrationName();
    named.erase(registrationName);
    named.emplace(registrationName, std::move(factory));
}

std::shared_ptr<void> IOCContainer::resolveType(std::type_index type, const std::wstring& registrationName) const
{
    const auto named = factories_.find(type);
    if (named == factories_.end())
    {
        return nullptr;
    }
    const auto factory = named->second.find(registrationName);
    return factory == named->second.end() ? nullptr : factory->second->resolve();
}

std::size_t IOCContainer::registrationCountOf(std::type_index type) const
{
    const auto named = factories_.find(type);
    return named == factories_.end() ? 0 : named->second.size();
}

} // namespace Basekit
