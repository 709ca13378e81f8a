// Ticks of the charts' time axis: times (days since 30 December 1899) labelled on one line as
// "08.12.26 10:15.07", at whole steps of the clock and calendar (1 s, 2 s, 5 s ... 1 h, 2 h ... 1 day,
// 1 week ...), as many as fit with at least 10 pixels between labels.
#pragma once

#include "app/gui/Namespace.h"

#include <qcustomplot.h>

namespace dedezuviv::gui {

class TTimeAxisTicker : public QCPAxisTicker {
public:
    explicit TTimeAxisTicker(QCPAxis* axis) : Axis(axis) {}

    // The label of a time.
    static QString Label(double time);

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;

private:
    int LabelsThatFit() const;

    QCPAxis* Axis;
};

}  // namespace dedezuviv::gui
