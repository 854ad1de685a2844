#include "standInSites.h"

#include "mediaStore.h"
#include "mp3Synth.h"
#include "randomSource.h"
#include "textCodec.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace standInSites {

namespace {

using siteNames::Site;
using textCodec::htmlEscape;
using textCodec::utf8ToLatin1;

constexpr const char *html = "text/html; charset=ISO-8859-1";
constexpr std::string_view cdnFolder = "/o1/epi_files/reg/songs/mp3/";
constexpr std::uint64_t benchMaxMiB = 1024;

std::string siteTitle(Site site)
{
    switch (site) {
    case Site::Epitonic:
        return "Epitonic - free and legal music";
    case Site::DownloadMusic:
        return "Download.com Music - free MP3 downloads";
    case Site::Rave:
        return "Rave - independent music";
    case Site::ShutEmDown:
        return "Shut 'Em Down - new music";
    case Site::BetterPropaganda:
        return "Better Propaganda - free music downloads";
    case Site::LemonRed:
        return "Lemon Red - electronic music";
    case Site::Insound:
        return "Insound - free MP3s";
    case Site::Mp3Au:
        return "MP3.com.au - Australian music";
    case Site::Files:
        return "File mirror";
    default:
        return "Music";
    }
}

std::string page(const std::string &title, const std::string &body)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"ISO-8859-1\"><title>" + htmlEscape(title) +
           "</title></head>\n<body>\n" + body + "</body></html>\n";
}

void homePage(Site site, const Catalogue &catalogue, httpServer::Response &response)
{
    const std::string title = siteTitle(site);
    response.setText(200,
                     page(title, "<h1>" + htmlEscape(title) + "</h1>\n<p>" +
                                     std::to_string(catalogue.trackCount()) +
                                     " tracks to listen to and download, free.</p>\n"),
                     html);
}

// A playable track of the given site (Unknown: any site), or nothing.
std::optional<Catalogue::Track> playable(const Catalogue &catalogue, std::int64_t id, Site site)
{
    auto track = id > 0 ? catalogue.track(id) : std::nullopt;
    if (!track || track->broken == 1 || (site != Site::Unknown && track->site != int(site)))
        return std::nullopt;
    return track;
}

// The validator of a file: a hash of its bytes, eight at a time, so the same content always carries
// the same tag and a file made anew differently gets another.
std::string contentTag(std::string_view bytes, std::string_view prefix = {})
{
    std::uint64_t hash = bytes.size();
    for (size_t at = 0; at < bytes.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, std::min<size_t>(8, bytes.size() - at));
        hash = RandomSource::mix(hash, word);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return '"' + std::string(prefix) + text + '"';
}

enum class RangeAsk { Whole, Part, Unsatisfiable };

// One range, "bytes=N-", "bytes=N-M" or "bytes=-S"; anything else (several ranges, bad syntax) is
// ignored and the whole file sent, as HTTP allows.
RangeAsk askedRange(std::string header, std::uint64_t size, std::uint64_t &first, std::uint64_t &last)
{
    header = textCodec::toLowerAscii(header);
    std::erase(header, ' ');
    if (!header.starts_with("bytes=") || header.find(',') != std::string::npos)
        return RangeAsk::Whole;
    const std::string_view bounds = std::string_view(header).substr(6);
    const size_t dash = bounds.find('-');
    if (dash == std::string_view::npos)
        return RangeAsk::Whole;
    const auto number = [](std::string_view text, std::uint64_t &value) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return !text.empty() && error == std::errc() && end == text.data() + text.size();
    };
    const std::string_view from = bounds.substr(0, dash), to = bounds.substr(dash + 1);
    if (from.empty()) {
        if (!number(to, last))
            return RangeAsk::Whole;
        if (last == 0 || size == 0)
            return RangeAsk::Unsatisfiable;
        first = size - std::min(last, size);
        last = size - 1;
        return RangeAsk::Part;
    }
    if (!number(from, first) || (!to.empty() && (!number(to, last) || last < first)))
        return RangeAsk::Whole;
    if (first >= size)
        return RangeAsk::Unsatisfiable;
    last = to.empty() ? size - 1 : std::min(last, size - 1);
    return RangeAsk::Part;
}

