// The title of a chart: text on a silver, horizontally hatched panel with a lowered bevel. A click on
// it asks for a new chart (the chart widget finds the title under the mouse). A line longer than the
// chart is wide ends in "…" instead of running out of the picture.
#pragma once

#include "app/gui/Namespace.h"

#include <qcustomplot.h>

namespace dedezuviv::gui {

class TChartTitle : public QCPTextElement {
    Q_OBJECT
public:
    TChartTitle(QCustomPlot* plot, const QColor& textColor);

    // The text as drawn in the title's present width.
    QString ShownText() const;

    QSize minimumOuterSizeHint() const override;

protected:
    void draw(QCPPainter* painter) override;
};

}  // namespace dedezuviv::gui
