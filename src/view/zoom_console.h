#pragma once

// The zoom console: a round 130 × 130 dial floating over the chart area at a
// fixed place in the window. It shows the zoom in large digits; dragging
// along its ring turns the zoom, the wheel on the ring steps it, the plus and
// minus buttons change it by one point, and the dial itself can be dragged
// elsewhere. Pinned, it always shows; unpinned, it appears when the pointer
// comes near and hides again on a press elsewhere.
//
// The chart view owns the zoom; the console asks for changes (zoom_step) and
// is told the result (render_face). The view hands it the pointer first from
// its own handlers; every position is in the view's viewport coordinates.

#include <QCursor>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "view/console_cursors.h"

class QPainter;

namespace tessaly::view {

// Where the console sits when it is new or sent to the top-left corner.
inline constexpr QPoint kConsoleHome(79, 79);

// The operation guide for the pointer on the ring; the two hints alternate
// with the parity of the pointer's y.
QString ring_guide_text(int client_y);

class ZoomConsole : public QObject {
    Q_OBJECT

public:
    // What console_hit_test reports.
    static constexpr int kOutside = -1;
    static constexpr int kDisc = 1;
    static constexpr int kPlus = 2;
    static constexpr int kMinus = 3;

    explicit ZoomConsole(QObject* parent = nullptr);

    // False when its pictures could not be made (out of memory): the chart
    // view then reports OutOfMemory and is not created.
    bool ready() const { return !composite_.isNull(); }

    // Back to the start of a document: pinned, shown, inactive, no gesture
    // under way, centred at `centre` (the stored ZoomX, ZoomY), showing `zoom`.
    void reset(QPoint centre, float zoom);

    QPoint centre() const { return centre_; }
    bool pinned() const { return pinned_; }
    bool visible() const { return visible_; }
    bool active() const { return active_; }
    bool ring_dragging() const { return ring_dragging_; }
    bool moving() const { return moving_; }
    // The outline of a console being dragged; empty otherwise.
    QRect outline() const { return outline_; }

    // Rebuilds the dial with the digits of the zoom and reports the "ZOOM"
    // pane's text (zoom_text).
    void render_face(float zoom);
    // The dial as it is drawn, on the see-through colour kConsoleClear.
    const QImage& composite() const { return composite_; }

    // kOutside beyond 65 pixels from the centre; otherwise kDisc, or with
    // `areas` kPlus / kMinus on the buttons. Coming near makes an unpinned
    // hidden console show.
    int hit_test(QPoint p, bool areas);
    // 65 to 73 pixels from the centre of a shown, active console.
    bool on_ring(QPoint p) const;

    // The centre kept at least 70 pixels inside the client area (the left
    // and top limits win in a window too small for the console).
    static QPoint clamp_centre(QPoint p, QSize client);

    // Draws the console over the chart in window coordinates, whatever the
    // painter's scroll offset: the dial, the ring when active, the outline
    // while it is dragged. A console that the window no longer holds is
    // moved back inside first.
    void paint(QPainter& painter, QSize client);

    // The pointer, in the order of the view's handlers. Each returns true
    // when the console took the event: the view then does nothing more.
    bool pointer_moved(QPoint p, Qt::MouseButtons buttons, QSize client);
    bool pressed(QPoint p);
    // A left press that the console did not take; a press on a mandatory
    // mark leaves the console as it is.
    void pressed_elsewhere(bool on_mandatory_mark);
    bool released(QPoint p, QSize client);
    // True when the wheel changed the zoom (the pointer on an active ring);
    // otherwise the view scrolls.
    bool wheel(QPoint p, int delta, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons);

    // A scroll bar is being worked: the console stays out of the way until
    // the scrolling ends.
    void scrolling_started();
    void scrolling_finished();

    // "ズームコンソールを常に表示": pinning shows the console, unpinning hides it.
    void toggle_pinned();
    // "ズームコンソールを左上に表示": back to the top-left corner, shown.
    void show_at_top_left();
    // Whether a right click opens the "ZOOM" menu (within 65 pixels of the
    // centre); a hidden unpinned console shows itself first.
    bool right_click_opens_zoom_menu(QPoint p);

    ConsoleCursor cursor_shape() const { return cursor_; }
    QCursor cursor() const { return console_cursor(cursor_); }

signals:
    // Change the zoom by this many points (the view's change_zoom).
    void zoom_step(int points);
    void repaint_needed();
    // The console was dragged to another place: the document is modified.
    void moved();
    // The text of the "ZOOM" pane, such as "100%".
    void zoom_text(const QString& text);
    // A press on the console empties the "POS" and "SIZE" panes.
    void position_panes_cleared();
    // The pointer rests on the ring: the operation guide may say how to use it.
    void ring_hovered(const QString& guide);

private:
    int distance(QPoint p) const;
    void set_shown(bool shown);
    void end_gestures();

    QImage face_;
    QImage digits_;
    QImage composite_;  // on kConsoleClear: what the console looks like
    QImage overlay_;    // the same with real transparency, for drawing

    QPoint centre_ = kConsoleHome;
    bool pinned_ = true;
    bool visible_ = true;
    bool active_ = false;
    bool hidden_for_scroll_ = false;
    bool ring_dragging_ = false;
    bool moving_ = false;
    QPoint drag_last_point_;
    QPoint grab_offset_;
    QRect outline_;
    ConsoleCursor cursor_ = ConsoleCursor::Hand;
};

}  // namespace tessaly::view
