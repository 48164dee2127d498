#include "app/manual_window.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/manual_search.h"
#include "app/manual_view.h"
#include "shell/user_dialogs.h"
#include "text/show_message.h"

namespace tessaly::app {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

QString catalogue(MessageId id) {
    const std::string_view text = message_text(id);
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// The zoom box: the two fitted sizes, then fixed sizes in percent.
constexpr int kFitToWidth = 0;
constexpr int kFitInView = 1;
constexpr int kPercentages[] = {50, 75, 100, 125, 150, 200, 300, 400};

}  // namespace

QString manual_path(const QString& program_folder) {
    return QDir(program_folder).filePath(catalogue(MessageId::ManualName) + QStringLiteral(".pdf"));
}

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(catalogue(MessageId::ManualName));
    resize(1000, 760);

    document_ = new QPdfDocument(this);
    bookmarks_ = new QPdfBookmarkModel(this);
    bookmarks_->setDocument(document_);
    search_ = new ManualSearch(this);
    search_->set_document(document_);

    view_ = new ManualView(this);
    view_->setDocument(document_);
    view_->set_search(search_);

    outline_ = new QTreeView(this);
    outline_->setModel(bookmarks_);
    outline_->setHeaderHidden(true);
    outline_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(outline_, &QTreeView::activated, this, qOverload<const QModelIndex&>(&ManualWindow::show_chapter));
    connect(outline_, &QTreeView::clicked, this, qOverload<const QModelIndex&>(&ManualWindow::show_chapter));

    hits_ = new QListView(this);
    hits_->setModel(search_);
    hits_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    hits_->setWordWrap(true);
    connect(hits_, &QListView::clicked, this, [this](const QModelIndex& index) { show_hit(index.row()); });
    connect(hits_, &QListView::activated, this, [this](const QModelIndex& index) { show_hit(index.row()); });

    side_ = new QTabWidget(this);
    side_->addTab(outline_, u("目次"));
    side_->addTab(hits_, u("検索結果"));

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(side_);
    splitter->addWidget(view_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({300, 900});

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    build_tool_bar(bar);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);

    connect(view_->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this, &ManualWindow::page_changed);
    connect(search_, &ManualSearch::finished, this, &ManualWindow::hits_changed);

    // Esc puts the manual away, as it did when it was a dialog; F1 brings it
    // back at the same page.
    auto* put_away = new QAction(this);
    put_away->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(put_away, &QAction::triggered, this, &QWidget::close);
    addAction(put_away);
}

void ManualWindow::build_tool_bar(QToolBar* bar) {
    QAction* chapters = bar->addAction(style()->standardIcon(QStyle::SP_FileDialogListView), u("目次"));
    chapters->setCheckable(true);
    chapters->setChecked(true);
    chapters->setToolTip(u("目次と検索結果の表示・非表示"));
    connect(chapters, &QAction::toggled, side_, &QWidget::setVisible);
    bar->addSeparator();

    QAction* previous = bar->addAction(style()->standardIcon(QStyle::SP_ArrowUp), u("前のページ"));
    connect(previous, &QAction::triggered, this, [this] { go_to_page(current_page() - 1); });
    QAction* next = bar->addAction(style()->standardIcon(QStyle::SP_ArrowDown), u("次のページ"));
    connect(next, &QAction::triggered, this, [this] { go_to_page(current_page() + 1); });
    page_field_ = new QSpinBox(bar);
    page_field_->setRange(1, 1);
    page_field_->setKeyboardTracking(false);
    page_field_->setToolTip(u("ページ番号を入力して Enter"));
    connect(page_field_, &QSpinBox::valueChanged, this, [this](int page) {
        if (page - 1 != current_page()) go_to_page(page - 1);
    });
    bar->addWidget(page_field_);
    page_total_ = new QLabel(u(" / 0 ページ "), bar);
    bar->addWidget(page_total_);
    bar->addSeparator();

    QAction* smaller = bar->addAction(u("縮小"));
    smaller->setShortcut(QKeySequence::ZoomOut);
    connect(smaller, &QAction::triggered, this, [this] { step_zoom(-1); });
    zoom_box_ = new QComboBox(bar);
    zoom_box_->addItem(u("幅に合わせる"));
    zoom_box_->addItem(u("ページ全体"));
    for (int percent : kPercentages) zoom_box_->addItem(QStringLiteral("%1%").arg(percent));
    connect(zoom_box_, &QComboBox::activated, this, &ManualWindow::choose_zoom);
    bar->addWidget(zoom_box_);
    QAction* larger = bar->addAction(u("拡大"));
    larger->setShortcut(QKeySequence::ZoomIn);
    connect(larger, &QAction::triggered, this, [this] { step_zoom(+1); });
    bar->addSeparator();

    bar->addWidget(new QLabel(u(" 検索： "), bar));
    search_field_ = new QLineEdit(bar);
    search_field_->setPlaceholderText(u("語句を入力して Enter"));
    search_field_->setClearButtonEnabled(true);
    search_field_->setMinimumWidth(220);
    search_field_->setMaximumWidth(360);
    connect(search_field_, &QLineEdit::returnPressed, this, [this] {
        if (search_field_->text() == search_->search_string())
            next_hit();
        else
            find(search_field_->text());
    });
    bar->addWidget(search_field_);
    QAction* find_field = new QAction(this);
    find_field->setShortcut(QKeySequence::Find);
    connect(find_field, &QAction::triggered, this, [this] {
        search_field_->setFocus();
        search_field_->selectAll();
    });
    addAction(find_field);
    QAction* previous_hit = bar->addAction(u("前を検索"));
    previous_hit->setShortcut(QKeySequence::FindPrevious);
    connect(previous_hit, &QAction::triggered, this, &ManualWindow::previous_hit);
    QAction* next_hit = bar->addAction(u("次を検索"));
    next_hit->setShortcut(QKeySequence::FindNext);
    connect(next_hit, &QAction::triggered, this, &ManualWindow::next_hit);
    hit_count_ = new QLabel(bar);
    bar->addWidget(hit_count_);
}

