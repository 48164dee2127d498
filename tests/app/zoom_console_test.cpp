#include <algorithm>

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "test_registry.h"
#include "view/zoom_console.h"
#include "view/zoom_steps.h"

using namespace tessaly::view;

namespace {

const QSize kClient(800, 600);
const QColor kClear(255, 247, 255);

// A point given in the console's own 130 × 130 square.
QPoint on_face(const ZoomConsole& console, int x, int y) { return console.centre() - QPoint(65, 65) + QPoint(x, y); }

bool is_red(QColor c) { return c.red() > 150 && c.green() < 90 && c.blue() < 90; }

bool is_green(QColor c) { return c.green() > c.red() + 20 && c.green() > c.blue() + 20; }

// The columns of the digit band (rows 40 to 89) that hold red.
QList<int> red_columns(const QImage& face) {
    QList<int> columns;
    for (int x = 0; x < face.width(); ++x)
        for (int y = 40; y < 90; ++y)
            if (is_red(face.pixelColor(x, y))) {
                columns << x;
                break;
            }
    return columns;
}

bool all_within(const QList<int>& columns, std::initializer_list<std::pair<int, int>> cells) {
    for (int x : columns) {
        bool inside = false;
        for (auto [left, right] : cells) inside = inside || (x >= left && x < right);
        if (!inside) return false;
    }
    return true;
}

bool touches(const QList<int>& columns, int left, int right) {
    return std::any_of(columns.begin(), columns.end(), [&](int x) { return x >= left && x < right; });
}

QImage painted(ZoomConsole& console, QSize client = kClient) {
    QImage window(client, QImage::Format_RGB32);
    window.fill(Qt::white);
    QPainter painter(&window);
    console.paint(painter, client);
    return window;
}

// An active console at (200, 200) showing 100 %.
void activate(ZoomConsole& console) {
    console.reset(QPoint(200, 200), 1.0f);
    console.pressed(console.centre());
    console.released(console.centre(), kClient);
}

}  // namespace

class ZoomConsoleTest : public QObject {
    Q_OBJECT

private slots:
    void zoom_stays_between_8_and_400_percent() {
        QCOMPARE(changed_zoom(4.0f, 1), 4.0f);
        QCOMPARE(changed_zoom(3.95f, 10), 4.0f);
        QCOMPARE(changed_zoom(0.08f, -1), 0.08f);
        QCOMPARE(clamped_zoom(7.5f), 4.0f);
        QCOMPARE(clamped_zoom(0.0f), 0.08f);
        QCOMPARE(zoom_percent(0.08f), 8);
        QCOMPARE(zoom_percent(4.0f), 400);
        // 400 % and then fit a 1,024 × 768 canvas into a smaller window.
        const float fit = clamped_zoom(zoom_to_fit(QSize(800, 500), 1024, 768));
        QVERIFY(fit < 1.0f);
        QCOMPARE(zoom_percent(fit), 65);
    }

    void every_single_step_shows_the_next_percentage() {
        // Adding 0.01 in single precision would show 104 after five presses
        // of the plus button from 100 %, twice in a row.
        float zoom = 1.0f;
        for (int step = 1; step <= 300; ++step) {
            zoom = changed_zoom(zoom, 1);
            QCOMPARE(zoom_percent(zoom), 100 + step);
        }
        for (int step = 1; step <= 392; ++step) {
            zoom = changed_zoom(zoom, -1);
            QCOMPARE(zoom_percent(zoom), 400 - step);
        }
        for (int step = 1; step <= 39; ++step) zoom = changed_zoom(zoom, 10);
        QCOMPARE(zoom_percent(zoom), 398);
        // A zoom between whole points (fitted to the window) keeps its fraction.
        QCOMPARE(zoom_percent(changed_zoom(0.8734f, 1)), 88);
        QVERIFY(std::abs(changed_zoom(0.8734f, 1) - 0.8834f) < 1e-6f);
    }

