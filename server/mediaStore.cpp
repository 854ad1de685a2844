#include "mediaStore.h"

#include "artistPicture.h"
#include "mp3Synth.h"
#include "randomSource.h"
#include "textCodec.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {
std::atomic<unsigned> temporaryCounter{0};
}

MediaStore::MediaStore(std::string dataDir, std::uint64_t seed) : m_dataDir(std::move(dataDir)), m_seed(seed)
{
}

std::string MediaStore::readFile(const std::string &path) const
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Stores freshly made content under its final name by renaming a private temporary file, so a reader
// never sees half a file and two threads making the same file do not trip over each other.
std::string MediaStore::cached(const std::string &folder, const std::string &name, const std::string &made)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::path(m_dataDir) / folder;
    fs::create_directories(dir, ec);
    const fs::path target = dir / name;
    const fs::path temporary =
        dir / (name + '.' + std::to_string(::getpid()) + '.' + std::to_string(temporaryCounter++) + ".part");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(made.data(), std::streamsize(made.size()));
        if (!out.flush())
            return made; // still worth serving; it just is not kept
    }
    fs::rename(temporary, target, ec);
    if (ec)
        fs::remove(temporary, ec);
    return made;
}

std::string MediaStore::picture(int artistId)
{
    const std::string name = std::to_string(artistId) + ".jpg";
    std::string content = readFile((std::filesystem::path(m_dataDir) / "pictures" / name).string());
    if (!content.empty())
        return content;
    const std::string made = artistPicture::makeJpeg(RandomSource::mix(m_seed, std::uint64_t(artistId)));
    if (made.empty())
        return {};
    return cached("pictures", name, made);
}

std::string MediaStore::track(const Catalogue::Track &track)
{
    const std::string name = std::to_string(track.id) + ".mp3";
    std::string content = readFile((std::filesystem::path(m_dataDir) / "mp3" / name).string());
    if (!content.empty())
        return content;
    mp3Synth::Tune tune;
    tune.seed = RandomSource::mix(m_seed ^ 0x5A5A5A5A, std::uint64_t(track.id));
    tune.seconds = track.seconds;
    tune.artist = textCodec::utf8ToLatin1(track.artist);
    tune.title = textCodec::utf8ToLatin1(track.title);
    const std::string made = mp3Synth::encode(tune);
    if (made.empty())
        return {};
    return cached("mp3", name, made);
}
