#include "app/cross_texts.h"

#include "text/cp932.h"
#include "text/messages.h"

namespace tessaly::app {

namespace {

QString two_digits(long long n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

}  // namespace

QString cross_file_list(const Chart& chart) {
    QString list;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (!chart.node_states[i].selected) continue;
        list += QString::fromStdString(cp932::to_utf8_lossy(cp932::field_text(chart.nodes[i].path)));
        list += QString::fromUtf8("  (%1件)\n").arg(QString::fromStdString(format_count(chart.nodes[i].record_count)));
    }
    return list;
}

QString cross_confirmation_text(const Chart& chart, const CrossOptions& o) {
    int selected = 0;
    int mandatory = 0;
    int first = -1;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (!chart.node_states[i].selected) continue;
        if (first < 0) first = i;
        ++selected;
        if (chart.nodes[i].mandatory) ++mandatory;
    }
    const QString title =
        first < 0 ? QString()
                  : QString::fromStdString(cp932::to_utf8_lossy(cp932::field_text(chart.nodes[first].title)));
    auto yes_no = [](bool on, const char* yes, const char* no) { return QString::fromUtf8(on ? yes : no); };

    QString text = QString::fromUtf8("[クロス対象]\n　") + title;
    if (selected > 1) text += QString::fromUtf8("\n　　　他 %1件").arg(selected - 1);
    if (mandatory > 0) text += QString::fromUtf8("、(うち必須ノード %1件)").arg(mandatory);
    text += QString::fromUtf8("\n[クロス処理時]\n");
    text += QString::fromUtf8("　空白を削除") + yes_no(o.remove_spaces, "する\n", "しない\n");
    text += QString::fromUtf8("　ハイフンを削除") + yes_no(o.remove_hyphens, "する\n", "しない\n");
    text += QString::fromUtf8("　かっこ(　)を削除") + yes_no(o.remove_parens, "する\n", "しない\n");
    text += QString::fromUtf8("　大文字・小文字を区別") + yes_no(o.ignore_case, "しない\n", "する\n");
    text += QString::fromUtf8("　旧字体・新字体を区別") + yes_no(o.old_new, "しない\n", "する\n");
    text += QString::fromUtf8("　引用符（\"）で囲まれた項目を１項目と") + yes_no(o.quotes, "する\n", "しない\n");
    text += QString::fromUtf8("　最低重複回数： %1回").arg(o.min_hit);
    text += QString::fromUtf8("\n[クロス結果出力時]\n");
    text += QString::fromUtf8("　ヒットの一連番号を付け") + yes_no(o.hit_numbers, "る\n", "ない\n");
    text += QString::fromUtf8("　１ヒットごと改行") + yes_no(o.blank_lines, "する\n", "しない\n");
    text += QString::fromUtf8("　結果をExcelブックにも出力") + yes_no(o.workbook, "する\n", "しない\n");
    text += QString::fromUtf8("　処理ダイアログを自動的に閉じ") + yes_no(o.auto_close, "る\n", "ない\n");
    text += QLatin1Char('\n');
    return text;
}

QString start_time_text(QTime time) {
    return QString::fromUtf8("開始時間 : ") + time.toString(QStringLiteral("HH:mm:ss"));
}

QString elapsed_time_text(long long seconds) {
    return QString::fromUtf8("処理時間 : ") + two_digits(seconds / 3600 % 24) + QLatin1Char(':') +
           two_digits(seconds / 60 % 60) + QLatin1Char(':') + two_digits(seconds % 60);
}

}  // namespace tessaly::app
