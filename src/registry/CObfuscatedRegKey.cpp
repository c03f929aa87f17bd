#include "registry/CObfuscatedRegKey.h"

#include <utility>

namespace Basekit
{

CObfuscatedRegKey::CObfuscatedRegKey()
    : CRegKey(std::make_shared<CObfuscatedRegKeyImpl>())
{
}

CObfuscatedRegKey::CObfuscatedRegKey(std::shared_ptr<CObfuscatedRegKeyImpl> impl)
    : CRegKey(impl != nullptr ? std::move(impl) : std::make_shared<CObfuscatedRegKeyImpl>())
{
}

} // namespace Basekit
