#pragma once

// The node properties dialog (ノードのプロパティ): the primary node's title,
// description and start record, which the user may change, beside its kind,
// cross-key sample, file path and record count, which are only shown. The
// start record goes to every selected node when several are selected.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QDialog>

#include "app/desktop.h"
#include "chart/chart.h"
#include "shell/user_dialogs.h"
#include "text/show_message.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tessaly::app {

inline constexpr int kTitleBytes = 50;
inline constexpr int kDescriptionBytes = 500;
inline constexpr int kLowestStartRecord = 1;
inline constexpr int kHighestStartRecord = 10;

// What the dialog shows of the primary node and gives back after OK. Texts
// are cp932, as the node holds them.
struct NodeProperties {
    std::uint16_t kind = kSourceNode;
    std::string title;
    std::string description;
    std::string key_sample;
    std::string path;
    std::int32_t record_count = 0;
    std::uint16_t start_record = 1;
    int selected_count = 0;  // nodes selected on the chart
};

// The properties of the primary node; nullopt when there is none.
std::optional<NodeProperties> node_properties_of(const Chart& chart);

// After OK: the primary node takes the title and description; the start
// record goes to every selected node when two or more are selected, else to
// the primary node; the primary node's box collapses to its centre, so that
// the next paint sizes it for the new text around the same point.
void write_back(Chart& chart, const NodeProperties& values);

class NodePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    NodePropertiesDialog(const NodeProperties& values, MessagePresenter& messages, Desktop& desktop,
                         QWidget* parent = nullptr);

    // The values as the user left them; changed only by a successful OK.
    const NodeProperties& values() const { return values_; }

    // The controls, for tests.
    QLabel* kind_label() const { return kind_; }
    QSpinBox* start_record_field() const { return start_record_; }
    QLabel* applies_to_all_label() const { return applies_to_all_; }
    QLineEdit* title_field() const { return title_; }
    QLabel* title_counter() const { return title_counter_; }
    QPlainTextEdit* description_field() const { return description_; }
    QLabel* description_counter() const { return description_counter_; }
    QPlainTextEdit* key_sample_field() const { return key_sample_; }
    QLineEdit* path_field() const { return path_; }
    QPushButton* folder_button() const { return folder_button_; }
    QLabel* record_count_label() const { return record_count_; }
    QPushButton* save_button() const { return save_button_; }
    QPushButton* close_button() const { return close_button_; }

public slots:
    // The OK button: checks the start record, the title and the description
    // in that order; the first that fails is reported, gets the focus and
    // keeps the dialog open. True (and the dialog accepted) when all pass.
    bool try_accept();
    // Shows the folder of the node's file in the file manager.
    void show_folder();

private:
    void update_title_counter();
    void update_description_counter();
    // The title or description as the node would hold it; nullopt when a
    // character has no cp932 form. Text left as it was shown keeps the node's
    // own bytes, even where they do not convert cleanly.
    std::optional<std::string> title_bytes() const;
    std::optional<std::string> description_bytes() const;
    void refuse(MessageId message_id, QWidget* field, const QString& culprits = {});

    MessagePresenter& messages_;
    Desktop& desktop_;
    NodeProperties values_;
    QString shown_title_;
    QString shown_description_;

    QLabel* kind_;
    QSpinBox* start_record_;
    QLabel* applies_to_all_;
    QLineEdit* title_;
    QLabel* title_counter_;
    QPlainTextEdit* description_;
    QLabel* description_counter_;
    QPlainTextEdit* key_sample_;
    QLineEdit* path_;
    QPushButton* folder_button_;
    QLabel* record_count_;
    QPushButton* save_button_;
    QPushButton* close_button_;
};

// The folder to show for a node's file: everything before the last "/"
// ("/" itself for a file at the root); empty when the path names no folder.
QString folder_of(const QString& path);

// The command "ノードのプロパティ(&P)": opens the dialog for the primary node
// (nothing without one) and writes back on OK; true when the chart changed.
bool edit_node_properties(QWidget* parent, UserDialogs& dialogs, Desktop& desktop, Chart& chart);

// The same, for tests: `drive` plays the user on the made dialog and returns
// whether it ended with OK.
bool edit_node_properties_with(const std::function<bool(NodePropertiesDialog&)>& drive, MessagePresenter& messages,
                               Desktop& desktop, Chart& chart);

}  // namespace tessaly::app
