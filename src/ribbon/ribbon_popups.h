#pragma once

// What the ribbon shows above the window: the category of a minimised
// ribbon, a collapsed panel's elements, and the application menu's bottom
// row.

#include <QElapsedTimer>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace tessaly::ribbon {
class Ribbon;
}

namespace tessaly::ribbon::detail {

class Button;

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
