#include "app/gui/EmfPaintDevice.h"

#include "app/gui/EmfRecords.h"
#include "app/gui/Namespace.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

#include <cmath>
#include <optional>

namespace dedezuviv::gui {

namespace {

constexpr int Dpi = 96;

std::u16string ToUtf16(const QString& text) { return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size()); }

uint32_t ToColorRef(const QColor& color) { return EmfColor(color.red(), color.green(), color.blue()); }

bool IsTransparent(const QColor& color) { return color.alpha() == 0; }

TEmfPenStyle PenStyle(Qt::PenStyle style)
{
    switch (style) {
    case Qt::NoPen: return TEmfPenStyle::Null;
    case Qt::DashLine: return TEmfPenStyle::Dash;
    case Qt::DotLine: return TEmfPenStyle::Dot;
    case Qt::DashDotLine: return TEmfPenStyle::DashDot;
    case Qt::DashDotDotLine: return TEmfPenStyle::DashDotDot;
    case Qt::CustomDashLine: return TEmfPenStyle::Dash;
    default: return TEmfPenStyle::Solid;
    }
}

std::optional<TEmfHatch> Hatch(Qt::BrushStyle style)
{
    switch (style) {
    case Qt::HorPattern: return TEmfHatch::Horizontal;
    case Qt::VerPattern: return TEmfHatch::Vertical;
    case Qt::CrossPattern: return TEmfHatch::Cross;
    case Qt::BDiagPattern: return TEmfHatch::BDiagonal;
    case Qt::FDiagPattern: return TEmfHatch::FDiagonal;
    case Qt::DiagCrossPattern: return TEmfHatch::DiagCross;
    default: return std::nullopt;
    }
}

// The colour a brush paints with: a gradient gives its first stop.
QColor BrushColor(const QBrush& brush)
{
    if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty())
        return gradient->stops().first().second;
    return brush.color();
}

struct TPenKey {
    TEmfPenStyle Style;
    int32_t Width;
    uint32_t Color;
    bool operator==(const TPenKey&) const = default;
};

struct TBrushKey {
    TEmfBrushStyle Style;
    uint32_t Color;
    TEmfHatch Hatch;
    bool operator==(const TBrushKey&) const = default;
};

struct TFontKey {
    std::u16string Face;
    int32_t Height, Escapement, Weight;
    bool Italic, Underline;
    bool operator==(const TFontKey&) const = default;
};

}  // namespace

class TEmfPaintEngine : public QPaintEngine {
public:
    explicit TEmfPaintEngine(TEmfPaintDevice& device) : QPaintEngine(QPaintEngine::AllFeatures), Device(device) {}

    bool begin(QPaintDevice*) override
    {
        const double scale = TEmfPaintDevice::UnitsPerPixel();
        Records.emplace(static_cast<int32_t>(std::lround(Device.PixelSize().width() * scale)),
                        static_cast<int32_t>(std::lround(Device.PixelSize().height() * scale)), u"DEDEZUviv", u"Grafik");
        Records->SetMapModeText();
        Records->SetBackgroundTransparent();
        Records->SetTextAlignBaseline();
        Records->SetPolyFillMode(false);
        Pen = QPen();
        Brush = QBrush();
        Transform = QTransform();
        ClipEnabled = false;
        ClipDirty = false;
        SelectedPen.reset();
        SelectedBrush.reset();
        SelectedFont.reset();
        TextColor.reset();
        Winding = false;
        setActive(true);
        return true;
    }

    bool end() override
    {
        // The objects still selected end with the picture.
        PenHandle.reset();
        BrushHandle.reset();
        FontHandle.reset();
        Result = Records->Finish();
        Records.reset();
        setActive(false);
        return true;
    }

