#pragma once

// The file area: the right-hand pane that shows the file of one node, the
// previewed node, as rows of records with a column ruler and record
// numbers, paints the node's cross key in red and lets the user mark the key
// with the arrow keys or by dragging across fields.
//
// It works on a private copy of the file with a position index (see
// preview/preview_file.h), reads only the rows in sight, and deletes both
// temporary files when it is cleared, loads another file or is destroyed.
// A large file shows its first rows at once while the rest is copied and
// indexed in the background: the pane follows the index as it grows, and
// whatever needs records not yet indexed waits for them with the wait
// cursor.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

#include "chart/chart.h"
#include "preview/key_fields.h"
#include "preview/preview_file.h"
#include "preview/preview_layout.h"
#include "shell/command_id.h"
#include "text/show_message.h"

class QAction;
class QMenu;

namespace tessaly::filearea {

class FileArea : public QAbstractScrollArea {
    Q_OBJECT

public:
    FileArea(Chart& chart, MessagePresenter& messages, QWidget* parent = nullptr);
    ~FileArea() override;

    // Shows the node's file; false when nothing is shown. Asks before it
    // makes a read-only source writable, and reports every refusal. With
    // show_elapsed the processing-time label gets the loading time.
    bool load_preview(int node, bool show_elapsed = true);
    // Closes the file shown, if any, and empties the pane.
    void clear_preview();
    // The node shown, or -1.
    int preview_node() const { return preview_node_; }
    bool is_showing() const { return preview_node_ >= 0 && file_.is_open(); }
    // The path of the file shown (empty while loading or when none is).
    const QString& shown_path() const { return shown_path_; }
    // The file shown is still being copied and indexed in the background.
    bool loading() const { return is_showing() && file_.loading(); }
    // Waits, with the wait cursor, until the file shown is whole; false when
    // none is shown then (the rest of the file was refused, with its
    // message).
    bool wait_until_loaded();
    // A file still loading is closed: a cross is about to take the progress
    // bar and the disk.
    void stop_loading();
    // How loads run (tests hold them part-way, benchmarks load in the
    // background from the start).
    void set_load_options(const LoadOptions& options) { load_options_ = options; }

    // The background: RGB(191, 209, 234) while tinted, else white.
    void set_tinted(bool tinted);
    bool tinted() const { return tinted_; }
    // The display state's preview font size, record numbers or ruler changed.
    void display_changed();
    // The node records changed elsewhere (undo, the same-key command): the
    // key fields are painted anew.
    void chart_changed() { viewport()->update(); }
    // Node `node` left the node table: the file closes if it was the one
    // shown, else the index of the node shown follows the table.
    void node_removed(int node);

    // Commands of the context menu that the main window carries out
    // (ShowRecordNo, ShowRuler, CopyToFile, OpenInExcel, KeyHelp): the
    // provider gives their actions, or nullptr. Without one, the two display switches are flipped here and
    // the other three items are unavailable.
    // Whether the cross's quote option is on: the key's fields are then
    // found as it splits them. After a change, chart_changed() paints anew.
    void set_quote_option(std::function<bool()> is_on) { quotes_on_ = std::move(is_on); }

    void set_command_provider(std::function<QAction*(CommandId id)> provider) {
        command_provider_ = std::move(provider);
    }
    // The context menu as it would appear at this moment, or nullptr while
    // no file is shown.
    std::unique_ptr<QMenu> make_context_menu();

    // The field under a pane point, or -1 when no field is there.
    int field_at(QPoint pane_point) const;
    // The key sample of the record shown at a pane height.
    std::string make_key_sample(int y) const;
    // Stores that sample into the node shown; the node's box collapses to
    // its centre when the chart shows key samples.
    void store_key_sample(int y);

    const PreviewStatistics& statistics() const { return file_.statistics(); }
    const PreviewFile& preview_file() const { return file_; }
    PreviewMetrics metrics() const;
    int visible_rows() const { return visible_rows_; }
    std::int64_t top_record() const { return top_record_; }
    int horz_offset() const { return horz_offset_; }
    const QFont& text_font() const { return font_; }
    const std::vector<std::string>& rows() const { return rows_; }

signals:
    // The node's cross key or key sample changed: the chart redraws it.
    void key_changed(int node);
    // The pointer came over a shown file and the pane took the keyboard
    // focus: the file area is now the active area.
    void activated();
    // A shown file was cleared: the chart area is the active area again.
    void cleared();
    // The node shown changed (-1: none); the chart draws that node's title
    // in bold.
    void preview_changed(int node);
    // Texts for the ribbon's start-time and processing-time labels.
    void start_time_shown(const QString& text);
    void elapsed_time_shown(const QString& text);
    // The ribbon's progress bar while a file is scanned.
    void progress_range_changed(int maximum);
    void progress_moved(int value);
    // Ctrl + wheel changed the display state's preview font size.
    void preview_font_size_changed(int points);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    NodeRecord* shown_node();
    const NodeRecord* shown_node() const;
    bool abandon_load();
    void follow_load_timer();
    bool follow_load();
    bool need_records(std::int64_t count);
    void end_background();
    void move_progress(std::int64_t value);
    void take_fonts();
    void relayout(bool keep_offsets = false);
    void lay_out_once(bool keep_offsets);
    void redraw();
    void scroll_rows_to(std::int64_t top);
    void on_vertical_action(int action);
    void on_vertical_value(int value);
    void set_vertical_thumb();
    std::optional<std::string> record_at_row(std::int64_t row) const;
    std::string key_sample_of_row(std::int64_t row) const;
    void store_key_sample_of_row(std::int64_t row);
    void step_key_by_keyboard(KeyStep step);
    void add_menu_command(QMenu& menu, CommandId id, const char* text, bool checked);

    Chart& chart_;
    MessagePresenter& messages_;
    std::function<bool()> quotes_on_ = [] { return false; };
    FieldSplit split() const { return quotes_on_() ? FieldSplit::Quotes : FieldSplit::Commas; }
    std::function<QAction*(CommandId)> command_provider_;
    PreviewFile file_;
    int preview_node_ = -1;
    QString shown_path_;

    QFont font_;
    QFont ruler_font_;
    int char_width_ = 1;
    int char_height_ = 1;

    std::int64_t top_record_ = 0;
    std::int64_t top_offset_ = 0;
    int visible_rows_ = 0;
    int horz_offset_ = 0;
    int horz_max_ = 0;
    VerticalRange vertical_;
    std::vector<std::string> rows_;  // the records shown, from top_record_

    bool tinted_ = false;
    KeyDrag drag_;
    std::int64_t drag_row_ = 1;  // the row of the last field the drag reached
    int wheel_rest_ = 0;         // wheel turn short of a whole notch

    int layout_depth_ = 0;
    bool resized_during_layout_ = false;
    bool setting_bars_ = false;
    int progress_shown_ = 0;

    LoadOptions load_options_;
    QTimer load_timer_;  // runs while the file is loaded in the background
    bool elapsed_wanted_ = false;
    std::chrono::steady_clock::time_point load_started_;
};

}  // namespace tessaly::filearea
