#pragma once

// The chart area: a scrolling canvas that draws the chart and takes files
// dropped from the file manager as new source nodes.

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include <QAbstractScrollArea>
#include <QPixmap>

#include "chart/chart.h"
#include "chart/node_alignment.h"
#include "chart/undo_history.h"
#include "shell/command_id.h"
#include "text/show_message.h"
#include "text/text_encoding.h"
#include "view/chart_cursors.h"
#include "view/edge_tip.h"
#include "view/operation_guide.h"
#include "view/pointer_animation.h"
#include "view/zoom_console.h"

namespace tessaly::view {

// The context menus of the chart: on empty canvas, on a node, and on the
// zoom console.
enum class ChartMenu { View, Node, Zoom };

// The aids that follow the pointer, as the settings have them now.
struct PointerAids {
    bool guide = true;  // hints in the status bar
    int comets = 3;     // 0: no animation
    int speed = 0;      // a step every speed × 10 + 5 ms
};

class ChartView : public QAbstractScrollArea {
    Q_OBJECT

public:
    ChartView(Chart& chart, MessagePresenter& messages, QWidget* parent = nullptr);

    float zoom() const { return zoom_; }
    // The zoom factor, kept within 8 % … 400 %; and a change by points of 1 %.
    void set_zoom(float factor);
    void change_zoom(int points);
    // Fits the whole canvas into the window.
    void fit_zoom_to_window();
    ZoomConsole& console() { return console_; }
    // Scroll sizes follow the canvas: (view size + 50) × zoom.
    void chart_changed();
    // The nodes were collapsed to show other text or another font size: the
    // chart is drawn again at once, which measures every box anew.
    void nodes_collapsed();
    QPoint scroll_position() const;

    // Places files as if dropped at the window point. Each file gets its own
    // answer: one refused (no text file) or declined is named, and the
    // others are placed all the same.
    void drop_files(const QStringList& paths, QPoint window_point);
    // Places files chosen in the file dialog at the menu point, as they are.
    void place_chosen_files(const QStringList& paths);
    // Which sheet of a workbook with several to copy: its index in names, or
    // none when the user would rather not. Without it, the first.
    using SheetChooser =
        std::function<std::optional<int>(const std::filesystem::path& workbook, const std::vector<std::string>& names)>;
    void set_sheet_chooser(SheetChooser chooser) { sheet_chooser_ = std::move(chooser); }
    void select_all_nodes();
    // Lines up the selected nodes as one undo step, redrawn at once.
    void align_nodes(NodeAlignment how);
    // The canvas point of the last right click, where the menu's commands act.
    QPoint menu_point() const { return menu_point_; }

    // Node moves can be taken back nine steps deep.
    bool can_undo() { return history_.undo_count(chart_) > 0; }
    bool can_redo() { return history_.redo_count(chart_) > 0; }
    void undo();
    void redo();
    void clear_history();
    // A new or opened chart: no history, nothing selected.
    void chart_replaced();

    // The chart area is tinted while it is the active area (when the setting
    // asks for it); the node shown in the file area has a bold title.
    void set_tinted(bool tinted);
    void set_preview_node(int node);

