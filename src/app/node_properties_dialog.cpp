#include "app/node_properties_dialog.h"

#include <algorithm>

#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "text/cp932.h"

namespace tessaly::app {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

// A node's cp932 text for showing; bytes that do not convert show as U+FFFD.
QString from_cp932(std::string_view text) {
    return QString::fromStdString(cp932::to_utf8(text).value_or(cp932::to_utf8_lossy(text)));
}

std::optional<std::string> to_cp932(const QString& text) { return cp932::from_utf8(text.toStdString()); }

// Descriptions keep the line breaks of a multi-line edit box on Windows
// ("\r\n"), so that charts move between the two and the 500-byte limit
// counts a line break the same everywhere; the edit box itself knows "\n".
QString description_for_editing(QString text) { return text.replace(u("\r\n"), u("\n")); }
QString description_for_storing(QString text) { return text.replace(QLatin1Char('\n'), u("\r\n")); }

// The characters of the text that cp932 cannot hold, each once.
QString unencodable_characters(const QString& text) {
    QString found;
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (!to_cp932(one) && !found.contains(one)) found += one;
    }
    return found;
}

// The text's length in cp932 bytes. A character cp932 cannot hold counts as
// a double-byte one, so that the counter still grows as the user types; OK
// refuses such a text anyway.
int cp932_length(const QString& text) {
    if (const auto whole = to_cp932(text)) return static_cast<int>(whole->size());
    int length = 0;
    for (const char32_t c : text.toUcs4()) {
        const auto one = to_cp932(QString::fromUcs4(&c, 1));
        length += one ? static_cast<int>(one->size()) : 2;
    }
    return length;
}

QString counter_text(int length, int limit) { return QString::asprintf("(%d/%d", length, limit) + u("バイト)"); }

QString kind_text(std::uint16_t kind) { return kind == kSourceNode ? u("クロス原本") : u("クロス結果"); }

QString record_count_text(std::uint16_t kind, std::int32_t count) {
    return QString::asprintf("%ld ", static_cast<long>(count)) + (kind == kSourceNode ? u("レコード") : u("ヒット"));
}

// The start record field: digits may be typed freely, and OK checks the
// range; the arrows keep within 1 to 10.
class StartRecordBox : public QSpinBox {
public:
    explicit StartRecordBox(QWidget* parent) : QSpinBox(parent) {
        setRange(0, 65535);
        setAlignment(Qt::AlignCenter);
    }
    void stepBy(int steps) override { setValue(std::clamp(value() + steps, kLowestStartRecord, kHighestStartRecord)); }

protected:
    StepEnabled stepEnabled() const override {
        StepEnabled enabled = StepNone;
        if (value() < kHighestStartRecord) enabled |= StepUpEnabled;
        if (value() > kLowestStartRecord) enabled |= StepDownEnabled;
        return enabled;
    }
};

// A field that is only shown: it looks like the dialog, not like input.
void make_read_only(QWidget* field) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    field->setPalette(palette);
}

