#pragma once

// The cross as the user watches it: a small dialog with the step under way,
// the record and hit counts and 中止, driving the cross engine stage by
// stage on the user-interface thread. Events get through every few tens of
// milliseconds, so 中止 answers at once while the engine runs at full speed.
// The ribbon's start and elapsed times and its progress bar follow it.

#include <QDialog>
#include <QElapsedTimer>
#include <filesystem>

#include "chart/chart.h"
#include "cross/cross_figures.h"
#include "cross/cross_options.h"
#include "text/show_message.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tessaly::app {

// Where the cross shows its times and progress outside the dialog.
struct CrossDisplay {
    QAction* start_time = nullptr;
    QAction* elapsed_time = nullptr;
    QProgressBar* progress = nullptr;
};

class CrossDialog : public QDialog {
    Q_OBJECT

public:
    CrossDialog(const Chart& chart, const CrossOptions& options, std::filesystem::path result_path,
                MessagePresenter& messages, CrossDisplay display, QWidget* parent = nullptr);

    // Runs the cross (the dialog starts it by itself once it is shown).
    // Ends the dialog with Rejected when the cross fails or is cancelled,
    // with Accepted at once under auto_close, else waits for 確認.
    void run_cross();

    bool finished() const { return finished_; }
    long long hits() const { return hits_; }
    // How the crossed files overlap, once the cross has finished.
    const CrossFigures& figures() const { return figures_; }
    // The result file written: the name chosen, or the next free one when
    // another cross took that name first.
    const std::filesystem::path& result_path() const { return result_path_; }
    QString message_line() const;
    QString record_count_text() const;
    QString hit_count_text() const;
    QPushButton* confirm_button() const { return confirm_; }
    QPushButton* cancel_button() const { return cancel_; }

    // Closing a finished cross with Esc keeps its result, as 確認 does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    class Observer;
    friend class Observer;

    const Chart& chart_;
    const CrossOptions& options_;
    std::filesystem::path result_path_;
    MessagePresenter& messages_;
    CrossDisplay display_;
    QLabel* message_;
    QLabel* records_;
    QLabel* hit_label_;
    QPushButton* confirm_;
    QPushButton* cancel_;
    bool started_ = false;
    bool cancelled_ = false;
    bool finished_ = false;
    long long hits_ = 0;
    CrossFigures figures_;
};

}  // namespace tessaly::app