// Files offer byte ranges, so a client whose transfer broke asks for the rest only. An If-Range with
// another validator means the client's part is of other content: it gets the whole file.
void offerRanges(const httpServer::Request &request, httpServer::Response &response, const std::string &tag)
{
    const std::uint64_t size = response.bodyLength();
    response.headers.emplace_back("Accept-Ranges", "bytes");
    response.headers.emplace_back("ETag", tag);
    const std::string ifRange = request.header("If-Range");
    std::uint64_t first = 0, last = 0;
    const RangeAsk ask = !ifRange.empty() && ifRange != tag
                             ? RangeAsk::Whole
                             : askedRange(request.header("Range"), size, first, last);
    if (ask == RangeAsk::Unsatisfiable) {
        response.stream = nullptr;
        response.setText(416, "range not satisfiable\r\n");
        response.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
        return;
    }
    if (ask != RangeAsk::Part)
        return;
    response.status = 206;
    response.headers.emplace_back("Content-Range", "bytes " + std::to_string(first) + '-' +
                                                       std::to_string(last) + '/' + std::to_string(size));
    if (response.stream) {
        response.streamLength = last - first + 1;
        response.stream = [whole = std::move(response.stream),
                           first](std::uint64_t offset, std::size_t maxBytes, std::string &piece) {
            return whole(first + offset, maxBytes, piece);
        };
        return;
    }
    response.body = response.text().substr(first, last - first + 1);
    response.sharedBody.reset();
}

void sendTrack(MediaStore &media, const std::optional<Catalogue::Track> &track,
               const httpServer::Request &request, httpServer::Response &response)
{
    std::string bytes = track ? media.track(*track) : std::string();
    if (bytes.empty()) {
        response.setText(404, "file not found\r\n");
        return;
    }
    const std::string tag = contentTag(bytes);
    response.setText(200, std::move(bytes), "audio/mpeg");
    offerRanges(request, response, tag);
}

std::string lastSegment(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string downloadFilePath(const Catalogue::Track &track)
{
    return "/dl/" + textCodec::slug(track.artist) + '/' + textCodec::slug(track.title) + '-' +
           std::to_string(track.id) + ".mp3";
}

std::string raveFilePath(const Catalogue::Track &track)
{
    return "/rave/" + textCodec::slug(track.title) + '-' + std::to_string(track.id) + ".mp3";
}

// Each file has exactly one address: a client that mangles one on its way here gets a 404, not a
// file that happens to carry the same number.
bool isAddressOf(std::string_view decodedPath, const Catalogue::Track &track)
{
    if (decodedPath.starts_with("/dl/"))
        return decodedPath == downloadFilePath(track);
    if (decodedPath.starts_with("/rave/"))
        return decodedPath == raveFilePath(track);
    if (decodedPath.starts_with("/play/"))
        return decodedPath == "/play/" + std::to_string(track.id) + ".mp3";
    return decodedPath == track.path;
}

void benchStream(std::string_view path, const httpServer::Request &request, httpServer::Response &response)
{
    // /bench/<N>MB.mp3: N MiB of back-to-back frames, never held whole.
    std::string_view name = path.substr(std::string_view("/bench/").size());
    std::uint64_t mebibytes = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), mebibytes);
    if (error != std::errc() || std::string_view(end, size_t(name.data() + name.size() - end)) != "MB.mp3" ||
        mebibytes < 1 || mebibytes > benchMaxMiB) {
        response.setText(404, "no such benchmark file\r\n");
        return;
    }
    const std::string &frames = mp3Synth::repeatableFrames();
    if (frames.empty()) {
        response.setText(500, "no frames\r\n");
        return;
    }
    response.status = 200;
    response.contentType = "audio/mpeg";
    response.streamLength = mebibytes * 1024 * 1024;
    response.stream = [&frames](std::uint64_t offset, std::size_t maxBytes, std::string &piece) {
        size_t at = size_t(offset % frames.size());
        while (piece.size() < maxBytes) {
            const size_t take = std::min(frames.size() - at, maxBytes - piece.size());
            piece.append(frames, at, take);
            at = 0;
        }
        return true;
    };
    offerRanges(request, response, contentTag(frames, std::to_string(mebibytes) + "MB-"));
}

void playlist(const Catalogue &catalogue, const siteNames::Sites &sites, std::string_view target,
              httpServer::Response &response)
{
    // /radio/<id>-name.m3u or /radio/listen?station=<id>,...
    std::string_view rest = target.substr(std::string_view("/radio/").size());
    const size_t equals = rest.find("station=");
    if (equals != std::string_view::npos)
        rest = rest.substr(equals + 8);
    int id = 0;
    std::from_chars(rest.data(), rest.data() + rest.size(), id);
    const Catalogue::Station *station = nullptr;
    for (const auto &candidate : catalogue.stations())
        if (candidate.id == id)
            station = &candidate;
    if (!station) {
        response.setText(404, "no such station\r\n");
        return;
    }
    std::string out = "#EXTM3U\r\n";
    for (const auto &track : catalogue.tracksInGenre(station->genreId, 10))
        out += "#EXTINF:" + std::to_string(track.seconds) + ',' + utf8ToLatin1(track.artist) + " - " +
               utf8ToLatin1(track.title) + "\r\n" + sites.base(Site::Files) + "/play/" +
               std::to_string(track.id) + ".mp3\r\n";
    response.setText(200, std::move(out), "audio/x-mpegurl");
}

} // namespace

