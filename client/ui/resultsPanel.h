#pragma once

#include <QGroupBox>

class QTableWidget;

namespace ui {

// The search results: a grid whose row 0 is its heading row. The search writes the panel's title.
class ResultsPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ResultsPanel(QWidget *parent);

    // An empty grid: the heading row only, the columns at their starting widths.
    void clearResults();

    QTableWidget *resultsGrid = nullptr;
};

} // namespace ui
