#include <QTest>

#include "test_registry.h"
#include "view/selection.h"

using namespace tessaly;
using namespace tessaly::view;

class SelectionTest : public QObject {
    Q_OBJECT

    static Chart three_nodes() {
        Chart chart;
        chart.reset(1024, 768);
        for (int i = 0; i < 3; ++i) add_node(chart, std::to_string(i), {0, 0}, 1.0, kSourceNode, "n", 0);
        chart.nodes[0].rect = Rect{0, 0, 100, 50};
        chart.nodes[1].rect = Rect{50, 25, 150, 75};  // over node 0
        chart.nodes[2].rect = Rect{300, 300, 400, 350};
        return chart;
    }

    static std::vector<int> selected(const Chart& chart) {
        std::vector<int> out;
        for (int i = 0; i < chart.node_count(); ++i)
            if (chart.node_states[i].selected) out.push_back(i);
        return out;
    }

private slots:
    void the_topmost_node_is_hit() {
        Chart chart = three_nodes();
        QCOMPARE(hit_node(chart, {60, 30}, 1.0f), 1);
        QCOMPARE(hit_node(chart, {10, 10}, 1.0f), 0);
        QCOMPARE(hit_node(chart, {200, 200}, 1.0f), -1);
        QCOMPARE(hit_node(chart, {700, 650}, 2.0f), 2);  // boxes scale with the zoom
        chart.node_states[2].mark_rect = Rect{390, 340, 420, 356};
        QCOMPARE(hit_mark(chart, {400, 350}), 2);
        QCOMPARE(hit_mark(chart, {10, 10}), -1);
    }

    void presses_follow_the_modifier_table() {
        Chart chart = three_nodes();
        QVERIFY(press_on_node(chart, 0, PressKeys::Plain));  // no primary: select it, drag
        QCOMPARE(chart.primary_node, 0);
        QVERIFY(!press_on_node(chart, 2, PressKeys::Ctrl));  // Ctrl on unselected: add, no drag
        QCOMPARE(selected(chart), (std::vector<int>{0, 2}));
        QCOMPARE(chart.primary_node, 2);
        QVERIFY(press_on_node(chart, 0, PressKeys::Ctrl));  // Ctrl on selected: primary, drag
        QCOMPARE(chart.primary_node, 0);
        QVERIFY(!press_on_node(chart, 0, PressKeys::Shift));  // Shift on selected: drop it
        QCOMPARE(selected(chart), (std::vector<int>{2}));
        QCOMPARE(chart.primary_node, 2);                     // the lowest still selected
        QVERIFY(press_on_node(chart, 1, PressKeys::Shift));  // Shift on unselected: select only it
        QCOMPARE(selected(chart), (std::vector<int>{1}));
        QVERIFY(press_on_node(chart, 1, PressKeys::Plain));  // plain on selected: drag
        QCOMPARE(chart.primary_node, 1);
        QVERIFY(!press_on_node(chart, 1, PressKeys::Shift));  // the last one dropped stays primary
        QCOMPARE(chart.primary_node, 1);
        QVERIFY(selected(chart).empty());
        deselect_all(chart);
        QCOMPARE(chart.primary_node, -1);
    }

    void moves_scale_with_the_zoom_and_stay_on_the_canvas() {
        Chart chart = three_nodes();
        press_on_node(chart, 2, PressKeys::Plain);
        QVERIFY(move_selected_nodes(chart, 10, 0, 4.0f));  // 10 pixels at 400 %: 2 chart units
        QCOMPARE(chart.nodes[2].rect.left, 302);
        QVERIFY(move_selected_nodes(chart, 1, 0, 4.0f));  // one pixel always moves one unit
        QCOMPARE(chart.nodes[2].rect.left, 303);
        QVERIFY(move_selected_nodes(chart, 0, -10, 0.5f));  // at 50 %: 20 units
        QCOMPARE(chart.nodes[2].rect.top, 280);
        QCOMPARE(chart.nodes[0].rect.left, 0);  // unselected nodes stay

        QVERIFY(move_selected_nodes(chart, 5000, 5000, 1.0f));
        QCOMPARE(chart.nodes[2].rect.right, 1023);  // view_width - 1
        QCOMPARE(chart.nodes[2].rect.bottom, 767);
        QVERIFY(move_selected_nodes(chart, -5000, -5000, 1.0f));
        QCOMPARE(chart.nodes[2].rect.left, 2);
        QCOMPARE(chart.nodes[2].rect.top, 2);
        QVERIFY(!move_selected_nodes(chart, 0, 0, 1.0f));
    }

