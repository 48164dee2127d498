#include "print/bounded_field.h"

#include <algorithm>

namespace tessaly::print {

BoundedField::BoundedField(QWidget* parent) : QSpinBox(parent) {
    setRange(0, 9999);  // typing is free; the owner brings it back in bounds
    setAlignment(Qt::AlignRight);
}

void BoundedField::set_bounds(int low, int high) {
    low_ = low;
    high_ = std::max(low, high);
}

void BoundedField::stepBy(int steps) { setValue(std::clamp(value() + steps * singleStep(), low_, high_)); }

QAbstractSpinBox::StepEnabled BoundedField::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() > low_) enabled |= StepDownEnabled;
    if (value() < high_) enabled |= StepUpEnabled;
    return enabled;
}

}  // namespace tessaly::print
