#pragma once

#include <QGroupBox>

class QTableWidget;

namespace ui {

// The search results: a grid whose row 0 is its heading row. The search writes the panel's title.
// The grid picks whole rows; Return or Space on a row chooses it as a click does.
class ResultsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ResultsPanel(QWidget *parent);

    // An empty grid: the heading row only, the columns at their starting widths.
    void clearResults();

    QTableWidget *resultsGrid = nullptr;

Q_SIGNALS:
    // Return, Enter or Space on the grid's current row.
    void rowChosen(int row);

protected:
    // Fits the columns to the grid's width whenever it changes.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The columns share the grid's width as they share the first one: artist, track, genre.
    void fitColumns();
};

} // namespace ui
