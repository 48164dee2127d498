// Manual.pdf as the build leaves it beside the programs: a PDF with the
// chapters as its outline, whose text names every command of the program,
// every cross option and every message, and which holds every picture that
// the build drew of the program.

#include <map>
#include <set>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QRegularExpression>
#include <QTest>

#include "app/commands.h"
#include "text/messages.h"

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

// Text without any white space, so that line breaks and the spaces that
// text extraction puts between runs do not matter.
QString squeezed(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!c.isSpace()) out += c;
    return out;
}

// A caption as the user reads it: without its access key "(&N)", a lone
// "&", a trailing "..." or the key shown after a tab.
QString readable_caption(QString caption) {
    caption = caption.section(QLatin1Char('\t'), 0, 0);
    caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    caption.remove(QLatin1Char('&'));
    if (caption.endsWith(QStringLiteral("..."))) caption.chop(3);
    return caption.trimmed();
}

// Width and height of every picture the PDF holds, counted once per image
// object (soft masks are parts of other pictures, not pictures).
std::map<std::pair<int, int>, int> pictures_in_pdf(const QByteArray& pdf) {
    std::set<QByteArray> masks;
    static const QRegularExpression mask(QStringLiteral("/SMask\\s+(\\d+)\\s+0\\s+R"));
    for (auto m = mask.globalMatch(QString::fromLatin1(pdf)); m.hasNext();)
        masks.insert(m.next().captured(1).toLatin1());

    std::map<std::pair<int, int>, int> sizes;
    static const QRegularExpression object(QStringLiteral("(\\d+)\\s+0\\s+obj\\s*<<(.*?)stream"),
                                           QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression width(QStringLiteral("/Width\\s+(\\d+)"));
    static const QRegularExpression height(QStringLiteral("/Height\\s+(\\d+)"));
    for (auto m = object.globalMatch(QString::fromLatin1(pdf)); m.hasNext();) {
        const QRegularExpressionMatch found = m.next();
        const QString dictionary = found.captured(2);
        if (!dictionary.contains(QRegularExpression(QStringLiteral("/Subtype\\s*/Image")))) continue;
        if (masks.count(found.captured(1).toLatin1())) continue;
        const int w = width.match(dictionary).captured(1).toInt();
        const int h = height.match(dictionary).captured(1).toInt();
        ++sizes[{w, h}];
    }
    return sizes;
}

}  // namespace

class ManualPdfTest : public QObject {
    Q_OBJECT

    QPdfDocument pdf_;
    QString text_;  // the whole text, squeezed

private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(QStringLiteral(TESSALY_MANUAL_PDF)), "the build leaves Manual.pdf beside the programs");
        QCOMPARE(pdf_.load(QStringLiteral(TESSALY_MANUAL_PDF)), QPdfDocument::Error::None);
        QVERIFY(pdf_.pageCount() >= 30);
        for (int page = 0; page < pdf_.pageCount(); ++page) text_ += squeezed(pdf_.getAllText(page).text());
    }

    // The cover names the version of the programs it comes with.
    void the_cover_names_this_version() {
        QVERIFY(squeezed(pdf_.getAllText(0).text()).contains(squeezed(u("Ver. " TESSALY_VERSION " 対応"))));
    }

    // The chapters are the outline's first level, in order through the
    // pages, each with its sections under it.
    void the_outline_lists_the_chapters() {
        QPdfBookmarkModel outline;
        outline.setDocument(&pdf_);
        QVERIFY(outline.rowCount() >= 18);
        QStringList chapters;
        int last_page = -1;
        for (int row = 0; row < outline.rowCount(); ++row) {
            const QModelIndex chapter = outline.index(row, 0);
            chapters << chapter.data(Qt::DisplayRole).toString();
            const int page = chapter.data(int(QPdfBookmarkModel::Role::Page)).toInt();
            QVERIFY(page > last_page);
            last_page = page;
        }
        for (const char* title :
             {"1. テサリーとは", "2. インストールと起動", "3. 画面の見かた", "4. クロスの基本手順",
              "5. クロスオプション", "6. ノードの操作", "7. 元に戻す・やり直し", "8. ノードの整列",
              "12. 印刷と PDF 出力", "14. 環境設定", "15. コマンドラインでのクロス (tessaly-cross)",
              "16. メッセージと対処", "17. キーボードショートカット一覧", "18. 設定とファイルの保存場所"})
            QVERIFY2(chapters.contains(u(title)), title);
        const QModelIndex main_road = outline.index(chapters.indexOf(u("4. クロスの基本手順")), 0);
        QVERIFY(outline.rowCount(main_road) >= 5);
    }

    // Every command of the ribbon and the menus by its caption, and with it
    // every cross option.
    void the_text_names_every_command_and_cross_option() {
        tessaly::app::Commands commands(nullptr);
        QStringList missing;
        for (tessaly::CommandId id : commands.ids()) {
            const QString caption = readable_caption(commands[id]->text());
            if (!caption.isEmpty() && !text_.contains(squeezed(caption))) missing << caption;
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u("、"))));
        for (tessaly::CommandId id : tessaly::app::Commands::kCrossSwitches)
            QVERIFY(text_.contains(squeezed(commands[id]->text())));
        QVERIFY(text_.contains(squeezed(commands[tessaly::CommandId::MinHit]->text())));  // 最低重複回数：
        QVERIFY(text_.contains(u("必須ノード")));
    }

    // Every message the program shows in a message box, so that the user
    // can look up what it means.
    void the_text_explains_every_message() {
        QStringList missing;
        for (const tessaly::CatalogueEntry& entry : tessaly::message_catalogue()) {
            if (entry.style == tessaly::MessageStyle::Text) continue;
            const QString message = QString::fromUtf8(entry.text.data(), int(entry.text.size()));
            if (!text_.contains(squeezed(message))) missing << QString::number(static_cast<int>(entry.id));
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u(", "))));
    }

    // Each picture the build drew of the program stands in the manual, and
    // the main screens are among them.
    void the_pictures_of_the_program_are_in_it() {
        const QDir folder(QStringLiteral(TESSALY_MANUAL_PICTURES));
        const QStringList names = folder.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
        for (const char* screen : {"window-result", "window-key", "file-area", "ribbon-home", "ribbon-cross",
                                   "cross-confirm", "cross-progress", "settings-dialog", "node-properties", "about-box",
                                   "key-help", "manual-window", "menu-node", "zoom-console"})
            QVERIFY2(names.contains(QString::fromLatin1(screen) + QStringLiteral(".png")), screen);

        QFile file(QStringLiteral(TESSALY_MANUAL_PDF));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::map<std::pair<int, int>, int> in_pdf = pictures_in_pdf(file.readAll());
        QVERIFY2(!in_pdf.empty(), "no image objects found in the PDF");
        std::map<std::pair<int, int>, int> drawn;
        for (const QString& name : names) {
            const QSize size = QImageReader(folder.filePath(name)).size();
            ++drawn[{size.width(), size.height()}];
        }
        for (const auto& [size, count] : drawn) {
            const auto found = in_pdf.find(size);
            QVERIFY2(found != in_pdf.end() && found->second >= count,
                     qPrintable(
                         QStringLiteral("%1 picture(s) of %2×%3 pixels").arg(count).arg(size.first).arg(size.second)));
        }
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ManualPdfTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "manual_pdf_test.moc"
