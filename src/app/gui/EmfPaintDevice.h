// A paint device that records what a QPainter draws as an enhanced metafile (EMF), so that a chart
// rendered through QPainter becomes a vector picture that office programs open and scale.
//
// Lines, polygons, painter paths (flattened), rectangles, text (as text, with its font, weight,
// rotation and character spacing), clipping to rectangles, solid and hatched brushes, and pictures
// (as bitmaps) are recorded. Gradients become their first colour; transparency is not kept.
#pragma once

#include "app/gui/Namespace.h"

#include <QPaintDevice>
#include <QSize>

#include <memory>
#include <vector>

namespace dedezuviv::gui {

class TEmfPaintEngine;

class TEmfPaintDevice : public QPaintDevice {
public:
    // A picture of the given size in pixels at 96 dpi.
    explicit TEmfPaintDevice(QSize pixelSize);
    ~TEmfPaintDevice() override;

    QPaintEngine* paintEngine() const override;
    // The file's bytes; complete once the painter has ended.
    const std::vector<uint8_t>& Bytes() const;
    QSize PixelSize() const { return Size; }
    // Logical units of the picture per pixel.
    static double UnitsPerPixel();

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize Size;
    std::unique_ptr<TEmfPaintEngine> Engine;
};

}  // namespace dedezuviv::gui
