// Graph pictures as PNG or SVG files, made in memory.
#include "graph/ui/GraphFile.h"

#include "graph/ui/QPainterCanvas.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <stdexcept>

std::optional<GraphFileKind> GraphFileKindOf(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "png") return GraphFileKind::Png;
    if (suffix == "svg") return GraphFileKind::Svg;
    return std::nullopt;
}

QByteArray GraphFileBytes(GraphFileKind kind, int width, int height,
                          const std::function<void(Canvas &)> &draw) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (kind == GraphFileKind::Png) {
        QImage image(width, height, QImage::Format_RGB32);
        if (image.isNull()) throw std::runtime_error("out of memory"); // the allocation failed
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            QPainterCanvas canvas(painter);
            draw(canvas);
        }
        if (!image.save(&buffer, "PNG")) throw std::runtime_error("the image could not be encoded");
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle("Program graph");
        QPainter painter(&svg);
        QPainterCanvas canvas(painter);
        draw(canvas);
    }
    if (buffer.data().isEmpty()) throw std::runtime_error("the image could not be encoded");
    return buffer.data();
}
