#include "core/utilityFunctions.h"

#include "platform/specialFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIODevice>

namespace utilityFunctions {

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

QString readLineLF(QIODevice &file)
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

QString getSpecialFolder(int folderNumber, int flags, qintptr ownerWindow)
{
    Q_UNUSED(flags)
    Q_UNUSED(ownerWindow)
    switch (folderNumber) {
    case FOLDER_MUSIC:
        return trimAtNul(platform::musicFolder());
    case FOLDER_DOCUMENTS:
        return trimAtNul(platform::documentsFolder());
    default:
        return {};
    }
}

QString trimAtNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString stripFileNameChars(const QString &text)
{
    QString result = text;
    for (const QChar c : {u'*', u':', u'?', u'|', u'/', u'\\'})
        result.remove(c);
    return result;
}

QStringList listFolderFiles(const QString &folder)
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

} // namespace utilityFunctions
