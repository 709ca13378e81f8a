#include "app/gui/ChartPicture.h"

#include "app/gui/EmfPaintDevice.h"
#include "app/gui/Namespace.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSaveFile>
#include <QSvgGenerator>
#include <qcustomplot.h>

namespace dedezuviv::gui {

namespace {

void PrepareVectorPainter(QCPPainter& painter)
{
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
}

bool WriteBytes(const QString& fileName, const QByteArray& bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

}  // namespace

TPictureFormat PictureFormatOf(const QString& fileName)
{
    const QString extension = QFileInfo(fileName).suffix().toLower();
    if (extension == QLatin1String("emf") || extension == QLatin1String("wmf"))
        return TPictureFormat::Emf;
    if (extension == QLatin1String("bmp"))
        return TPictureFormat::Bmp;
    if (extension == QLatin1String("png"))
        return TPictureFormat::Png;
    if (extension == QLatin1String("svg"))
        return TPictureFormat::Svg;
    return TPictureFormat::Unknown;
}

QString PictureFileFilter()
{
    return QStringLiteral("Bitmap (*.bmp);;Erweiterte Metadateien (*.emf);;Metadateien (*.wmf);;"
                          "PNG-Bilder (*.png);;SVG-Vektorgrafiken (*.svg)");
}

QByteArray RenderEmf(const TPictureRenderer& render, QSize size)
{
    TEmfPaintDevice device(size);
    {
        QCPPainter painter(&device);
        PrepareVectorPainter(painter);
        render(painter, size);
    }
    const std::vector<uint8_t>& bytes = device.Bytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QByteArray RenderSvg(const TPictureRenderer& render, QSize size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(QStringLiteral("Grafik"));
    generator.setDescription(QStringLiteral("DEDEZUviv Temperaturdatenlogger"));
    {
        QCPPainter painter(&generator);
        PrepareVectorPainter(painter);
        render(painter, size);
    }
    return bytes;
}

QImage RenderImage(const TPictureRenderer& render, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QCPPainter painter(&image);
    painter.setMode(QCPPainter::pmNoCaching);
    render(painter, size);
    return image;
}

bool WritePicture(const QString& fileName, TPictureFormat format, const TPictureRenderer& render, QSize size)
{
    switch (format) {
    case TPictureFormat::Emf: return WriteBytes(fileName, RenderEmf(render, size));
    case TPictureFormat::Svg: return WriteBytes(fileName, RenderSvg(render, size));
    case TPictureFormat::Bmp:
    case TPictureFormat::Png: {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!RenderImage(render, size).save(&buffer, format == TPictureFormat::Bmp ? "BMP" : "PNG"))
            return false;
        return WriteBytes(fileName, bytes);
    }
    case TPictureFormat::Unknown: return false;
    }
    return false;
}

QMimeData* PictureMimeData(const TPictureRenderer& render, QSize size)
{
    auto* data = new QMimeData;
    data->setImageData(RenderImage(render, size));
    data->setData(QStringLiteral("image/svg+xml"), RenderSvg(render, size));
    const QByteArray emf = RenderEmf(render, size);
    data->setData(QStringLiteral("image/emf"), emf);
    data->setData(QStringLiteral("image/x-emf"), emf);
    return data;
}

}  // namespace dedezuviv::gui
