#pragma once

#include <QString>

class QComboBox;

// The connect step: the server's statistics and its recommended artists.
namespace webService {

// tempFolder + "webService_tmp.html": shared by the connect requests and the searches.
QString connectWorkFile();

// Reads a statistics reply: the server counters, genreNames and the genre list ("Any" first).
// Shows the update notice when the server names a newer client.
void parseStatistics(const QString &responseFile, QComboBox &genreList);

// Refills the recommended-artists table from "recommendedArtists.csv".
void parseRecommendedArtists(const QString &responseFile);

// The message telling the user that client version 1.<latestVersion> exists.
QString updateNotice(int latestVersion);

// The number at the start of text: leading blanks skipped, it ends where a number cannot go on,
// rounded to a whole number with halves to the even neighbour. No number gives 0; ok is false
// when the value does not fit a signed 32-bit integer.
int leadingNumber(const QString &text, bool *ok = nullptr);

} // namespace webService
