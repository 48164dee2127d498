#include "print/printer_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "print/paper_codes.h"

namespace tessaly::print {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

}  // namespace

PrinterSetupDialog::PrinterSetupDialog(const PrinterSettings& settings, const QStringList& printers, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(u("プリンタの設定"));
    auto* layout = new QVBoxLayout(this);

    auto* printer_group = new QGroupBox(u("プリンタ"), this);
    auto* printer_form = new QFormLayout(printer_group);
    printer_ = new QComboBox(printer_group);
    for (const QString& name : printers) printer_->addItem(name, name);
    printer_->addItem(pdf_printer_name(), QString());  // the PDF printer has no system name
    const int chosen = printer_->findData(settings.printer);
    printer_->setCurrentIndex(chosen >= 0 ? chosen : printer_->count() - 1);
    printer_form->addRow(u("プリンタ名(&N):"), printer_);
    layout->addWidget(printer_group);

    auto* paper_group = new QGroupBox(u("用紙"), this);
    auto* paper_form = new QFormLayout(paper_group);
    paper_ = new QComboBox(paper_group);
    paper_form->addRow(u("サイズ(&Z):"), paper_);
    layout->addWidget(paper_group);

    auto* orientation_group = new QGroupBox(u("印刷の向き"), this);
    auto* orientation_row = new QHBoxLayout(orientation_group);
    portrait_ = new QRadioButton(u("縦(&O)"), orientation_group);
    landscape_ = new QRadioButton(u("横(&A)"), orientation_group);
    (settings.orientation == 2 ? landscape_ : portrait_)->setChecked(true);
    orientation_row->addWidget(portrait_);
    orientation_row->addWidget(landscape_);
    orientation_row->addStretch();
    layout->addWidget(orientation_group);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    list_papers(settings.paper_code);
    connect(printer_, &QComboBox::currentIndexChanged, this, [this] { list_papers(paper_->currentData().toInt()); });
}

void PrinterSetupDialog::list_papers(int keep_code) {
    const QString name = printer_->currentData().toString();
    QList<QPageSize> supported;
    if (!name.isEmpty()) supported = QPrinterInfo::printerInfo(name).supportedPageSizes();
    paper_->clear();
    for (const PaperChoice& choice : paper_choices(supported)) paper_->addItem(choice.name, choice.code);
    int index = paper_->findData(keep_code);
    if (index < 0 && !name.isEmpty())
        index = paper_->findData(paper_code_of(QPrinterInfo::printerInfo(name).defaultPageSize()));
    if (index < 0) index = paper_->findData(kA4);
    paper_->setCurrentIndex(std::max(index, 0));
}

PrinterSettings PrinterSetupDialog::settings() const {
    PrinterSettings chosen = settings_;
    chosen.printer = printer_->currentData().toString();
    if (paper_->currentIndex() >= 0) chosen.paper_code = paper_->currentData().toInt();
    chosen.orientation = landscape_->isChecked() ? 2 : 1;
    return chosen;
}

}  // namespace tessaly::print
