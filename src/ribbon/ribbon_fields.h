#pragma once

// The ribbon's fields: a number field, and a caption with its field.

#include <QSpinBox>
#include <QWidget>

class QAction;

namespace tessaly::ribbon::detail {

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

// A caption followed by a list or a number field; enabled and tooltip follow
// the command, when there is one.
class FieldRow : public QWidget {
    Q_OBJECT

public:
    FieldRow(const QString& caption, QWidget* field, QAction* command, QWidget* parent = nullptr);
};

}  // namespace tessaly::ribbon::detail
