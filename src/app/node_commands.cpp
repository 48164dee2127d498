#include "app/node_commands.h"

#include <sys/stat.h>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "text/cp932.h"
#include "text/line_copy.h"
#include "text/show_message.h"

namespace tessaly::app {

namespace {

bool has_primary(const Chart& chart) { return chart.primary_node >= 0 && chart.primary_node < chart.node_count(); }

// A node's path as this system names the file; empty when it cannot.
std::string node_file(const NodeRecord& node) {
    return cp932::to_utf8(cp932::field_text(node.path)).value_or(std::string());
}

}  // namespace

bool delete_primary_node(Chart& chart, UserDialogs& dialogs) {
    if (!has_primary(chart)) return false;
    const int k = chart.primary_node;
    const NodeRecord& node = chart.nodes[k];
    if (node.kind == kResultNode) {
        if (show_message(dialogs, {}, MessageId::ConfirmDeleteResultNode) != kAnswerYes) return false;
        const std::string path = node_file(node);
        std::error_code ec;
        if (!path.empty() && std::filesystem::exists(path, ec) && !std::filesystem::remove(path, ec))
            show_message(dialogs, {}, MessageId::DeleteFailed);
    } else if (show_message(dialogs, {}, MessageId::ConfirmDeleteNode) != kAnswerYes) {
        return false;
    }
    remove_node(chart, k);
    return true;
}

bool set_selected_mandatory(Chart& chart, bool mandatory) {
    bool any = false;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (!chart.node_states[i].selected) continue;
        chart.nodes[i].mandatory = mandatory ? 1 : 0;
        any = true;
    }
    return any;
}

bool copy_primary_key(Chart& chart, MessagePresenter& messages) {
    if (!has_primary(chart)) return false;
    const NodeRecord& primary = chart.nodes[chart.primary_node];
    if (primary.key_first == -1) {
        show_message(messages, {}, MessageId::ClickedNodeHasNoKey);
        return false;
    }
    // The brackets must fit the field with its terminating zero: a long
    // sample is cut at a character boundary to make room.
    const std::string_view sample = cp932::field_text(primary.key_sample);
    // Appended piece by piece: GCC 12 warns (-Wrestrict) on "[" + string + "]".
    const std::string_view kept = cp932::cut(sample, sizeof primary.key_sample - 3);
    std::string bracketed;
    bracketed.reserve(kept.size() + 2);
    bracketed.append(1, '[').append(kept).append(1, ']');
    const std::string shown = cp932::to_utf8_lossy(bracketed);
    if (show_message(messages, shown + "\n", MessageId::AskCopyKeyFields) != kAnswerYes) return false;
    bool changed = false;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (i == chart.primary_node || !chart.node_states[i].selected) continue;
        NodeRecord& other = chart.nodes[i];
        other.key_first = primary.key_first;
        other.key_last = primary.key_last;
        cp932::copy_to_field(other.key_sample, bracketed);
        changed = true;
    }
    return changed;
}

namespace {

bool is_regular_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// What a person opens of a node: a result's workbook, written beside its
// CSV under the same name, holds the records as their files hold them, and
// is taken in the CSV's place when it is there.
std::string file_to_open(const NodeRecord& node, const std::string& path) {
    if (node.kind != kResultNode || !path.ends_with(".csv")) return path;
    std::string workbook = path.substr(0, path.size() - 4) + ".xlsx";
    return is_regular_file(workbook) ? workbook : path;
}

}  // namespace

void open_in_spreadsheet(const Chart& chart, int node, Desktop& desktop, MessagePresenter& messages) {
    if (node < 0 || node >= chart.node_count()) return;
    const std::string node_path = node_file(chart.nodes[node]);
    // The path comes from the chart file, which anyone may have written: one
    // beginning with "-" or "macro:" would reach the other program as an
    // option or a URL of its own. Only a file named from the root, and there,
    // is handed on.
    if (!node_path.starts_with('/') || !is_regular_file(node_path)) {
        show_message(messages, node_path + "\n", MessageId::NotAnExistingFile);
        return;
    }
    const std::string path = file_to_open(chart.nodes[node], node_path);
    if (desktop.open_in_spreadsheet(QString::fromStdString(path))) return;
    // Which file, and what was looked for: on a machine without a
    // spreadsheet program the user learns what to install.
    show_message(messages, path + "\n探した表計算ソフト: LibreOffice Calc（localc / libreoffice）\n",
                 MessageId::ExcelStartFailed);
}

void copy_shown_file(const QString& shown_file, UserDialogs& dialogs) {
    const QString target = dialogs.save_file(QString::fromUtf8("保存するファイルを指定"), QString(),
                                             QStringLiteral("all files(*)"), false);
    if (target.isEmpty()) return;
    if (QFileInfo::exists(target) && show_message(dialogs, {}, MessageId::AskOverwrite) != kAnswerYes) return;
    if (Status copied = copy_lines_crlf(shown_file.toStdString(), target.toStdString()); !copied) {
        show_message(dialogs, copied);
        return;
    }
    show_message(dialogs, {}, MessageId::FileSaved);
}

}  // namespace tessaly::app
