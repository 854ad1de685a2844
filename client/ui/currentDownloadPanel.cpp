#include "ui/currentDownloadPanel.h"

#include "ui/layout.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace ui {

namespace {

QLineEdit *readOnlyField(QWidget *parent, const char *name)
{
    auto *field = named(new QLineEdit(parent), name);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight);
    return field;
}

QTimer *secondTimer(QObject *parent, const char *name)
{
    auto *timer = named(new QTimer(parent), name);
    timer->setInterval(1000);
    return timer;
}

} // namespace

CurrentDownloadPanel::CurrentDownloadPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("Current Download"), parent)
{
    downloadQueueList = named(new QListWidget(this), "downloadQueueList");
    currentDownloadField = named(new QLineEdit(this), "currentDownloadField");
    currentDownloadField->setReadOnly(true);
    rateField = readOnlyField(this, "rateField");
    receivedField = readOnlyField(this, "receivedField");
    cancelButton = named(new QPushButton(QStringLiteral("cancel"), this), "cancelButton");
    downloadProgress = named(new QProgressBar(this), "downloadProgress");
    receivedUnitLabel = named(new QLabel(QStringLiteral("KB"), this), "receivedUnitLabel");
    rateUnitLabel = named(new QLabel(QStringLiteral("KB/s"), this), "rateUnitLabel");
    progressTimer = secondTimer(this, "progressTimer");
    queuePumpTimer = secondTimer(this, "queuePumpTimer");

    // The row is as tall as the figures need; the queue list scrolls within it.
    downloadQueueList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    currentDownloadField->setAccessibleName(QStringLiteral("Current download"));
    currentDownloadField->setPlaceholderText(QStringLiteral("Nothing downloading"));
    rateField->setAccessibleName(QStringLiteral("KB/s"));
    receivedField->setAccessibleName(QStringLiteral("KB"));
    receivedUnitLabel->setBuddy(receivedField);
    rateUnitLabel->setBuddy(rateField);
    downloadProgress->setTextVisible(false);
    downloadProgress->setValue(0);
    downloadQueueList->setAccessibleName(QStringLiteral("Download queue"));

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(6);
    layout->addWidget(currentDownloadField, 0, 0, 1, 5);
    layout->addWidget(downloadProgress, 1, 0, 1, 5);
    layout->addWidget(receivedField, 2, 0);
    layout->addWidget(receivedUnitLabel, 2, 1);
    layout->addWidget(rateField, 2, 2);
    layout->addWidget(rateUnitLabel, 2, 3);
    layout->addWidget(cancelButton, 2, 4);
    layout->addWidget(downloadQueueList, 0, 5, 4, 1);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);
    layout->setColumnStretch(5, 2);
}

} // namespace ui
