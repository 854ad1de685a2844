#include "ui/formHandleDownloadChoice.h"

#include "downloads/chooser.h"
#include "ui/formHandleDownload.h"

#include <QEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

// Watches the chooser's own window events.
class ChoiceGuard : public QObject
{
public:
    explicit ChoiceGuard(formHandleDownload &chooser) : QObject(&chooser), m_chooser(chooser) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &m_chooser)
            return false;
        const bool waiting = m_chooser.chosenAction.isEmpty();
        if (event->type() == QEvent::Hide && waiting && !m_chooser.isVisible()) {
            // Whatever took the chooser away, the main window must not wait for it for ever.
            m_chooser.chosenAction = QStringLiteral("forget");
        } else if (event->type() == QEvent::WindowDeactivate && waiting && m_chooser.isVisible()) {
            // Come back to the front once the click elsewhere has been handled.
            QTimer::singleShot(0, &m_chooser, [this] {
                if (m_chooser.chosenAction.isEmpty() && m_chooser.isVisible())
                    m_chooser.raise();
            });
        }
        return false;
    }

private:
    formHandleDownload &m_chooser;
};

void updateDoIt(formHandleDownload &chooser)
{
    bool anySelected = false;
    for (QRadioButton *option :
         {chooser.Option1, chooser.Option2, chooser.Option3, chooser.Option4, chooser.Option5})
        anySelected = anySelected || option->isChecked();
    chooser.Command1->setEnabled(anySelected);
}

} // namespace

void setupChoiceHandlers(formHandleDownload &chooser)
{
    chooser.installEventFilter(new ChoiceGuard(chooser));

    for (QRadioButton *option :
         {chooser.Option1, chooser.Option2, chooser.Option3, chooser.Option4, chooser.Option5})
        QObject::connect(option, &QRadioButton::toggled, &chooser, [&chooser] { updateDoIt(chooser); });
    updateDoIt(chooser);

    QObject::connect(chooser.Command1, &QPushButton::clicked, &chooser, [&chooser] {
        chooser.chosenAction = downloads::selectedAction(
            {chooser.Option1, chooser.Option2, chooser.Option3, chooser.Option4, chooser.Option5});
        chooser.hide();
    });
}
