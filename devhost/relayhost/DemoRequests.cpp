#include "DemoRequests.h"

namespace RelayHost
{

namespace
{

constexpr DemoRequest kDemoRequests[] = {
    {L"ZTS.UI.ShowScreen", LR"({"name":"scan.quick"})"},
    {L"ZTS.UI.ShowScreen", LR"({"name":"settings.general","parameters":"tab=privacy"})"},
    {L"ZTS.UI.ShowScreen", LR"({"name":"Scan.Quick"})"},
    {L"ZTS.UI.ShowWithPageID", LR"({"page_id":"quarantine_vault"})"},
    {L"ZTS.UI.ShowWithResource", LR"({"resource_name":"Scan","parameters":"a=1"})"},
    {L"ZTS.UI.OpenApp", LR"({"app_info":"qvknownapp:uihost::kesp://vrtjsres.dll::Firewall"})"},
    {L"ZTS.UI.ShowInBrowser", LR"({"url":"substlink:privacy"})"},
    {L"ZTS.UI.ShowInBrowser", LR"({"url":"https://%domain%/%lang%/account?affid=%affid%"})"},
    {L"ZTS.UI.ShowInContainer", LR"({"link":"substlink:renew","parameters":"src=tray","launch_point":3})"},
    {L"ZTS.UI.ShowInContainer", LR"({"link":"substlink:inappsupport"})"},
    {L"ZTS.UI.ShowSurfmark", LR"({})"},
    {L"ZTS.UI.OpenUrl", LR"({"url":"https://localhost/en/news","destination":0,"web_overlay_option":0})"},
    {L"ZTS.UI.OpenUrl",
     LR"({"url":"https://localhost/en/offers","destination":1,"web_overlay_option":2,"parameters":"src=alert"})"},
    {L"ZTS.UI.ShowHelp", LR"({"appid":"vrt","topic":"scan_settings","online":false})"},
    {L"ZTS.UI.ShowHelp", LR"({"appid":"vrt","topic":"firewall_rules","online":true})"},
    {L"ZTS.UI.OpenInAppSupport", LR"({"fault_id":"42","parameters":"x=1"})"},
    {L"ZTS.UI.OpenInAppSupport", LR"({"parameters":"&src=tray"})"},
    {L"ZTS.UI.OpenInAppSupport", LR"({})"},
};

} // namespace

std::span<const DemoRequest> DemoRequests()
{
    return kDemoRequests;
}

} // namespace RelayHost
