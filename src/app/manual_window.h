#pragma once

// The manual window (Manual): the manual, Manual.pdf beside the program,
// read inside the program. Pages one under another; page by page, to any
// page, larger and smaller, to the page width or the whole page; the
// chapters as an outline at the side; a search with its hits listed and
// marked on the pages. An ordinary window, read beside the program.

#include <QCoreApplication>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPdfBookmarkModel;
class QPdfDocument;
class QSpinBox;
class QTabWidget;
class QToolBar;
class QTreeView;

namespace tessaly::app {

class ManualSearch;
class ManualView;
class UserDialogs;

class ManualWindow : public QWidget {
    Q_OBJECT

public:
    explicit ManualWindow(QWidget* parent = nullptr);
    ~ManualWindow() override;

    // Opens the manual; false when the file is no readable PDF.
    bool load(const QString& path);

    QPdfDocument* document() const { return document_; }
    ManualView* view() const { return view_; }
    QTreeView* outline() const { return outline_; }
    ManualSearch* search_model() const { return search_; }
    QListView* hit_list() const { return hits_; }
    // " 検索中… " while a search runs, then the place among the hits.
    QString hit_count_text() const;
    QLineEdit* search_field() const { return search_field_; }
    QSpinBox* page_field() const { return page_field_; }
    QComboBox* zoom_box() const { return zoom_box_; }

    // The page in sight (from 0), and going to another.
    int current_page() const;
    void go_to_page(int page);
    // Searches the manual for the text; the hits are listed at the side.
    void find(const QString& text);
    // Shows hit `row` of the search (wrapping round), and the next or
    // previous one.
    void show_hit(int row);
    void next_hit();
    void previous_hit();
    // A chapter of the outline; and the first whose title holds the text.
    void show_chapter(const QModelIndex& index);
    bool show_chapter(const QString& title_part);
    // One zoom step up or down (-1), and a choice of the zoom box.
    void step_zoom(int direction);
    void choose_zoom(int index);

private:
    void build_tool_bar(QToolBar* bar);
    void page_changed(int page);
    void hits_changed();

    QPdfDocument* document_;
    QPdfBookmarkModel* bookmarks_;
    ManualSearch* search_;
    ManualView* view_;
    QTabWidget* side_;
    QTreeView* outline_;
    QListView* hits_;
    QLineEdit* search_field_;
    QLabel* hit_count_;
    QSpinBox* page_field_;
    QLabel* page_total_;
    QComboBox* zoom_box_;
};

// The manual's path: the program's folder, the manual's name (ManualName) and
// ".pdf".
QString manual_path(const QString& program_folder);

// F1: shows the manual from the program's folder, maximised the first time,
// in a window of the owner's that stays open beside it; F1 again brings that
// window to the front at the page it shows. When the manual is not there,
// says so (ManualMissing) and nothing else happens (nullptr). Without an owner the
// caller owns the new window.
ManualWindow* open_manual(QWidget* owner, UserDialogs& dialogs,
                          const QString& program_folder = QCoreApplication::applicationDirPath());

}  // namespace tessaly::app