    void digits_stand_centred_on_the_dial() {
        ZoomConsole console;
        QSignalSpy text(&console, &ZoomConsole::zoom_text);

        console.render_face(0.08f);
        QList<int> columns = red_columns(console.composite());
        QVERIFY(touches(columns, 49, 81));
        QVERIFY(all_within(columns, {{49, 81}}));
        QCOMPARE(text.last().at(0).toString(), QString("8%"));

        console.render_face(0.47f);
        columns = red_columns(console.composite());
        QVERIFY(touches(columns, 31, 63) && touches(columns, 65, 97));
        QVERIFY(all_within(columns, {{31, 63}, {65, 97}}));

        console.render_face(1.0f);
        columns = red_columns(console.composite());
        QVERIFY(touches(columns, 15, 47) && touches(columns, 49, 81) && touches(columns, 83, 115));
        QVERIFY(all_within(columns, {{15, 47}, {49, 81}, {83, 115}}));
        QCOMPARE(text.last().at(0).toString(), QString("100%"));
    }

    void the_dial_is_green_with_red_digits_a_blue_plus_and_a_red_minus() {
        ZoomConsole console;
        console.render_face(1.0f);
        const QImage& face = console.composite();
        QCOMPARE(face.size(), QSize(130, 130));
        QVERIFY(is_green(face.pixelColor(65, 65)));  // inside the middle "0"
        QVERIFY(is_green(face.pixelColor(30, 100)));
        QVERIFY(is_red(face.pixelColor(49 + 16, 40 + 4)));  // the top of the "0" in the middle
        const QColor plus = face.pixelColor(65, 20);
        QVERIFY(plus.blue() > 150 && plus.red() < 120);
        QVERIFY(is_red(face.pixelColor(65, 110)));
        for (QPoint corner : {QPoint(0, 0), QPoint(129, 0), QPoint(0, 129), QPoint(129, 129)})
            QCOMPARE(face.pixelColor(corner), kClear);
    }

    void painting_leaves_the_corners_see_through_and_rings_an_active_console() {
        ZoomConsole console;
        console.reset(QPoint(200, 200), 1.0f);
        QImage window = painted(console);
        QVERIFY(is_green(window.pixelColor(200, 200)));
        QCOMPARE(window.pixelColor(136, 136), QColor(Qt::white));  // the square's corner
        QCOMPARE(window.pixelColor(269, 200), QColor(Qt::white));  // no ring yet

        activate(console);
        window = painted(console);
        // Strokes brighten clockwise from the top: a quarter round is stroke 17, half round 34.
        QCOMPARE(window.pixelColor(269, 200), QColor(98 + 2 * 17, 98 + 2 * 17, 0));
        QCOMPARE(window.pixelColor(200, 269), QColor(98 + 2 * 34, 98 + 2 * 34, 0));

        console.toggle_pinned();
        window = painted(console);
        QCOMPARE(window.pixelColor(200, 200), QColor(Qt::white));
    }

    void painting_brings_a_console_outside_the_window_back_in() {
        ZoomConsole console;
        console.reset(QPoint(5000, -40), 1.0f);
        painted(console, QSize(400, 300));
        QCOMPARE(console.centre(), QPoint(330, 70));
        // In a window too small for it the left and top limits win.
        QCOMPARE(ZoomConsole::clamp_centre(QPoint(10, 10), QSize(100, 90)), QPoint(70, 70));
    }

    void buttons_change_the_zoom_by_one_point_and_mark_nothing() {
        ZoomConsole console;
        console.reset(QPoint(200, 200), 1.0f);
        QSignalSpy steps(&console, &ZoomConsole::zoom_step);
        QSignalSpy moved(&console, &ZoomConsole::moved);
        QSignalSpy panes(&console, &ZoomConsole::position_panes_cleared);

        QCOMPARE(console.hit_test(on_face(console, 65, 6), true), ZoomConsole::kPlus);
        QCOMPARE(console.hit_test(on_face(console, 51, 20), true), ZoomConsole::kPlus);
        QCOMPARE(console.hit_test(on_face(console, 55, 8), true), ZoomConsole::kDisc);  // beside the cross
        QCOMPARE(console.hit_test(on_face(console, 65, 110), true), ZoomConsole::kMinus);
        QCOMPARE(console.hit_test(on_face(console, 65, 116), true), ZoomConsole::kDisc);  // just below it
        QCOMPARE(console.hit_test(on_face(console, 65, 110), false), ZoomConsole::kDisc);
        QCOMPARE(console.hit_test(QPoint(200 + 66, 200), true), ZoomConsole::kOutside);

        QVERIFY(console.pressed(on_face(console, 65, 20)));
        QVERIFY(console.released(on_face(console, 65, 20), kClient));
        QVERIFY(console.pressed(on_face(console, 65, 110)));
        QVERIFY(console.released(on_face(console, 66, 111), kClient));  // a pixel off is still a click
        QCOMPARE(steps.count(), 2);
        QCOMPARE(steps.at(0).at(0).toInt(), 1);
        QCOMPARE(steps.at(1).at(0).toInt(), -1);
        QCOMPARE(moved.count(), 0);
        QCOMPARE(panes.count(), 2);
        QCOMPARE(console.centre(), QPoint(200, 200));
        QVERIFY(!console.active());  // the buttons do not wake the ring
    }

