#include "app/manual_search.h"

#include <QPdfDocument>
#include <QPdfSelection>

namespace tessaly::app {

namespace {

// Pages whose text is taken in one turn of the event loop: enough to be
// quick, few enough that the window answers in between.
constexpr int kPagesPerTurn = 4;
constexpr int kContextChars = 16;

QString one_line(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.simplified();
}

}  // namespace

ManualSearch::ManualSearch(QObject* parent) : QAbstractListModel(parent) {
    taking_.setInterval(0);
    connect(&taking_, &QTimer::timeout, this, &ManualSearch::take_texts);
}

void ManualSearch::set_document(QPdfDocument* document) {
    if (document_) disconnect(document_, nullptr, this, nullptr);
    document_ = document;
    if (document_) connect(document_, &QPdfDocument::statusChanged, this, &ManualSearch::forget_texts);
    forget_texts();
}

void ManualSearch::forget_texts() {
    taking_.stop();
    pages_.clear();
    beginResetModel();
    hits_.clear();
    rectangles_.clear();
    endResetModel();
    if (searching_) find(text_);
}

void ManualSearch::find(const QString& text) {
    text_ = text;
    searching_ = true;
    beginResetModel();
    hits_.clear();
    rectangles_.clear();
    endResetModel();
    if (text_.isEmpty() || !document_ || pages_.size() == document_->pageCount()) return search();
    taking_.start();
}

void ManualSearch::take_texts() {
    const int pages = document_ ? document_->pageCount() : 0;
    for (int turn = 0; turn < kPagesPerTurn && pages_.size() < pages; ++turn)
        pages_ << document_->getAllText(int(pages_.size())).text();
    if (pages_.size() < pages) return;
    taking_.stop();
    search();
}

void ManualSearch::search() {
    QList<Hit> found;
    if (!text_.isEmpty()) {
        for (int page = 0; page < pages_.size(); ++page) {
            const QString& words = pages_[page];
            for (qsizetype at = words.indexOf(text_, 0, Qt::CaseInsensitive); at >= 0;
                 at = words.indexOf(text_, at + text_.size(), Qt::CaseInsensitive))
                found.append({page, int(at), int(text_.size())});
        }
    }
    beginResetModel();
    hits_ = std::move(found);
    rectangles_ = QList<QList<QRectF>>(hits_.size());
    endResetModel();
    searching_ = false;
    emit finished();
}

QList<QRectF> ManualSearch::rectangles(int row) const {
    if (row < 0 || row >= hits_.size() || !document_) return {};
    QList<QRectF>& known = rectangles_[row];
    if (known.isEmpty()) {
        const Hit& h = hits_[row];
        for (const QPolygonF& bound : document_->getSelectionAtIndex(h.page, h.start, h.length).bounds())
            known << bound.boundingRect();
    }
    return known;
}

QList<int> ManualSearch::rows_on_page(int page) const {
    QList<int> rows;
    for (int row = 0; row < hits_.size(); ++row)
        if (hits_[row].page == page) rows << row;
    return rows;
}

int ManualSearch::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(hits_.size()); }

QVariant ManualSearch::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= hits_.size()) return {};
    const Hit& h = hits_[index.row()];
    const QString& words = pages_[h.page];
    const QString before = one_line(
        words.mid(std::max(0, h.start - 4 * kContextChars), h.start - std::max(0, h.start - 4 * kContextChars)));
    const QString after = one_line(words.mid(h.start + h.length, 4 * kContextChars));
    // A few words either side are enough to tell the hits apart.
    return QString::fromUtf8("%1ページ　%2【%3】%4")
        .arg(h.page + 1)
        .arg(before.right(kContextChars), words.mid(h.start, h.length), after.left(kContextChars));
}

}  // namespace tessaly::app
