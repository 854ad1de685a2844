#include "downloads/outsideLinks.h"

#include "core/settings.h"
#include "downloads/sourceSites.h"
#include "http/httpAgent.h"
#include "platform/shellOpen.h"
#include "platform/webBrowserControl.h"

#include <QUrl>

namespace downloads {

QString encodeQueryText(const QString &text)
{
    QString encoded = text;
    encoded.replace(QLatin1Char(' '), QLatin1String("%20"));
    encoded.replace(QLatin1Char('&'), QLatin1String("%26"));
    return encoded;
}

bool openOutsideAddress(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty())
        return false;
    platform::shellOpen(address);
    return true;
}

QString sourceHomePage(const QString &sourceAddress)
{
    const auto &s = downloads::sourceSites();
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
        page = QStringLiteral("http://") + http::hostFromUrl(sourceAddress) + QLatin1Char('/');
    return page;
}

QString webSearchAddress(const QString &term)
{
    QString encoded = term;
    encoded.replace(QLatin1Char('+'), QLatin1String("%2B"));
    encoded.replace(QLatin1Char(' '), QLatin1Char('+'));
    encoded.replace(QLatin1Char('&'), QLatin1String("%26"));
    return QStringLiteral("http://") + downloads::sourceSites().webSearchHost +
           QStringLiteral("/search?hl=en&q=") + encoded + QStringLiteral("&btnG=Google+Search&meta=");
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

bool showShopSuggestions(const QString &term, ShopSuggestions &shop, platform::WebBrowserControl &browser)
{
    const QString address = core::settings().serverBaseUrl +
                            QStringLiteral("trelvoAmazonSearch.php?searchTerm=") + term +
                            QStringLiteral("&locale=") + shopLocaleCode(shop.country);
    browser.navigate(address);
    shop.lastTerm = term;
    return true;
}

} // namespace downloads
