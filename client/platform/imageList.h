#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

namespace platform {

// A keyed store of same-sized pictures for a tree's nodes. A key is taken once: adding a picture
// under a key that is already there is refused, like the tree refuses a second node with a key.
class ImageList : public QObject
{
    Q_OBJECT
public:
    explicit ImageList(QObject *parent = nullptr);

    // Every picture is scaled to this size when it is added.
    void setPictureSize(const QSize &size) { m_pictureSize = size; }
    QSize pictureSize() const { return m_pictureSize; }

    // False for an empty key, a key already present or a null picture.
    bool add(const QString &key, const QPixmap &picture);
    // Loads a picture file; false when the file does not decode as a picture.
    bool addFile(const QString &key, const QString &fileName);
    void clear();

    bool contains(const QString &key) const { return m_pictures.contains(key); }
    int count() const { return int(m_keys.size()); }
    QStringList keys() const { return m_keys; }
    QPixmap picture(const QString &key) const { return m_pictures.value(key); }
    QIcon icon(const QString &key) const;

private:
    QSize m_pictureSize{16, 16};
    QStringList m_keys;
    QHash<QString, QPixmap> m_pictures;
};

// The key a node was added under (kept in the item, column 0, Qt::UserRole).
QString treeNodeKey(const QTreeWidgetItem &item);

// Adds a top-level node; refused (nullptr) when another top-level node already has this key.
// The node shows the picture stored under imageKey, if the list holds one.
QTreeWidgetItem *addTreeNode(QTreeWidget &tree, const QString &key, const QString &text,
                             const ImageList *images, const QString &imageKey);

// Lets the tree show the list's pictures at their own size.
void attachImageList(QTreeWidget &tree, const ImageList &images);

} // namespace platform
