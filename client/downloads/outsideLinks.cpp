#include "downloads/outsideLinks.h"

#include "core/appGlobals.h"
#include "core/httpGlobals.h"
#include "downloads/sourceSites.h"
#include "http/httpAgent.h"
#include "platform/webBrowserControl.h"

namespace webService {

QString encodeQueryText(const QString &text)
{
    QString encoded = text;
    encoded.replace(QLatin1Char(' '), QLatin1String("%20"));
    encoded.replace(QLatin1Char('&'), QLatin1String("%26"));
    return encoded;
}

QString sourceHomePage(const QString &sourceAddress)
{
    const auto &s = sourceSites::sites();
    auto has = [&](const QString &domain) {
        return !domain.isEmpty() && sourceAddress.contains(domain, Qt::CaseInsensitive);
    };
    // Each test on its own: a later match wins.
    QString page;
    if (has(s.downloadComMusicDomain))
        page = sourceAddress;
    if (has(s.epitonicDomain))
        page = s.epitonicHome;
    if (has(s.betterPropagandaDomain))
        page = s.betterPropagandaHome;
    if (has(s.lemonRedDomain))
        page = s.lemonRedHome;
    if (has(s.insoundDomain))
        page = s.insoundHome;
    if (has(s.mp3AuDomain))
        page = s.mp3AuHome;
    if (page.isEmpty())
        page = QStringLiteral("http://") + httpAgent::hostFromUrl(sourceAddress) + QLatin1Char('/');
    return page;
}

QString webSearchAddress(const QString &term)
{
    QString encoded = term;
    encoded.replace(QLatin1Char('+'), QLatin1String("%2B"));
    encoded.replace(QLatin1Char(' '), QLatin1Char('+'));
    encoded.replace(QLatin1Char('&'), QLatin1String("%26"));
    return QStringLiteral("http://") + sourceSites::sites().webSearchHost + QStringLiteral("/search?hl=en&q=")
           + encoded + QStringLiteral("&btnG=Google+Search&meta=");
}

QString shopLocaleCode(int countryNumber)
{
    switch (countryNumber) {
    case 1:
        return QStringLiteral("uk");
    case 3:
        return QStringLiteral("ca");
    case 4:
        return QStringLiteral("fr");
    case 5:
        return QStringLiteral("de");
    case 6:
        return QStringLiteral("jp");
    default:
        return QStringLiteral("us");
    }
}

bool showShopSuggestions(const QString &term, int countryNumber, platform::WebBrowserControl &browser)
{
    const QString address = httpGlobals::serverBaseUrl + QStringLiteral("trelvoAmazonSearch.php?searchTerm=") + term
                            + QStringLiteral("&locale=") + shopLocaleCode(countryNumber);
    browser.navigate(address);
    appLocalisation::lastShopTerm = term;
    return true;
}

} // namespace webService
