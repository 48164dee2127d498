// The chart area driven as a user drives it: synthetic presses, drags,
// clicks and keys on the widget, grouped by gesture.

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "fake_dialogs.h"
#include "test_registry.h"
#include "view/chart_cursors.h"
#include "view/chart_view.h"
#include "view/zoom_steps.h"

using namespace tessaly;
using namespace tessaly::view;

namespace {

// A chart with three nodes at known places, in a shown view of 800 × 600.
struct Scene {
    Chart chart;
    FakeDialogs dialogs;
    std::unique_ptr<ChartView> view;

    Scene() {
        chart.reset(1024, 768);
        for (int i = 0; i < 3; ++i) add_node(chart, "/n" + std::to_string(i), {0, 0}, 1.0, kSourceNode, "n", 1);
        chart.nodes[0].rect = Rect{100, 100, 200, 150};
        chart.nodes[1].rect = Rect{300, 100, 400, 150};
        chart.nodes[2].rect = Rect{100, 300, 200, 350};
        view = std::make_unique<ChartView>(chart, dialogs);
        view->resize(800, 600);
        view->console().reset({79, 520}, 1.0f);  // out of the way of the gestures below
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->grab();  // a first paint places the "必須" marks
    }

    QWidget* area() const { return view->viewport(); }
    void click(QPoint p, Qt::KeyboardModifiers keys = {}) { QTest::mouseClick(area(), Qt::LeftButton, keys, p); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(area(), Qt::LeftButton, {}, from);
        QTest::mouseMove(area(), (from + to) / 2);
        QTest::mouseMove(area(), to);
        QTest::mouseRelease(area(), Qt::LeftButton, {}, to);
    }
    void key(Qt::Key k, Qt::KeyboardModifiers keys = {}) { QTest::keyClick(view.get(), k, keys); }
    std::vector<int> selected() const {
        std::vector<int> out;
        for (int i = 0; i < chart.node_count(); ++i)
            if (chart.node_states[i].selected) out.push_back(i);
        return out;
    }
};

}  // namespace

class ChartGesturesTest : public QObject {
    Q_OBJECT

private slots:
    void a_click_selects_without_moving_or_keeping_a_step() {
        Scene s;
        QSignalSpy modified(s.view.get(), &ChartView::modified);
        s.click({150, 125});
        QCOMPARE(s.selected(), std::vector<int>{0});
        QCOMPARE(s.chart.primary_node, 0);
        QCOMPARE(s.chart.nodes[0].rect.left, 100);
        QCOMPARE(modified.count(), 0);
        QVERIFY(!s.view->can_undo());

        s.click({350, 125}, Qt::ControlModifier);  // Ctrl adds
        QCOMPARE(s.selected(), (std::vector<int>{0, 1}));
        s.click({350, 125}, Qt::ShiftModifier);  // Shift takes away
        QCOMPARE(s.selected(), std::vector<int>{0});
        QCOMPARE(s.chart.primary_node, 0);

        // A plain click on one node of several selected means that one alone.
        s.click({350, 125}, Qt::ControlModifier);
        s.click({150, 325}, Qt::ControlModifier);
        s.click({350, 125});
        QCOMPARE(s.selected(), std::vector<int>{1});
        QCOMPARE(s.chart.primary_node, 1);
        QCOMPARE(modified.count(), 0);
    }

    void the_mandatory_mark_toggles_without_selecting() {
        Scene s;
        const Rect mark = s.chart.node_states[2].mark_rect;
        QVERIFY(mark.right > mark.left);
        s.click({(mark.left + mark.right) / 2, (mark.top + mark.bottom) / 2});
        QCOMPARE(s.chart.nodes[2].mandatory, 1);
        QVERIFY(s.selected().empty());
    }

