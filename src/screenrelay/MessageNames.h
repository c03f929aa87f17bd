#pragma once

namespace Ostrel
{

// The bus messages the module serves, in the order of its handler table.
inline constexpr wchar_t kShowScreenMessage[] = L"ZTS.UI.ShowScreen";
inline constexpr wchar_t kShowInBrowserMessage[] = L"ZTS.UI.ShowInBrowser";
inline constexpr wchar_t kShowInContainerMessage[] = L"ZTS.UI.ShowInContainer";
inline constexpr wchar_t kShowWithPageIdMessage[] = L"ZTS.UI.ShowWithPageID";
inline constexpr wchar_t kShowWithResourceMessage[] = L"ZTS.UI.ShowWithResource";
inline constexpr wchar_t kShowSurfmarkMessage[] = L"ZTS.UI.ShowSurfmark";
inline constexpr wchar_t kOpenUrlMessage[] = L"ZTS.UI.OpenUrl";
inline constexpr wchar_t kShowHelpMessage[] = L"ZTS.UI.ShowHelp";
inline constexpr wchar_t kOpenAppMessage[] = L"ZTS.UI.OpenApp";
inline constexpr wchar_t kOpenInAppSupportMessage[] = L"ZTS.UI.OpenInAppSupport";

} // namespace Ostrel
