// The title of a chart: text on a silver, horizontally hatched panel with a lowered bevel. A click on
// it asks for a new chart (the chart widget finds the title under the mouse).
#pragma once

#include "app/gui/Namespace.h"

#include <qcustomplot.h>

namespace dedezuviv::gui {

class TChartTitle : public QCPTextElement {
    Q_OBJECT
public:
    TChartTitle(QCustomPlot* plot, const QColor& textColor);

protected:
    void draw(QCPPainter* painter) override;
};

}  // namespace dedezuviv::gui
