#include "cli/cli_copy.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "chart/source_placement.h"
#include "cli/cli_encoding.h"
#include "cli/cli_failure.h"
#include "text/record_reader.h"
#include "text/text_encoding.h"
#include "text/workbook.h"

namespace tessaly::cli {

namespace fs = std::filesystem;

namespace {

// Characters cp932 lacks, one line each, and that no copy was made.
int refuse_missing(Console& console, std::string_view shown, const std::vector<UnconvertibleCharacter>& missing) {
    for (const UnconvertibleCharacter& m : missing)
        console.err << failure_line(shown, "line " + std::to_string(m.line) + ": " +
                                               (m.character.empty() ? std::string("a character that cannot be read")
                                                                    : "cp932 has no \"" + m.character + "\""));
    console.err << failure_line(shown, "no copy was made: replace these characters and try again");
    return kExitFailure;
}

}  // namespace

int run_to_cp932(const Arguments& a, Console& console) {
    const std::string shown = a.to_cp932.empty() ? "''" : a.to_cp932;
    if (a.to_cp932.empty()) return console.err << failure_line(shown, std::strerror(ENOENT)), kExitFailure;
    const fs::path source = a.to_cp932;
    const auto fail = [&](const Status& status) {
        console.err << status_line(status, named_file(status, shown), status.message_id == MessageId::OpenFailed);
        return kExitFailure;
    };
    if (is_unread_spreadsheet_name(source)) return console.err << spreadsheet_refusal(source, shown), kExitFailure;

    const bool workbook = is_workbook_name(source);
    if (a.sheet && !workbook) {
        console.err << "tessaly-cross: --sheet goes with an Excel workbook (.xlsx, .xlsm)\n"
                       "Try 'tessaly-cross --help'.\n";
        return kExitUsage;
    }
    const fs::path target = workbook ? workbook_copy_path(source) : cp932_copy_path(source);
    std::error_code error;
    if (!a.overwrite && (fs::exists(target, error) || fs::is_symlink(target, error))) {
        console.err << failure_line(target.string(), "the copy exists already and is kept; --overwrite replaces it");
        return kExitFailure;
    }

    if (workbook) {
        const WorkbookCopy copy = make_workbook_copy(source, a.sheet.value_or(""), target);
        if (!copy.status) return fail(copy.status);
        if (!copy.missing.empty()) return refuse_missing(console, shown, copy.missing);
        if (copy.broken_cells > 0)
            console.err << failure_line(shown, std::to_string(copy.broken_cells) +
                                                   (copy.broken_cells == 1 ? " cell" : " cells") + " of sheet \"" +
                                                   copy.sheet + "\" had line breaks, each made one space");
        console.out << target.string() << '\n';
        return kExitSuccess;
    }

    // The whole file decides its encoding: Japanese may come late in a list.
    const std::optional<FileStamp> stamp = file_stamp(source);
    long long lines = 0;
    TextEncoding encoding = TextEncoding::Cp932;
    if (Status counted = count_lines(source, lines, &encoding); !counted) return fail(counted);
    if (encoding == TextEncoding::Cp932) {
        if (Status text = check_text_file(source); !text) return fail(Status::failure(text.message_id, shown));
        console.err << failure_line(shown, "the file is cp932 (Shift-JIS) text already, as tessaly-cross reads it");
        return kExitFailure;
    }
    const Cp932Copy copy = make_cp932_copy(source, encoding, target, 20, stamp);
    if (!copy.status) return fail(copy.status);
    if (!copy.missing.empty()) return refuse_missing(console, shown, copy.missing);
    console.out << target.string() << '\n';
    return kExitSuccess;
}

}  // namespace tessaly::cli
