#include "downloads/sourceSites.h"

#include "core/configuration.h"

#include <optional>

namespace downloads {

namespace {
// The table and the configuration reading it was built from.
struct BuiltTable
{
    SiteTable sites;
    int generation = 0;
};

std::optional<BuiltTable> &table()
{
    static std::optional<BuiltTable> value;
    return value;
}

SiteTable build()
{
    const QString domain = core::siteDomainSuffix();
    const QString suffix = core::siteSuffix();
    auto host = [&](const char *name) { return QString::fromLatin1(name) + QLatin1Char('.') + domain; };
    auto address = [&](const char *name, const char *path) {
        return QStringLiteral("http://") + QString::fromLatin1(name) + QLatin1Char('.') + suffix +
               QString::fromLatin1(path);
    };
    auto setting = [](const char *key, const QString &fallback) {
        return core::configValue(QStringLiteral("sites/") + QString::fromLatin1(key), fallback);
    };

    SiteTable t;
    t.epitonicDomain = setting("epitonicDomain", host("epitonic"));
    t.epitonicHome = setting("epitonicHome", address("epitonic", "/"));
    t.epitonicCdnPrefix =
        setting("epitonicCdnPrefix", address("cdn.epitonic", "/o1/epi_files/reg/songs/mp3/"));
    t.downloadComDomain = setting("downloadComDomain", host("download"));
    t.downloadComMusicDomain = setting("downloadComMusicDomain", host("music.download"));
    t.downloadComMusicHome = setting("downloadComMusicHome", address("music.download", "/"));
    t.downloadComRedirectorPrefix =
        setting("downloadComRedirectorPrefix", address("dl.download", "/redir?&destUrl="));
    t.raveDomain = setting("raveDomain", host("rave"));
    t.raveRedirectScript = setting("raveRedirectScript", address("rave", "/music.php?redirect="));
    t.shutEmDownDomain = setting("shutEmDownDomain", host("shutemdown"));
    t.shutEmDownRefererPage = setting("shutEmDownRefererPage", address("shutemdown", "/pebtn2000.htm"));
    t.betterPropagandaDomain = setting("betterPropagandaDomain", host("betterpropaganda"));
    t.betterPropagandaHome = setting("betterPropagandaHome", address("betterpropaganda", "/"));
    t.lemonRedDomain = setting("lemonRedDomain", host("lemonred"));
    t.lemonRedHome = setting("lemonRedHome", address("lemonred", "/"));
    t.insoundDomain = setting("insoundDomain", host("insound"));
    t.insoundHome = setting("insoundHome", address("insound", "/"));
    t.mp3AuDomain = setting("mp3AuDomain", host("mp3au"));
    t.mp3AuHome = setting("mp3AuHome", address("mp3au", "/"));
    t.webSearchHost = setting("webSearchHost", QStringLiteral("www.google.com"));
    return t;
}
} // namespace

const SiteTable &sourceSites()
{
    const int generation = core::configurationGeneration();
    if (!table() || table()->generation != generation)
        table() = BuiltTable{build(), generation};
    return table()->sites;
}

} // namespace downloads