    void a_drag_moves_by_the_pointer_less_its_grab_offset() {
        Chart chart = three_nodes();
        press_on_node(chart, 2, PressKeys::Plain);                        // centre (350, 325)
        QVERIFY(!drop_dragged_nodes(chart, {361, 336}, {10, 10}, 1.0f));  // one pixel: no move
        QVERIFY(drop_dragged_nodes(chart, {410, 345}, {10, 10}, 1.0f));
        QCOMPARE(chart.nodes[2].rect, (Rect{350, 310, 450, 360}));
    }

    void band_and_select_all() {
        Chart chart = three_nodes();
        QVERIFY(!select_in_band(chart, Band{{0, 0}, {10, 500}}, 1.0f));   // too narrow
        QVERIFY(!select_in_band(chart, Band{{0, 0}, {90, 60}}, 1.0f));    // every node sticks out
        QVERIFY(select_in_band(chart, Band{{160, 80}, {-1, -1}}, 1.0f));  // drawn up and left
        QCOMPARE(selected(chart), (std::vector<int>{0, 1}));
        QCOMPARE(chart.primary_node, 1);  // the last in table order
        deselect_all(chart);
        select_all(chart);
        QCOMPARE(selected(chart), (std::vector<int>{0, 1, 2}));
        QCOMPARE(chart.primary_node, 0);
    }

    // A band is as wide as the pointer moved, and a box on its edge is inside.
    void a_band_selects_from_eleven_pixels_and_holds_boxes_up_to_its_edges() {
        Chart chart = three_nodes();
        chart.nodes[0].rect = Rect{20, 20, 25, 25};
        QVERIFY(!select_in_band(chart, Band{{20, 20}, {30, 31}}, 1.0f));  // 10 wide
        QVERIFY(!select_in_band(chart, Band{{20, 20}, {31, 30}}, 1.0f));  // 10 high
        QVERIFY(select_in_band(chart, Band{{20, 20}, {31, 31}}, 1.0f));
        QCOMPARE(selected(chart), std::vector<int>{0});

        const Band band{{400, 350}, {300, 300}};  // node 2's edges exactly, drawn up and left
        QVERIFY(band.holds(QRect(300, 300, 100, 50)));
        QVERIFY(!band.holds(QRect(300, 300, 101, 50)));  // one pixel over on the right
        QVERIFY(!band.holds(QRect(300, 300, 100, 51)));  // and at the bottom
        QVERIFY(!band.holds(QRect(299, 300, 100, 50)));
        QVERIFY(!band.holds(QRect(300, 299, 100, 50)));
        deselect_all(chart);
        QVERIFY(select_in_band(chart, band, 1.0f));
        QCOMPARE(selected(chart), std::vector<int>{2});
        QVERIFY(!select_in_band(chart, Band{{300, 300}, {399, 350}}, 1.0f));

        QVERIFY(!Band({{0, 0}, {9, 9}}).shown());
        QVERIFY(Band({{0, 0}, {10, 0}}).shown());
        QVERIFY(Band({{0, 0}, {0, -10}}).shown());
    }

    void a_dragged_canvas_edge_keeps_its_limits() {
        Chart chart = three_nodes();
        QCOMPARE(canvas_edge_for(chart, 300, 1.0f, true), 500);    // no narrower than 500
        QCOMPARE(canvas_edge_for(chart, 6000, 1.0f, true), 5000);  // no wider than 5,000
        QCOMPARE(canvas_edge_for(chart, 2000, 2.0f, true), 1000);  // canvas pixels at 200 %
        chart.nodes[2].rect = Rect{600, 600, 700, 900};
        QCOMPARE(canvas_edge_for(chart, 600, 1.0f, true), 700);  // never cuts a node off
        QCOMPARE(canvas_edge_for(chart, 600, 1.0f, false), 900);
    }
};

TESSALY_REGISTER_TEST(SelectionTest);

#include "selection_test.moc"
