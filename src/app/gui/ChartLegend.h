// A legend entry with a check box: ticked while its series is shown. The text is drawn in the
// series' colour. A click on the entry (handled by the chart) shows or hides the series.
#pragma once

#include "app/gui/Namespace.h"

#include <qcustomplot.h>

namespace dedezuviv::gui {

class TLegendCheckItem : public QCPPlottableLegendItem {
    Q_OBJECT
public:
    TLegendCheckItem(QCPLegend* legend, QCPAbstractPlottable* plottable);

    // Shows or hides the series and redraws the chart.
    void Toggle();
    bool Checked() const;

protected:
    void draw(QCPPainter* painter) override;
    QSize minimumOuterSizeHint() const override;

private:
    int BoxSize() const;
};

}  // namespace dedezuviv::gui
