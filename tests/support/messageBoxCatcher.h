#pragma once

#include <QObject>
#include <QStringList>

// Answers every message box that is shown while it lives, and records its text.
class MessageBoxCatcher : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxCatcher(QObject *parent = nullptr);

    QStringList texts() const { return m_texts; }
    int count() const { return int(m_texts.size()); }
    void clear() { m_texts.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringList m_texts;
};
