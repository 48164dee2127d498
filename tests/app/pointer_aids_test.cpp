// The aids that follow the pointer over the chart: the operation guide's
// hints, the canvas-edge tip and the comets circling a node.

#include <QSignalSpy>
#include <QTest>

#include "fake_dialogs.h"
#include "test_registry.h"
#include "text/cp932.h"
#include "view/chart_view.h"

using namespace tessaly;
using namespace tessaly::view;

namespace {

// Three nodes in a shown view of 1,100 × 800 on a canvas of 1,000 × 700.
struct Scene {
    Chart chart;
    FakeDialogs dialogs;
    PointerAids aids;
    std::unique_ptr<ChartView> view;
    std::unique_ptr<QSignalSpy> hints;

    Scene() {
        chart.reset(1024, 768);
        chart.display.view_width = 1000;
        chart.display.view_height = 700;
        for (const char* title : {"会員A", "会員B", "顧客C"})
            add_node(chart, "/n.csv", {0, 0}, 1.0, kSourceNode, cp932::from_utf8(title).value(), 1);
        chart.nodes[0].rect = Rect{100, 100, 200, 150};
        chart.nodes[1].rect = Rect{300, 100, 400, 150};
        chart.nodes[2].rect = Rect{100, 300, 200, 350};
        view = std::make_unique<ChartView>(chart, dialogs);
        view->set_pointer_aids([this] { return aids; });
        view->resize(1100, 800);
        view->console().reset({79, 720}, 1.0f);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->grab();  // a first paint places the "必須" marks
        QTest::mouseMove(area(), {700, 650});
        hints = std::make_unique<QSignalSpy>(view.get(), &ChartView::guide_shown);
    }

    QWidget* area() const { return view->viewport(); }
    // The test pointer stays where the last test left it, and a move to
    // where it already is does not arrive: each scene starts it elsewhere.
    void move(QPoint p) { QTest::mouseMove(area(), p); }
    QString hint() const { return hints->isEmpty() ? QString() : hints->last().at(0).toString(); }
    QPoint mark_of(int node) const {
        const Rect& m = chart.node_states[node].mark_rect;
        return {(m.left + m.right) / 2, (m.top + m.bottom) / 2};
    }
    // Comet-coloured pixels on the screen just now.
    int comet_pixels() const {
        const QImage shot = view->viewport()->grab().toImage();
        int count = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                for (int j = 0; j < kMaxComets; ++j)
                    if (shot.pixelColor(x, y) == PointerAnimation::comet_colour(j)) ++count;
        return count;
    }
};

QString u(const char* text) { return QString::fromUtf8(text); }

}  // namespace

class PointerAidsTest : public QObject {
    Q_OBJECT

private slots:
    void the_guide_names_what_a_press_would_do() {
        Scene s;
        s.aids.comets = 0;
        s.move({150, 125});
        QCOMPARE(s.hint(), u("右クリックして表示されるメニューから「タイトルの変更」などができます"));
        s.move({350, 125});
        QCOMPARE(s.hint(), u("Ｗクリックするとファイルエリアにプレビューを表示し、クロスキーの指定ができます"));
        s.move({150, 325});
        QCOMPARE(s.hint(), u("『顧客C』をドラッグ＆ドロップしてノードを移動させることができます"));
        s.view->set_preview_node(2);
        s.move({151, 325});
        QCOMPARE(s.hint(), u("現在ファイルエリアにファイルがセットされているノードは太字で表示されています"));
        s.move(s.mark_of(1));
        QCOMPARE(s.hint(), u("『会員B』を必須ノードにします"));
        // Leaving the chart area takes the hint and the pointer's place with it.
        QSignalSpy cursor(s.view.get(), &ChartView::cursor_text);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(s.area(), &leave);
        QVERIFY(s.hint().isEmpty());
        QCOMPARE(cursor.last().at(0).toString(), QString());

        s.chart.node_states[1].selected = 1;
        s.chart.primary_node = 1;
        s.move({350, 126});
        QCOMPARE(s.hint(), u("方向キーの操作で、このノードを移動することができます。Ctrlキー押下時は、微移動します"));

        s.move({1000, 200});
        QCOMPARE(s.hint(), u("左右にドラッグ＆ドロップしてビューの幅を変更することができます"));
        s.move({500, 700});
        QCOMPARE(s.hint(), u("上下にドラッグ＆ドロップしてビューの高さを変更することができます"));

        // Every move clears the last hint first; with the guide off, nothing is said.
        s.move({600, 400});
        QVERIFY(s.hint().isEmpty());
        s.aids.guide = false;
        const int said = s.hints->count();
        s.move({150, 125});
        s.move({1000, 200});
        QCOMPARE(s.hints->count(), said);
    }

