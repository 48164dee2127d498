#pragma once

// The manual window's search: every hit of a word in the manual, page by
// page, as a list model. Each page's text is taken from the PDF once, a few
// pages at a time so that the window stays alive meanwhile; every later
// search runs on those texts and is done at once.

#include <QAbstractListModel>
#include <QList>
#include <QRectF>
#include <QStringList>
#include <QTimer>

class QPdfDocument;

namespace tessaly::app {

class ManualSearch : public QAbstractListModel {
    Q_OBJECT

public:
    explicit ManualSearch(QObject* parent = nullptr);

    // The manual searched; its texts are taken again when it is loaded anew.
    void set_document(QPdfDocument* document);
    // Searches for the text (letters of either case alike); an empty text
    // clears the hits. finished() follows, at once when the pages' texts
    // are at hand.
    void find(const QString& text);
    const QString& search_string() const { return text_; }
    // Between find() and finished().
    bool searching() const { return searching_; }

    struct Hit {
        int page = 0;
        int start = 0;  // character index on the page
        int length = 0;
    };
    const Hit& hit(int row) const { return hits_[row]; }
    // Where the hit stands on its page, in points.
    QList<QRectF> rectangles(int row) const;
    QList<int> rows_on_page(int page) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    // A line of the hit list: its page and the words round it.
    QVariant data(const QModelIndex& index, int role) const override;

signals:
    void finished();

private:
    void forget_texts();
    void take_texts();
    void search();

    QPdfDocument* document_ = nullptr;
    QStringList pages_;  // the text of each page taken so far
    QTimer taking_;
    QString text_;
    bool searching_ = false;
    QList<Hit> hits_;
    mutable QList<QList<QRectF>> rectangles_;  // per row, found when first asked
};

}  // namespace tessaly::app
