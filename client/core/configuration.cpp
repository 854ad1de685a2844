#include "core/configuration.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <memory>

namespace core {

namespace {
std::unique_ptr<QSettings> &settingsFile()
{
    static std::unique_ptr<QSettings> file;
    return file;
}

int generation = 0;

QSettings *ini()
{
    auto &file = settingsFile();
    if (!file) {
        QString path = qEnvironmentVariable("SONAVEX_CONFIG");
        if (path.isEmpty())
            path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                   QStringLiteral("/Sonavex/sonavex.ini");
        file = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }
    return file.get();
}
} // namespace

QString configValue(const QString &key, const QString &defaultValue)
{
    const QVariant stored = ini()->value(key);
    if (!stored.isValid())
        return defaultValue;
    const QString text = stored.toString();
    return text.isEmpty() ? defaultValue : text;
}

QString siteSuffix()
{
    QString suffix = qEnvironmentVariable("SONAVEX_SITE_SUFFIX");
    if (suffix.isEmpty())
        suffix = configValue(QStringLiteral("siteSuffix"), QStringLiteral("localhost:8080"));
    return suffix;
}

QString siteDomainSuffix()
{
    const QString suffix = siteSuffix();
    const int colon = suffix.indexOf(QLatin1Char(':'));
    return colon < 0 ? suffix : suffix.left(colon);
}

QString configuredServerBaseUrl()
{
    QString url = qEnvironmentVariable("SONAVEX_SERVER_URL");
    if (url.isEmpty())
        url = configValue(QStringLiteral("serverBaseUrl"),
                          QStringLiteral("http://sonavex.") + siteSuffix() + QLatin1Char('/'));
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    return url;
}

void reloadConfiguration()
{
    settingsFile().reset();
    ++generation;
}

int configurationGeneration()
{
    return generation;
}

} // namespace core
