#pragma once

#include <QString>

namespace platform {
class WebBrowserControl;
}

// Addresses that lead out of the program: a track's source page, a web search for an artist,
// and the shop suggestions shown in the embedded browser.
namespace downloads {

// What the shop shows: the country (1..6: uk, us, ca, fr, de, jp) and the last term asked for.
struct ShopSuggestions
{
    int country = 2;
    QString lastTerm;
};

// Blanks become "%20", then "&" becomes "%26"; nothing else changes.
QString encodeQueryText(const QString &text);

// Hands an address that came from the network to the desktop, but only an http or https one
// naming a host: a file, a bare path or another scheme is ignored. True when it was handed on.
bool openOutsideAddress(const QString &address);

QString sourceHomePage(const QString &sourceAddress);
QString webSearchAddress(const QString &term);
QString shopLocaleCode(int countryNumber);

// Loads the suggestions for an already encoded term in the shop's country; remembers the term
// for the country buttons.
bool showShopSuggestions(const QString &term, ShopSuggestions &shop, platform::WebBrowserControl &browser);

} // namespace downloads