    void updateState(const QPaintEngineState& state) override
    {
        const QPaintEngine::DirtyFlags flags = state.state();
        if (flags & DirtyTransform)
            Transform = state.transform();
        if (flags & DirtyPen)
            Pen = state.pen();
        if (flags & DirtyBrush)
            Brush = state.brush();
        if (flags & DirtyClipEnabled) {
            ClipEnabled = state.isClipEnabled();
            ClipDirty = true;
        }
        if (flags & DirtyClipRegion)
            ApplyClip(state.clipOperation(), Transform.map(state.clipRegion()).boundingRect());
        if (flags & DirtyClipPath)
            ApplyClip(state.clipOperation(), Transform.map(state.clipPath()).boundingRect());
    }

    void drawPath(const QPainterPath& path) override
    {
        PrepareDrawing();
        if (HasBrush()) {
            std::vector<std::vector<TEmfPoint>> polygons;
            for (const QPolygonF& polygon : path.toFillPolygons(Transform))
                polygons.push_back(Points(polygon));
            const bool winding = path.fillRule() == Qt::WindingFill;
            if (winding != Winding) {
                Records->SetPolyFillMode(winding);
                Winding = winding;
            }
            SelectPen(NullPen());
            SelectBrush(CurrentBrush());
            Records->PolyPolygon(polygons);
        }
        if (HasPen()) {
            std::vector<std::vector<TEmfPoint>> lines;
            for (const QPolygonF& polygon : path.toSubpathPolygons(Transform))
                lines.push_back(Points(polygon));
            SelectPen(CurrentPen());
            Records->PolyPolyline(lines);
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        PrepareDrawing();
        QPolygonF polygon;
        polygon.reserve(count);
        for (int i = 0; i < count; ++i)
            polygon.append(Transform.map(points[i]));
        if (mode == PolylineMode) {
            if (!HasPen())
                return;
            SelectPen(CurrentPen());
            Records->Polyline(Points(polygon));
            return;
        }
        const bool winding = mode == WindingMode || mode == ConvexMode;
        if (winding != Winding) {
            Records->SetPolyFillMode(winding);
            Winding = winding;
        }
        SelectPen(HasPen() ? CurrentPen() : NullPen());
        SelectBrush(HasBrush() ? CurrentBrush() : NullBrush());
        Records->Polygon(Points(polygon));
    }

    void drawLines(const QLineF* lines, int count) override
    {
        if (!HasPen())
            return;
        PrepareDrawing();
        std::vector<std::vector<TEmfPoint>> segments;
        segments.reserve(count);
        for (int i = 0; i < count; ++i)
            segments.push_back({Unit(Transform.map(lines[i].p1())), Unit(Transform.map(lines[i].p2()))});
        SelectPen(CurrentPen());
        Records->PolyPolyline(segments);
    }

    void drawRects(const QRectF* rects, int count) override
    {
        PrepareDrawing();
        SelectPen(HasPen() ? CurrentPen() : NullPen());
        SelectBrush(HasBrush() ? CurrentBrush() : NullBrush());
        for (int i = 0; i < count; ++i) {
            if (Transform.isRotating()) {
                Records->Polygon(Points(Transform.map(QPolygonF(rects[i]))));
                continue;
            }
            const QRectF mapped = Transform.mapRect(rects[i]);
            const TEmfPoint topLeft = Unit(mapped.topLeft()), bottomRight = Unit(mapped.bottomRight());
            Records->Rectangle({topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y});
        }
    }

    void drawPoints(const QPointF* points, int count) override
    {
        if (!HasPen())
            return;
        PrepareDrawing();
        SelectPen(CurrentPen());
        const int32_t dot = static_cast<int32_t>(std::lround(TEmfPaintDevice::UnitsPerPixel()));
        std::vector<std::vector<TEmfPoint>> dots;
        for (int i = 0; i < count; ++i) {
            const TEmfPoint p = Unit(Transform.map(points[i]));
            dots.push_back({p, {p.X + dot, p.Y}});
        }
        Records->PolyPolyline(dots);
    }

    void drawTextItem(const QPointF& position, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty() || !HasPen())
            return;
        PrepareDrawing();
        const double scale = TEmfPaintDevice::UnitsPerPixel();
        const double stretch = std::hypot(Transform.m11(), Transform.m12());
        const double angle = std::atan2(Transform.m12(), Transform.m11()) * 180.0 / M_PI;
        const QFont font = item.font();
        const QFontMetricsF metrics(font, &Device);
        const double pixelSize = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * Dpi / 72.0;

        TFontKey key{ToUtf16(font.family()), -static_cast<int32_t>(std::lround(pixelSize * stretch * scale)),
                     static_cast<int32_t>(std::lround(-angle * 10)), static_cast<int32_t>(font.weight()),
                     font.italic(), font.underline()};
        if (!SelectedFont || !(*SelectedFont == key)) {
            const uint32_t handle = Records->CreateFont({key.Height, key.Escapement, key.Weight, key.Italic, key.Underline, key.Face});
            Records->SelectObject(handle);
            if (FontHandle)
                Records->DeleteObject(*FontHandle);
            FontHandle = handle;
            SelectedFont = key;
        }
        const uint32_t color = ToColorRef(Pen.color());
        if (!TextColor || *TextColor != color) {
            Records->SetTextColor(color);
            TextColor = color;
        }
        // Advances from the cumulative widths, so that rounding does not add up along the text.
        std::vector<int32_t> advances;
        advances.reserve(text.size());
        long previous = 0;
        for (qsizetype i = 1; i <= text.size(); ++i) {
            const long next = std::lround(metrics.horizontalAdvance(text.left(i)) * stretch * scale);
            advances.push_back(static_cast<int32_t>(next - previous));
            previous = next;
        }
        Records->TextOut(Unit(Transform.map(position)), ToUtf16(text), advances);
    }

    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override
    {
        drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& target, const QImage& image, const QRectF& source, Qt::ImageConversionFlags) override
    {
        PrepareDrawing();
        // Transparent parts over white: the picture's background.
        const QImage part = image.copy(source.toAlignedRect());
        QImage opaque(part.size(), QImage::Format_RGB888);
        opaque.fill(Qt::white);
        {
            QPainter painter(&opaque);
            painter.drawImage(0, 0, part);
        }
        std::vector<uint8_t> bgr;
        bgr.reserve(static_cast<size_t>(opaque.width()) * opaque.height() * 3);
        for (int y = 0; y < opaque.height(); ++y) {
            const uchar* line = opaque.constScanLine(y);
            for (int x = 0; x < opaque.width(); ++x) {
                bgr.push_back(line[x * 3 + 2]);
                bgr.push_back(line[x * 3 + 1]);
                bgr.push_back(line[x * 3]);
            }
        }
        const QRectF mapped = Transform.mapRect(target);
        const TEmfPoint topLeft = Unit(mapped.topLeft()), bottomRight = Unit(mapped.bottomRight());
        Records->StretchBitmap({topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y}, opaque.width(), opaque.height(), bgr);
    }

