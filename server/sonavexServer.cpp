#include "sonavexServer.h"

#include "catalogue.h"
#include "catalogueGenerator.h"
#include "httpServer.h"
#include "mediaStore.h"
#include "searchCache.h"
#include "serviceReplies.h"
#include "siteNames.h"
#include "standInSites.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sonavexServer {

namespace {

constexpr const char *usage =
    "usage:\n"
    "  sonavex-server init --data DIR [--artists N] [--tracks N] [--seed S] [--if-missing]\n"
    "  sonavex-server serve --data DIR [--listen 127.0.0.1:8080] [--announce-suffix HOST[:PORT]]\n"
    "                       [--latest-client-version N] [--search-cache-mb N] [--quiet]\n"
    "  sonavex-server --help | --version\n"
    "\n"
    "init builds the sample catalogue DIR/catalogue.sqlite; with --if-missing it keeps one this\n"
    "version can serve. serve answers for the Sonavex service and the stand-in source sites.\n";

struct Arguments
{
    std::string command;
    std::string data;
    std::string listen = "127.0.0.1:8080";
    std::string announceSuffix;
    long long artists = 3000;
    long long tracks = 30000;
    unsigned long long seed = 1;
    int latestClientVersion = 4;
    long long searchCacheMb = 128;
    bool quiet = false;
    bool ifMissing = false;
};

bool parseNumber(const std::string &text, long long low, long long high, long long &value)
{
    try {
        size_t used = 0;
        const long long parsed = std::stoll(text, &used);
        if (used != text.size() || parsed < low || parsed > high)
            return false;
        value = parsed;
        return true;
    } catch (...) {
        return false;
    }
}

bool parseArguments(int argc, char **argv, Arguments &args, std::string &error)
{
    if (argc < 2) {
        error = "missing command";
        return false;
    }
    args.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) {
                error = option + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string text;
        long long number = 0;
        if (option == "--quiet") {
            args.quiet = true;
        } else if (option == "--if-missing") {
            args.ifMissing = true;
        } else if (option == "--data") {
            if (!value(args.data))
                return false;
        } else if (option == "--listen") {
            if (!value(args.listen))
                return false;
        } else if (option == "--announce-suffix") {
            if (!value(args.announceSuffix))
                return false;
        } else if (option == "--search-cache-mb") {
            if (!value(text))
                return false;
            if (!parseNumber(text, 0, 65536, args.searchCacheMb)) {
                error = "bad value for " + option + ": " + text;
                return false;
            }
        } else if (option == "--artists" || option == "--tracks" || option == "--seed" ||
                   option == "--latest-client-version") {
            if (!value(text))
                return false;
            const long long high = option == "--seed"                    ? (1LL << 62)
                                   : option == "--latest-client-version" ? 1000000
                                                                         : 50000000;
            const long long low = option == "--latest-client-version" || option == "--seed" ? 0 : 1;
            if (!parseNumber(text, low, high, number)) {
                error = "bad value for " + option + ": " + text;
                return false;
            }
            if (option == "--artists")
                args.artists = number;
            else if (option == "--tracks")
                args.tracks = number;
            else if (option == "--seed")
                args.seed = static_cast<unsigned long long>(number);
            else
                args.latestClientVersion = int(number);
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (args.data.empty()) {
        error = "--data DIR is required";
        return false;
    }
    return true;
}

int init(const Arguments &args)
{
    const std::string path = (std::filesystem::path(args.data) / "catalogue.sqlite").string();
    std::string error;
    if (args.ifMissing && Catalogue(path).open(error)) {
        std::cerr << "catalogue ready: " << path << '\n';
        return 0;
    }
    catalogueGenerator::Options options;
    options.artists = int(args.artists);
    options.tracks = int(args.tracks);
    options.seed = args.seed;
    // On a terminal one line tells how far it is; a log gets only the outcome.
    const bool terminal = isatty(STDERR_FILENO);
    catalogueGenerator::Progress progress;
    if (terminal) {
        progress = [](const char *step, int percent) {
            std::fprintf(stderr, "\rbuilding the catalogue: %-8s%3d%%", step, percent);
        };
    }
    const bool built = catalogueGenerator::build(args.data, options, error, progress);
    if (terminal)
        std::fputs("\n", stderr);
    if (!built) {
        std::cerr << "sonavex-server: " << error << '\n';
        return 1;
    }
    std::cerr << "catalogue ready: " << args.data << "/catalogue.sqlite\n";
    return 0;
}

int serve(const Arguments &args)
{
    const size_t colon = args.listen.rfind(':');
    long long port = 0;
    if (colon == std::string::npos || !parseNumber(args.listen.substr(colon + 1), 0, 65535, port)) {
        std::cerr << "sonavex-server: --listen wants ADDRESS:PORT, got " << args.listen << '\n';
        return 2;
    }
    Catalogue catalogue((std::filesystem::path(args.data) / "catalogue.sqlite").string());
    std::string error;
    if (!catalogue.open(error)) {
        std::cerr << "sonavex-server: " << error << " (run \"sonavex-server init --data " << args.data
                  << "\" first)\n";
        return 1;
    }
    MediaStore media(args.data, catalogue.seed());
    serviceReplies::Settings settings;
    settings.latestClientVersion = args.latestClientVersion;
    SearchCache searchCache(std::size_t(args.searchCacheMb) * 1024 * 1024);
    settings.searchCache = &searchCache;

    // Stop on SIGINT/SIGTERM: the signals go to one waiting thread, never into the middle of a request.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::random_device entropy;
    const std::uint64_t secret = (std::uint64_t(entropy()) << 32) ^ entropy();
    std::unique_ptr<siteNames::Sites> sites;

    httpServer::Server server([&](const httpServer::Request &request, httpServer::Response &response) {
        const siteNames::Site site = sites->route(request.header("Host"));
        if (site == siteNames::Site::Service)
            serviceReplies::handle(catalogue, media, *sites, settings, request, response);
        else if (site != siteNames::Site::Unknown)
            standInSites::handle(site, catalogue, media, *sites, secret, request, response);
        else
            response.setText(404, "unknown host\r\n");
    });
    const int boundPort = server.bind(args.listen.substr(0, colon), int(port), error);
    if (boundPort < 0) {
        std::cerr << "sonavex-server: " << error << '\n';
        return 1;
    }
    sites = std::make_unique<siteNames::Sites>(
        args.announceSuffix.empty() ? "localhost:" + std::to_string(boundPort) : args.announceSuffix);
    if (!args.quiet) {
        static std::mutex logMutex;
        server.setLogger(
            [](const httpServer::Request &request, const httpServer::Response &response, double ms) {
                char line[512];
                std::snprintf(line, sizeof line, "%.120s %.300s %d %llu %.1fms\n",
                              request.header("Host").c_str(), request.target.c_str(), response.status,
                              static_cast<unsigned long long>(response.bodyLength()), ms);
                std::lock_guard lock(logMutex);
                std::fputs(line, stderr);
            });
    }

    std::thread waiter([&] {
        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
    });
    std::cout << "listening on " << args.listen.substr(0, colon) << ':' << boundPort << std::endl;
    server.run();
    // run() only returns after stop(); if it returned for another reason, wake the waiter ourselves.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return 0;
}

} // namespace

int run(int argc, char **argv)
{
    Arguments args;
    std::string error;
    if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << usage;
        return 0;
    }
    if (argc >= 2 && (std::string(argv[1]) == "--version" || std::string(argv[1]) == "-v")) {
        std::cout << "sonavex-server " SONAVEX_VERSION "\n";
        return 0;
    }
    if (!parseArguments(argc, argv, args, error)) {
        std::cerr << "sonavex-server: " << error << '\n' << usage;
        return 2;
    }
    if (args.command == "init")
        return init(args);
    if (args.command == "serve")
        return serve(args);
    std::cerr << "sonavex-server: unknown command " << args.command << '\n' << usage;
    return 2;
}

} // namespace sonavexServer
