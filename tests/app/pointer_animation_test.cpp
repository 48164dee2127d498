#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "test_registry.h"
#include "view/pointer_animation.h"

using namespace tessaly;
using namespace tessaly::view;

namespace {

Chart one_node() {
    Chart chart;
    chart.reset(1024, 768);
    add_node(chart, "/n.csv", {0, 0}, 1.0, kSourceNode, "n", 1);
    chart.nodes[0].rect = Rect{300, 200, 420, 240};
    return chart;
}

// How many pixels of the image have each comet colour, head to tail.
int pixels_of(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (int darker = 0; darker < 8; ++darker) {
                const auto c = [&](int v) { return std::max(0, v - 8 * darker); };
                if (image.pixelColor(x, y) == QColor(c(colour.red()), c(colour.green()), c(colour.blue()))) ++count;
            }
    return count;
}

}  // namespace

class PointerAnimationTest : public QObject {
    Q_OBJECT

private slots:
    void comets_circle_the_node_and_move_each_step() {
        Chart chart = one_node();
        PointerAnimation animation;
        animation.set_seed(7);
        QSignalSpy repaints(&animation, &PointerAnimation::repaint_needed);
        QVERIFY(animation.start({330, 210}, 0, chart, 1.0f, {0, 0}, 10, 0));
        QCOMPARE(animation.node(), 0);
        QCOMPARE(animation.interval(), 5);
        QCOMPARE(repaints.count(), 1);

        // Every visible position lies in the area, round the node.
        const QRect area = animation.area();
        for (int j = 0; j < animation.comets(); ++j)
            for (int q = 0; q < kOrbitLength; ++q) {
                const OrbitPoint at = animation.orbit(j)[q];
                if (at != kHiddenPosition) QVERIFY(area.contains(at.x, at.y));
            }
        QVERIFY(area.intersects(QRect(300, 200, 120, 40)));

        QImage image(1024, 768, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int i = 0; i < 20; ++i) animation.step();
        QCOMPARE(animation.position(0), 20);
        QCOMPARE(animation.position(1), 40);  // odd comets run the other way
        QCOMPARE(repaints.count(), 21);
        QPainter painter(&image);
        animation.paint(painter);
        painter.end();
        int seen = 0;
        for (int j = 0; j < kMaxComets; ++j) seen += pixels_of(image.copy(area), PointerAnimation::comet_colour(j)) > 0;
        QVERIFY(seen >= 8);  // a comet may be behind the node just now

        animation.stop();
        QVERIFY(!animation.running());
        QCOMPARE(repaints.last().at(0).toRect(), area);
        QImage after(1024, 768, QImage::Format_RGB32);
        after.fill(Qt::white);
        QPainter again(&after);
        animation.paint(again);  // a stopped animation draws nothing
        again.end();
        QCOMPARE(after.pixelColor(area.center()), QColor(Qt::white));
        for (int j = 0; j < kMaxComets; ++j)
            QCOMPARE(pixels_of(after.copy(area), PointerAnimation::comet_colour(j)), 0);
    }

    void nothing_starts_without_comets_or_at_the_smallest_zoom() {
        Chart chart = one_node();
        PointerAnimation animation;
        QVERIFY(!animation.start({330, 210}, 0, chart, 1.0f, {0, 0}, 0, 0));
        QVERIFY(!animation.start({26, 17}, 0, chart, 0.08f, {0, 0}, 3, 0));
        QVERIFY(!animation.running());
        QVERIFY(animation.start({330, 210}, 0, chart, 1.0f, {0, 0}, 3, 4));
        QCOMPARE(animation.interval(), 45);
        QCOMPARE(animation.comets(), 3);
    }
};

TESSALY_REGISTER_TEST(PointerAnimationTest);

#include "pointer_animation_test.moc"
