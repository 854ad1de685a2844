#include "platform/imageList.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace platform {

ImageList::ImageList(QObject *parent) : QObject(parent) {}

bool ImageList::add(const QString &key, const QPixmap &picture)
{
    if (key.isEmpty() || picture.isNull() || m_pictures.contains(key))
        return false;
    QPixmap stored = picture;
    if (m_pictureSize.isValid() && stored.size() != m_pictureSize)
        stored = picture.scaled(m_pictureSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_keys.append(key);
    m_pictures.insert(key, stored);
    return true;
}

bool ImageList::addFile(const QString &key, const QString &fileName)
{
    QPixmap picture;
    if (!picture.load(fileName))
        return false;
    return add(key, picture);
}

void ImageList::clear()
{
    m_keys.clear();
    m_pictures.clear();
}

QIcon ImageList::icon(const QString &key) const
{
    const auto found = m_pictures.constFind(key);
    if (found == m_pictures.constEnd())
        return {};
    QIcon result;
    // The same picture for every mode: a selected node keeps its real colours.
    result.addPixmap(*found, QIcon::Normal);
    result.addPixmap(*found, QIcon::Selected);
    return result;
}

QString treeNodeKey(const QTreeWidgetItem &item)
{
    return item.data(0, Qt::UserRole).toString();
}

QTreeWidgetItem *addTreeNode(QTreeWidget &tree, const QString &key, const QString &text,
                             const ImageList *images, const QString &imageKey)
{
    if (key.isEmpty())
        return nullptr;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        if (treeNodeKey(*tree.topLevelItem(i)) == key)
            return nullptr;
    }
    auto *item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, Qt::UserRole, key);
    if (images && images->contains(imageKey))
        item->setIcon(0, images->icon(imageKey));
    tree.addTopLevelItem(item);
    return item;
}

void attachImageList(QTreeWidget &tree, const ImageList &images)
{
    tree.setIconSize(images.pictureSize());
}

} // namespace platform
