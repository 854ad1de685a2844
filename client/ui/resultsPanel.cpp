#include "ui/resultsPanel.h"

#include "ui/layout.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

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

    setGeometry(MARGIN, RESULTS_TOP, LEFT_WIDTH, DOWNLOAD_TOP - RESULTS_TOP - 4);
    resultsGrid->horizontalHeader()->hide();
    resultsGrid->verticalHeader()->hide();
    resultsGrid->setItemDelegate(new HeadingRowDelegate(resultsGrid));
    resultsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    resultsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsGrid->setAlternatingRowColors(true);
    resultsGrid->verticalHeader()->setDefaultSectionSize(22);
    resultsGrid->setAccessibleName(QStringLiteral("Search results"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(resultsGrid);
}

void ResultsPanel::clearResults()
{
    resultsGrid->clear();
    resultsGrid->setRowCount(1);
    // Artist, track, genre.
    resultsGrid->setColumnWidth(0, 200);
    resultsGrid->setColumnWidth(1, 233);
    resultsGrid->setColumnWidth(2, 133);
}

} // namespace ui
