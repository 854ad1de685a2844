#pragma once

#include <QString>

// Every outside site the client knows, in one place. Domain texts carry no port: they are found
// as substrings of whole addresses, ignoring case. Addresses carry the port.
namespace downloads {

struct SiteTable
{
    QString epitonicDomain;
    QString epitonicHome;
    QString epitonicCdnPrefix;

    QString downloadComDomain;
    QString downloadComMusicDomain;
    QString downloadComMusicHome;
    QString downloadComRedirectorPrefix;

    QString raveDomain;
    QString raveRedirectScript;

    QString shutEmDownDomain;
    QString shutEmDownRefererPage;

    QString betterPropagandaDomain;
    QString betterPropagandaHome;
    QString lemonRedDomain;
    QString lemonRedHome;
    QString insoundDomain;
    QString insoundHome;
    QString mp3AuDomain;
    QString mp3AuHome;

    QString webSearchHost;
};

// Built from the configuration on first use and again whenever start-up has read it afresh.
const SiteTable &sourceSites();

} // namespace downloads
