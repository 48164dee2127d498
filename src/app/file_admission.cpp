#include "app/file_admission.h"

#include <QFileInfo>

#include "chart/chart.h"
#include "chart/source_placement.h"
#include "shell/user_dialogs.h"
#include "text/cp932.h"
#include "text/quoted_fields.h"
#include "text/show_message.h"
#include "text/workbook.h"
#include "view/chart_view.h"

namespace tessaly::app {

FileAdmission::FileAdmission(view::ChartView& view, Chart& chart, UserDialogs& dialogs, QObject* parent)
    : QObject(parent), view_(view), chart_(chart), dialogs_(dialogs) {
    connect(&view, &view::ChartView::files_dropped, this, &FileAdmission::admit_dropped);
}

void FileAdmission::admit_dropped(const QStringList& paths, QPoint canvas_point) {
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        if (files.size() == kMaxFilesAtOnce) break;
        if (QFileInfo(path).isDir()) continue;  // folders in a drop are passed over
        if (auto file = file_to_place(path, true)) files.push_back(*file);
    }
    place(files, canvas_point);
}

void FileAdmission::admit_chosen(const QStringList& paths, QPoint canvas_point) {
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        if (files.size() == kMaxFilesAtOnce || !path.contains('/')) break;
        if (auto file = file_to_place(path, false)) files.push_back(*file);
    }
    place(files, canvas_point);
}

std::optional<std::filesystem::path> FileAdmission::file_to_place(const QString& path, bool dropped) {
    const std::filesystem::path given = path.toStdString();
    // Spreadsheets in formats that are not read would only be refused as
    // binary files further on: said here with what to do instead.
    if (is_unread_spreadsheet_name(given)) {
        show_message(dialogs_, given.string() + "\n", MessageId::NotATextSaveAsCsv);
        return std::nullopt;
    }
    std::optional<std::filesystem::path> file =
        is_workbook_name(given) ? workbook_copy_of(given) : file_in_cp932(given);
    if (!file) return std::nullopt;
    // A binary file is refused; a chosen file may do without a line break,
    // though (an empty list, say).
    Status admitted = admit_dropped_file(*file);
    if (admitted.message_id == MessageId::NotAText) admitted.message_id = MessageId::NotATextSaveAsCsv;
    if (!admitted && (dropped || admitted.message_id == MessageId::NotATextSaveAsCsv)) {
        show_message(dialogs_, file->string() + "\n", admitted.message_id);
        return std::nullopt;
    }
    return file;
}

namespace {

// No copy is made when cp932 lacks characters of the source: they are
// listed by line, for the user to replace.
void refuse_missing_characters(MessagePresenter& messages, const std::filesystem::path& source,
                               const std::vector<UnconvertibleCharacter>& missing) {
    std::string lines = source.string() + "\n";
    for (const UnconvertibleCharacter& m : missing)
        lines += std::to_string(m.line) + "行目: " + (m.character.empty() ? "（読めない文字）" : m.character) + "\n";
    show_message(messages, lines, MessageId::NotInCp932);
}

}  // namespace

bool FileAdmission::may_write_copy(const std::filesystem::path& copy_path) {
    std::error_code error;
    return !std::filesystem::exists(copy_path, error) ||
           show_message(dialogs_, copy_path.string() + "\n", MessageId::AskOverwrite) == kAnswerYes;
}

std::optional<int> FileAdmission::choose_sheet(const std::filesystem::path& workbook,
                                               const std::vector<std::string>& names) {
    QStringList items;
    for (const std::string& name : names) items << QString::fromStdString(name);
    const int chosen = dialogs_.choose_item(QString::fromUtf8("シートの選択"),
                                            QString::fromStdString(workbook.filename().string()) +
                                                QString::fromUtf8("\nシフトJISの CSV に変換するシートを選んでください"),
                                            items);
    return chosen < 0 ? std::nullopt : std::optional<int>(chosen);
}

