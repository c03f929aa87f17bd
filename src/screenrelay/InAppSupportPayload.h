#pragma once

#include <string>

namespace Ostrel
{

// The show-in-container payload that opens the online support page: link
// "substlink:inappsupport", and as parameters the campaign parameters, then
// "faultid=" with the fault id and the caller's parameters, each joined with
// one "&". A JSON writer builds it, so a quote or a backslash in the fault id
// or the parameters stays part of the text.
std::wstring InAppSupportPayload(const std::wstring& faultId, const std::wstring& parameters);

} // namespace Ostrel
