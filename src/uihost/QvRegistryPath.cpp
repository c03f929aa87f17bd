#include "uihost/QvRegistryPath.h"

namespace Ostrel
{

namespace
{

// The text without leading backslashes, with every run of backslashes made
// one, and ending in a backslash; empty when nothing but backslashes is left.
std::wstring Normalised(std::wstring_view text)
{
    std::wstring result;
    result.reserve(text.size() + 1);
    for (wchar_t c : text)
    {
        if (c == L'\\' && (result.empty() || result.back() == L'\\'))
        {
            continue;
        }
        result.push_back(c);
    }
    if (!result.empty() && result.back() != L'\\')
    {
        result.push_back(L'\\');
    }
    return result;
}

} // namespace

void QvRegistryPath::Set(std::wstring_view text)
{
    if (!text.empty())
    {
        path_ = Normalised(text);
    }
}

void QvRegistryPath::Append(std::wstring_view text)
{
    if (!text.empty())
    {
        path_ += Normalised(text);
    }
}

std::wstring QvRegistryPath::KeyName() const
{
    return path_.empty() ? path_ : path_.substr(0, path_.size() - 1);
}

} // namespace Ostrel
