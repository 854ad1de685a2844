#pragma once

#include <QFile>
#include <QString>
#include <QtMath>

#include <lame/lame.h>

#include <memory>
#include <vector>

// Writes a real MP3 file (LAME, 44.1 kHz mono, 64 kbit/s) holding a tone of the given length. Without
// the Info frame in front, which tells the exact length, a player learns it only by running the file.
inline bool writeTestMp3(const QString &path, int milliseconds, double frequency = 440.0,
                         bool infoFrame = true)
{
    constexpr int rate = 44100;
    const std::unique_ptr<lame_global_flags, int (*)(lame_global_flags *)> lame(lame_init(), lame_close);
    if (!lame)
        return false;
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_num_channels(lame.get(), 1);
    lame_set_mode(lame.get(), MONO);
    lame_set_brate(lame.get(), 64);
    lame_set_quality(lame.get(), 7);
    lame_set_bWriteVbrTag(lame.get(), infoFrame ? 1 : 0);
    if (lame_init_params(lame.get()) < 0)
        return false;

    const int samples = int(qint64(rate) * milliseconds / 1000);
    std::vector<short> pcm(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i)
        pcm[size_t(i)] = short(8000 * qSin(2 * M_PI * frequency * i / rate));
    std::vector<unsigned char> mp3(static_cast<size_t>(samples + samples / 4 + 14400));
    const int written =
        lame_encode_buffer(lame.get(), pcm.data(), pcm.data(), samples, mp3.data(), int(mp3.size()));
    const int flushed =
        written < 0 ? -1 : lame_encode_flush(lame.get(), mp3.data() + written, int(mp3.size()) - written);
    if (flushed < 0)
        return false;
    QByteArray bytes(reinterpret_cast<const char *>(mp3.data()), written + flushed);
    unsigned char tag[2880];
    const size_t tagSize = infoFrame ? lame_get_lametag_frame(lame.get(), tag, sizeof tag) : 0;
    if (tagSize > 0 && tagSize <= size_t(bytes.size()))
        bytes.replace(0, qsizetype(tagSize),
                      QByteArray(reinterpret_cast<const char *>(tag), qsizetype(tagSize)));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