    // Where the view reads the guide and animation settings, at each move.
    void set_pointer_aids(std::function<PointerAids()> aids) { aids_ = std::move(aids); }
    // The cross's quote option: whether it is on, and turning it on when the
    // user wants a placed file's quoted fields read as one field each.
    void set_quote_option(std::function<bool()> is_on, std::function<void()> turn_on) {
        quotes_on_ = std::move(is_on);
        turn_quotes_on_ = std::move(turn_on);
    }
    const PointerAnimation& animation() const { return animation_; }
    const EdgeTip& edge_tip() const { return edge_tip_; }

signals:
    // The chart was edited: the document is now modified.
    void modified();
    // The primary node, or where it stands, may have changed.
    void primary_changed();
    void history_changed();
    // The text of the "ZOOM" pane, such as "100%".
    void zoom_text(const QString& text);
    // A press on the zoom console empties "POS" and "SIZE".
    void position_panes_cleared();
    // "CURSOR": the pointer in chart units, empty off the canvas.
    void cursor_text(const QString& text);
    // The pointer came over the chart and it took the keyboard focus.
    void activated();
    void node_double_clicked(int node);
    void empty_double_clicked();
    // A key of the chart that stands for a command of the main window
    // (Delete, Ctrl+E, F2).
    void command_key(CommandId command_id);
    // A right click asks for a menu at the screen point.
    void menu_requested(ChartMenu menu, QPoint screen_point);
    // The operation guide's hint for where the pointer is; empty clears it.
    void guide_shown(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void update_scroll_sizes();
    // The shape for the pointer resting at the canvas point, no button held.
    ChartCursor hover_cursor(QPoint canvas_point) const;
    // While nodes are dragged: prohibited off the canvas.
    ChartCursor drag_cursor(QPoint canvas_point) const;
    void show_cursor(ChartCursor shape);
    void paint_drag_outline(QPainter& painter);
    // Which canvas edge (1 right, 2 bottom, 0 none) is within 3 pixels.
    int edge_at(QPoint canvas_point) const;
    void right_click(QPoint window_point, QPoint screen_point);
    void take_snapshot();
    void show_cursor_position(QPoint canvas_point);
    // The guide, the edge tip and the animation for a pointer resting at
    // the canvas point (window point `client`), no button held.
    void hover(QPoint canvas_point, const PointerAids& aids);
    void show_edge_tip(QPoint canvas_point, QPoint global);
    // The chart with its gesture feedback and the console, for a window area.
    void paint_frame(QPainter& painter, const QRect& area);
    void place(const std::vector<std::filesystem::path>& files, QPoint canvas_point);
    // A file in another encoding than cp932 is offered as a cp932 copy made
    // beside it: the file to place, or none when it is not to be placed.
    std::optional<std::filesystem::path> file_in_cp932(const std::filesystem::path& file);
    // The question and the copy for a file known to be in that encoding; the
    // stamp is the file's as the encoding was found.
    std::optional<std::filesystem::path> cp932_copy_of(const std::filesystem::path& file, TextEncoding encoding,
                                                       const std::optional<FileStamp>& stamp);
    // A workbook is offered as a cp932 CSV copy of one of its sheets.
    std::optional<std::filesystem::path> workbook_copy_of(const std::filesystem::path& workbook);
    // The file to place for a path dropped or chosen, after its questions
    // and checks; none (the user told why) when it is not to be placed.
    std::optional<std::filesystem::path> file_to_place(const QString& path, bool dropped);
    // Asks before a copy replaces an existing file of its name.
    bool may_write_copy(const std::filesystem::path& copy_path);

    Chart& chart_;
    MessagePresenter& messages_;
    SheetChooser sheet_chooser_;
    float zoom_ = 1.0f;
    bool dragging_ = false;
    bool band_selecting_ = false;
    int resizing_ = 0;    // 1 the width, 2 the height, while its edge is dragged
    QPoint press_point_;  // canvas pixels
    QPoint band_start_;   // canvas pixels
    QPoint grab_offset_;
    // A plain press on one node of a selection of several keeps them all,
    // so that the group can be dragged; released where it was pressed, the
    // click means that node alone.
    int narrow_to_ = -1;
    QPoint pointer_;  // canvas pixels, while dragging
    QPoint menu_point_;
    UndoHistory history_;
    ZoomConsole console_;
    bool tinted_ = false;
    int preview_node_ = -1;
    std::optional<ChartCursor> shown_cursor_;  // none while the console's shape shows
    std::function<PointerAids()> aids_ = [] { return PointerAids{}; };
    std::function<bool()> quotes_on_ = [] { return false; };
    std::function<void()> turn_quotes_on_ = [] {};
    PointerAnimation animation_;
    // While comets fly, the window's picture without them, so that a step
    // only copies their area back instead of drawing the chart again.
    QPixmap frame_;
    bool frame_valid_ = false;
    EdgeTip edge_tip_;
};

}  // namespace tessaly::view