    Type type() const override { return QPaintEngine::User; }

    std::vector<uint8_t> Result;

private:
    void ApplyClip(Qt::ClipOperation operation, const QRectF& rect)
    {
        if (operation == Qt::NoClip) {
            ClipEnabled = false;
        } else if (operation == Qt::IntersectClip && ClipEnabled) {
            Clip = Clip.intersected(rect);
        } else {
            Clip = rect;
            ClipEnabled = true;
        }
        ClipDirty = true;
    }

    void PrepareDrawing()
    {
        if (!ClipDirty)
            return;
        Records->ResetClip();
        if (ClipEnabled) {
            const TEmfPoint topLeft = Unit(Clip.topLeft()), bottomRight = Unit(Clip.bottomRight());
            Records->IntersectClipRect({topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y});
        }
        ClipDirty = false;
    }

    TEmfPoint Unit(const QPointF& point) const
    {
        const double scale = TEmfPaintDevice::UnitsPerPixel();
        return {static_cast<int32_t>(std::lround(point.x() * scale)), static_cast<int32_t>(std::lround(point.y() * scale))};
    }

    std::vector<TEmfPoint> Points(const QPolygonF& polygon) const
    {
        std::vector<TEmfPoint> points;
        points.reserve(polygon.size());
        for (const QPointF& p : polygon)
            points.push_back(Unit(p));
        return points;
    }

