#pragma once

#include "catalogue.h"
#include "httpServer.h"
#include "siteNames.h"

#include <cstdint>
#include <string>
#include <string_view>

class MediaStore;

// Stand-ins for the outside sites that offer the catalogue's tracks, each answering the way the
// client's resolver for it expects: pages, redirects, a cookie gate, plain files.
namespace standInSites {

// The track number in a source or file path: the digits right before ".mp3" or ".html", or after
// "redirect=" / "&track=" style keys. 0 when there is none.
std::int64_t trackIdFromPath(std::string_view path);

// The download site's track page, with LF line ends, laid out for the client's link scan.
std::string downloadPage(const siteNames::Sites &sites, const Catalogue::Track &track);

// The cookie value that opens one track's file on the shutemdown site.
std::string shutEmDownToken(std::uint64_t secret, std::int64_t trackId);

void handle(siteNames::Site site, const Catalogue &catalogue, MediaStore &media,
            const siteNames::Sites &sites, std::uint64_t secret, const httpServer::Request &request,
            httpServer::Response &response);

} // namespace standInSites
