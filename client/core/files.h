#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

// Reading lines and looking at folders; bytes map one to one to characters.
namespace core {

// The next line, without its LF; a CR before the LF stays.
QString readLineToLf(QIODevice &file);
// The next line, ending at a CR or an LF (only that one character is consumed).
QString readLine(QIODevice &file);

// An ordinary file matches the path; "*" and "?" in the name act as wildcards.
bool fileExists(const QString &path);

// Removes * : ? | / \ (in that order); nothing else is touched.
QString stripFileNameChars(const QString &text);

// Names of the files (not folders) in a folder, hidden and read-only ones included, in the
// order the file system gives them; one empty name when there is none.
QStringList folderFileNames(const QString &folder);

} // namespace core
