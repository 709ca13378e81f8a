// The bytes of an enhanced metafile (EMF): a header, drawing and state records, and the closing EOF
// record, little-endian as the format demands. The paint engine decides what to draw; this unit only
// knows how each record is laid out.
//
// Coordinates are logical units of the MM_TEXT mapping: one unit is one device unit of the reference
// device the header describes (here 0.01 mm, so a picture of 800 pixels at 96 dpi is 21167 units
// wide).
#pragma once

#include "app/gui/Namespace.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dedezuviv::gui {

struct TEmfPoint {
    int32_t X = 0, Y = 0;
};

struct TEmfRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// COLORREF: red in the lowest byte.
constexpr uint32_t EmfColor(int red, int green, int blue)
{
    return static_cast<uint32_t>(red) | (static_cast<uint32_t>(green) << 8) | (static_cast<uint32_t>(blue) << 16);
}

enum class TEmfPenStyle : uint32_t { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Null = 5 };
enum class TEmfBrushStyle : uint32_t { Solid = 0, Null = 1, Hatched = 2 };
enum class TEmfHatch : uint32_t { Horizontal = 0, Vertical = 1, FDiagonal = 2, BDiagonal = 3, Cross = 4, DiagCross = 5 };

struct TEmfFont {
    int32_t Height = 0;       // negative: character height in logical units
    int32_t Escapement = 0;   // tenths of a degree, counter-clockwise
    int32_t Weight = 400;     // 700 bold
    bool Italic = false;
    bool Underline = false;
    std::u16string FaceName;  // at most 31 characters are kept
};

class TEmfRecords {
public:
    // Logical units per 0.01 mm of the reference device (1: the units are 0.01 mm).
    static constexpr int32_t ReferenceMillimeters = 1000;
    static constexpr int32_t ReferenceDeviceUnits = 100000;

    // Starts a picture of the given size in logical units; Description is the program and picture
    // name (stored as "program\0picture\0\0").
    TEmfRecords(int32_t width, int32_t height, const std::u16string& program, const std::u16string& picture);

    // Drawing state.
    void SetMapModeText();
    void SetBackgroundTransparent();
    void SetPolyFillMode(bool winding);
    void SetTextAlignBaseline();
    void SetTextColor(uint32_t color);
    void SaveDC();
    void RestoreDC();
    // Clipping: none, then the intersection with the rectangle.
    void ResetClip();
    void IntersectClipRect(const TEmfRect& rect);

    // Objects get the handle returned; selecting makes them current, deleting frees the handle.
    uint32_t CreatePen(TEmfPenStyle style, int32_t width, uint32_t color);
    uint32_t CreateBrush(TEmfBrushStyle style, uint32_t color, TEmfHatch hatch = TEmfHatch::Horizontal);
    uint32_t CreateFont(const TEmfFont& font);
    void SelectObject(uint32_t handle);
    void DeleteObject(uint32_t handle);

    // Drawing with the current pen (lines) and brush (areas).
    void Polyline(const std::vector<TEmfPoint>& points);
    void PolyPolyline(const std::vector<std::vector<TEmfPoint>>& lines);
    void Polygon(const std::vector<TEmfPoint>& points);
    void PolyPolygon(const std::vector<std::vector<TEmfPoint>>& polygons);
    void Rectangle(const TEmfRect& rect);
    // Text at its baseline start with the current font; Advances holds the distance from each UTF-16
    // unit to the next, in logical units (empty: the reader's own spacing).
    void TextOut(TEmfPoint reference, const std::u16string& text, const std::vector<int32_t>& advances);
    // A 24-bit picture (rows top down, each Width * 3 bytes of blue, green, red) stretched into the
    // destination rectangle.
    void StretchBitmap(const TEmfRect& destination, int32_t width, int32_t height, const std::vector<uint8_t>& bgr);

    // Adds the EOF record and completes the header; the records cannot be extended afterwards.
    const std::vector<uint8_t>& Finish();
    size_t RecordCount() const { return Records; }

private:
    void BeginRecord(uint32_t type);
    void EndRecord();
    void U32(uint32_t value);
    void I32(int32_t value);
    void U16(uint16_t value);
    void Rect(const TEmfRect& rect);
    void Point(const TEmfPoint& point);
    void PatchU32(size_t offset, uint32_t value);
    TEmfRect Bounds(const std::vector<TEmfPoint>& points) const;
    uint32_t NewHandle();

    std::vector<uint8_t> Bytes;
    size_t RecordStart = 0;
    size_t Records = 0;
    uint32_t NextHandle = 1;
    uint32_t MaxHandle = 0;
    std::vector<uint32_t> FreeHandles;
    bool Finished = false;
};

}  // namespace dedezuviv::gui
