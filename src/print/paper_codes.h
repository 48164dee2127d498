#pragma once

// The paper codes of the printer settings (the device-mode paper sizes the
// program has always stored), the names the print dialog shows for them, and
// the page sizes they stand for here.

#include <QList>
#include <QPageSize>
#include <QString>

namespace tessaly::print {

inline constexpr int kA4 = 9;

// "A4Sheet, 210x297mm" and so on for the codes 1 to 41; "etc." for any other.
QString paper_name(int code);

// The page size of a code; A4 for a code nothing is known of.
QPageSize page_size_of(int code);
bool known_paper_code(int code);

// The code of a page size, or 0 when it has none.
int paper_code_of(const QPageSize& size);

struct PaperChoice {
    int code = 0;
    QString name;  // as a list of papers shows it
};

// The papers a printer offers, in its order, each once; the codes 1 to 41
// when it does not say (the PDF printer takes any).
QList<PaperChoice> paper_choices(const QList<QPageSize>& supported);

}  // namespace tessaly::print
