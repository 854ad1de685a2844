#include "ui/formHandleDownload.h"

#include "core/settings.h"
#include "http/httpAgent.h"
#include "platform/socketControl.h"
#include "ui/designPictures.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}
} // namespace

formHandleDownload::formHandleDownload(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("formHandleDownload"));
    setWindowTitle(QStringLiteral("What to do?"));
    setWindowIcon(designPictures::programIcon());

    Frame1 = named(new QGroupBox(QStringLiteral("Your choices :"), this), "Frame1");
    Option1 = named(new QRadioButton(QStringLiteral("Download"), Frame1), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("Find more from"), Frame1), "Option2");
    Option3 =
        named(new QRadioButton(QStringLiteral("Forget about it.  Changed my mind."), Frame1), "Option3");
    Option4 = named(new QRadioButton(QStringLiteral("Show me where this came from."), Frame1), "Option4");
    Option5 = named(new QRadioButton(QStringLiteral("Google for"), Frame1), "Option5");
    Command1 = named(new QPushButton(QStringLiteral("do it"), this), "Command1");
    Picture1 = named(new QLabel(this), "Picture1");
    Winsock1 = named(new platform::SocketControl(this), "Winsock1");

    Picture1->setAccessibleName(QStringLiteral("Artist picture"));
    Picture1->setFixedSize(150, 142);
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setFrameShape(QFrame::StyledPanel);
    Command1->setDefault(true);
    Command1->setMinimumWidth(110);

    auto *choices = new QVBoxLayout(Frame1);
    choices->setSpacing(8);
    for (QRadioButton *option : {Option1, Option2, Option3, Option4, Option5})
        choices->addWidget(option);
    choices->addStretch();

    auto *side = new QVBoxLayout;
    side->addWidget(Picture1);
    side->addStretch();
    side->addWidget(Command1, 0, Qt::AlignRight);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addWidget(Frame1, 1);
    layout->addLayout(side);
    setMinimumWidth(520);

    http::attachSocket(*Winsock1, http::Slot::ChooserPicture);
}