QLabel* caption(const char* text, QWidget* parent) {
    auto* label = new QLabel(u(text), parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// A caption with the byte counter at the right end of the same line.
QHBoxLayout* caption_row(QLabel* caption_label, QLabel* counter) {
    auto* row = new QHBoxLayout;
    row->addWidget(caption_label);
    row->addStretch();
    counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(counter);
    return row;
}

int lines_high(const QWidget* field, int lines) {
    return field->fontMetrics().lineSpacing() * lines + 2 * (field->contentsMargins().top() + 4);
}

}  // namespace

std::optional<NodeProperties> node_properties_of(const Chart& chart) {
    if (chart.primary_node < 0 || chart.primary_node >= chart.node_count()) return std::nullopt;
    const NodeRecord& node = chart.nodes[static_cast<std::size_t>(chart.primary_node)];
    NodeProperties values;
    values.kind = node.kind;
    values.title = std::string(cp932::field_text(node.title));
    values.description = std::string(cp932::field_text(node.description));
    values.key_sample = std::string(cp932::field_text(node.key_sample));
    values.path = std::string(cp932::field_text(node.path));
    values.record_count = node.record_count;
    values.start_record = node.start_record;
    values.selected_count = static_cast<int>(std::count_if(chart.node_states.begin(), chart.node_states.end(),
                                                           [](const NodeState& state) { return state.selected != 0; }));
    return values;
}

void write_back(Chart& chart, const NodeProperties& values) {
    if (chart.primary_node < 0 || chart.primary_node >= chart.node_count()) return;
    NodeRecord& node = chart.nodes[static_cast<std::size_t>(chart.primary_node)];
    node.kind = values.kind;
    cp932::copy_to_field(node.title, values.title);
    cp932::copy_to_field(node.description, values.description);

    if (values.selected_count >= 2) {
        for (std::size_t i = 0; i < chart.nodes.size() && i < chart.node_states.size(); ++i)
            if (chart.node_states[i].selected != 0) chart.nodes[i].start_record = values.start_record;
    }
    // The node whose properties were edited takes the value even when it is
    // not itself among the selected ones.
    node.start_record = values.start_record;

    const std::int32_t cx = (node.rect.left + node.rect.right) / 2;
    const std::int32_t cy = (node.rect.top + node.rect.bottom) / 2;
    node.rect = Rect{cx, cy, cx, cy};
}

NodePropertiesDialog::NodePropertiesDialog(const NodeProperties& values, MessagePresenter& messages, Desktop& desktop,
                                           QWidget* parent)
    : QDialog(parent), messages_(messages), desktop_(desktop), values_(values) {
    QFont font;
    font.setFamilies({u("ＭＳ Ｐゴシック"), u("IPAPGothic"), u("Noto Sans CJK JP")});
    font.setPointSize(11);
    setFont(font);

    const bool several = values.selected_count > 1;
    setWindowTitle(several ? u("ノードのプロパティ (%1)").arg(values.selected_count) : u("ノードのプロパティ"));

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(6);

    // 1 and 2 and 7 are short facts: a two-column grid keeps their values in line.
    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(12);
    facts->setColumnStretch(1, 1);
    kind_ = new QLabel(kind_text(values.kind), this);
    facts->addWidget(caption("1 ノードの種類：", this), 0, 0);
    facts->addWidget(kind_, 0, 1);

    start_record_ = new StartRecordBox(this);
    start_record_->setValue(values.start_record);
    start_record_->setFixedWidth(start_record_->fontMetrics().horizontalAdvance(u("00000")) + 40);
    applies_to_all_ = new QLabel(u("【この項目のみ、全選択ノードに適用】"), this);
    applies_to_all_->setVisible(several);
    auto* start_row = new QHBoxLayout;
    start_row->addWidget(start_record_);
    start_row->addSpacing(4);
    start_row->addWidget(new QLabel(u("(1-10)"), this));
    start_row->addSpacing(12);
    start_row->addWidget(applies_to_all_);
    start_row->addStretch();
    facts->addWidget(caption("2 読込み開始レコード番号：", this), 1, 0);
    facts->addLayout(start_row, 1, 1);
    layout->addLayout(facts);
    layout->addSpacing(4);

    title_ = new QLineEdit(from_cp932(values.title), this);
    shown_title_ = title_->text();
    title_counter_ = new QLabel(this);
    layout->addLayout(caption_row(caption("3 タイトル：", this), title_counter_));
    layout->addWidget(title_);
    connect(title_, &QLineEdit::textChanged, this, &NodePropertiesDialog::update_title_counter);
    update_title_counter();

    description_ = new QPlainTextEdit(description_for_editing(from_cp932(values.description)), this);
    // As the box gives it back, so that an untouched description is known.
    shown_description_ = description_->toPlainText();
    description_->setTabChangesFocus(true);
    description_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    description_->setFixedHeight(lines_high(description_, 5));
    description_counter_ = new QLabel(this);
    layout->addLayout(caption_row(caption("4 内容説明：", this), description_counter_));
    layout->addWidget(description_);
    connect(description_, &QPlainTextEdit::textChanged, this, &NodePropertiesDialog::update_description_counter);
    update_description_counter();

    layout->addWidget(
        caption("5 クロスキー見本：　※ ファイルエリアでクロスキーを指定すると、ここに自動セットされます。", this));
    key_sample_ = new QPlainTextEdit(from_cp932(values.key_sample), this);
    key_sample_->setReadOnly(true);
    key_sample_->setTabChangesFocus(true);
    key_sample_->setFixedHeight(lines_high(key_sample_, 3));
    make_read_only(key_sample_);
    layout->addWidget(key_sample_);

    layout->addWidget(caption("6 ファイルパス：", this));
    path_ = new QLineEdit(from_cp932(values.path), this);
    path_->setReadOnly(true);
    path_->setCursorPosition(0);
    make_read_only(path_);
    folder_button_ = new QPushButton(u("保存場所を表示(&F)"), this);
    folder_button_->setAutoDefault(false);
    auto* path_row = new QHBoxLayout;
    path_row->addWidget(path_, 1);
    path_row->addWidget(folder_button_);
    layout->addLayout(path_row);
    connect(folder_button_, &QPushButton::clicked, this, &NodePropertiesDialog::show_folder);

    // The count sits at the foot but lines up with the facts at the top.
    auto* count_row = new QGridLayout;
    count_row->setHorizontalSpacing(12);
    count_row->setColumnStretch(1, 1);
    count_row->addWidget(caption("7 件数：", this), 0, 0);
    record_count_ = new QLabel(record_count_text(values.kind, values.record_count), this);
    count_row->addWidget(record_count_, 0, 1);
    layout->addSpacing(4);
    layout->addLayout(count_row);
    const int caption_width = fontMetrics().horizontalAdvance(u("2 読込み開始レコード番号：")) + 4;
    facts->setColumnMinimumWidth(0, caption_width);
    count_row->setColumnMinimumWidth(0, caption_width);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    save_button_ = new QPushButton(u("保存終了(&S)"), this);
    close_button_ = new QPushButton(u("閉じる(&C)"), this);
    save_button_->setDefault(true);
    close_button_->setAutoDefault(false);
    buttons->addWidget(save_button_);
    buttons->addWidget(close_button_);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    connect(save_button_, &QPushButton::clicked, this, &NodePropertiesDialog::try_accept);
    connect(close_button_, &QPushButton::clicked, this, &QDialog::reject);

    setMinimumWidth(640);
}

std::optional<std::string> NodePropertiesDialog::title_bytes() const {
    const QString text = title_->text();
    if (text == shown_title_) return values_.title;
    return to_cp932(text);
}

std::optional<std::string> NodePropertiesDialog::description_bytes() const {
    const QString text = description_->toPlainText();
    if (text == shown_description_) return values_.description;
    return to_cp932(description_for_storing(text));
}

void NodePropertiesDialog::update_title_counter() {
    const auto bytes = title_bytes();
    const int length = bytes ? static_cast<int>(bytes->size()) : cp932_length(title_->text());
    title_counter_->setText(counter_text(length, kTitleBytes));
}

void NodePropertiesDialog::update_description_counter() {
    const auto bytes = description_bytes();
    const int length =
        bytes ? static_cast<int>(bytes->size()) : cp932_length(description_for_storing(description_->toPlainText()));
    description_counter_->setText(counter_text(length, kDescriptionBytes));
}

void NodePropertiesDialog::refuse(MessageId message_id, QWidget* field, const QString& culprits) {
    // Characters cp932 cannot hold are named above the text, so that the
    // user sees which ones to take out.
    const std::string prefix = culprits.isEmpty() ? std::string() : (u("「") + culprits + u("」\n")).toStdString();
    show_message(messages_, prefix, message_id, MessageStyle::Stop);
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
    if (auto* box = qobject_cast<QSpinBox*>(field)) box->selectAll();
}

bool NodePropertiesDialog::try_accept() {
    bool number = false;
    const int start_record = start_record_->cleanText().toInt(&number);
    if (!number || start_record < kLowestStartRecord || start_record > kHighestStartRecord) {
        refuse(MessageId::ValueOutOfRange, start_record_);
        return false;
    }

    const QString title_text = title_->text();
    if (title_text.isEmpty()) {
        refuse(MessageId::NoText, title_);
        return false;
    }
    const auto title = title_bytes();
    const int title_length = title ? static_cast<int>(title->size()) : cp932_length(title_text);
    if (title_length > kTitleBytes) {
        refuse(MessageId::TextTooLong, title_);
        return false;
    }
    if (!title) {
        refuse(MessageId::TextTooLong, title_, unencodable_characters(title_text));
        return false;
    }

    const QString description_text = description_for_storing(description_->toPlainText());
    const auto description = description_bytes();
    const int description_length = description ? static_cast<int>(description->size()) : cp932_length(description_text);
    if (description_length > kDescriptionBytes) {
        refuse(MessageId::TextTooLong, description_);
        return false;
    }
    if (!description) {
        refuse(MessageId::TextTooLong, description_, unencodable_characters(description_text));
        return false;
    }

    values_.start_record = static_cast<std::uint16_t>(start_record);
    values_.title = *title;
    values_.description = *description;
    accept();
    return true;
}

QString folder_of(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return {};
    if (slash == 0) return u("/");
    return path.left(slash);
}

void NodePropertiesDialog::show_folder() {
    if (!desktop_.open_folder(folder_of(path_->text())))
        show_message(messages_, "", MessageId::ExplorerStartFailed, MessageStyle::Stop);
}

bool edit_node_properties_with(const std::function<bool(NodePropertiesDialog&)>& drive, MessagePresenter& messages,
                               Desktop& desktop, Chart& chart) {
    const std::optional<NodeProperties> values = node_properties_of(chart);
    if (!values) return false;
    NodePropertiesDialog dialog(*values, messages, desktop);
    if (!drive(dialog)) return false;
    write_back(chart, dialog.values());
    return true;
}

bool edit_node_properties(QWidget* parent, UserDialogs& dialogs, Desktop& desktop, Chart& chart) {
    return edit_node_properties_with(
        [parent, &dialogs](NodePropertiesDialog& dialog) {
            dialog.setParent(parent, dialog.windowFlags());
            return dialogs.run_modal(dialog) == QDialog::Accepted;
        },
        dialogs, desktop, chart);
}

}  // namespace tessaly::app
