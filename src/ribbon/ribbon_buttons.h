#pragma once

// The ribbon's buttons, painted in its dark look: the buttons of the
// panels, the quick-access toolbar and the menus, the check box, and the
// round application button.

#include <QCheckBox>
#include <QPointer>
#include <QToolButton>

class QAction;

namespace tessaly::ribbon::detail {

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

// The round application button.
class ApplicationButton : public QToolButton {
    Q_OBJECT

public:
    explicit ApplicationButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tessaly::ribbon::detail
