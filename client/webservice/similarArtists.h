#pragma once

#include <QCoro/QCoroTask>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;

namespace platform {
class ImageList;
class SocketControl;
} // namespace platform

// Similar artists: the server confirms a name, lists related artists, and the tree shows them
// with an icon whose shade falls with each artist's position in that list.
namespace webservice {

class RadioStations;

// The artists of the last similar-artists list, in list order: at most 106, further ones are
// dropped. Unavailable ones are left out of the tree while onlyShowAvailable is set.
class SimilarArtists
{
public:
    static constexpr int MAX_ARTISTS = 106;

    struct Artist
    {
        QString name;
        bool available = false;
    };

    void clear() { m_artists.clear(); }
    void add(const QString &name, bool available);
    bool isFull() const { return m_artists.size() >= MAX_ARTISTS; }
    int count() const { return int(m_artists.size()); }
    const Artist &at(int index) const { return m_artists.at(index); }

    bool onlyShowAvailable = true;

private:
    QList<Artist> m_artists;
};

// Blanks become "%20", "&" becomes "%26", "/" and "\" go (in that order).
QString encodeArtistName(const QString &name);

// The confirmed name of a name-check reply: the third line read (the first without a preamble);
// empty when the reply is shorter.
QString readValidatedArtistName(const QString &responseFile);

// Refills the artists from a list reply, then the tree; returns the entries placed.
int parseSimilarArtists(const QString &responseFile, SimilarArtists &artists, QTreeWidget &tree,
                        platform::ImageList &iconList);

// Rebuilds the tree from the artists; returns the entries placed, refused nodes included.
int fillSimilarArtistsTree(const SimilarArtists &artists, QTreeWidget &tree, platform::ImageList &iconList);

// "level_9" for positions 0..9 down to "level_0" for 90..101; empty outside 0..101.
QString relevanceIconKey(int position);

// One GET on the similar-artists slot into workFile: the final status, 0 when the connection
// failed. Empty when another request took the slot over meanwhile or the request was cancelled:
// the caller's work is then over, without a word.
QCoro::Task<std::optional<int>> requestOnSimilarArtistsSlot(QString address, platform::SocketControl &socket,
                                                            QString workFile);

// The controls a query fills after its waits: once one of them has gone, it does nothing more.
class ControlsGuard
{
public:
    ControlsGuard(std::initializer_list<QObject *> controls) : m_controls(controls.begin(), controls.end()) {}
    bool alive() const;

private:
    QList<QPointer<QObject>> m_controls;
};

// The whole lookup behind the "find similar artists" button: name check, list, picture (through
// showPicture, which gets the final name), count label, then the radio stations. A newer lookup
// takes it over; it then, like a cancelled one or one whose controls went, does nothing more. The
// tables live as long as the controls.
QCoro::Task<> findSimilarArtists(QString typedText, QLineEdit &queryEchoBox, platform::SocketControl &socket,
                                 SimilarArtists &artists, QTreeWidget &tree, platform::ImageList &iconList,
                                 QLabel &countLabel, RadioStations &stations, QListWidget &stationList,
                                 std::function<void(const QString &)> showPicture);

} // namespace webservice
