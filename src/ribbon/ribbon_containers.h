#pragma once

// What holds the ribbon's elements: the body with the categories, a
// panel's content, its columns, joined strips of buttons and separators.

#include <QWidget>

class QHBoxLayout;
class QSpacerItem;
class QStackedWidget;
class QVBoxLayout;

namespace tessaly::ribbon::detail {

class Button;

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

}  // namespace tessaly::ribbon::detail