    void dragging_the_console_moves_it_within_the_window() {
        ZoomConsole console;
        console.reset(QPoint(200, 200), 1.0f);
        QSignalSpy moved(&console, &ZoomConsole::moved);

        console.pressed(QPoint(210, 200));
        console.pointer_moved(QPoint(211, 200), Qt::LeftButton, kClient);
        console.released(QPoint(211, 200), kClient);
        QCOMPARE(console.centre(), QPoint(200, 200));
        QCOMPARE(moved.count(), 0);
        QVERIFY(console.outline().isEmpty());

        console.pressed(QPoint(210, 200));
        console.pointer_moved(QPoint(2000, 2000), Qt::LeftButton, kClient);
        QCOMPARE(console.outline(), QRect(730 - 65, 530 - 65, 130, 130));
        QImage window = painted(console);
        QCOMPARE(window.pixelColor(665, 594), QColor(0, 0, 128));  // a 130-pixel square
        QCOMPARE(window.pixelColor(794, 465), QColor(0, 0, 128));
        QCOMPARE(window.pixelColor(795, 465), QColor(Qt::white));
        console.released(QPoint(2000, 2000), kClient);
        QCOMPARE(console.centre(), QPoint(730, 530));  // 70 from the right and the bottom
        QCOMPARE(moved.count(), 1);
        QVERIFY(console.outline().isEmpty());

        console.pressed(QPoint(730, 530));
        console.released(QPoint(-300, -300), kClient);
        QCOMPARE(console.centre(), QPoint(70, 70));
        QCOMPARE(moved.count(), 2);
    }

    void turning_the_ring_clockwise_raises_the_zoom() {
        ZoomConsole console;
        activate(console);
        QSignalSpy steps(&console, &ZoomConsole::zoom_step);
        const QPoint z = console.centre();

        QVERIFY(console.pressed(z + QPoint(69, 0)));
        QVERIFY(console.ring_dragging());
        console.pointer_moved(z + QPoint(68, 10), Qt::LeftButton, kClient);  // down the right side
        QCOMPARE(console.cursor_shape(), ConsoleCursor::RingDrag);
        QVERIFY(steps.last().at(0).toInt() > 10);
        console.pointer_moved(z + QPoint(69, 0), Qt::LeftButton, kClient);
        QVERIFY(steps.last().at(0).toInt() < -10);
        console.pointer_moved(z + QPoint(200, 0), Qt::LeftButton, kClient);  // off the ring: no turn
        QCOMPARE(console.cursor_shape(), ConsoleCursor::Move);
        QCOMPARE(steps.count(), 2);
        QVERIFY(console.released(z + QPoint(200, 0), kClient));
        QVERIFY(!console.ring_dragging());
        QCOMPARE(console.centre(), z);  // a ring drag does not move the console
    }

