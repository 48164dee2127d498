#pragma once

// Drawing the file area: the column ruler, the record numbers and the rows
// of the records shown, their key fields in red, on the pane's background.

#include <cstdint>
#include <string>
#include <vector>

#include <QColor>
#include <QFont>

#include "preview/preview_layout.h"
#include "text/quoted_fields.h"

class QPainter;
class QSize;

namespace tessaly::filearea {

inline const QColor kRulerColour(47, 54, 153);
inline const QColor kRecordNumberColour(0, 64, 128);
inline const QColor kKeyColour(255, 0, 0);
inline const QColor kTextColour(0, 0, 0);
inline const QColor kSeparatorColour(0, 255, 0);
inline const QColor kTintedBackground(191, 209, 234);
inline const QColor kPlainBackground(255, 255, 255);

struct PreviewScene {
    PreviewMetrics metrics;
    QFont font;        // the text and the record numbers
    QFont ruler_font;  // the ruler's column numbers
    std::int64_t top_record = 0;
    const std::vector<std::string>* rows = nullptr;  // the records shown, from top_record
    std::int32_t key_first = -1;
    std::int32_t key_last = -1;
    FieldSplit split = FieldSplit::Commas;  // how the key's fields are found
    int horz_offset = 0;                    // pixels of the drawing scrolled off to the left
    QColor background = kPlainBackground;
    // The share of the file loaded, below 1 while the rest is loaded in the
    // background: a bar along the top of the ruler grows with it.
    double loaded = 1.0;
};

void paint_preview(QPainter& painter, const QSize& pane, const PreviewScene& scene);

}  // namespace tessaly::filearea