    void dragging_moves_the_selection_and_undo_takes_it_back() {
        Scene s;
        s.click({150, 125});
        s.click({350, 125}, Qt::ControlModifier);
        s.drag({150, 125}, {190, 145});
        QCOMPARE(s.chart.nodes[0].rect.left, 140);
        QCOMPARE(s.chart.nodes[1].rect.left, 340);
        QCOMPARE(s.chart.nodes[1].rect.top, 120);
        QCOMPARE(s.chart.nodes[2].rect.left, 100);  // not selected

        QSignalSpy modified(s.view.get(), &ChartView::modified);
        s.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.chart.nodes[0].rect.left, 100);
        QCOMPARE(s.chart.nodes[1].rect.top, 100);
        QCOMPARE(modified.count(), 0);  // undo is no edit of its own
        s.key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(s.chart.nodes[0].rect.left, 140);
        QVERIFY(!s.view->can_redo());
    }

    void a_node_dragged_into_the_corner_stops_two_units_in() {
        Scene s;
        s.drag({150, 125}, {1, 1});
        QCOMPARE(s.chart.nodes[0].rect.left, 2);
        QCOMPARE(s.chart.nodes[0].rect.top, 2);
    }

    void arrow_keys_move_by_window_pixels_at_the_zoom() {
        Scene s;
        s.click({150, 125});
        s.view->set_zoom(4.0f);
        s.key(Qt::Key_Right);
        QCOMPARE(s.chart.nodes[0].rect.left, 102);
        s.key(Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(s.chart.nodes[0].rect.left, 103);
        s.view->set_zoom(0.5f);
        s.key(Qt::Key_Down);
        QCOMPARE(s.chart.nodes[0].rect.top, 120);
        s.key(Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(s.chart.nodes[0].rect.top, 118);
    }

    void nine_steps_back_and_none_after_placing_a_file() {
        Scene s;
        s.click({150, 125});
        for (int i = 0; i < 11; ++i) s.key(Qt::Key_Down);
        QCOMPARE(s.chart.nodes[0].rect.top, 210);
        for (int i = 0; i < 12; ++i) s.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.chart.nodes[0].rect.top, 120);  // before the third move

        s.key(Qt::Key_Down);
        QVERIFY(s.view->can_undo());
        QTemporaryDir dir;
        QFile file(dir.filePath("new.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a,b\r\n");
        file.close();
        QSignalSpy history(s.view.get(), &ChartView::history_changed);
        s.view->drop_files({file.fileName()}, {500, 500});
        QCOMPARE(s.chart.node_count(), 4);
        QVERIFY(!s.view->can_undo());
        QVERIFY(history.count() > 0);
    }

    void a_band_selects_only_the_nodes_wholly_inside() {
        Scene s;
        s.drag({90, 90}, {410, 160});
        QCOMPARE(s.selected(), (std::vector<int>{0, 1}));
        QCOMPARE(s.chart.primary_node, 1);

        s.drag({90, 90}, {300, 160});  // node 1 only in part
        QCOMPARE(s.selected(), std::vector<int>{0});
        s.drag({50, 50}, {58, 400});  // 8 pixels wide: nothing
        QVERIFY(s.selected().empty());
        s.key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(s.selected(), (std::vector<int>{0, 1, 2}));
    }

    // The band's outline runs on the pixels of both corners, and only once
    // the pointer is 10 pixels away.
    void the_band_is_drawn_from_ten_pixels_between_its_corners() {
        Scene s;
        const QColor band(70, 70, 70);
        auto columns_with_band = [&] {
            const QImage image = s.view->viewport()->grab().toImage();
            std::vector<int> columns;
            for (int x = 590; x < 640; ++x)
                for (int y = 395; y < 420; ++y)
                    if (image.pixelColor(x, y) == band) {
                        columns.push_back(x);
                        break;
                    }
            return columns;
        };
        QTest::mousePress(s.area(), Qt::LeftButton, {}, {600, 400});
        QTest::mouseMove(s.area(), {609, 409});
        QVERIFY(columns_with_band().empty());
        QTest::mouseMove(s.area(), {610, 405});
        const std::vector<int> narrow = columns_with_band();
        QVERIFY(!narrow.empty());
        QCOMPARE(narrow.front(), 600);
        QCOMPARE(narrow.back(), 610);
        QTest::mouseMove(s.area(), {620, 410});
        QCOMPARE(columns_with_band().back(), 620);
        QTest::mouseRelease(s.area(), Qt::LeftButton, {}, {620, 410});
        QVERIFY(columns_with_band().empty());
    }

    // A grey-edged bar in magenta and white where the edge would go, and the
    // new size in red beside the pointer while there is room for it.
    void a_dragged_canvas_edge_shows_a_patterned_bar_and_the_new_size() {
        Scene s;
        s.chart.display.view_width = 700;
        s.chart.display.view_height = 560;
        s.view->chart_changed();
        const QColor grey(128, 128, 128);
        const QSet<QRgb> pattern{QColor(255, 0, 255).rgb(), QColor(Qt::white).rgb()};
        auto picture = [&] { return s.view->viewport()->grab().toImage(); };
        auto colours = [](const QImage& image, QRect area) {
            QSet<QRgb> seen;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) seen.insert(image.pixel(x, y));
            return seen;
        };
        auto written = [](const QImage& image, QRect area) {  // the size's red, smoothed or not
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.red() > 180 && c.green() < 150 && c.blue() < 150) return true;
                }
            return false;
        };

        QTest::mousePress(s.area(), Qt::LeftButton, {}, {700, 200});
        QTest::mouseMove(s.area(), {650, 200});
        QImage image = picture();
        for (int y : {0, 300, 559}) {
            QCOMPARE(image.pixelColor(648, y), grey);
            QCOMPARE(image.pixelColor(651, y), grey);
        }
        QCOMPARE(image.pixelColor(649, 0), grey);    // from the window's top
        QCOMPARE(image.pixelColor(649, 559), grey);  // to the canvas's bottom
        QCOMPARE(colours(image, QRect(649, 100, 2, 10)), pattern);
        QVERIFY(written(image, QRect(640, 220, 40, 20)));  // 8 left of the bar, 20 below the pointer
        QVERIFY(!written(image, QRect(600, 180, 100, 39)));
        QTest::mouseMove(s.area(), {650, 515});  // 45 pixels above the bottom: no room
        image = picture();
        QVERIFY(!written(image, QRect(600, 400, 100, 160)));
        QTest::mouseRelease(s.area(), Qt::LeftButton, {}, {650, 515});
        QCOMPARE(s.chart.display.view_width, 650);

        QTest::mousePress(s.area(), Qt::LeftButton, {}, {300, 560});
        QTest::mouseMove(s.area(), {300, 520});
        image = picture();
        for (int x : {200, 400, 649}) {  // the console covers the left
            QCOMPARE(image.pixelColor(x, 518), grey);
            QCOMPARE(image.pixelColor(x, 521), grey);
        }
        QCOMPARE(colours(image, QRect(400, 519, 10, 2)), pattern);
        QVERIFY(written(image, QRect(320, 510, 40, 15)));  // 20 right of the pointer, 8 above the bar
        QTest::mouseMove(s.area(), {610, 520});            // 40 pixels from the right edge: no room
        image = picture();
        QVERIFY(!written(image, QRect(300, 500, 350, 30)));
        QTest::mouseRelease(s.area(), Qt::LeftButton, {}, {610, 520});
        QCOMPARE(s.chart.display.view_height, 520);
    }

    // The pointer's shape tells what a press would do where it rests, and
    // while nodes are dragged, whether they may be dropped there.
    void the_pointer_shape_follows_what_a_press_would_do() {
        Scene s;
        s.chart.display.view_width = 700;
        s.view->chart_changed();
        auto shows = [&](ChartCursor expected) {
            const QCursor shown = s.area()->cursor();
            const QCursor wanted = chart_cursor(expected);
            if (wanted.shape() != Qt::BitmapCursor) return shown.shape() == wanted.shape();
            return shown.shape() == Qt::BitmapCursor && shown.hotSpot() == wanted.hotSpot() &&
                   shown.pixmap().toImage().convertToFormat(QImage::Format_ARGB32) ==
                       chart_cursor_picture(expected).convertToFormat(QImage::Format_ARGB32);
        };
        for (ChartCursor drawn : {ChartCursor::Move, ChartCursor::Prohibited, ChartCursor::Mark,
                                  ChartCursor::ResizeWidth, ChartCursor::ResizeHeight})
            QVERIFY(!chart_cursor_picture(drawn).isNull());
        // The width's arrows point left and right, the height's up and down.
        const auto opaque_extent = [](const QImage& picture) {
            QRect box;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    if (qAlpha(picture.pixel(x, y)) > 128) box |= QRect(x, y, 1, 1);
            return box.size();
        };
        const QSize across = opaque_extent(chart_cursor_picture(ChartCursor::ResizeWidth));
        const QSize up_down = opaque_extent(chart_cursor_picture(ChartCursor::ResizeHeight));
        QVERIFY(across.width() > across.height());
        QVERIFY(up_down.height() > up_down.width());
        QVERIFY(chart_cursor_picture(ChartCursor::Move) != chart_cursor_picture(ChartCursor::Mark));

        QTest::mouseMove(s.area(), {150, 125});
        QVERIFY(shows(ChartCursor::Hand));  // not selected
        const Rect mark = s.chart.node_states[1].mark_rect;
        QTest::mouseMove(s.area(), {(mark.left + mark.right) / 2, (mark.top + mark.bottom) / 2});
        QVERIFY(shows(ChartCursor::Mark));
        QTest::mouseMove(s.area(), {600, 300});
        QVERIFY(shows(ChartCursor::Arrow));
        QTest::mouseMove(s.area(), {701, 300});
        QVERIFY(shows(ChartCursor::ResizeWidth));
        s.click({150, 125});
        QTest::mouseMove(s.area(), {151, 126});
        QVERIFY(shows(ChartCursor::Move));  // selected

        QTest::mousePress(s.area(), Qt::LeftButton, {}, {150, 125});
        QVERIFY(shows(ChartCursor::Move));
        QTest::mouseMove(s.area(), {400, 250});
        QVERIFY(shows(ChartCursor::Move));
        QTest::mouseMove(s.area(), {700, 250});  // on the canvas's right edge: off it
        QVERIFY(shows(ChartCursor::Prohibited));
        QTest::mouseMove(s.area(), {699, 250});
        QVERIFY(shows(ChartCursor::Move));
        QTest::mouseMove(s.area(), {400, 0});
        QVERIFY(shows(ChartCursor::Prohibited));
        QTest::mouseRelease(s.area(), Qt::LeftButton, {}, {400, 0});
        QVERIFY(!shows(ChartCursor::Prohibited));  // the drag is over
    }

    void the_canvas_edge_drags_within_its_limits() {
        Scene s;
        s.chart.display.view_width = 700;
        s.view->chart_changed();
        s.drag({700, 200}, {50, 200});  // no narrower than 500
        QCOMPARE(s.chart.display.view_width, 500);
        s.drag({500, 200}, {501, 200});  // under two pixels: nothing
        QCOMPARE(s.chart.display.view_width, 500);
        s.view->set_zoom(0.1f);
        s.drag({50, 20}, {790, 20});  // 7,900 units asked, 5,000 given
        QCOMPARE(s.chart.display.view_width, 5000);
    }

    void a_right_click_selects_its_node_and_asks_for_a_menu() {
        Scene s;
        QSignalSpy menus(s.view.get(), &ChartView::menu_requested);
        s.click({150, 125});
        s.click({350, 125}, Qt::ControlModifier);
        QTest::mouseClick(s.area(), Qt::RightButton, {}, {150, 325});  // not selected: alone
        QCOMPARE(s.selected(), std::vector<int>{2});
        QCOMPARE(menus.last().at(0).value<ChartMenu>(), ChartMenu::Node);

        s.click({150, 125}, Qt::ControlModifier);
        QTest::mouseClick(s.area(), Qt::RightButton, {}, {150, 125});  // selected: the selection stays
        QCOMPARE(s.selected(), (std::vector<int>{0, 2}));
        QCOMPARE(s.chart.primary_node, 0);

        s.view->verticalScrollBar()->setValue(40);
        QTest::mouseClick(s.area(), Qt::RightButton, {}, {600, 500});
        QCOMPARE(menus.last().at(0).value<ChartMenu>(), ChartMenu::View);
        QCOMPARE(s.view->menu_point(), QPoint(600, 540));  // in canvas pixels
    }

    void the_pointer_shows_where_it_is_on_the_chart() {
        Scene s;
        QSignalSpy cursor(s.view.get(), &ChartView::cursor_text);
        s.view->set_zoom(2.0f);
        QTest::mouseMove(s.area(), {301, 41});
        QCOMPARE(cursor.last().at(0).toString(), QStringLiteral("150, 20"));
        s.chart.display.view_width = 350;
        QTest::mouseMove(s.area(), {700, 41});  // just beyond the canvas
        QCOMPARE(cursor.last().at(0).toString(), QString());
    }

    void double_clicks_ask_for_the_node_or_the_empty_chart() {
        Scene s;
        QSignalSpy node(s.view.get(), &ChartView::node_double_clicked);
        QSignalSpy empty(s.view.get(), &ChartView::empty_double_clicked);
        QTest::mouseDClick(s.area(), Qt::LeftButton, {}, {350, 125});
        QCOMPARE(node.count(), 1);
        QCOMPARE(node.first().at(0).toInt(), 1);
        QTest::mouseDClick(s.area(), Qt::LeftButton, {}, {600, 500});
        QCOMPARE(empty.count(), 1);
    }

    void the_console_zooms_the_chart_it_floats_over() {
        Scene s;
        QSignalSpy text(s.view.get(), &ChartView::zoom_text);
        QSignalSpy modified(s.view.get(), &ChartView::modified);
        s.click({79, 475});  // the plus button
        QCOMPARE(zoom_percent(s.view->zoom()), 101);
        QCOMPARE(text.last().at(0).toString(), QStringLiteral("101%"));
        QVERIFY(s.selected().empty());  // the chart under it saw no press
        QVERIFY(!s.view->console().active());
        s.click({79, 520});  // the dial: its ring comes on
        QVERIFY(s.view->console().active());

        // With the ring active, Ctrl and the wheel turned towards the user.
        QWheelEvent wheel(QPointF(79 + 69, 520), s.area()->mapToGlobal(QPointF(79 + 69, 520)), {}, {0, -120},
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(s.area(), &wheel);
        QCOMPARE(zoom_percent(s.view->zoom()), 102);
        QCOMPARE(modified.count(), 0);

        // A press elsewhere makes it inactive again; the wheel then scrolls.
        s.click({600, 300});
        QVERIFY(!s.view->console().active());
        s.view->set_zoom(2.0f);
        QApplication::sendEvent(s.area(), &wheel);
        QCOMPARE(zoom_percent(s.view->zoom()), 200);

        QSignalSpy menus(s.view.get(), &ChartView::menu_requested);
        QTest::mouseClick(s.area(), Qt::RightButton, {}, {100, 530});
        QCOMPARE(menus.last().at(0).value<ChartMenu>(), ChartMenu::Zoom);
    }
};

TESSALY_REGISTER_TEST(ChartGesturesTest);
#include "chart_gestures_test.moc"