    void crossing_the_left_of_the_ring_turns_a_few_points_not_hundreds() {
        const QPoint z(200, 200);
        // Just above and just below the line to the left of the centre the
        // angles are near −π and +π.
        const int down = ring_drag_points(z, z + QPoint(-69, -1), z + QPoint(-69, 2));
        QVERIFY(down < 0 && down > -10);  // downward on the left is anticlockwise
        const int up = ring_drag_points(z, z + QPoint(-69, 2), z + QPoint(-69, -1));
        QVERIFY(up > 0 && up < 10);
        QCOMPARE(ring_drag_points(z, z + QPoint(0, -69), z + QPoint(69, 0)), 157);  // a quarter clockwise

        ZoomConsole console;
        activate(console);
        QSignalSpy steps(&console, &ZoomConsole::zoom_step);
        console.pressed(console.centre() + QPoint(-69, -1));
        console.pointer_moved(console.centre() + QPoint(-69, 2), Qt::LeftButton, kClient);
        QCOMPARE(steps.count(), 1);
        QCOMPARE(steps.at(0).at(0).toInt(), down);
    }

    void the_wheel_on_the_ring_zooms_and_elsewhere_scrolls() {
        QCOMPARE(wheel_step(-120, Qt::ControlModifier, Qt::NoButton), 1);
        QCOMPARE(wheel_step(-120, Qt::NoModifier, Qt::NoButton), 10);
        QCOMPARE(wheel_step(120, Qt::NoModifier, Qt::NoButton), -10);
        QCOMPARE(wheel_step(-120, Qt::ControlModifier | Qt::ShiftModifier, Qt::NoButton), -1);
        QCOMPARE(wheel_step(-120, Qt::NoModifier, Qt::RightButton), -10);
        QCOMPARE(wheel_step(120, Qt::ShiftModifier, Qt::NoButton), -10);
        QVERIFY(wheel_scrolls_horizontally(Qt::ShiftModifier, Qt::NoButton));
        QVERIFY(wheel_scrolls_horizontally(Qt::ControlModifier | Qt::ShiftModifier, Qt::NoButton));
        QVERIFY(wheel_scrolls_horizontally(Qt::NoModifier, Qt::RightButton));
        QVERIFY(!wheel_scrolls_horizontally(Qt::ControlModifier, Qt::NoButton));

        ZoomConsole console;
        console.reset(QPoint(200, 200), 1.0f);
        QSignalSpy steps(&console, &ZoomConsole::zoom_step);
        const QPoint ring = console.centre() + QPoint(0, 70);
        QVERIFY(!console.wheel(ring, -120, Qt::NoModifier, Qt::NoButton));  // no ring while inactive
        activate(console);
        QVERIFY(console.wheel(ring, -120, Qt::ControlModifier, Qt::NoButton));
        QVERIFY(console.wheel(ring, -120, Qt::NoModifier, Qt::NoButton));
        QVERIFY(!console.wheel(console.centre(), -120, Qt::NoModifier, Qt::NoButton));
        QVERIFY(!console.wheel(console.centre() + QPoint(0, 74), -120, Qt::NoModifier, Qt::NoButton));
        QCOMPARE(steps.count(), 2);
        QCOMPARE(steps.at(0).at(0).toInt(), 1);
        QCOMPARE(steps.at(1).at(0).toInt(), 10);

        // While a scroll bar is dragged the console is away, ring and all.
        console.scrolling_started();
        QVERIFY(!console.visible());
        QVERIFY(!console.wheel(ring, -120, Qt::NoModifier, Qt::NoButton));
        console.scrolling_finished();
        QVERIFY(console.visible());
        QVERIFY(console.wheel(ring, -120, Qt::NoModifier, Qt::NoButton));
    }

    void the_pointer_shape_follows_the_part_of_the_console_under_it() {
        ZoomConsole console;
        console.reset(QPoint(200, 200), 1.0f);
        QSignalSpy guide(&console, &ZoomConsole::ring_hovered);
        QVERIFY(console.pointer_moved(console.centre(), Qt::NoButton, kClient));
        QCOMPARE(console.cursor_shape(), ConsoleCursor::Hand);
        QVERIFY(console.pointer_moved(on_face(console, 65, 20), Qt::NoButton, kClient));
        QCOMPARE(console.cursor_shape(), ConsoleCursor::Plus);
        QVERIFY(console.pointer_moved(on_face(console, 65, 110), Qt::NoButton, kClient));
        QCOMPARE(console.cursor_shape(), ConsoleCursor::Minus);
        QVERIFY(!console.pointer_moved(console.centre() + QPoint(0, 70), Qt::NoButton, kClient));

        activate(console);
        QVERIFY(console.pointer_moved(console.centre(), Qt::NoButton, kClient));
        QCOMPARE(console.cursor_shape(), ConsoleCursor::Move);
        QVERIFY(console.pointer_moved(console.centre() + QPoint(0, 70), Qt::NoButton, kClient));
        QCOMPARE(console.cursor_shape(), ConsoleCursor::Ring);
        QVERIFY(console.pointer_moved(console.centre() + QPoint(0, 71), Qt::NoButton, kClient));
        QCOMPARE(guide.count(), 2);
        QVERIFY(guide.at(0).at(0).toString().startsWith("回転円上でマウスホィール"));  // even y
        QVERIFY(guide.at(1).at(0).toString().startsWith("回転円に沿ってドラッグ"));    // odd y
        QVERIFY(!console.pointer_moved(console.centre() + QPoint(0, 74), Qt::NoButton, kClient));
        QVERIFY(!console.cursor().pixmap().isNull());
    }

