#pragma once

// The printer of the shared settings, ready to be drawn on, and what it tells
// about itself.

#include <memory>

#include <QPrinter>

#include "print/page_layout.h"
#include "print/printer_settings.h"
#include "text/show_message.h"

namespace tessaly::print {

// The printer with the settings' paper and orientation. Its coordinates
// start at the sheet's corner, in printer pixels. A system printer that is
// no longer there shows PrinterDcFailed and gives nothing.
std::unique_ptr<QPrinter> open_printer(const PrinterSettings& settings, MessagePresenter& messages);

// Resolution, unprintable margins and the whole sheet, in printer pixels.
DeviceMeasures device_measures(const QPrinter& printer);

}  // namespace tessaly::print