    bool HasPen() const { return Pen.style() != Qt::NoPen && !IsTransparent(Pen.color()); }
    bool HasBrush() const { return Brush.style() != Qt::NoBrush && !IsTransparent(BrushColor(Brush)); }

    TPenKey CurrentPen() const
    {
        double width = Pen.widthF();
        if (width <= 0 || Pen.isCosmetic())
            width = width <= 0 ? 1.0 : width;
        else
            width *= std::hypot(Transform.m11(), Transform.m12());
        const int32_t units = std::max<int32_t>(1, static_cast<int32_t>(std::lround(width * TEmfPaintDevice::UnitsPerPixel())));
        return {PenStyle(Pen.style()), units, ToColorRef(Pen.color())};
    }
    static TPenKey NullPen() { return {TEmfPenStyle::Null, 0, 0}; }

    TBrushKey CurrentBrush() const
    {
        const QColor color = BrushColor(Brush);
        if (const auto hatch = Hatch(Brush.style()))
            return {TEmfBrushStyle::Hatched, ToColorRef(color), *hatch};
        return {TEmfBrushStyle::Solid, ToColorRef(color), TEmfHatch::Horizontal};
    }
    static TBrushKey NullBrush() { return {TEmfBrushStyle::Null, 0, TEmfHatch::Horizontal}; }

    void SelectPen(const TPenKey& key)
    {
        if (SelectedPen && *SelectedPen == key)
            return;
        const uint32_t handle = Records->CreatePen(key.Style, key.Width, key.Color);
        Records->SelectObject(handle);
        if (PenHandle)
            Records->DeleteObject(*PenHandle);
        PenHandle = handle;
        SelectedPen = key;
    }

    void SelectBrush(const TBrushKey& key)
    {
        if (SelectedBrush && *SelectedBrush == key)
            return;
        const uint32_t handle = Records->CreateBrush(key.Style, key.Color, key.Hatch);
        Records->SelectObject(handle);
        if (BrushHandle)
            Records->DeleteObject(*BrushHandle);
        BrushHandle = handle;
        SelectedBrush = key;
    }

    TEmfPaintDevice& Device;
    std::optional<TEmfRecords> Records;
    QPen Pen;
    QBrush Brush;
    QTransform Transform;
    bool ClipEnabled = false;
    bool ClipDirty = false;
    QRectF Clip;
    bool Winding = false;
    std::optional<TPenKey> SelectedPen;
    std::optional<TBrushKey> SelectedBrush;
    std::optional<TFontKey> SelectedFont;
    std::optional<uint32_t> TextColor;
    std::optional<uint32_t> PenHandle, BrushHandle, FontHandle;
};

TEmfPaintDevice::TEmfPaintDevice(QSize pixelSize) : Size(pixelSize), Engine(std::make_unique<TEmfPaintEngine>(*this)) {}

TEmfPaintDevice::~TEmfPaintDevice() = default;

QPaintEngine* TEmfPaintDevice::paintEngine() const { return Engine.get(); }

const std::vector<uint8_t>& TEmfPaintDevice::Bytes() const { return Engine->Result; }

double TEmfPaintDevice::UnitsPerPixel() { return 2540.0 / Dpi; }

int TEmfPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return Size.width();
    case PdmHeight: return Size.height();
    case PdmWidthMM: return static_cast<int>(std::lround(Size.width() * 25.4 / Dpi));
    case PdmHeightMM: return static_cast<int>(std::lround(Size.height() * 25.4 / Dpi));
    case PdmNumColors: return 0x7fffffff;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return Dpi;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
    default: return 0;
    }
}

}  // namespace dedezuviv::gui
