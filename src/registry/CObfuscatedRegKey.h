#pragma once

#include "registry/CObfuscatedRegKeyImpl.h"
#include "registry/CRegKey.h"

#include <memory>

namespace Basekit
{

// A registry key whose string values are stored scrambled (see
// CObfuscatedRegKeyImpl); otherwise exactly a CRegKey.
class CObfuscatedRegKey : public CRegKey
{
public:
    CObfuscatedRegKey();
    // Shares an existing implementation; a null one is replaced by a fresh one.
    explicit CObfuscatedRegKey(std::shared_ptr<CObfuscatedRegKeyImpl> impl);
};

} // namespace Basekit
