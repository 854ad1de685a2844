#include "ui/resultsPanel.h"

#include "ui/keyboard.h"
#include "ui/layout.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>

namespace ui {

namespace {

// Row 0 of the results grid is its heading row; draw it like a header.
class HeadingRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.row() == 0) {
            option->font.setBold(true);
            option->backgroundBrush = option->palette.button();
            option->state &= ~QStyle::State_Selected;
        }
    }
};

} // namespace

ResultsPanel::ResultsPanel(QWidget *parent) : QGroupBox(parent)
{
    resultsGrid = named(new QTableWidget(1, 3, this), "resultsGrid");

    resultsGrid->horizontalHeader()->hide();
    resultsGrid->verticalHeader()->hide();
    resultsGrid->setItemDelegate(new HeadingRowDelegate(resultsGrid));
    resultsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    resultsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsGrid->setAlternatingRowColors(true);
    // Rows as tall as the desktop's font needs; Tab leaves the grid instead of walking its cells.
    resultsGrid->verticalHeader()->setDefaultSectionSize(resultsGrid->fontMetrics().height() + 6);
    resultsGrid->setTabKeyNavigation(false);
    resultsGrid->viewport()->installEventFilter(this);
    onReturnKey(
        *resultsGrid, [this] { Q_EMIT rowChosen(resultsGrid->currentRow()); }, true);
    resultsGrid->setAccessibleName(QStringLiteral("Search results"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(resultsGrid);
}

void ResultsPanel::clearResults()
{
    resultsGrid->clear();
    resultsGrid->setRowCount(1);
    fitColumns();
}

void ResultsPanel::fitColumns()
{
    constexpr std::array<int, 3> shares{200, 233, 133};
    constexpr int whole = shares[0] + shares[1] + shares[2];
    const int width = resultsGrid->viewport()->width();
    int left = width;
    for (int column = 0; column < 2; ++column) {
        const int columnWidth = width * shares[std::size_t(column)] / whole;
        resultsGrid->setColumnWidth(column, columnWidth);
        left -= columnWidth;
    }
    resultsGrid->setColumnWidth(2, left);
}

bool ResultsPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == resultsGrid->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QGroupBox::eventFilter(watched, event);
}

} // namespace ui
