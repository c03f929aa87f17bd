#pragma once

#include <compare>
#include <string>
#include <string_view>

namespace Ostrel
{

// A registry path kept normalised: no leading backslash, no doubled
// backslashes, and a closing backslash once anything is set.
class QvRegistryPath
{
public:
    QvRegistryPath() = default;
    explicit QvRegistryPath(std::wstring_view text) { Set(text); }
    virtual ~QvRegistryPath() = default;
    QvRegistryPath(const QvRegistryPath&) = default;
    QvRegistryPath& operator=(const QvRegistryPath&) = default;

    // Replaces the path with the normalised text; an empty text changes nothing.
    void Set(std::wstring_view text);
    // Adds the normalised text to the end; an empty text changes nothing.
    void Append(std::wstring_view text);

    const std::wstring& Text() const { return path_; }
    // The path without its closing backslash, as the registry functions take it.
    std::wstring KeyName() const;

    std::strong_ordering operator<=>(const QvRegistryPath& other) const { return path_ <=> other.path_; }
    bool operator==(const QvRegistryPath& other) const { return path_ == other.path_; }

private:
    std::wstring path_;
};

} // namespace Ostrel
