#pragma once

#include <QFile>
#include <QString>
#include <QtMath>

#include <lame/lame.h>

#include <vector>

// Writes a real MP3 file (LAME, 44.1 kHz mono, 64 kbit/s) holding a tone of the given length.
// Without the Info frame a player learns the length only by running the file.
inline bool writeTestMp3(const QString &path, int milliseconds, double frequency = 440.0,
                         bool infoFrame = true)
{
    constexpr int rate = 44100;
    lame_global_flags *lame = lame_init();
    if (!lame)
        return false;
    lame_set_in_samplerate(lame, rate);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 64);
    lame_set_quality(lame, 7);
    lame_set_bWriteVbrTag(lame, infoFrame ? 1 : 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return false;
    }

    const int samples = int(qint64(rate) * milliseconds / 1000);
    std::vector<short> pcm(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i)
        pcm[size_t(i)] = short(8000 * qSin(2 * M_PI * frequency * i / rate));

    std::vector<unsigned char> mp3(static_cast<std::size_t>(samples + samples / 4 + 7200 + 7200));
    int written = lame_encode_buffer(lame, pcm.data(), pcm.data(), samples, mp3.data(), int(mp3.size()));
    bool ok = written >= 0;
    if (ok) {
        const int flushed = lame_encode_flush(lame, mp3.data() + written, int(mp3.size()) - written);
        ok = flushed >= 0;
        written += qMax(0, flushed);
    }
    // The Info frame in front tells players the exact length.
    unsigned char tag[2880];
    const size_t tagSize = ok && infoFrame ? lame_get_lametag_frame(lame, tag, sizeof tag) : 0;
    lame_close(lame);
    if (!ok)
        return false;

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes(reinterpret_cast<const char *>(mp3.data()), written);
    if (tagSize > 0 && tagSize <= size_t(bytes.size()))
        bytes.replace(0, qsizetype(tagSize),
                      QByteArray(reinterpret_cast<const char *>(tag), qsizetype(tagSize)));
    return file.write(bytes) == bytes.size();
}
