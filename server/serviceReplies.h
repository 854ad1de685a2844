#pragma once

#include "catalogue.h"
#include "httpServer.h"
#include "siteNames.h"

#include <memory>
#include <string>
#include <string_view>

class MediaStore;
class SearchCache;

// The Sonavex service: every reply in the single-byte, line-per-record layouts the client reads.
namespace serviceReplies {

struct Settings
{
    int latestClientVersion = 4;
    SearchCache *searchCache = nullptr; // optional
};

constexpr int maxSearchRecords = 500;
// Bounds a similar list no matter how large the catalogue grows.
constexpr int maxSimilarEntries = 140;

void handle(const Catalogue &catalogue, MediaStore &media, const siteNames::Sites &sites,
            const Settings &settings, const httpServer::Request &request, httpServer::Response &response);

// Each returns the body; the status goes to status.
std::string statistics(const Catalogue &catalogue, const Settings &settings);
std::string recommendedArtists(const Catalogue &catalogue);
std::string search(const Catalogue &catalogue, const siteNames::Sites &sites, Catalogue::SearchKind kind,
                   std::string_view query);
// The same through the cache, when there is one.
std::shared_ptr<const std::string> cachedSearch(const Catalogue &catalogue, const siteNames::Sites &sites,
                                                SearchCache *cache, Catalogue::SearchKind kind,
                                                std::string_view query);
std::string nameCheck(const Catalogue &catalogue, std::string_view query, int &status);
std::string similarArtists(const Catalogue &catalogue, std::string_view encodedName, int &status);
std::string radio(const Catalogue &catalogue, const siteNames::Sites &sites, std::string_view query);
std::string shopPage(const Catalogue &catalogue, std::string_view query);

// The genre a search means by its position in the statistics list (0 = any); 0 when unknown.
int genreIdAtPosition(const Catalogue &catalogue, std::string_view position);

} // namespace serviceReplies
