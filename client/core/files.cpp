#include "core/files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIODevice>

namespace core {

namespace {
QString readUntil(QIODevice &file, bool stopAtCarriageReturn)
{
    QByteArray line;
    char c;
    while (file.getChar(&c)) {
        if (c == '\n' || (stopAtCarriageReturn && c == '\r'))
            break;
        line.append(c);
    }
    return QString::fromLatin1(line);
}
} // namespace

QString readLineToLf(QIODevice &file)
{
    return readUntil(file, false);
}

QString readLine(QIODevice &file)
{
    return readUntil(file, true);
}

bool fileExists(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?')))
        return info.isFile();
    QDir dir = info.absoluteDir();
    dir.setNameFilters({name});
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    return !dir.entryList().isEmpty();
}

QString stripFileNameChars(const QString &text)
{
    QString result = text;
    for (const QChar c : {u'*', u':', u'?', u'|', u'/', u'\\'})
        result.remove(c);
    return result;
}

QStringList folderFileNames(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    if (names.isEmpty())
        names.append(QString());
    return names;
}

} // namespace core
