#include "app/commands.h"

#include <QKeySequence>

#include "ribbon/ribbon.h"
#include "text/messages.h"

namespace tessaly::app {

Commands::Commands(QObject* parent) : QObject(parent) {
    // The application menu and the quick-access toolbar.
    add(CommandId::NewChart, "新規作成(&N)")->setShortcut(QKeySequence("Ctrl+N"));
    add(CommandId::OpenChart, "開く(&O)...")->setShortcut(QKeySequence("Ctrl+O"));
    add(CommandId::SaveChart, "上書き保存(&S)")->setShortcut(QKeySequence("Ctrl+S"));
    add(CommandId::SaveChartAs, "名前を付けて保存(&A)...");
    add(CommandId::CloseChart, "閉じる(&C)");
    add(CommandId::Print, "印刷(&P)")->setShortcut(QKeySequence("Ctrl+P"));
    add(CommandId::Settings, "環境の設定(&K)");
    add(CommandId::About, "バージョン情報(&A)");
    add(CommandId::Exit, "テサリーの終了(&X)");
    // The right end of the tab row.
    add(CommandId::Undo, "元に戻す");
    add(CommandId::Redo, "やり直し");
    add(CommandId::ToggleRibbon, "メニュー表示/非表示");
    add(CommandId::Manual, "ヘルプ")->setShortcut(QKeySequence("F1"));
    // ホーム
    add(CommandId::ShowNodeName, "名称", true);
    add(CommandId::ShowNodeDescription, "内容説明", true);
    add(CommandId::ShowNodeRecordCount, "件数", true);
    add(CommandId::ShowNodeKeySample, "クロスキー見本", true);
    add(CommandId::ShowNodeFilePath, "ファイルパス", true);
    add(CommandId::NodeFontSize, "フォント：");
    for (CommandId id : {CommandId::AlignVerticalCentre, CommandId::AlignHorizontalCentre, CommandId::AlignVerticalEven,
                         CommandId::AlignHorizontalEven, CommandId::AlignTop, CommandId::AlignBottom,
                         CommandId::AlignLeft, CommandId::AlignRight})
        add(id, "");
    (*this)[CommandId::AlignLeft]->setText("左揃え");
    (*this)[CommandId::AlignRight]->setText("右揃え");
    (*this)[CommandId::AlignTop]->setText("上揃え");
    (*this)[CommandId::AlignBottom]->setText("下揃え");
    (*this)[CommandId::AlignVerticalCentre]->setText("垂直中央");
    (*this)[CommandId::AlignHorizontalCentre]->setText("水平中央");
    (*this)[CommandId::AlignVerticalEven]->setText("垂直均等");
    (*this)[CommandId::AlignHorizontalEven]->setText("水平均等");
    add(CommandId::ChartAreaOnly, "チャートエリア");
    add(CommandId::BothAreas, "エリア均等表示");
    add(CommandId::FileAreaOnly, "ファイルエリア");
    add(CommandId::ShowRuler, "桁目盛りの表示", true);
    add(CommandId::ShowRecordNo, "レコード№の表示", true);
    add(CommandId::PreviewFontSize, "フォント：");
    add(CommandId::RunCross, "クロス 実行");
    add(CommandId::StartTime, "開始時間 : 00:00:00");
    add(CommandId::ElapsedTime, "処理時間 : 00:00:00");
    // クロス設定
    add(CommandId::RemoveSpaces, "空白を削除", true);
    add(CommandId::RemoveHyphens, "ハイフンを削除", true);
    add(CommandId::RemoveParens, "かっこ(　)を削除", true);
    add(CommandId::IgnoreCase, "大文字・小文字を区別しない", true);
    add(CommandId::OldNewForms, "旧字体・新字体を区別しない", true);
    add(CommandId::QuotedFields, "引用符（\"）で囲まれた項目を１項目とする", true);
    add(CommandId::MinHit, "最低重複回数：");
    add(CommandId::HitNumbers, "ヒットの一連番号を付ける", true);
    add(CommandId::LineBreakPerHit, "１ヒットごと改行する", true);
    add(CommandId::AutoClose, "処理ダイアログを自動的に閉じる", true);
    add(CommandId::WorkbookOutput, "結果をExcelブックにも出力する", true);
    // The chart's context menus.
    add(CommandId::CrossHere, "【クロス実行】ここに選択ノードのクロス結果作成(&X)");
    add(CommandId::SetCrossOriginalHere, "ここにクロス原本セット(&G)");
    add(CommandId::ConsoleToTopLeft, "ズームコンソールを左上に表示(&Z)");
    add(CommandId::SelectAllNodes, "すべてのノードを選択(&N)\tCtrl+A");
    add(CommandId::ClearPreview, "ファイルプレビューのクリア(&C)\tWClick");
    add(CommandId::PreviewFile, "ファイルプレビュー(&F)\tWClick");
    add(CommandId::MakeMandatory, "クロス時の必須ノードにする(&H)\t必須Click");
    add(CommandId::ClearMandatory, "クロス時の必須ノードを解除する(&U)\t必須Click");
    add(CommandId::SameKeyFields, "クロスキー項目を同じにする(&K)");
    add(CommandId::OpenInExcel, "Ｅｘｃｅｌで開く(&X)\tCtrl+E");
    add(CommandId::ResultSummary, "クロス結果の集計…");
    add(CommandId::CopyToFile, "名前を付けてファイルにコピー(&S)");
    add(CommandId::DeleteNodes, "削除(&D)\tDelete");
    add(CommandId::NodeProperties, "ノードのプロパティ(&P)");
    add(CommandId::PinConsole, "ズームコンソールを常に表示(&Z)", true);
    add(CommandId::Zoom100, "100%(&1)");
    add(CommandId::Zoom200, "200%(&2)");
    add(CommandId::Zoom300, "300%(&3)");
    add(CommandId::Zoom400, "400%(&4)");
    add(CommandId::ZoomToFit, "画面に合せて表示(&F)");
    // The file area's context menu.
    add(CommandId::KeyHelp, "クロスキーセット方法説明(&H)");
    // A key of the chart only.
    add(CommandId::SwitchOperationGuide, "操作ガイドの表示切替\tF2");
}

QAction* Commands::add(CommandId id, const char* caption, bool checkable) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setData(command_number(id));
    action->setCheckable(checkable);
    const std::string_view tip = message_text(static_cast<MessageId>(command_number(id)));
    if (!tip.empty()) ribbon::set_ribbon_tooltip(action, QString::fromUtf8(tip.data(), static_cast<int>(tip.size())));
    actions_.insert(id, action);
    return action;
}

QAction* Commands::operator[](CommandId id) const {
    QAction* action = actions_.value(id);
    Q_ASSERT(action);
    return action;
}

}  // namespace tessaly::app
