#pragma once

// Admitting files to the chart: between a drop on the chart view (or the
// file dialog) and the new source nodes, each file gets its checks and its
// questions. A spreadsheet in a format that is not read is refused with
// what to do instead; a workbook is offered as a cp932 CSV copy of the sheet
// the user picks; a list in another encoding as a cp932 copy beside it; a
// binary file is refused. What is admitted is placed by the view, and a
// placed list with quoted commas asks for the quote option while it is off.

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include <QObject>
#include <QPoint>
#include <QStringList>

#include "text/text_encoding.h"

namespace tessaly {
struct Chart;
}

namespace tessaly::view {
class ChartView;
}

namespace tessaly::app {

class UserDialogs;

class FileAdmission : public QObject {
    Q_OBJECT

public:
    // Takes the files dropped on the view from now on.
    FileAdmission(view::ChartView& view, Chart& chart, UserDialogs& dialogs, QObject* parent = nullptr);

    // The cross's quote option: whether it is on, and turning it on when the
    // user wants a placed file's quoted fields read as one field each.
    void set_quote_option(std::function<bool()> is_on, std::function<void()> turn_on) {
        quotes_on_ = std::move(is_on);
        turn_quotes_on_ = std::move(turn_on);
    }

    // Files dropped at the canvas point. Each file gets its own answer: one
    // refused (no text file) or declined is named, and the others are placed
    // all the same; folders are passed over.
    void admit_dropped(const QStringList& paths, QPoint canvas_point);
    // Files chosen in the file dialog, placed from the canvas point; a file
    // without a line break (an empty list, say) may be chosen.
    void admit_chosen(const QStringList& paths, QPoint canvas_point);

private:
    // The file to place for a path dropped or chosen, after its questions
    // and checks; none (the user told why) when it is not to be placed.
    std::optional<std::filesystem::path> file_to_place(const QString& path, bool dropped);
    // A file in another encoding than cp932 is offered as a cp932 copy made
    // beside it: the file to place, or none when it is not to be placed.
    std::optional<std::filesystem::path> file_in_cp932(const std::filesystem::path& file);
    // The question and the copy for a file known to be in that encoding; the
    // stamp is the file's as the encoding was found.
    std::optional<std::filesystem::path> cp932_copy_of(const std::filesystem::path& file, TextEncoding encoding,
                                                       const std::optional<FileStamp>& stamp);
    // A workbook is offered as a cp932 CSV copy of one of its sheets.
    std::optional<std::filesystem::path> workbook_copy_of(const std::filesystem::path& workbook);
    // Which sheet of a workbook with several to copy: its index in names, or
    // none when the user would rather not.
    std::optional<int> choose_sheet(const std::filesystem::path& workbook, const std::vector<std::string>& names);
    // Asks before a copy replaces an existing file of its name.
    bool may_write_copy(const std::filesystem::path& copy_path);
    void place(const std::vector<std::filesystem::path>& files, QPoint canvas_point);
    // Asks for the quote option for each placed file from node `first` on
    // whose quoted fields hold commas, while the option is off.
    void ask_for_quote_option(int first);

    view::ChartView& view_;
    Chart& chart_;
    UserDialogs& dialogs_;
    std::function<bool()> quotes_on_ = [] { return false; };
    std::function<void()> turn_quotes_on_ = [] {};
};

}  // namespace tessaly::app
