#pragma once

// A number field whose arrows keep within its bounds, while any number may
// be typed: what is typed is checked by its owner as it changes, and a
// number out of bounds is replaced by the nearest bound.

#include <QSpinBox>

namespace tessaly::print {

class BoundedField : public QSpinBox {
    Q_OBJECT

public:
    explicit BoundedField(QWidget* parent = nullptr);
    void set_bounds(int low, int high);
    int low() const { return low_; }
    int high() const { return high_; }
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int low_ = 0;
    int high_ = 0;
};

}  // namespace tessaly::print