std::int64_t trackIdFromPath(std::string_view path)
{
    for (std::string_view key : {"redirect=", "track="}) {
        const std::string lower = textCodec::toLowerAscii(path);
        const size_t at = lower.find(key);
        if (at != std::string::npos) {
            std::int64_t id = 0;
            const char *begin = path.data() + at + key.size();
            std::from_chars(begin, path.data() + path.size(), id);
            return id;
        }
    }
    size_t end = path.rfind('.');
    if (end == std::string_view::npos)
        return 0;
    size_t begin = end;
    while (begin > 0 && path[begin - 1] >= '0' && path[begin - 1] <= '9')
        --begin;
    if (begin == end || end - begin > 12)
        return 0;
    std::int64_t id = 0;
    std::from_chars(path.data() + begin, path.data() + end, id);
    return id;
}

std::string downloadPage(const siteNames::Sites &sites, const Catalogue::Track &track)
{
    // The client finds the title, then a line ending in the redirector prefix, then takes the address
    // from the following lines, each less its last two characters, up to the two characters before
    // "<img src=". So the address lines end in two fillers and the last one in "\"><img src=".
    const std::string title = utf8ToLatin1(textCodec::withoutCommas(track.title));
    const std::string artist = utf8ToLatin1(textCodec::withoutCommas(track.artist));
    std::string out = "<!DOCTYPE html>\n<html><head><meta charset=\"ISO-8859-1\">\n<title>" + artist + " - " +
                      title + " - free MP3 download</title></head>\n<body>\n<h1>" + title + "</h1>\n<p>by " +
                      artist + "</p>\n<p>Free MP3 download, 128 kbit/s.</p>\n";
    if (track.broken == 2) {
        out += "<p>This download is no longer available.</p>\n</body></html>\n";
        return out;
    }
    const std::string address = sites.base(Site::Files) + downloadFilePath(track);
    out += "<p class=\"download\"><a href=\"" + sites.base(Site::DownloadRedirector) + "/redir?&destUrl=\n";
    if (track.id % 3 == 0) {
        // A long address wrapped over two lines.
        const size_t cut = address.rfind('/') + 1;
        out += address.substr(0, cut) + " \\\n";
        out += address.substr(cut) + "\"><img src=\"/images/download.gif\" alt=\"Download Now\"></a></p>\n";
    } else {
        out += address + "\"><img src=\"/images/download.gif\" alt=\"Download Now\"></a></p>\n";
    }
    out += "</body></html>\n";
    return out;
}

std::string shutEmDownToken(std::uint64_t secret, std::int64_t trackId)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(RandomSource::mix(secret, std::uint64_t(trackId))));
    return text;
}