    void a_pinned_console_stays_and_an_unpinned_one_comes_and_goes() {
        ZoomConsole console;
        console.reset(QPoint(200, 200), 1.0f);
        activate(console);
        console.pressed_elsewhere(true);  // a mandatory mark leaves it be
        QVERIFY(console.active());
        console.pressed_elsewhere(false);
        QVERIFY(!console.active());
        QVERIFY(console.visible());

        QSignalSpy repaint(&console, &ZoomConsole::repaint_needed);
        console.toggle_pinned();
        QVERIFY(!console.pinned());
        QVERIFY(!console.visible());
        QVERIFY(!console.pointer_moved(console.centre() + QPoint(80, 0), Qt::NoButton, kClient));
        QVERIFY(!console.visible());
        const int before = repaint.count();
        QVERIFY(console.pointer_moved(console.centre() + QPoint(40, 0), Qt::NoButton, kClient));
        QVERIFY(console.visible());
        QVERIFY(repaint.count() > before);
        console.pressed_elsewhere(false);
        QVERIFY(!console.visible());

        // A right click near the hidden console shows it for the "ZOOM" menu.
        QVERIFY(!console.right_click_opens_zoom_menu(console.centre() + QPoint(66, 0)));
        QVERIFY(!console.visible());
        QVERIFY(console.right_click_opens_zoom_menu(console.centre() + QPoint(65, 0)));
        QVERIFY(console.visible());

        console.toggle_pinned();
        QVERIFY(console.pinned() && console.visible());
    }

    void sent_to_the_top_left_it_shows_at_79_79_pinned_or_not() {
        ZoomConsole console;
        console.reset(QPoint(400, 300), 1.0f);
        console.show_at_top_left();
        QCOMPARE(console.centre(), QPoint(79, 79));
        QVERIFY(console.visible());

        console.reset(QPoint(400, 300), 1.0f);
        console.toggle_pinned();
        QVERIFY(!console.visible());
        console.show_at_top_left();
        QCOMPARE(console.centre(), QPoint(79, 79));
        QVERIFY(console.visible());
        QVERIFY(!console.pinned());

        // A new document starts pinned, shown and quiet.
        console.pressed(console.centre());
        console.reset(QPoint(120, 90), 2.0f);
        QVERIFY(console.pinned() && console.visible() && !console.active() && !console.moving());
        QCOMPARE(console.centre(), QPoint(120, 90));
    }

    void a_gesture_whose_release_went_astray_ends_without_moving() {
        ZoomConsole console;
        console.reset(QPoint(200, 200), 1.0f);
        QSignalSpy moved(&console, &ZoomConsole::moved);
        console.pressed(console.centre());
        console.pointer_moved(QPoint(400, 400), Qt::LeftButton, kClient);
        QVERIFY(!console.outline().isEmpty());
        // The next move comes with no button held.
        console.pointer_moved(QPoint(410, 400), Qt::NoButton, kClient);
        QVERIFY(!console.moving());
        QVERIFY(console.outline().isEmpty());
        QVERIFY(!console.released(QPoint(410, 400), kClient));
        QCOMPARE(console.centre(), QPoint(200, 200));
        QCOMPARE(moved.count(), 0);
    }
};

TESSALY_REGISTER_TEST(ZoomConsoleTest);

#include "zoom_console_test.moc"
