#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers every modal message box that opens while it lives, and records its text.
class MessageBoxCatcher : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxCatcher(QObject *parent = nullptr);

    QStringList texts() const { return m_texts; }
    int count() const { return int(m_texts.size()); }
    void clear() { m_texts.clear(); }

private:
    void poll();

    QTimer m_timer;
    QStringList m_texts;
};
