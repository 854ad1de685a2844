#pragma once

#include <string>
#include <string_view>

// The host names this server answers for, all of the form <name>.<suffix>, where the suffix is what
// the client is told to use ("localhost:8080" by default). Source addresses are built from the same
// names, so the client's site table and ours cannot drift apart.
namespace siteNames {

// Stored in the catalogue as the site of a track: keep the numbers.
enum class Site : int {
    Unknown = 0,
    Epitonic = 1,
    EpitonicCdn = 2,
    DownloadMusic = 3,
    DownloadRedirector = 4,
    Rave = 5,
    ShutEmDown = 6,
    BetterPropaganda = 7,
    LemonRed = 8,
    Insound = 9,
    Mp3Au = 10,
    Files = 11,
    Service = 12,
};

// The host name in front of the suffix ("cdn.epitonic"); empty for Unknown.
std::string_view label(Site site);

class Sites
{
public:
    // suffix: host and optional port, e.g. "localhost:8080".
    explicit Sites(std::string suffix);

    const std::string &suffix() const { return m_suffix; }
    // "epitonic.localhost:8080"
    std::string host(Site site) const;
    // "http://epitonic.localhost:8080" (no trailing slash)
    std::string base(Site site) const;
    // The site a Host header names: lower-cased, port ignored; Unknown when it is not ours.
    Site route(std::string_view hostHeader) const;
    // True when an address points at one of our hosts (the redirector only sends people there).
    bool isOwnAddress(std::string_view address) const;

private:
    std::string m_suffix;
    std::string m_suffixHost; // suffix without port, lower case
};

} // namespace siteNames
