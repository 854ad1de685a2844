#include "messageBoxCatcher.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>

MessageBoxCatcher::MessageBoxCatcher(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool MessageBoxCatcher::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = event->type() == QEvent::Show ? qobject_cast<QMessageBox *>(watched) : nullptr;
    if (box) {
        // Answered once its own event loop runs; another catcher may have answered it already.
        QMetaObject::invokeMethod(
            this,
            [this, shown = QPointer<QMessageBox>(box)] {
                if (!shown || !shown->isVisible())
                    return;
                m_texts.append(shown->text());
                shown->accept();
            },
            Qt::QueuedConnection);
    }
    return false;
}
