#include "app/gui/EmfRecords.h"
#include "app/gui/Namespace.h"

#include <algorithm>
#include <climits>

namespace dedezuviv::gui {

namespace {

// Record types.
constexpr uint32_t EmrHeader = 1;
constexpr uint32_t EmrPolygon = 3;
constexpr uint32_t EmrPolyline = 4;
constexpr uint32_t EmrPolyPolyline = 7;
constexpr uint32_t EmrPolyPolygon = 8;
constexpr uint32_t EmrEof = 14;
constexpr uint32_t EmrSetMapMode = 17;
constexpr uint32_t EmrSetBkMode = 18;
constexpr uint32_t EmrSetPolyFillMode = 19;
constexpr uint32_t EmrSetTextAlign = 22;
constexpr uint32_t EmrSetTextColor = 24;
constexpr uint32_t EmrIntersectClipRect = 30;
constexpr uint32_t EmrSaveDC = 33;
constexpr uint32_t EmrRestoreDC = 34;
constexpr uint32_t EmrSelectObject = 37;
constexpr uint32_t EmrCreatePen = 38;
constexpr uint32_t EmrCreateBrushIndirect = 39;
constexpr uint32_t EmrDeleteObject = 40;
constexpr uint32_t EmrRectangle = 43;
constexpr uint32_t EmrExtSelectClipRgn = 75;
constexpr uint32_t EmrStretchDIBits = 81;
constexpr uint32_t EmrExtCreateFontIndirectW = 82;
constexpr uint32_t EmrExtTextOutW = 84;

constexpr uint32_t EnhMetaSignature = 0x464D4520;  // " EMF"
constexpr uint32_t MmText = 1;
constexpr uint32_t Transparent = 1;
constexpr uint32_t Alternate = 1, Winding = 2;
constexpr uint32_t TaBaseline = 24;
constexpr uint32_t RgnCopy = 5;
constexpr uint32_t GmCompatible = 1;
constexpr uint32_t SrcCopy = 0x00CC0020;
constexpr uint32_t DibRgbColors = 0;

}  // namespace

TEmfRecords::TEmfRecords(int32_t width, int32_t height, const std::u16string& program, const std::u16string& picture)
{
    std::u16string description = program;
    description += u'\0';
    description += picture;
    description += u'\0';
    description += u'\0';

    BeginRecord(EmrHeader);
    // Bounds in logical units and the frame in 0.01 mm, both inclusive; the two agree, since one
    // logical unit is 0.01 mm of the reference device.
    Rect({0, 0, std::max(0, width - 1), std::max(0, height - 1)});
    Rect({0, 0, std::max(0, width - 1), std::max(0, height - 1)});
    U32(EnhMetaSignature);
    U32(0x00010000);
    U32(0);  // bytes, patched by Finish
    U32(0);  // records, patched by Finish
    U16(0);  // handles, patched by Finish
    U16(0);
    U32(static_cast<uint32_t>(description.size()));
    U32(108);  // the description follows the fixed part of the second header extension
    U32(0);    // no palette
    I32(ReferenceDeviceUnits);
    I32(ReferenceDeviceUnits);
    I32(ReferenceMillimeters);
    I32(ReferenceMillimeters);
    U32(0);  // no pixel format
    U32(0);
    U32(0);  // no OpenGL
    I32(ReferenceMillimeters * 1000);
    I32(ReferenceMillimeters * 1000);
    for (char16_t c : description)
        U16(static_cast<uint16_t>(c));
    EndRecord();
}

void TEmfRecords::U32(uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        Bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void TEmfRecords::I32(int32_t value) { U32(static_cast<uint32_t>(value)); }

void TEmfRecords::U16(uint16_t value)
{
    Bytes.push_back(static_cast<uint8_t>(value));
    Bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void TEmfRecords::Rect(const TEmfRect& rect)
{
    I32(rect.Left);
    I32(rect.Top);
    I32(rect.Right);
    I32(rect.Bottom);
}

void TEmfRecords::Point(const TEmfPoint& point)
{
    I32(point.X);
    I32(point.Y);
}

void TEmfRecords::PatchU32(size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        Bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void TEmfRecords::BeginRecord(uint32_t type)
{
    RecordStart = Bytes.size();
    U32(type);
    U32(0);  // size, patched by EndRecord
}

void TEmfRecords::EndRecord()
{
    while (Bytes.size() % 4 != 0)
        Bytes.push_back(0);
    PatchU32(RecordStart + 4, static_cast<uint32_t>(Bytes.size() - RecordStart));
    ++Records;
}

TEmfRect TEmfRecords::Bounds(const std::vector<TEmfPoint>& points) const
{
    if (points.empty())
        return {0, 0, -1, -1};
    TEmfRect rect{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const TEmfPoint& p : points) {
        rect.Left = std::min(rect.Left, p.X);
        rect.Top = std::min(rect.Top, p.Y);
        rect.Right = std::max(rect.Right, p.X);
        rect.Bottom = std::max(rect.Bottom, p.Y);
    }
    return rect;
}

uint32_t TEmfRecords::NewHandle()
{
    uint32_t handle;
    if (!FreeHandles.empty()) {
        handle = FreeHandles.back();
        FreeHandles.pop_back();
    } else {
        handle = NextHandle++;
    }
    MaxHandle = std::max(MaxHandle, handle);
    return handle;
}

void TEmfRecords::SetMapModeText()
{
    BeginRecord(EmrSetMapMode);
    U32(MmText);
    EndRecord();
}

void TEmfRecords::SetBackgroundTransparent()
{
    BeginRecord(EmrSetBkMode);
    U32(Transparent);
    EndRecord();
}

void TEmfRecords::SetPolyFillMode(bool winding)
{
    BeginRecord(EmrSetPolyFillMode);
    U32(winding ? Winding : Alternate);
    EndRecord();
}

void TEmfRecords::SetTextAlignBaseline()
{
    BeginRecord(EmrSetTextAlign);
    U32(TaBaseline);
    EndRecord();
}

void TEmfRecords::SetTextColor(uint32_t color)
{
    BeginRecord(EmrSetTextColor);
    U32(color);
    EndRecord();
}

void TEmfRecords::SaveDC()
{
    BeginRecord(EmrSaveDC);
    EndRecord();
}

void TEmfRecords::RestoreDC()
{
    BeginRecord(EmrRestoreDC);
    I32(-1);
    EndRecord();
}

void TEmfRecords::ResetClip()
{
    BeginRecord(EmrExtSelectClipRgn);
    U32(0);  // no region data: back to the default clipping
    U32(RgnCopy);
    EndRecord();
}

void TEmfRecords::IntersectClipRect(const TEmfRect& rect)
{
    BeginRecord(EmrIntersectClipRect);
    Rect(rect);
    EndRecord();
}

uint32_t TEmfRecords::CreatePen(TEmfPenStyle style, int32_t width, uint32_t color)
{
    const uint32_t handle = NewHandle();
    BeginRecord(EmrCreatePen);
    U32(handle);
    U32(static_cast<uint32_t>(style));
    I32(width);
    I32(0);
    U32(color);
    EndRecord();
    return handle;
}

uint32_t TEmfRecords::CreateBrush(TEmfBrushStyle style, uint32_t color, TEmfHatch hatch)
{
    const uint32_t handle = NewHandle();
    BeginRecord(EmrCreateBrushIndirect);
    U32(handle);
    U32(static_cast<uint32_t>(style));
    U32(color);
    U32(static_cast<uint32_t>(hatch));
    EndRecord();
    return handle;
}

uint32_t TEmfRecords::CreateFont(const TEmfFont& font)
{
    const uint32_t handle = NewHandle();
    BeginRecord(EmrExtCreateFontIndirectW);
    U32(handle);
    I32(font.Height);
    I32(0);  // width: from the height
    I32(font.Escapement);
    I32(font.Escapement);  // orientation of each character follows the line
    I32(font.Weight);
    Bytes.push_back(font.Italic ? 1 : 0);
    Bytes.push_back(font.Underline ? 1 : 0);
    Bytes.push_back(0);  // strike-out
    Bytes.push_back(1);  // DEFAULT_CHARSET
    Bytes.push_back(0);  // OUT_DEFAULT_PRECIS
    Bytes.push_back(0);  // CLIP_DEFAULT_PRECIS
    Bytes.push_back(4);  // ANTIALIASED_QUALITY
    Bytes.push_back(0);  // DEFAULT_PITCH, FF_DONTCARE
    const size_t nameLength = std::min<size_t>(font.FaceName.size(), 31);
    for (size_t i = 0; i < 32; ++i)
        U16(i < nameLength ? static_cast<uint16_t>(font.FaceName[i]) : 0);
    EndRecord();
    return handle;
}

void TEmfRecords::SelectObject(uint32_t handle)
{
    BeginRecord(EmrSelectObject);
    U32(handle);
    EndRecord();
}

void TEmfRecords::DeleteObject(uint32_t handle)
{
    BeginRecord(EmrDeleteObject);
    U32(handle);
    EndRecord();
    FreeHandles.push_back(handle);
}

void TEmfRecords::Polyline(const std::vector<TEmfPoint>& points)
{
    if (points.size() < 2)
        return;
    BeginRecord(EmrPolyline);
    Rect(Bounds(points));
    U32(static_cast<uint32_t>(points.size()));
    for (const TEmfPoint& p : points)
        Point(p);
    EndRecord();
}

void TEmfRecords::PolyPolyline(const std::vector<std::vector<TEmfPoint>>& lines)
{
    std::vector<TEmfPoint> all;
    uint32_t count = 0;
    for (const auto& line : lines) {
        if (line.size() < 2)
            continue;
        all.insert(all.end(), line.begin(), line.end());
        ++count;
    }
    if (count == 0)
        return;
    BeginRecord(EmrPolyPolyline);
    Rect(Bounds(all));
    U32(count);
    U32(static_cast<uint32_t>(all.size()));
    for (const auto& line : lines)
        if (line.size() >= 2)
            U32(static_cast<uint32_t>(line.size()));
    for (const TEmfPoint& p : all)
        Point(p);
    EndRecord();
}

void TEmfRecords::Polygon(const std::vector<TEmfPoint>& points)
{
    if (points.size() < 2)
        return;
    BeginRecord(EmrPolygon);
    Rect(Bounds(points));
    U32(static_cast<uint32_t>(points.size()));
    for (const TEmfPoint& p : points)
        Point(p);
    EndRecord();
}

void TEmfRecords::PolyPolygon(const std::vector<std::vector<TEmfPoint>>& polygons)
{
    std::vector<TEmfPoint> all;
    uint32_t count = 0;
    for (const auto& polygon : polygons) {
        if (polygon.size() < 2)
            continue;
        all.insert(all.end(), polygon.begin(), polygon.end());
        ++count;
    }
    if (count == 0)
        return;
    BeginRecord(EmrPolyPolygon);
    Rect(Bounds(all));
    U32(count);
    U32(static_cast<uint32_t>(all.size()));
    for (const auto& polygon : polygons)
        if (polygon.size() >= 2)
            U32(static_cast<uint32_t>(polygon.size()));
    for (const TEmfPoint& p : all)
        Point(p);
    EndRecord();
}

void TEmfRecords::Rectangle(const TEmfRect& rect)
{
    BeginRecord(EmrRectangle);
    Rect(rect);
    EndRecord();
}

void TEmfRecords::TextOut(TEmfPoint reference, const std::u16string& text, const std::vector<int32_t>& advances)
{
    if (text.empty())
        return;
    constexpr uint32_t FixedSize = 76;  // the record up to the end of the text object's fixed part
    const uint32_t textBytes = static_cast<uint32_t>((text.size() * 2 + 3) / 4 * 4);
    const bool withAdvances = advances.size() == text.size();
    BeginRecord(EmrExtTextOutW);
    Rect({0, 0, -1, -1});  // bounds: not used by readers
    U32(GmCompatible);
    // Scales from page units to 0.01 mm: one logical unit is 0.01 mm.
    const float scale = 1.0f;
    uint32_t scaleBits = 0;
    static_assert(sizeof(scaleBits) == sizeof(scale));
    std::copy_n(reinterpret_cast<const uint8_t*>(&scale), 4, reinterpret_cast<uint8_t*>(&scaleBits));
    U32(scaleBits);
    U32(scaleBits);
    Point(reference);
    U32(static_cast<uint32_t>(text.size()));
    U32(FixedSize);  // offset of the string
    U32(0);          // options: neither clipped nor opaque, so the rectangle below is not used
    Rect({0, 0, 0, 0});
    U32(withAdvances ? FixedSize + textBytes : 0);  // offset of the advances
    for (char16_t c : text)
        U16(static_cast<uint16_t>(c));
    while ((Bytes.size() - RecordStart) % 4 != 0)
        Bytes.push_back(0);
    if (withAdvances)
        for (int32_t advance : advances)
            I32(advance);
    EndRecord();
}

void TEmfRecords::StretchBitmap(const TEmfRect& destination, int32_t width, int32_t height,
                                const std::vector<uint8_t>& bgr)
{
    if (width <= 0 || height <= 0 || bgr.size() < static_cast<size_t>(width) * height * 3)
        return;
    constexpr uint32_t FixedSize = 80;
    constexpr uint32_t InfoSize = 40;
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    const uint32_t bitsSize = rowBytes * static_cast<uint32_t>(height);
    BeginRecord(EmrStretchDIBits);
    Rect(destination);
    I32(destination.Left);
    I32(destination.Top);
    I32(0);
    I32(0);
    I32(width);
    I32(height);
    U32(FixedSize);
    U32(InfoSize);
    U32(FixedSize + InfoSize);
    U32(bitsSize);
    U32(DibRgbColors);
    U32(SrcCopy);
    I32(destination.Right - destination.Left);
    I32(destination.Bottom - destination.Top);
    // BITMAPINFOHEADER: a bottom-up 24-bit picture.
    U32(InfoSize);
    I32(width);
    I32(height);
    U16(1);
    U16(24);
    U32(0);
    U32(bitsSize);
    I32(3780);  // 96 dpi in pixels per metre
    I32(3780);
    U32(0);
    U32(0);
    for (int32_t row = height - 1; row >= 0; --row) {
        const uint8_t* line = bgr.data() + static_cast<size_t>(row) * width * 3;
        Bytes.insert(Bytes.end(), line, line + static_cast<size_t>(width) * 3);
        for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowBytes; ++pad)
            Bytes.push_back(0);
    }
    EndRecord();
}

const std::vector<uint8_t>& TEmfRecords::Finish()
{
    if (Finished)
        return Bytes;
    BeginRecord(EmrEof);
    U32(0);   // no palette entries
    U32(16);  // offset of the (empty) palette
    U32(20);  // the record's own size, repeated at its end
    EndRecord();
    Finished = true;
    PatchU32(48, static_cast<uint32_t>(Bytes.size()));
    PatchU32(52, static_cast<uint32_t>(Records));
    const uint32_t handles = MaxHandle + 1;
    Bytes[56] = static_cast<uint8_t>(handles);
    Bytes[57] = static_cast<uint8_t>(handles >> 8);
    return Bytes;
}

}  // namespace dedezuviv::gui