std::optional<std::filesystem::path> FileAdmission::workbook_copy_of(const std::filesystem::path& workbook) {
    const std::optional<FileStamp> stamp = file_stamp(workbook);
    const WorkbookSheets sheets = workbook_sheets(workbook);
    if (!sheets.status) {
        show_message(dialogs_, sheets.status);
        return std::nullopt;
    }
    int chosen = 0;
    if (sheets.names.size() > 1) {
        const std::optional<int> picked = choose_sheet(workbook, sheets.names);
        if (!picked || *picked < 0 || *picked >= static_cast<int>(sheets.names.size())) return std::nullopt;
        chosen = *picked;
    }
    const std::string& sheet = sheets.names[static_cast<std::size_t>(chosen)];
    const std::filesystem::path copy_path = workbook_copy_path(workbook);
    const std::string about =
        workbook.string() + "\nシート: " + sheet + "\n変換したコピー: " + copy_path.filename().string() + "\n";
    if (show_message(dialogs_, about, MessageId::AskConvertWorkbook) != kAnswerYes || !may_write_copy(copy_path))
        return std::nullopt;
    // Made only from the workbook the user was asked about.
    const WorkbookCopy copy = make_workbook_copy(workbook, sheet, copy_path, 20, stamp);
    if (!copy.status) {
        show_message(dialogs_, copy.status);
        return std::nullopt;
    }
    if (!copy.missing.empty()) {
        refuse_missing_characters(dialogs_, workbook, copy.missing);
        return std::nullopt;
    }
    if (copy.broken_cells > 0)
        show_message(dialogs_, copy_path.string() + "\n改行のあったセル: " + std::to_string(copy.broken_cells) + "\n",
                     MessageId::CellLineBreaksReplaced);
    return copy_path;
}

std::optional<std::filesystem::path> FileAdmission::file_in_cp932(const std::filesystem::path& file) {
    std::optional<FileStamp> stamp;
    const TextEncoding encoding = detect_file_encoding(file, &stamp);
    if (encoding == TextEncoding::Cp932) return file;
    return cp932_copy_of(file, encoding, stamp);
}

std::optional<std::filesystem::path> FileAdmission::cp932_copy_of(const std::filesystem::path& file,
                                                                  TextEncoding encoding,
                                                                  const std::optional<FileStamp>& stamp) {
    const std::filesystem::path copy_path = cp932_copy_path(file);
    const std::string about = file.string() + "\n文字コード: " + encoding_name(encoding) +
                              "\n変換したコピー: " + copy_path.filename().string() + "\n";
    if (show_message(dialogs_, about, MessageId::AskConvertToCp932) != kAnswerYes || !may_write_copy(copy_path))
        return std::nullopt;
    // The file may have changed while the questions were shown: the copy is
    // made only from the text the user was asked about.
    const Cp932Copy copy = make_cp932_copy(file, encoding, copy_path, 20, stamp);
    if (!copy.status) {
        show_message(dialogs_, copy.status);
        return std::nullopt;
    }
    if (!copy.missing.empty()) {
        refuse_missing_characters(dialogs_, file, copy.missing);
        return std::nullopt;
    }
    return copy_path;
}

void FileAdmission::place(const std::vector<std::filesystem::path>& files, QPoint canvas_point) {
    if (files.empty()) return;
    const int before = chart_.node_count();
    Placement placed = view_.place_files(files, canvas_point);
    for (const Status& message : placed.messages) show_message(dialogs_, message);
    // A list whose other encoding shows only further in than its first
    // bytes is found while counting: offered as a cp932 copy as at the start.
    std::vector<std::filesystem::path> copies;
    for (const ForeignFile& foreign : placed.foreign) {
        const std::optional<FileStamp> stamp = file_stamp(foreign.path);
        if (auto copy = cp932_copy_of(foreign.path, foreign.encoding, stamp)) copies.push_back(*copy);
    }
    if (!copies.empty()) {
        Placement more = view_.place_files(copies, canvas_point);
        for (const Status& message : more.messages) show_message(dialogs_, message);
        placed.placed += more.placed;
    }
    view_.files_placed(placed.placed);
    ask_for_quote_option(before);
}

// Quoted fields with commas shift the fields unless the quote option reads
// them as one: asked for each such file placed while it is off.
void FileAdmission::ask_for_quote_option(int first) {
    for (int i = first; i < chart_.node_count() && !quotes_on_(); ++i) {
        const std::string path = cp932::to_utf8_lossy(cp932::field_text(chart_.nodes[i].path));
        const QuotedCommaLine found = first_quoted_comma_line(path);
        if (found.line == 0) continue;
        const std::string prefix =
            path + "\n" + std::to_string(found.line) + "行目: " + quoted_comma_excerpt(found) + "\n";
        if (show_message(dialogs_, prefix, MessageId::AskQuotedFields) == kAnswerYes) turn_quotes_on_();
    }
}

}  // namespace tessaly::app
