// Graph pictures as files: PNG or SVG by the file's extension, made in memory the same way wherever a
// graph is saved (the window's Save Graph As, quillard-cli plot), so the same view gives the same bytes.
#pragma once

#include "graph/canvas.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

enum class GraphFileKind { Png, Svg };

// The kind for a file name by its extension (any letter case); nothing for another extension.
std::optional<GraphFileKind> GraphFileKindOf(const QString &path);

// The file's bytes: `draw` draws the picture on a canvas of width x height pixels, on white. Throws
// std::runtime_error "out of memory" when the picture cannot be allocated and "the image could not be
// encoded" when no bytes come out.
QByteArray GraphFileBytes(GraphFileKind kind, int width, int height,
                          const std::function<void(Canvas &)> &draw);
