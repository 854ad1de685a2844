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

QString sourceHomePage(const QString &sourceAddress);
QString webSearchAddress(const QString &term);
QString shopLocaleCode(int countryNumber);

// Loads the suggestions for an already encoded term in the shop's country; remembers the term
// for the country buttons.
bool showShopSuggestions(const QString &term, ShopSuggestions &shop, platform::WebBrowserControl &browser);

} // namespace downloads
