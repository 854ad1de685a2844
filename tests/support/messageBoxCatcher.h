#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

// Answers every message box that is shown while it lives, and records its text.
class MessageBoxCatcher : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxCatcher(QObject *parent = nullptr) : QObject(parent)
    {
        qApp->installEventFilter(this);
    }

    QStringList texts() const { return m_texts; }
    int count() const { return int(m_texts.size()); }
    void clear() { m_texts.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Recorded as it shows, by the newest catcher only; answered once the program has gone on.
        auto *box = event->type() == QEvent::Show ? qobject_cast<QMessageBox *>(watched) : nullptr;
        if (box && !box->property("caught").toBool()) {
            box->setProperty("caught", true);
            m_texts.append(box->text());
            QMetaObject::invokeMethod(
                this,
                [shown = QPointer<QMessageBox>(box)] {
                    if (shown && shown->isVisible())
                        shown->accept();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QStringList m_texts;
};
