#pragma once

// The category tabs and the row that holds them.

#include <QString>
#include <QWidget>

namespace tessaly::ribbon::detail {

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

}  // namespace tessaly::ribbon::detail
