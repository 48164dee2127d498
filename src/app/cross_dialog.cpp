#include "app/cross_dialog.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/cross_texts.h"
#include "cross/cross_engine.h"
#include "ribbon/ribbon.h"

namespace tessaly::app {

namespace {

QString catalogue(MessageId id) {
    const std::string_view text = message_text(id);
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

QString count_text(long long n) { return QString::fromStdString(format_count(n)); }

// The figures of a finished cross, as the engine worked them out.
CrossFigures finished_figures(const CrossEngine& engine) { return engine.figures(); }

}  // namespace

// Hears the engine. Counts and progress change far more often than a person
// can read them: they are kept here and shown when the engine lets events
// through, at most every few tens of milliseconds.
class CrossDialog::Observer : public CrossObserver {
public:
    explicit Observer(CrossDialog& dialog) : dialog_(dialog) {}

    void message_line(MessageId id) override {
        dialog_.message_->setText(catalogue(id));
        show_now();
    }
    void progress_range(int maximum) override {
        if (dialog_.display_.progress) ribbon::set_progress_maximum(dialog_.display_.progress, maximum);
    }
    void progress_position(int position) override { position_ = position; }
    void record_count(long long n) override {
        dialog_.records_->setText(count_text(n));
        show_now();
    }
    void hit_count(long long h) override { hits_ = h; }
    bool cancel_requested() override { return dialog_.cancelled_; }
    void keep_alive() override { show_now(); }

    // Puts the latest figures on the screen and lets the user's events in.
    void show_now() {
        if (dialog_.display_.progress) dialog_.display_.progress->setValue(position_);
        if (hits_ != shown_hits_) dialog_.hit_label_->setText(count_text(shown_hits_ = hits_));
        QApplication::processEvents();
    }

private:
    CrossDialog& dialog_;
    int position_ = 0;
    long long hits_ = 0;
    long long shown_hits_ = 0;
};

CrossDialog::CrossDialog(const Chart& chart, const CrossOptions& options, std::filesystem::path result_path,
                         MessagePresenter& messages, CrossDisplay display, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      chart_(chart),
      options_(options),
      result_path_(std::move(result_path)),
      messages_(messages),
      display_(display) {
    setModal(true);
    setObjectName(QStringLiteral("CrossDialog"));
    setStyleSheet(QStringLiteral("#CrossDialog { border: 1px solid #808080; }"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(11);
    setFont(font);

    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    message_->setMinimumWidth(300);
    records_ = new QLabel(QStringLiteral("0"), this);
    hit_label_ = new QLabel(QStringLiteral("0"), this);
    for (QLabel* figure : {records_, hit_label_}) {
        figure->setAlignment(Qt::AlignCenter);
        figure->setMinimumWidth(100);
    }
    confirm_ = new QPushButton(QString::fromUtf8("確認(&O)"), this);
    cancel_ = new QPushButton(QString::fromUtf8("中止(&C)"), this);
    confirm_->hide();
    confirm_->setMinimumHeight(36);
    cancel_->setMinimumHeight(36);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->addWidget(message_, 0, 0, 1, 4);
    grid->addWidget(new QLabel(QString::fromUtf8("全データ："), this), 1, 0);
    grid->addWidget(records_, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("ヒット数："), this), 1, 2);
    grid->addWidget(hit_label_, 1, 3);
    grid->addWidget(confirm_, 0, 4, 2, 1);
    grid->addWidget(cancel_, 0, 5, 2, 1);

    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        cancelled_ = true;
        done(Rejected);
    });
}

void CrossDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    // The cross begins once the dialog is on the screen and its loop runs.
    QTimer::singleShot(0, this, &CrossDialog::run_cross);
}

void CrossDialog::run_cross() {
    if (started_) return;
    started_ = true;
    QElapsedTimer clock;
    clock.start();
    if (display_.start_time) display_.start_time->setText(start_time_text(QTime::currentTime()));

    Observer observer(*this);
    bool ok = false;
    {
        // Another cross may take the chosen name meanwhile: then the next free one.
        CrossEngine engine(chart_, options_, result_path_, observer, TakenResultName::TakeNextFree);
        while (engine.step()) observer.show_now();
        observer.show_now();
        hits_ = engine.hit_count();
        if (engine.stage() == CrossStage::Finished) figures_ = finished_figures(engine);
        result_path_ = engine.result_path();
        ok = engine.stage() == CrossStage::Finished;
        if (engine.stage() == CrossStage::Failed) show_message(messages_, engine.failure());
    }  // the work files go here, before anything else is shown
    if (!ok) {
        done(Rejected);
        return;
    }
    if (display_.elapsed_time) display_.elapsed_time->setText(elapsed_time_text(clock.elapsed() / 1000));
    finished_ = true;
    if (options_.auto_close) {
        done(Accepted);
        return;
    }
    message_->setText(catalogue(MessageId::CrossFinished));
    cancel_->hide();
    confirm_->show();
    confirm_->setDefault(true);
    confirm_->setFocus();
}

void CrossDialog::reject() {
    if (finished_) return accept();
    if (!started_ || cancelled_) return QDialog::reject();
    cancelled_ = true;
    QDialog::reject();
}

QString CrossDialog::message_line() const { return message_->text(); }
QString CrossDialog::record_count_text() const { return records_->text(); }
QString CrossDialog::hit_count_text() const { return hit_label_->text(); }

}  // namespace tessaly::app
