// Chart pictures: saving a chart (or the whole tab) as a file and copying it to the clipboard. The
// window's save and copy commands and "dedezuviv-tool plot" all render through this unit.
//
// Formats by the file name's extension (letter case ignored): ".emf" and ".wmf" an enhanced metafile,
// ".bmp" a bitmap on white, ".png" and ".svg" (offered beyond the two classic formats, as a Linux
// user expects them).
#pragma once

#include "app/gui/Namespace.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

class QCPPainter;
class QMimeData;

namespace dedezuviv::gui {

// Draws the picture into a painter at the given size.
using TPictureRenderer = std::function<void(QCPPainter& painter, QSize size)>;

enum class TPictureFormat { Unknown, Emf, Bmp, Png, Svg };

// The format a file name asks for.
TPictureFormat PictureFormatOf(const QString& fileName);
// The save dialog's filter.
QString PictureFileFilter();

QByteArray RenderEmf(const TPictureRenderer& render, QSize size);
QByteArray RenderSvg(const TPictureRenderer& render, QSize size);
// A bitmap on a white background.
QImage RenderImage(const TPictureRenderer& render, QSize size);

// Writes the picture in the given format; false when the file cannot be written or the format is
// unknown (nothing is written then).
bool WritePicture(const QString& fileName, TPictureFormat format, const TPictureRenderer& render, QSize size);

// The clipboard contents of a chart: the bitmap (offered as PNG and other image types), the SVG
// ("image/svg+xml") and the enhanced metafile ("image/emf", "image/x-emf").
QMimeData* PictureMimeData(const TPictureRenderer& render, QSize size);

}  // namespace dedezuviv::gui
