#pragma once

#include "uihost/QvRegistryPath.h"

#include <windows.h>

#include <compare>

namespace Ostrel
{

// One registry location of the settings override: a key under a predefined
// root with a priority (higher wins).
class QvHive
{
public:
    QvHive(HKEY root, const QvRegistryPath& path, DWORD priority, DWORD enabled)
        : root(root)
        , path(path)
        , priority(priority)
        , enabled(enabled)
    {
    }
    virtual ~QvHive() = default;
    QvHive(const QvHive&) = default;
    QvHive& operator=(const QvHive&) = default;

    // Ordered by priority, then by path text.
    bool operator<(const QvHive& other) const
    {
        if (priority != other.priority)
        {
            return priority < other.priority;
        }
        return path < other.path;
    }

    HKEY root;
    QvRegistryPath path;
    DWORD priority;
    DWORD enabled;
};

} // namespace Ostrel
