#pragma once

// The ribbon's own widgets, behind the classes of ribbon.h: buttons painted
// in the ribbon's dark look, check boxes, the tabs and the tab row, the body
// that holds the categories, and the pop-up of a minimised ribbon.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFont>
#include <QPalette>
#include <QPointer>
#include <QSpinBox>
#include <QToolButton>
#include <QWidget>

class QAction;
class QLabel;
class QSpacerItem;
class QStackedWidget;
class QVBoxLayout;
class QHBoxLayout;

namespace tessaly::ribbon {
class Ribbon;
}

namespace tessaly::ribbon::detail {

// Sizes that follow the ribbon's font, so that a larger font gives taller
// rows instead of clipped text.
struct Metrics {
    int row = 22;       // one row of small elements
    int gap = 2;        // between rows
    int content = 70;   // three rows: the height of a panel's elements
    int caption = 18;   // the band with the panel captions
    int tab_row = 28;   // the tab row
    int panel_top = 3;  // above the elements
};
Metrics metrics_for(const QFont& font);

// The colours of the dark look.
namespace colour {
inline constexpr QRgb tab_row_top = 0xff17181b;
inline constexpr QRgb tab_row_bottom = 0xff25262a;
inline constexpr QRgb body_top = 0xff4b4d53;
inline constexpr QRgb body_bottom = 0xff303136;
inline constexpr QRgb caption_band = 0xff27282c;
inline constexpr QRgb caption_text = 0xffc9cbd1;
inline constexpr QRgb line_dark = 0xff141518;
inline constexpr QRgb line_light = 0xff62646b;
inline constexpr QRgb text = 0xfff3f3f5;
inline constexpr QRgb text_dim = 0xffb4b6bd;
inline constexpr QRgb text_disabled = 0xff7c7e85;
inline constexpr QRgb hover_fill = 0x2effffff;
inline constexpr QRgb hover_border = 0x5cffffff;
inline constexpr QRgb pressed_top = 0xfff0bd62;
inline constexpr QRgb pressed_bottom = 0xffc7872a;
inline constexpr QRgb pressed_border = 0xfff8d890;
inline constexpr QRgb pressed_text = 0xff1d1a14;
inline constexpr QRgb focus = 0xfff0bd62;
inline constexpr QRgb menu_band = 0xffe4e6ea;
inline constexpr QRgb menu_line = 0xffb9bcc4;
}  // namespace colour

// The dark palette of the ribbon and the light one of its fields (lists and
// number fields stay white, as text fields on any panel).
QPalette ribbon_palette(const QPalette& base);
QPalette field_palette(const QPalette& base);

// The action's text as a button shows it: no "(&X)" or "&" mnemonic marks
// and no trailing "...".
QString display_text(const QString& action_text);

// The icon at size×size in normal colours, or greyed and faded when
// disabled (the style's own disabled icons are too bright on a dark ground).
QPixmap icon_pixmap(const QIcon& icon, int size, bool enabled, qreal ratio);

enum class ButtonKind {
    large,         // 32×32 icon over its text, as tall as a panel
    small,         // 16×16 icon, the text beside it when captioned
    in_group,      // a small button inside a joined strip
    quick_access,  // the quick-access toolbar and the tab row's elements
    label,         // text only, flat: a label that can be clicked
    menu_bottom,   // the application menu's bottom row (light ground)
};

class Button : public QToolButton {
    Q_OBJECT

public:
    Button(QAction* action, ButtonKind kind, bool with_caption, QWidget* parent = nullptr);

