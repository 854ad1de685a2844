#include "ui/keyboard.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace ui {

namespace {

class ReturnKeyFilter : public QObject
{
public:
    ReturnKeyFilter(QAbstractItemView &view, std::function<void()> act, bool withSpace)
        : QObject(&view), m_view(view), m_act(std::move(act)), m_withSpace(withSpace)
    {
        view.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool chooses =
            key == Qt::Key_Return || key == Qt::Key_Enter || (m_withSpace && key == Qt::Key_Space);
        if (!chooses || !m_view.currentIndex().isValid())
            return QObject::eventFilter(watched, event);
        m_act();
        return true;
    }

private:
    QAbstractItemView &m_view;
    std::function<void()> m_act;
    bool m_withSpace;
};

} // namespace

void onReturnKey(QAbstractItemView &view, std::function<void()> act, bool withSpace)
{
    new ReturnKeyFilter(view, std::move(act), withSpace);
}

} // namespace ui
