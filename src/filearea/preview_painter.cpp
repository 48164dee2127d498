#include "filearea/preview_painter.h"

#include <algorithm>

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>

#include "filearea/cell_text.h"
#include "preview/key_fields.h"

namespace tessaly::filearea {

namespace {

// Draws cells whose columns count from origin_x, baseline at y.
void draw_cells(QPainter& painter, const QRawFont& raw, int char_width, int origin_x, int y, const CellText& cells) {
    if (cells.characters.isEmpty()) return;
    const QList<quint32> glyphs = raw.glyphIndexesForString(cells.characters);
    const qsizetype n = std::min<qsizetype>(glyphs.size(), static_cast<qsizetype>(cells.columns.size()));
    QList<QPointF> positions(n);
    for (qsizetype i = 0; i < n; ++i) {
        positions[i] = QPointF(origin_x + cells.columns[static_cast<std::size_t>(i)] * char_width, y);
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs.first(n));
    run.setPositions(positions);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

struct VisibleColumns {
    int from;
    int to;
};

void paint_ruler(QPainter& painter, const PreviewScene& scene, int x0, VisibleColumns visible) {
    const PreviewMetrics& m = scene.metrics;
    const int cw = m.char_width;
    const int ch = m.char_height;
    const int left = x0 - scene.horz_offset;
    painter.setPen(QPen(kRulerColour, 1));
    // A column number reaches a few cells to the right of its tick.
    const int from = std::max(visible.from - 10, 0);
    const int to = std::min(visible.to, m.max_record_length);
    for (int i = from; i < to; ++i) {
        const int top = i % 10 == 0 ? 0 : i % 5 == 0 ? ch / 2 : (ch / 4) * 3;
        const int x = left + i * cw;
        painter.drawLine(x, top, x, ch);
    }
    painter.drawLine(left, ch, left + cw * m.max_record_length, ch);

    painter.setFont(scene.ruler_font);
    const int ascent = QFontMetrics(scene.ruler_font).ascent();
    for (int i = (from + 9) / 10 * 10; i < to; i += 10) {
        painter.drawText(left + i * cw + 2, ascent, QString::number(i + 1));
    }
}

}  // namespace

void paint_preview(QPainter& painter, const QSize& pane, const PreviewScene& scene) {
    painter.fillRect(0, 0, pane.width(), pane.height(), scene.background);
    if (!scene.rows) return;

    const PreviewMetrics& m = scene.metrics;
    const int cw = m.char_width;
    const int ch = m.char_height;
    const int x0 = text_left(m);
    const int y0 = text_top(m);
    // Only the columns in sight are laid out: a record may be 5,000 wide.
    const VisibleColumns visible{(scene.horz_offset - x0) / cw - 2, (scene.horz_offset + pane.width() - x0) / cw + 2};

    if (m.show_ruler) {
        paint_ruler(painter, scene, x0, visible);
        if (scene.loaded < 1.0)
            painter.fillRect(0, 0, static_cast<int>(pane.width() * std::max(scene.loaded, 0.0)), 3, kSeparatorColour);
    }

    const QRawFont raw = QRawFont::fromFont(scene.font);
    const int ascent = QFontMetrics(scene.font).ascent();
    const int digits = record_number_digits(m.total_records);
    const int text_origin = x0 - scene.horz_offset;
    const int number_origin = kTextMargin - scene.horz_offset;

    int r = 0;
    for (const std::string& record : *scene.rows) {
        const int baseline = y0 + r * ch + ascent;
        if (m.show_record_no) {
            const QByteArray number =
                QByteArray::number(static_cast<qlonglong>(scene.top_record) + r + 1).rightJustified(digits, ' ');
            CellText cells;
            append_cells(cells, {number.constData(), static_cast<std::size_t>(number.size())}, 0, 0, digits);
            painter.setPen(kRecordNumberColour);
            draw_cells(painter, raw, cw, number_origin, baseline, cells);
        }
        const KeySpan key = key_span(record, scene.key_first, scene.key_last, scene.split);
        const std::string_view text(record);
        const std::size_t bounds[] = {0, key.begin, key.end, text.size()};
        for (int part = 0; part < 3; ++part) {
            if (bounds[part + 1] <= bounds[part]) continue;
            CellText cells;
            append_cells(cells, text.substr(bounds[part], bounds[part + 1] - bounds[part]),
                         static_cast<int>(bounds[part]), visible.from, visible.to);
            painter.setPen(part == 1 ? kKeyColour : kTextColour);
            draw_cells(painter, raw, cw, text_origin, baseline, cells);
        }
        ++r;
    }

    if (m.show_record_no) {
        painter.setPen(QPen(kSeparatorColour, 1));
        const int x = x0 - cw / 2 - scene.horz_offset;
        painter.drawLine(x, 0, x, pane.height());
    }
}

}  // namespace tessaly::filearea