void handle(Site site, const Catalogue &catalogue, MediaStore &media, const siteNames::Sites &sites,
            std::uint64_t secret, const httpServer::Request &request, httpServer::Response &response)
{
    const std::string_view target = request.target;
    const std::string_view path = request.path();
    if (path == "/" && site != Site::EpitonicCdn && site != Site::DownloadRedirector) {
        homePage(site, catalogue, response);
        return;
    }
    // Blanks arrive as %20 and everything else raw; the digits we look for are plain either way.
    const std::string decoded = textCodec::percentDecode(path);
    switch (site) {
    case Site::Epitonic: {
        const auto track = playable(catalogue, trackIdFromPath(decoded), Site::Unknown);
        if (!track || track->site != int(Site::Epitonic) || decoded != track->path) {
            response.setText(404, page("Not found", "<p>No such track.</p>\n"), html);
            return;
        }
        const std::string file = lastSegment(decoded);
        response.setText(200,
                         page(track->title, "<h1>" + htmlEscape(utf8ToLatin1(track->title)) +
                                                "</h1>\n<p>by " + htmlEscape(utf8ToLatin1(track->artist)) +
                                                "</p>\n<p><a href=\"" + sites.base(Site::EpitonicCdn) +
                                                std::string(cdnFolder) + file + "\">Download MP3</a></p>\n"),
                         html);
        return;
    }
    case Site::EpitonicCdn:
        if (!decoded.starts_with(cdnFolder)) {
            response.setText(404, "not found\r\n");
            return;
        }
        {
            auto track = playable(catalogue, trackIdFromPath(decoded), Site::Epitonic);
            if (track && lastSegment(decoded) != lastSegment(track->path))
                track.reset();
            sendTrack(media, track, request, response);
            return;
        }
    case Site::DownloadMusic: {
        const auto track = catalogue.track(trackIdFromPath(decoded));
        if (!track || track->site != int(Site::DownloadMusic) || decoded != track->path) {
            response.setText(404, page("Not found", "<p>No such page.</p>\n"), html);
            return;
        }
        response.setText(200, downloadPage(sites, *track), html);
        return;
    }
    case Site::DownloadRedirector: {
        const size_t at = target.find("destUrl=");
        const std::string_view destination =
            at == std::string_view::npos ? std::string_view() : target.substr(at + 8);
        if (textCodec::toLowerAscii(path) != "/redir" || !sites.isOwnAddress(destination)) {
            response.setText(404, "unknown destination\r\n");
            return;
        }
        response.status = 302;
        response.headers.emplace_back("Location", std::string(destination));
        response.setText(302, "moved\r\n");
        return;
    }
    case Site::Rave: {
        if (textCodec::toLowerAscii(path) == "/music.php") {
            const auto track = catalogue.track(trackIdFromPath(request.query()));
            if (!track || track->site != int(Site::Rave)) {
                response.setText(404, "unknown track\r\n");
                return;
            }
            response.headers.emplace_back("Location", sites.base(Site::Files) + raveFilePath(*track));
            response.setText(302, "moved\r\n");
            return;
        }
        const auto track = catalogue.track(trackIdFromPath(request.query()));
        if (textCodec::toLowerAscii(path) != "/listen.php" || !track || track->site != int(Site::Rave)) {
            response.setText(404, page("Not found", "<p>No such track.</p>\n"), html);
            return;
        }
        response.setText(200,
                         page(track->title, "<h1>" + htmlEscape(utf8ToLatin1(track->title)) +
                                                "</h1>\n<p>by " + htmlEscape(utf8ToLatin1(track->artist)) +
                                                "</p>\n"),
                         html);
        return;
    }
    case Site::ShutEmDown: {
        if (textCodec::toLowerAscii(path) == "/pebtn2000.htm") {
            response.setText(200, page("Shut 'Em Down", "<p>Press the button to download.</p>\n"), html);
            return;
        }
        const auto track = catalogue.track(trackIdFromPath(decoded));
        if (!track || track->site != int(Site::ShutEmDown) || decoded != track->path) {
            response.setText(404, page("Not found", "<p>No such track.</p>\n"), html);
            return;
        }
        // The file only for a visitor who came from the button page with the cookie of this track;
        // without the cookie, a first visit gets the page and the cookie.
        const std::string token = shutEmDownToken(secret, track->id);
        const std::string cookie = request.header("Cookie");
        const bool hasCookie = cookie.find("sedsession=" + token) != std::string::npos;
        const std::string referer = textCodec::toLowerAscii(request.header("Referer"));
        const bool fromButton =
            referer.ends_with("/pebtn2000.htm") && referer.find("shutemdown.") != std::string::npos;
        if (fromButton) {
            if (!hasCookie) {
                response.setText(403, "no session\r\n");
                return;
            }
            sendTrack(media, playable(catalogue, track->id, Site::ShutEmDown), request, response);
            return;
        }
        response.headers.emplace_back("Set-Cookie", "sedsession=" + token + "; Path=/");
        response.setText(200,
                         page(track->title, "<h1>" + htmlEscape(utf8ToLatin1(track->title)) +
                                                "</h1>\n<p><a href=\"/pebtn2000.htm\">Download</a></p>\n"),
                         html);
        return;
    }
    case Site::BetterPropaganda:
    case Site::LemonRed:
    case Site::Insound:
    case Site::Mp3Au: {
        auto track = playable(catalogue, trackIdFromPath(decoded), site);
        if (track && decoded != track->path)
            track.reset();
        sendTrack(media, track, request, response);
        return;
    }
    case Site::Files:
        if (decoded.starts_with("/bench/")) {
            benchStream(decoded, request, response);
            return;
        }
        if (target.starts_with("/radio/")) {
            playlist(catalogue, sites, target, response);
            return;
        }
        {
            auto track = playable(catalogue, trackIdFromPath(decoded), Site::Unknown);
            if (track && !isAddressOf(decoded, *track))
                track.reset();
            sendTrack(media, track, request, response);
            return;
        }
    default:
        response.setText(404, "unknown host\r\n");
    }
}

} // namespace standInSites
