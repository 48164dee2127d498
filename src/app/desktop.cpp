#include "app/desktop.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

namespace tessaly::app {

namespace {

// The desktop entry registered for the file's type ("libreoffice-calc.desktop",
// say), or empty when none is or nobody can tell. The desktop's opener
// itself cannot say: it starts, and fails later where no one hears.
QString registered_program(const QString& file) {
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty()) return {};
    const QString type = QMimeDatabase().mimeTypeForFile(file).name();
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool is_csv(const QString& file) { return file.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive); }

// LibreOffice Calc, when it is installed; a CSV read as comma-separated,
// double-quoted text in code page 932 (LibreOffice's encoding 60) from line 1.
// Whether it started; nothing when it is not installed.
std::optional<bool> start_calc(const QString& file) {
    for (const char* name : {"localc", "libreoffice"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (program.isEmpty()) continue;
        QStringList arguments;
        if (QString::fromLatin1(name) == QLatin1String("libreoffice")) arguments << QStringLiteral("--calc");
        if (is_csv(file)) arguments << QStringLiteral("--infilter=CSV:44,34,60,1");
        arguments << QStringLiteral("--") << file;
        return QProcess::startDetached(program, arguments);
    }
    return std::nullopt;
}

}  // namespace

bool SystemDesktop::open_folder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool SystemDesktop::open_in_spreadsheet(const QString& file) {
    // Never an option nor a URL of the program's own: an absolute path, after
    // the end of the options, or a file:// URL to the desktop's opener.
    if (!file.startsWith(QLatin1Char('/'))) return false;
    const QString registered = registered_program(file);
    // Calc registered for CSV is better started by us: told the encoding,
    // it reads the Shift-JIS text without asking.
    const bool calc_for_csv = is_csv(file) && registered.contains(QStringLiteral("libreoffice"), Qt::CaseInsensitive);
    if (!registered.isEmpty() && !calc_for_csv && QDesktopServices::openUrl(QUrl::fromLocalFile(file))) return true;
    if (const std::optional<bool> started = start_calc(file)) return *started;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

}  // namespace tessaly::app
