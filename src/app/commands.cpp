#include "commands.h"

#include <QKeySequence>

#include "text/messages.h"
#include "ribbon.h"

namespace tessaly::app {

Commands::Commands(QObject* parent) : QObject(parent) {
    // The application menu and the quick-access toolbar.
    add(57600, "新規作成(&N)")->setShortcut(QKeySequence("Ctrl+N"));
    add(57601, "開く(&O)...")->setShortcut(QKeySequence("Ctrl+O"));
    add(57603, "上書き保存(&S)")->setShortcut(QKeySequence("Ctrl+S"));
    add(57604, "名前を付けて保存(&A)...");
    add(57602, "閉じる(&C)");
    add(57607, "印刷(&P)")->setShortcut(QKeySequence("Ctrl+P"));
    add(33782, "環境の設定(&K)");
    add(57664, "バージョン情報(&A)");
    add(57665, "テサリーの終了(&X)");
    // The right end of the tab row.
    add(32828, "元に戻す");
    add(314, "やり直し");
    add(316, "メニュー表示/非表示");
    add(33798, "ヘルプ")->setShortcut(QKeySequence("F1"));
    // ホーム
    add(32823, "名称", true);
    add(32824, "内容説明", true);
    add(32827, "件数", true);
    add(32825, "クロスキー見本", true);
    add(32826, "ファイルパス", true);
    add(32775, "フォント：");
    for (int id : {32804, 32805, 32806, 32807, 32802, 32803, 32800, 32801}) add(id, "");
    (*this)[32800]->setText("左揃え");
    (*this)[32801]->setText("右揃え");
    (*this)[32802]->setText("上揃え");
    (*this)[32803]->setText("下揃え");
    (*this)[32804]->setText("垂直中央");
    (*this)[32805]->setText("水平中央");
    (*this)[32806]->setText("垂直均等");
    (*this)[32807]->setText("水平均等");
    add(32829, "チャートエリア");
    add(33998, "エリア均等表示");
    add(32830, "ファイルエリア");
    add(33774, "桁目盛りの表示", true);
    add(33773, "レコード№の表示", true);
    add(32781, "フォント：");
    add(319, "クロス 実行");
    add(32831, "開始時間 : 00:00:00");
    add(32774, "処理時間 : 00:00:00");
    // クロス設定
    add(32812, "空白を削除", true);
    add(32813, "ハイフンを削除", true);
    add(32814, "かっこ(　)を削除", true);
    add(32815, "大文字・小文字を区別しない", true);
    add(32832, "旧字体・新字体を区別しない", true);
    add(32839, "引用符（\"）で囲まれた項目を１項目とする", true);
    add(32816, "最低重複回数：");
    add(32817, "ヒットの一連番号を付ける", true);
    add(32818, "１ヒットごと改行する", true);
    add(32819, "処理ダイアログを自動的に閉じる", true);
    add(32840, "結果をExcelブックにも出力する", true);
    // The chart's context menus.
    add(33784, "【クロス実行】ここに選択ノードのクロス結果作成(&X)");
    add(33801, "ここにクロス原本セット(&G)");
    add(310, "ズームコンソールを左上に表示(&Z)");
    add(33893, "すべてのノードを選択(&N)\tCtrl+A");
    add(33795, "ファイルプレビューのクリア(&C)\tWClick");
    add(32808, "ファイルプレビュー(&F)\tWClick");
    add(33787, "クロス時の必須ノードにする(&H)\t必須Click");
    add(33788, "クロス時の必須ノードを解除する(&U)\t必須Click");
    add(33789, "クロスキー項目を同じにする(&K)");
    add(33791, "Ｅｘｃｅｌで開く(&X)\tCtrl+E");
    add(33792, "クロス結果の集計…");
    add(33785, "名前を付けてファイルにコピー(&S)");
    add(34012, "削除(&D)\tDelete");
    add(33891, "ノードのプロパティ(&P)");
    add(32833, "ズームコンソールを常に表示(&Z)", true);
    add(32834, "100%(&1)");
    add(32835, "200%(&2)");
    add(32836, "300%(&3)");
    add(32837, "400%(&4)");
    add(32838, "画面に合せて表示(&F)");
    // The file area's context menu.
    add(32799, "クロスキーセット方法説明(&H)");
    // A key of the chart only.
    add(32855, "操作ガイドの表示切替\tF2");
}

QAction* Commands::add(int id, const char* caption, bool checkable) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setData(id);
    action->setCheckable(checkable);
    // A command's tooltip is the catalogue entry under the command's own number.
    const std::string_view tip = message_text(static_cast<MessageId>(id));
    if (!tip.empty()) ribbon::set_ribbon_tooltip(action, QString::fromUtf8(tip.data(), static_cast<int>(tip.size())));
    actions_.insert(id, action);
    return action;
}

QAction* Commands::operator[](int id) const {
    QAction* action = actions_.value(id);
    Q_ASSERT(action);
    return action;
}

}  // namespace tessaly::app
