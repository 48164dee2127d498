#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <cmath>

#include "chart/chart.h"
#include "chart/display_switches.h"
#include "test_registry.h"
#include "text/cp932.h"
#include "view/chart_painter.h"

using namespace tessaly;
using namespace tessaly::view;

namespace {

const QColor kCanvasOutline(72, 94, 123);
const QColor kCanvasTint(191, 209, 234);
const QColor kArcLine(112, 146, 190);
const QColor kArrowFill(219, 36, 68);
const QColor kNodeOutline(15, 77, 33);
const QColor kNodeFill(234, 234, 180);
const QColor kMandatoryFill(255, 200, 200);

Chart empty_chart(int width, int height) {
    Chart chart;
    chart.reset(width, height);
    return chart;
}

void add(Chart& chart, int x, int y, NodeKind kind, const char* utf8_title, int count = 0) {
    QVERIFY(add_node(chart, cp932::literal("/data/file.csv"), CanvasPoint{x, y}, 1.0, kind, cp932::literal(utf8_title),
                     count)
                .ok());
}

QImage render(Chart& chart, const PaintState& state, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    paint_chart(painter, chart, state);
    painter.end();
    return image;
}

QColor at(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

QPoint centre(const QRect& box) {
    return {(box.x() + box.x() + box.width()) / 2, (box.y() + box.y() + box.height()) / 2};
}

// How many pixels of the colour lie in an unbroken column through (x, y).
int run_height(const QImage& image, int x, int y, const QColor& colour) {
    int top = y;
    while (top > 0 && at(image, x, top - 1) == colour) --top;
    int bottom = y;
    while (bottom + 1 < image.height() && at(image, x, bottom + 1) == colour) ++bottom;
    return at(image, x, y) == colour ? bottom - top + 1 : 0;
}

double distance(QPoint a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

QPointF base_centre(const std::array<QPoint, 3>& head) {
    return {(head[0].x() + head[2].x()) / 2.0, (head[0].y() + head[2].y()) / 2.0};
}

}  // namespace

class ChartPainterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The program asks for "Meiryo UI"; here the IPA fonts stand in.
        QFont::insertSubstitutions(QStringLiteral("Meiryo UI"),
                                   {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    }

    void node_text_shows_the_switched_on_pieces_in_order() {
        Chart chart = empty_chart(800, 600);
        add(chart, 100, 100, kSourceNode, "会員名簿", 1234);
        add(chart, 300, 100, kResultNode, "クロス結果 1", 5);
        NodeRecord& source = chart.nodes[0];
        cp932::copy_to_field(source.description, cp932::literal("春の会員"));
        cp932::copy_to_field(source.key_sample, cp932::literal("山田太郎"));
        cp932::copy_to_field(source.path, cp932::literal("/data/会員.csv"));

        DisplayState& d = chart.display;
        d.show_name = d.show_description = d.show_key_sample = d.show_file_path = d.show_record_count = 1;
        QCOMPARE(node_text(chart, 0), QStringLiteral("会員名簿\n春の会員\n山田太郎\n/data/会員.csv\n1234レコード"));

        // Only the count: plain digits, the unit by the kind of node.
        d.show_name = d.show_description = d.show_key_sample = d.show_file_path = 0;
        QCOMPARE(node_text(chart, 0), QStringLiteral("1234レコード"));
        QCOMPARE(node_text(chart, 1), QStringLiteral("5ヒット"));

        // An empty piece leaves no blank line behind.
        d.show_name = d.show_description = 1;
        d.show_record_count = 0;
        source.description[0] = '\0';
        QCOMPARE(node_text(chart, 0), QStringLiteral("会員名簿"));
        d.show_record_count = 1;
        QCOMPARE(node_text(chart, 0), QStringLiteral("会員名簿\n1234レコード"));
    }

    void sized_box_grows_around_the_centre_and_stays_on_the_canvas() {
        QCOMPARE(sized_box(Rect{200, 100, 200, 100}, 80, 16, 12, 1024, 768), (Rect{148, 84, 252, 116}));
        // Would end at 1,030 on a canvas 1,024 wide: moved left by 6.
        QCOMPARE(sized_box(Rect{978, 100, 978, 100}, 80, 16, 12, 1024, 768), (Rect{920, 84, 1024, 116}));
        // Past the left and the bottom edge.
        QCOMPARE(sized_box(Rect{10, 760, 10, 760}, 80, 16, 12, 1024, 768), (Rect{0, 736, 104, 768}));
        // Past the top edge; odd extents halve toward zero.
        QCOMPARE(sized_box(Rect{500, 5, 500, 5}, 81, 17, 12, 1024, 768), (Rect{448, 0, 552, 32}));
    }

    void border_point_leaves_through_the_side_the_line_crosses() {
        const QRect box(0, 0, 100, 50);                                 // centre (50, 25), ratio 0.5
        QCOMPARE(border_point(box, QPoint(50, -100)), QPoint(50, 0));   // straight above
        QCOMPARE(border_point(box, QPoint(50, 300)), QPoint(50, 50));   // straight below
        QCOMPARE(border_point(box, QPoint(-200, 25)), QPoint(0, 25));   // straight left
        QCOMPARE(border_point(box, QPoint(400, 25)), QPoint(100, 25));  // straight right
        QCOMPARE(border_point(box, QPoint(250, 75)), QPoint(100, 37));  // shallow: right side
        QCOMPARE(border_point(box, QPoint(-150, 65)), QPoint(0, 35));   // shallow: left side
        QCOMPARE(border_point(box, QPoint(60, 225)), QPoint(51, 50));   // steep: bottom
        QCOMPARE(border_point(box, QPoint(10, -175)), QPoint(45, 0));   // steep: top
        QCOMPARE(border_point(box, QPoint(50, 25)), QPoint(50, 25));    // same centre
    }

    void border_point_on_the_corner_diagonal_takes_the_side_except_lower_right() {
        const QRect box(0, 0, 100, 50);
        QCOMPARE(border_point(box, QPoint(150, 75)), QPoint(100, 50));  // lower right: bottom
        QCOMPARE(border_point(box, QPoint(150, -25)), QPoint(100, 0));  // upper right: side
        QCOMPARE(border_point(box, QPoint(-50, 75)), QPoint(0, 50));    // lower left: side
        QCOMPARE(border_point(box, QPoint(-50, -25)), QPoint(0, 0));    // upper left: side
        // The tie is told by the formula used: bottom gives x from dx, side y from dy.
        const QRect wide(0, 0, 100, 40);  // centre (50, 20), ratio 0.4
        QCOMPARE(border_point(wide, QPoint(100, 40)), QPoint(100, 40));
        QCOMPARE(border_point(wide, QPoint(300, 120)), QPoint(100, 40));
    }

    void arrowhead_is_sixteen_pixels_long_times_the_zoom() {
        const auto at_two = arrowhead(QPoint(0, 100), QPoint(200, 100), 2.0f);
        QCOMPARE(at_two[1], QPoint(200, 100));
        QCOMPARE(base_centre(at_two), QPointF(168, 100));
        QCOMPARE(at_two[0], QPoint(168, 109));
        QCOMPARE(at_two[2], QPoint(168, 91));

        const auto at_one = arrowhead(QPoint(300, 0), QPoint(300, 200), 1.0f);
        QCOMPARE(distance(at_one[1], base_centre(at_one)), 16.0);
        QCOMPARE(at_one[0].y(), 184);

        const auto slanted = arrowhead(QPoint(0, 0), QPoint(300, 400), 2.0f);
        QVERIFY(std::abs(distance(slanted[1], base_centre(slanted)) - 32.0) < 1.5);
        const auto slanted_one = arrowhead(QPoint(300, 400), QPoint(0, 0), 1.0f);
        QVERIFY(std::abs(distance(slanted_one[1], base_centre(slanted_one)) - 16.0) < 1.5);

        const auto nothing = arrowhead(QPoint(5, 5), QPoint(5, 5), 1.0f);  // no division by zero
        QCOMPARE(nothing[0], QPoint(5, 5));
    }

    void canvas_is_outlined_and_tinted_when_the_chart_is_active() {
        Chart chart = empty_chart(400, 300);
        PaintState state;
        QImage plain = render(chart, state, 420, 320);
        QCOMPARE(at(plain, 0, 0), kCanvasOutline);
        QCOMPARE(at(plain, 399, 299), kCanvasOutline);
        QCOMPARE(at(plain, 200, 150), QColor(Qt::white));
        QCOMPARE(at(plain, 400, 300), QColor(Qt::white));

        state.tint = true;
        QImage tinted = render(chart, state, 420, 320);
        QCOMPARE(at(tinted, 200, 150), kCanvasTint);
        QCOMPARE(at(tinted, 1, 1), kCanvasTint);
        QCOMPARE(at(tinted, 400, 150), QColor(Qt::white));

        state.zoom = 0.5f;
        QImage half = render(chart, state, 420, 320);
        QCOMPARE(at(half, 199, 149), kCanvasOutline);
        QCOMPARE(at(half, 250, 100), QColor(Qt::white));
    }

    void a_chart_without_nodes_draws_only_the_canvas() {
        Chart chart = empty_chart(400, 300);
        add(chart, 100, 100, kSourceNode, "名簿");
        add(chart, 300, 100, kSourceNode, "名簿");
        QVERIFY(add_arc(chart, 0, 1).ok());
        chart.nodes.clear();
        chart.node_states.clear();  // the arc is left over
        PaintState state;
        state.tint = true;
        const QImage image = render(chart, state, 400, 300);
        QImage canvas_only(400, 300, QImage::Format_RGB32);
        canvas_only.fill(kCanvasTint);
        {
            QPainter painter(&canvas_only);
            painter.setPen(kCanvasOutline);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(0, 0, 399, 299);
        }
        QCOMPARE(image, canvas_only);
    }

    void nodes_are_sized_filled_and_shaped_by_kind() {
        Chart chart = empty_chart(400, 300);
        add(chart, 100, 80, kSourceNode, "名簿A");
        add(chart, 300, 80, kResultNode, "結果A");
        add(chart, 100, 220, kSourceNode, "名簿B");
        add(chart, 300, 220, kResultNode, "結果B");
        chart.nodes[2].mandatory = 1;
        chart.nodes[3].mandatory = 1;
        const QImage image = render(chart, PaintState{}, 400, 300);

        for (int i = 0; i < chart.node_count(); ++i) {
            const Rect& r = chart.nodes[i].rect;
            QVERIFY2(r.right - r.left > 24 && r.bottom - r.top > 8, qPrintable(QString::number(i)));
            const QRect box = canvas_box(r, 1.0f);
            const QColor fill = chart.nodes[i].mandatory ? kMandatoryFill : kNodeFill;
            QCOMPARE(at(image, box.x() + 3, centre(box).y()), fill);

            const QColor corner = at(image, box.x(), box.y());
            if (chart.nodes[i].kind == kResultNode) {
                QVERIFY(corner != fill);
                QCOMPARE(corner, QColor(Qt::white));  // rounded: the canvas shows
            } else if (!chart.nodes[i].mandatory) {
                QCOMPARE(corner, kNodeOutline);
            } else {
                QCOMPARE(corner, QColor(255, 0, 0));
            }

            // Every node shows the mark below its right edge and records where.
            const Rect& mark = chart.node_states[i].mark_rect;
            QVERIFY(mark.right > mark.left && mark.bottom > mark.top);
            QVERIFY(mark.left < box.x() + box.width() && mark.right > box.x() + box.width());
            QVERIFY(mark.top < box.y() + box.height() && mark.bottom > box.y() + box.height());
        }

        // A second paint keeps the sizes it measured.
        const Rect first = chart.nodes[0].rect;
        render(chart, PaintState{}, 400, 300);
        QCOMPARE(chart.nodes[0].rect, first);
    }

    // The nodes are collapsed when they are placed and again whenever their
    // text changes: the very paint that sizes them already ends the arc at
    // the result node's border, with the arrowhead outside it.
    void arcs_join_the_nodes_with_an_arrowhead_at_the_result_from_the_first_paint() {
        Chart chart = empty_chart(400, 300);
        add(chart, 80, 100, kSourceNode, "名簿");
        add(chart, 320, 100, kResultNode, "結果");
        QVERIFY(add_arc(chart, 0, 1).ok());
        for (const char* when : {"placed", "collapsed"}) {
            if (QByteArray(when) == "collapsed") collapse_nodes(chart);
            const QImage image = render(chart, PaintState{}, 400, 300);

            const QRect to = canvas_box(chart.nodes[1].rect, 1.0f);
            const int y = centre(to).y();
            QCOMPARE(centre(canvas_box(chart.nodes[0].rect, 1.0f)).y(), y);
            QCOMPARE(at(image, 200, y), kArcLine);
            QCOMPARE(run_height(image, 200, y, kArcLine), 1);
            QVERIFY2(at(image, to.x() - 12, y + 2) == kArrowFill, when);
            QCOMPARE(at(image, to.x() - 4, y), kArrowFill);  // up to the border
            QCOMPARE(at(image, 200, y + 3), QColor(Qt::white));
        }
    }

    void arc_pen_is_the_zoom_truncated_and_never_thinner_than_a_pixel() {
        Chart chart = empty_chart(400, 300);
        add(chart, 80, 100, kSourceNode, "名簿");
        add(chart, 320, 100, kResultNode, "結果");
        QVERIFY(add_arc(chart, 0, 1).ok());
        render(chart, PaintState{}, 400, 300);

        PaintState half;
        half.zoom = 0.5f;
        const QImage small = render(chart, half, 200, 150);
        const int small_y = centre(canvas_box(chart.nodes[1].rect, 0.5f)).y();
        QCOMPARE(run_height(small, 100, small_y, kArcLine), 1);

        PaintState twice;
        twice.zoom = 2.0f;
        const QImage large = render(chart, twice, 800, 600);
        const int large_y = centre(canvas_box(chart.nodes[1].rect, 2.0f)).y();
        int widest = 0;
        for (int dy = -2; dy <= 2; ++dy) widest = std::max(widest, run_height(large, 400, large_y + dy, kArcLine));
        QCOMPARE(widest, 2);
    }

    void selected_nodes_get_a_patterned_halo() {
        Chart chart = empty_chart(400, 300);
        add(chart, 100, 100, kSourceNode, "名簿A");
        add(chart, 300, 100, kSourceNode, "名簿B");
        chart.node_states[0].selected = 1;
        chart.node_states[1].selected = 1;
        chart.primary_node = 0;
        const QImage image = render(chart, PaintState{}, 400, 300);

        auto halo_colours = [&](int node) {
            const QRect box = canvas_box(chart.nodes[node].rect, 1.0f);
            const int y = centre(box).y();
            QSet<QRgb> seen;
            for (int x = box.x() - 4; x <= box.x() - 2; ++x) seen.insert(image.pixel(x, y));
            return seen;
        };
        QCOMPARE(halo_colours(0), (QSet<QRgb>{QColor(0, 0, 128).rgb(), QColor(Qt::white).rgb()}));
        QCOMPARE(halo_colours(1), (QSet<QRgb>{QColor(255, 0, 255).rgb(), QColor(Qt::white).rgb()}));
    }

    void a_small_chart_renders_to_a_picture() {
        Chart chart = empty_chart(520, 320);
        chart.display.show_record_count = 1;
        add(chart, 110, 80, kSourceNode, "会員名簿 2024", 1234);
        add(chart, 110, 240, kSourceNode, "顧客リスト", 87);
        add(chart, 390, 160, kResultNode, "クロス結果 1", 5);
        cp932::copy_to_field(chart.nodes[0].key_sample, cp932::literal("山田太郎,1980/01/02"));
        chart.nodes[1].mandatory = 1;
        QVERIFY(add_arc(chart, 0, 2).ok());
        QVERIFY(add_arc(chart, 1, 2).ok());
        chart.node_states[0].selected = 1;
        chart.node_states[2].selected = 1;
        chart.primary_node = 2;
        PaintState state;
        state.tint = true;
        state.preview_node = 0;
        render(chart, state, 540, 340);
        const QImage image = render(chart, state, 540, 340);
        QVERIFY(image.save(QStringLiteral("/tmp/tessaly-chart.png")));
    }
};

TESSALY_REGISTER_TEST(ChartPainterTest);

#include "chart_painter_test.moc"
