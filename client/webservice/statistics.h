#pragma once

#include <QString>
#include <QStringList>

#include <array>

class QComboBox;

// The connect step: the server's statistics and its recommended artists.
namespace webservice {

// The counters of the statistics reply.
struct ServerStatistics
{
    int engineVersion = 0;
    int trackCount = 0;
    int artistCount = 0;
    int genreCount = 0;
};

// Genre names by the server's genre id; only ids 1..254 have one.
class GenreNames
{
public:
    static constexpr int FIRST_ID = 1;
    static constexpr int LAST_ID = 254;

    // Ignored for an id outside FIRST_ID..LAST_ID.
    void set(int id, const QString &name);
    // Empty for an id that has no name.
    QString name(int id) const;

private:
    std::array<QString, LAST_ID + 1> m_names;
};

// The artists the server recommends, with their category (the genre groups are 1..3). The count
// stops at 199; every further artist lands in the place after the last counted one, which the
// genre groups read too. A new list overwrites the places from the start without emptying them.
class RecommendedArtists
{
public:
    static constexpr int MAX_COUNT = 199;

    struct Artist
    {
        QString name;
        int category = 0;
    };

    void restart() { m_count = 0; }
    void add(const QString &name, int category);
    int count() const { return m_count; }
    // Places 0..MAX_COUNT.
    const Artist &at(int index) const { return m_artists.at(std::size_t(index)); }
    // The names of one category in places 0 to the count, the place at the count included.
    QStringList namesInCategory(int category) const;

private:
    std::array<Artist, MAX_COUNT + 1> m_artists;
    int m_count = 0;
};

// tempFolder + "webService_tmp.html": shared by the connect requests and the searches.
QString connectWorkFile();

// Reads a statistics reply: the server counters, the genre names and the genre list ("Any"
// first). Shows the update notice when the server names a newer client.
void parseStatistics(const QString &responseFile, QComboBox &genreList, ServerStatistics &statistics,
                     GenreNames &genreNames);

// Refills the recommended artists from "recommendedArtists.csv".
void parseRecommendedArtists(const QString &responseFile, RecommendedArtists &artists);

// The message telling the user that client version 1.<latestVersion> exists.
QString updateNotice(int latestVersion);

// The number at the start of text: leading blanks skipped, it ends where a number cannot go on,
// rounded to a whole number with halves to the even neighbour. No number gives 0; ok is false
// when the value does not fit a signed 32-bit integer.
int leadingNumber(const QString &text, bool *ok = nullptr);

} // namespace webservice
