#pragma once

// クロス結果の集計: how the files of a cross overlap, for people. Per file
// its records, its records in hits, the hits holding them and the share of
// duplicates; the hits each two files share; and bars of each file's
// records and records in hits. Only the crosses of this run of the program
// have their figures (a chart opened again finds them in the result
// workbook). Closed by 閉じる, Esc or Enter.

#include <QDialog>
#include <QTableWidget>
#include <map>
#include <string>

#include "chart/chart.h"
#include "cross/cross_figures.h"

namespace tessaly::app {

class UserDialogs;

// The figures of the crosses made in this run, by result file (the result
// node's cp932 path), so that moving, deleting or undoing nodes can never
// put one cross's figures on another's node.
class ResultFigures {
public:
    void keep(const std::string& result_path, CrossFigures figures) { by_path_[result_path] = std::move(figures); }
    void forget(const std::string& result_path) { by_path_.erase(result_path); }
    const CrossFigures* find(const std::string& result_path) const {
        const auto it = by_path_.find(result_path);
        return it == by_path_.end() ? nullptr : &it->second;
    }
    // Those of a node: only a result node has any.
    const CrossFigures* of_node(const Chart& chart, int node) const;

private:
    std::map<std::string, CrossFigures> by_path_;
};

// A table of figures: read only, and Ctrl+C copies the chosen cells as
// tab-separated lines, ready to paste into a spreadsheet.
class FigureTable : public QTableWidget {
    Q_OBJECT

public:
    using QTableWidget::QTableWidget;
    QString selected_text() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Each file's records and records in hits as two bars side by side, on one
// scale for all files.
class FigureBars : public QWidget {
    Q_OBJECT

public:
    explicit FigureBars(const CrossFigures& figures, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CrossFigures& figures_;
};

class CrossSummaryDialog : public QDialog {
    Q_OBJECT

public:
    // result_title: the result node's title (UTF-8 for the screen).
    CrossSummaryDialog(CrossFigures figures, const QString& result_title, QWidget* parent = nullptr);

    FigureTable* file_table() const { return files_; }
    FigureTable* shared_table() const { return shared_; }
    FigureBars* bars() const { return bars_; }

    // A share of duplicates as the table shows it: "33.3%".
    static QString percent_text(double percent);

private:
    CrossFigures figures_;
    FigureTable* files_;
    FigureTable* shared_;
    FigureBars* bars_;
};

// The dialog for a node, when the node has figures of this run.
void show_cross_summary(QWidget* owner, UserDialogs& dialogs, const Chart& chart, int node,
                        const ResultFigures& figures);

}  // namespace tessaly::app