    void the_edge_tip_shows_the_size_and_its_limits() {
        Scene s;
        s.move({1000, 200});
        QTRY_VERIFY(s.view->edge_tip().visible());
        QCOMPARE(s.view->edge_tip().text(), u("Width=1000\nmin:500\nmax:5000"));
        const QPalette::ColorRole role = s.view->edge_tip().label()->foregroundRole();
        QCOMPARE(s.view->edge_tip().label()->palette().color(role), QColor(0, 51, 102));
        s.move({600, 400});
        QVERIFY(!s.view->edge_tip().visible());
        QCOMPARE(s.view->edge_tip().pending_delay(), 0);
    }

    void the_edge_tip_waits_before_it_shows_and_between_tips() {
        EdgeTip tip;
        tip.activate(u("Width=1000"), {10, 10});
        QCOMPARE(tip.pending_delay(), EdgeTip::kInitialDelay);
        QVERIFY(!tip.visible());
        QTRY_VERIFY(tip.visible());
        tip.activate(u("Width=1000"), {10, 30});  // the same tip follows the pointer
        QVERIFY(tip.visible());
        tip.activate(u("Height=700"), {10, 30});  // from one tip to the other
        QVERIFY(!tip.visible());
        QCOMPARE(tip.pending_delay(), EdgeTip::kReshowDelay);
        tip.deactivate();
        QCOMPARE(tip.pending_delay(), 0);
        QVERIFY(tip.label()->maximumWidth() == EdgeTip::kMaxWidth);
    }

    void comets_circle_an_unselected_node_until_a_press() {
        Scene s;
        s.aids.comets = 10;
        s.move({150, 125});
        QVERIFY(s.view->animation().running());
        QCOMPARE(s.view->animation().node(), 0);
        QCOMPARE(s.view->animation().interval(), 5);
        QTRY_VERIFY(s.comet_pixels() > 0);

        // Another node takes the comets over; empty chart stops them.
        s.move({350, 125});
        QCOMPARE(s.view->animation().node(), 1);
        s.move({600, 400});
        QVERIFY(!s.view->animation().running());

        s.move({150, 125});
        QVERIFY(s.view->animation().running());
        QTest::mousePress(s.area(), Qt::LeftButton, {}, {150, 125});
        QVERIFY(!s.view->animation().running());
        QCOMPARE(s.comet_pixels(), 0);  // none left behind
        QTest::mouseRelease(s.area(), Qt::LeftButton, {}, {150, 125});

        // A selected node never starts them.
        s.move({151, 126});
        QVERIFY(!s.view->animation().running());
    }

    void no_comets_when_the_settings_or_the_zoom_say_so() {
        Scene s;
        s.aids.comets = 0;
        s.move({150, 125});
        QVERIFY(!s.view->animation().running());
        s.aids.comets = 3;
        s.aids.speed = 4;
        s.view->set_zoom(0.08f);
        s.move({10, 10});
        s.move({12, 11});  // node 0 at 8 %: (8, 8)–(16, 12)
        QVERIFY(!s.view->animation().running());
        QCOMPARE(s.comet_pixels(), 0);
    }
};

TESSALY_REGISTER_TEST(PointerAidsTest);

#include "pointer_aids_test.moc"