bool ManualWindow::load(const QString& path) {
    if (document_->load(path) != QPdfDocument::Error::None) return false;
    page_field_->setRange(1, std::max(document_->pageCount(), 1));
    page_total_->setText(u(" / %1 ページ ").arg(document_->pageCount()));
    outline_->expandToDepth(0);
    page_changed(0);
    return true;
}

int ManualWindow::current_page() const { return view_->pageNavigator()->currentPage(); }

void ManualWindow::go_to_page(int page) {
    if (page < 0 || page >= document_->pageCount()) return;
    view_->show_place(page, QPointF(0, 0));
}

void ManualWindow::page_changed(int page) {
    const QSignalBlocker quiet(page_field_);
    page_field_->setValue(page + 1);
}

void ManualWindow::show_chapter(const QModelIndex& index) {
    if (!index.isValid()) return;
    const int page = bookmarks_->data(index, int(QPdfBookmarkModel::Role::Page)).toInt();
    const QPointF place = bookmarks_->data(index, int(QPdfBookmarkModel::Role::Location)).toPointF();
    view_->show_place(page, place);
}

bool ManualWindow::show_chapter(const QString& title_part) {
    const QModelIndexList found = bookmarks_->match(bookmarks_->index(0, 0), Qt::DisplayRole, title_part, 1,
                                                    Qt::MatchContains | Qt::MatchRecursive);
    if (found.isEmpty()) return false;
    outline_->setCurrentIndex(found.first());
    show_chapter(found.first());
    return true;
}

void ManualWindow::find(const QString& text) {
    if (search_field_->text() != text) search_field_->setText(text);
    view_->set_current_hit(-1);
    if (!text.isEmpty()) {
        side_->setCurrentWidget(hits_);
        hit_count_->setText(u(" 検索中… "));
    }
    search_->find(text);
}

QString ManualWindow::hit_count_text() const { return hit_count_->text(); }

void ManualWindow::hits_changed() {
    const int count = search_->rowCount({});
    // The first hit comes into sight as soon as it is found.
    if (count > 0 && view_->current_hit() < 0) return show_hit(0);
    if (search_->search_string().isEmpty())
        hit_count_->clear();
    else if (count == 0)
        hit_count_->setText(u(" 見つかりません "));
    else
        hit_count_->setText(u(" %1 / %2 件 ").arg(view_->current_hit() + 1).arg(count));
}

void ManualWindow::show_hit(int row) {
    const int count = search_->rowCount({});
    if (count == 0) return;
    row = ((row % count) + count) % count;
    view_->set_current_hit(row);
    hits_->setCurrentIndex(hits_->model()->index(row, 0));
    const QList<QRectF> rectangles = search_->rectangles(row);
    view_->show_place(search_->hit(row).page, rectangles.isEmpty() ? QPointF() : rectangles.first().topLeft());
    hit_count_->setText(u(" %1 / %2 件 ").arg(row + 1).arg(count));
}

void ManualWindow::next_hit() { show_hit(view_->current_hit() + 1); }
void ManualWindow::previous_hit() { show_hit(view_->current_hit() - 1); }

void ManualWindow::choose_zoom(int index) {
    if (index == kFitToWidth) {
        view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    } else if (index == kFitInView) {
        view_->setZoomMode(QPdfView::ZoomMode::FitInView);
    } else if (index - 2 < int(std::size(kPercentages))) {
        view_->setZoomFactor(kPercentages[index - 2] / 100.0);
        view_->setZoomMode(QPdfView::ZoomMode::Custom);
    }
    zoom_box_->setCurrentIndex(index);
}

void ManualWindow::step_zoom(int direction) {
    // From the size on the screen now, whichever way it was chosen.
    const int page = std::max(current_page(), 0);
    const QSizeF points = document_->pagePointSize(page);
    const double screen = logicalDpiX() / 72.0;
    const double now = points.width() > 0 ? view_->page_rect(page).width() / (points.width() * screen) * 100 : 100;
    int choice = -1;
    if (direction > 0) {
        for (int i = 0; i < int(std::size(kPercentages)) && choice < 0; ++i)
            if (kPercentages[i] > now + 1) choice = i;
        if (choice < 0) choice = int(std::size(kPercentages)) - 1;
    } else {
        for (int i = int(std::size(kPercentages)) - 1; i >= 0 && choice < 0; --i)
            if (kPercentages[i] < now - 1) choice = i;
        if (choice < 0) choice = 0;
    }
    choose_zoom(choice + 2);
}

ManualWindow* open_manual(QWidget* owner, UserDialogs& dialogs, const QString& program_folder) {
    if (program_folder.isEmpty()) return nullptr;
    const QString path = manual_path(program_folder);
    if (!QFileInfo(path).isFile()) {
        show_message(dialogs, {}, MessageId::ManualMissing);
        return nullptr;
    }
    // One manual window, kept when closed, so that it comes back at the page
    // it showed.
    if (owner) {
        if (auto* open = owner->findChild<ManualWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (open->isMinimized()) open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* window = new ManualWindow(owner);
    if (!window->load(path)) {
        delete window;
        show_message(dialogs, path.toStdString() + "\n", MessageId::OpenFailed);
        return nullptr;
    }
    window->setWindowState(Qt::WindowMaximized);
    window->show();
    return window;
}

}  // namespace tessaly::app
