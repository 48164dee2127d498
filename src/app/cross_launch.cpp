#include "app/cross_launch.h"

#include <QDir>

#include "app/cross_texts.h"
#include "cross/cross_start.h"
#include "cross/result_file.h"
#include "shell/settings.h"
#include "text/cp932.h"
#include "text/show_message.h"

namespace tessaly::app {

namespace {

// The result folder, asking for one while none is set; empty when the user
// would rather not.
QString result_folder_or_ask(const CrossRequest& r) {
    QString folder = result_folder(r.settings);
    while (folder.isEmpty()) {
        if (show_message(r.dialogs, {}, MessageId::AskResultFolder) != kAnswerYes) return {};
        if (!r.choose_result_folder || !r.choose_result_folder()) return {};
        folder = result_folder(r.settings);
    }
    // The folder stored at the first start is made when it is first used.
    if (folder == default_result_folder()) QDir().mkpath(folder);
    return folder;
}

}  // namespace

int start_cross(const CrossRequest& r, std::optional<QPoint> given_point) {
    Chart& chart = r.chart;
    if (const int node = first_selected_node_without_key(chart); node >= 0) {
        show_message(r.dialogs, missing_key_prefix(chart.nodes[node]), MessageId::NoKeyFields);
        return -1;
    }
    std::optional<CanvasPoint> point;
    if (given_point)
        point = CanvasPoint{given_point->x(), given_point->y()};
    else
        point = result_node_point(chart, r.zoom);
    if (!point) return -1;

    if (r.confirm && show_message(r.dialogs, cross_confirmation_text(chart, r.options).toStdString(),
                                  MessageId::ConfirmCross, cross_file_list(chart).toStdString()) != kAnswerYes)
        return -1;

    const QString folder = result_folder_or_ask(r);
    if (folder.isEmpty()) return -1;
    const std::filesystem::path result_path = find_result_file_name(QDir(folder).absolutePath().toStdString());
    if (result_path.empty()) return -1;
    // The result node must be able to hold the path, or the result could
    // never be shown or crossed again.
    const std::optional<std::string> cp932_path = cp932::from_utf8(result_path.string());
    if (!cp932_path || !path_fits_node(*cp932_path)) {
        show_message(r.dialogs, result_path.string() + "\n", MessageId::PathUnusable);
        return -1;
    }
    const std::string title = next_result_title(chart);

    if (r.starting) r.starting();
    CrossDialog dialog(chart, r.options, result_path, r.dialogs, r.display, r.owner);
    if (r.dialogs.run_modal(dialog) != QDialog::Accepted) return -1;
    // The node keeps the name the result was written under, which is another
    // when a cross beside this one took the chosen name first.
    const std::optional<std::string> written = cp932::from_utf8(dialog.result_path().string());
    if (!written || !path_fits_node(*written)) {
        show_message(r.dialogs, dialog.result_path().string() + "\n", MessageId::PathUnusable);
        return -1;
    }

    if (r.figures) *r.figures = dialog.figures();

    const ResultNodeOutcome added = add_result_node(chart, *written, *point, r.zoom, title, dialog.hits());
    for (const Status& refused : added.refused_arcs) show_message(r.dialogs, refused);
    if (!added.status) {
        show_message(r.dialogs, added.status);
        return -1;
    }
    return chart.node_count() - 1;
}

}  // namespace tessaly::app