    ButtonKind kind() const { return kind_; }
    bool shows_caption() const { return with_caption_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Sent before the action is triggered by a click, so that a pop-up can
    // close before the command opens a dialog.
    void about_to_trigger();

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;

private:
    QStringList large_lines() const;
    QString caption_text() const;

    ButtonKind kind_;
    bool with_caption_;
};

// A check box bound to a checkable action.
class CheckBox : public QCheckBox {
    Q_OBJECT

public:
    CheckBox(QAction* action, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void about_to_trigger();

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;
    bool hitButton(const QPoint& pos) const override;

private:
    void follow_action();

    QPointer<QAction> action_;
};

// A number field that says when the user, not the program, changed it.
class SpinBox : public QSpinBox {
    Q_OBJECT

public:
    explicit SpinBox(QWidget* parent = nullptr);

signals:
    void changed_by_user(bool entered);

protected:
    void stepBy(int steps) override;

private:
    bool edited_ = false;
};

// Small buttons side by side in one rounded strip.
class GroupStrip : public QWidget {
    Q_OBJECT

public:
    explicit GroupStrip(QWidget* parent = nullptr);
    void add(Button* button);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* layout_;
};

// One column of up to three rows in a panel.
class Column : public QWidget {
    Q_OBJECT

public:
    explicit Column(bool centred, QWidget* parent = nullptr);
    void add(QWidget* widget);
    int count() const { return count_; }
    void set_centred(bool centred);

private:
    QVBoxLayout* layout_;
    QSpacerItem* top_;
    QSpacerItem* bottom_;
    int count_ = 0;
};

// The area that holds a panel's elements: never lower than three rows.
class PanelContent : public QWidget {
    Q_OBJECT

public:
    explicit PanelContent(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

class Separator : public QWidget {
    Q_OBJECT

public:
    explicit Separator(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A caption followed by a list or a number field; enabled and tooltip follow
// the command, when there is one.
class FieldRow : public QWidget {
    Q_OBJECT

public:
    FieldRow(const QString& caption, QWidget* field, QAction* command, QWidget* parent = nullptr);
};

class Tab : public QWidget {
    Q_OBJECT

public:
    Tab(const QString& caption, QWidget* parent = nullptr);
    QString caption() const { return caption_; }
    void set_selected(bool selected);
    bool selected() const { return selected_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void activated();
    void double_clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString caption_;
    bool selected_ = false;
    bool hovered_ = false;
};

class TabRow : public QWidget {
    Q_OBJECT

public:
    explicit TabRow(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The round application button.
class ApplicationButton : public QToolButton {
    Q_OBJECT

public:
    explicit ApplicationButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The row of buttons at the bottom of the application menu.
class MenuBottomRow : public QWidget {
    Q_OBJECT

public:
    explicit MenuBottomRow(QWidget* parent = nullptr);
    void add(Button* button);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* layout_;
};

// Holds the categories; painted with the ribbon's gradient and the caption
// band at the bottom.
// The current category keeps its natural width: a window narrower than
// the category cuts its last panels off instead of squeezing them.
class Body : public QWidget {
    Q_OBJECT

public:
    explicit Body(QWidget* parent = nullptr);
    QStackedWidget* stack() const { return stack_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void place_stack();

    QStackedWidget* stack_;
};

// The elements of a collapsed panel, shown under its button.
class PanelPopup : public QWidget {
    Q_OBJECT

public:
    explicit PanelPopup(QWidget* parent);
    void open(QWidget* content, const QString& caption, const QPoint& global_top_left);

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVBoxLayout* layout_;
    QLabel* caption_;
};

// The category of a minimised ribbon, shown under the tab row.
class Popup : public QWidget {
    Q_OBJECT

public:
    explicit Popup(Ribbon* ribbon);
    int opened_for() const { return index_; }
    void open_for(int index, QWidget* body, const QPoint& global_top_left, int width);

signals:
    void closed();

protected:
    // A press outside the pop-up closes it; on a tab it also switches to
    // that tab, or restores the ribbon when it is the second click of a
    // double click on the pop-up's own tab.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Ribbon* ribbon_;
    QVBoxLayout* layout_;
    int index_ = -1;
    QElapsedTimer opened_;
};

}  // namespace tessaly::ribbon::detail
