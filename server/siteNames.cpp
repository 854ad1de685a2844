#include "siteNames.h"

#include "textCodec.h"

#include <array>

namespace siteNames {

namespace {

constexpr std::array<std::string_view, 13> labels = {
    "",      "epitonic",   "cdn.epitonic",     "music.download", "dl.download",
    "rave",  "shutemdown", "betterpropaganda", "lemonred",       "insound",
    "mp3au", "files",      "sonavex",
};

std::string_view withoutPort(std::string_view host)
{
    if (!host.empty() && host.front() == '[')
        return host; // IPv6 literals are never ours
    const size_t colon = host.rfind(':');
    return colon == std::string_view::npos ? host : host.substr(0, colon);
}

} // namespace

std::string_view label(Site site)
{
    const auto index = static_cast<size_t>(site);
    return index < labels.size() ? labels[index] : std::string_view();
}

Sites::Sites(std::string suffix) : m_suffix(std::move(suffix))
{
    m_suffixHost = textCodec::toLowerAscii(withoutPort(m_suffix));
}

std::string Sites::host(Site site) const
{
    return std::string(label(site)) + '.' + m_suffix;
}

std::string Sites::base(Site site) const
{
    return "http://" + host(site);
}

Site Sites::route(std::string_view hostHeader) const
{
    std::string name = textCodec::toLowerAscii(withoutPort(hostHeader));
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
    while (!name.empty() && name.front() == ' ')
        name.erase(0, 1);
    const std::string tail = '.' + m_suffixHost;
    if (!name.ends_with(tail))
        return Site::Unknown;
    const std::string_view front = std::string_view(name).substr(0, name.size() - tail.size());
    for (size_t i = 1; i < labels.size(); ++i)
        if (labels[i] == front)
            return static_cast<Site>(i);
    return Site::Unknown;
}

bool Sites::isOwnAddress(std::string_view address) const
{
    if (!textCodec::toLowerAscii(address.substr(0, 7)).starts_with("http://"))
        return false;
    std::string_view rest = address.substr(7);
    const size_t slash = rest.find('/');
    return route(rest.substr(0, slash)) != Site::Unknown;
}

} // namespace siteNames
