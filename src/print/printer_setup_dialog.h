#pragma once

// "設定(&P)" of the print dialog: the printer, its paper and the orientation,
// as the system's printer set-up offers them. The PDF printer is always in
// the list.

#include <QDialog>

#include "print/printer_settings.h"

class QComboBox;
class QRadioButton;

namespace tessaly::print {

class PrinterSetupDialog : public QDialog {
    Q_OBJECT

public:
    // `printers`: the system's printers; the PDF printer is added after them.
    PrinterSetupDialog(const PrinterSettings& settings, const QStringList& printers, QWidget* parent = nullptr);

    // The settings as the user left them.
    PrinterSettings settings() const;

    QComboBox* printer_box() const { return printer_; }
    QComboBox* paper_box() const { return paper_; }
    QRadioButton* portrait_button() const { return portrait_; }
    QRadioButton* landscape_button() const { return landscape_; }

private:
    // The papers of the printer chosen, keeping the paper when it has it.
    void list_papers(int keep_code);

    PrinterSettings settings_;
    QComboBox* printer_;
    QComboBox* paper_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
};

}  // namespace tessaly::print
