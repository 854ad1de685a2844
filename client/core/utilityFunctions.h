#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QIODevice;

// Small stateless helpers shared by every module.
namespace utilityFunctions {

constexpr int FOLDER_DOCUMENTS = 5;
constexpr int FOLDER_MUSIC = 13;

// The next line, without its LF; a CR before the LF stays. Bytes map one to one to characters.
QString readLineLF(QIODevice &file);
// The next line, ending at a CR or an LF (only that one character is consumed).
QString readLine(QIODevice &file);

// An ordinary file matches the path; "*" and "?" in the name act as wildcards.
bool fileExists(const QString &path);

// The user's music (13) or documents (5) folder, or the empty text.
QString getSpecialFolder(int folderNumber, int flags, qintptr ownerWindow);

QString trimAtNul(const QString &text);

// Removes * : ? | / \ (in that order); nothing else is touched.
QString stripFileNameChars(const QString &text);

// Names of the files (not folders) in a folder, hidden and read-only ones included, in the
// order the file system gives them; one empty name when there is none.
QStringList listFolderFiles(const QString &folder);

} // namespace utilityFunctions
