#include "ribbon/ribbon_fields.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace tessaly::ribbon::detail {

// ---------------------------------------------------------------- SpinBox

SpinBox::SpinBox(QWidget* parent) : QSpinBox(parent) {
    setKeyboardTracking(false);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { edited_ = true; });
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        if (!edited_) return;
        edited_ = false;
        emit changed_by_user(true);
    });
}

void SpinBox::stepBy(int steps) {
    const int before = value();
    QSpinBox::stepBy(steps);
    edited_ = false;
    if (value() != before) emit changed_by_user(false);
}

// ---------------------------------------------------------------- FieldRow

FieldRow::FieldRow(const QString& caption, QWidget* field, QAction* command, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 0, 0);
    layout->setSpacing(4);
    if (!caption.isEmpty()) layout->addWidget(new QLabel(caption, this));
    field->setParent(this);
    layout->addWidget(field);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (command) {
        auto follow = [this, command] {
            setToolTip(command->toolTip());
            setEnabled(command->isEnabled());
        };
        follow();
        connect(command, &QAction::changed, this, follow);
    }
}

}  // namespace tessaly::ribbon::detail
