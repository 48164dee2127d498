#include "print/paper_codes.h"

#include <QSet>
#include <QSizeF>
#include <iterator>

namespace tessaly::print {

namespace {

constexpr const char* kPaperNames[] = {
    "Letter, 81/2x11inch",
    "LetterSmall, 81/2x11inch",
    "Tabloid, 11x17inch",
    "Ledger, 17x11inch",
    "Legal, 81/2x14inch",
    "Statement, 51/2x81/2inch",
    "Executive, 71/4x101/2inch",
    "A3Sheet, 297x420mm",
    "A4Sheet, 210x297mm",
    "A4smallSheet, 210x297mm",
    "A5Sheet, 148x210mm",
    "B4Sheet, 250x354mm",
    "B5Sheet, 182x257mm",
    "Folio, 81/2x13inch",
    "Quarto, 215x275mm",
    "10x14inchSheet",
    "11x17inchSheet",
    "Note, 81/2x11inch",
    "#9Envelope, 37/8x87/8inch",
    "#10Envelope, 41/8x91/2inch",
    "#11Envelope, 41/2x103/8inch",
    "#12Envelope, 43/4x11inch",
    "#14Envelope, 5x111/2inch",
    "CSheet, 17x22inch",
    "DSheet, 22x34inch",
    "ESheet, 34x44inch",
    "DLEnvelope, 110x220mm",
    "C5Envelope, 162x229mm",
    "C3Envelope, 324x458mm",
    "C4Envelope, 229x324mm",
    "C6Envelope, 114x162mm",
    "C65Envelope, 114x229mm",
    "B4Envelope, 250x353mm",
    "B5Envelope, 176x250mm",
    "B6Envelope, 176x125mm",
    "ItalyEnvelope, 110x230mm",
    "MonarchEnvelope, 37/8x71/2inch",
    "63/4Envelope, 35/8x61/2inch",
    "USStdFanfold, 147/8x11inch",
    "GermanStdFanfold, 81/2x12inch",
    "GermanLegalFanfold, 81/2x13inch",
};
constexpr int kNamedCodes = static_cast<int>(std::size(kPaperNames));

constexpr int kFolio = 14;

}  // namespace

QString paper_name(int code) {
    if (code < 1 || code > kNamedCodes) return QStringLiteral("etc.");
    return QString::fromLatin1(kPaperNames[code - 1]);
}

bool known_paper_code(int code) { return code == kFolio || QPageSize::id(code) != QPageSize::Custom; }

QPageSize page_size_of(int code) {
    // Folio is the one code of the list Qt has no size for.
    if (code == kFolio) return QPageSize(QSizeF(8.5, 13), QPageSize::Inch, QStringLiteral("Folio"));
    const QPageSize::PageSizeId id = QPageSize::id(code);
    return QPageSize(id == QPageSize::Custom ? QPageSize::A4 : id);
}

int paper_code_of(const QPageSize& size) {
    if (!size.isValid()) return 0;
    // Folio shares its size with the German legal fanfold; its name tells it.
    if (size.name() == QStringLiteral("Folio")) return kFolio;
    return size.windowsId();
}

QList<PaperChoice> paper_choices(const QList<QPageSize>& supported) {
    QList<PaperChoice> choices;
    if (supported.isEmpty()) {
        for (int code = 1; code <= kNamedCodes; ++code) choices.push_back({code, paper_name(code)});
        return choices;
    }
    QSet<int> seen;
    for (const QPageSize& size : supported) {
        const int code = paper_code_of(size);
        if (code <= 0 || seen.contains(code)) continue;
        seen.insert(code);
        choices.push_back({code, code <= kNamedCodes ? paper_name(code) : size.name()});
    }
    return choices;
}

}  // namespace tessaly::print
