#pragma once

#include <QString>

// Host names and addresses are configuration: built-in defaults point at the bundled server on
// this machine; an INI file ($SONAVEX_CONFIG, else ~/.config/Sonavex/sonavex.ini) may set any
// value; SONAVEX_SERVER_URL and SONAVEX_SITE_SUFFIX override the defaults.
namespace core {

// The INI value for key, or defaultValue.
QString configValue(const QString &key, const QString &defaultValue);

// "localhost:8080" unless told otherwise; every outside host is <name>.<siteSuffix>.
QString siteSuffix();

// The suffix without its port: domain texts are matched inside addresses and carry none.
QString siteDomainSuffix();

// "http://sonavex.<siteSuffix>/", always ending in "/".
QString configuredServerBaseUrl();

// Reads the INI file and the environment afresh; start-up does this once.
void reloadConfiguration();

// Counts the readings: values derived from the configuration are rebuilt when it changes.
int configurationGeneration();

} // namespace core
