#pragma once

// The main window's commands under their resource ids. The numbers are kept
// for the reader who compares with the resources, and the message catalogue
// holds a command's tooltip under the same number; the program itself names
// a command only by its enumerator.

namespace tessaly {

enum class CommandId : int {
    // The application menu and the quick-access toolbar.
    NewChart = 57600,     ///< ID_FILE_NEW: 新規作成(&N)
    OpenChart = 57601,    ///< ID_FILE_OPEN: 開く(&O)...
    SaveChart = 57603,    ///< ID_FILE_SAVE: 上書き保存(&S)
    SaveChartAs = 57604,  ///< ID_FILE_SAVE_AS: 名前を付けて保存(&A)...
    CloseChart = 57602,   ///< ID_FILE_CLOSE: 閉じる(&C)
    Print = 57607,        ///< ID_FILE_PRINT: 印刷(&P)
    Settings = 33782,     ///< ID_KAN_SET: 環境の設定(&K)
    About = 57664,        ///< ID_APP_ABOUT: バージョン情報(&A)
    Exit = 57665,         ///< ID_APP_EXIT: テサリーの終了(&X)

    // The right end of the tab row.
    Undo = 32828,        ///< ID_UNDO: 元に戻す
    Redo = 314,          ///< ID_REDO: やり直し
    ToggleRibbon = 316,  ///< ID_SHOW_MENU: メニュー表示/非表示
    Manual = 33798,      ///< ID_HELP_DSP: ヘルプ

    // ホーム
    ShowNodeName = 32823,           ///< ID_NODE_NAME: 名称
    ShowNodeDescription = 32824,    ///< ID_NODE_REM: 内容説明
    ShowNodeRecordCount = 32827,    ///< ID_KENSUU: 件数
    ShowNodeKeySample = 32825,      ///< ID_SAMPLE: クロスキー見本
    ShowNodeFilePath = 32826,       ///< ID_FILE_PATH: ファイルパス
    NodeFontSize = 32775,           ///< ID_COMBO1: フォント：(ノード)
    AlignVerticalCentre = 32804,    ///< ID_TO_V_CEN: 垂直中央
    AlignHorizontalCentre = 32805,  ///< ID_TO_H_CEN: 水平中央
    AlignVerticalEven = 32806,      ///< ID_TO_V_KIN: 垂直均等
    AlignHorizontalEven = 32807,    ///< ID_TO_H_KIN: 水平均等
    AlignTop = 32802,               ///< ID_TO_TOP: 上揃え
    AlignBottom = 32803,            ///< ID_TO_BOTTOM: 下揃え
    AlignLeft = 32800,              ///< ID_TO_LEFT: 左揃え
    AlignRight = 32801,             ///< ID_TO_RIGHT: 右揃え
    ChartAreaOnly = 32829,          ///< ID_CHART_AREA: チャートエリア
    BothAreas = 33998,              ///< ID_VIEW_KINTOU: エリア均等表示
    FileAreaOnly = 32830,           ///< ID_FILE_AREA: ファイルエリア
    ShowRuler = 33774,              ///< ID_DSP_KETA: 桁目盛りの表示
    ShowRecordNo = 33773,           ///< ID_DSP_RNO: レコード№の表示
    PreviewFontSize = 32781,        ///< ID_COMBO2: フォント：(ファイルプレビュー)
    RunCross = 319,                 ///< ID_CROSS_BTN: クロス 実行
    StartTime = 32831,              ///< ID_START_TIME: 開始時間 : 00:00:00
    ElapsedTime = 32774,            ///< ID_TIME_DSP: 処理時間 : 00:00:00

    // クロス設定
    RemoveSpaces = 32812,     ///< ID_SPC_CUT: 空白を削除
    RemoveHyphens = 32813,    ///< ID_HIFUN: ハイフンを削除
    RemoveParens = 32814,     ///< ID_KAKKO: かっこ(　)を削除
    IgnoreCase = 32815,       ///< ID_OOMOJI: 大文字・小文字を区別しない
    OldNewForms = 32832,      ///< ID_OLD_NEW: 旧字体・新字体を区別しない
    QuotedFields = 32839,     ///< 引用符（"）で囲まれた項目を１項目とする
    MinHit = 32816,           ///< ID_MIN_HIT: 最低重複回数：
    HitNumbers = 32817,       ///< ID_HIT_NO: ヒットの一連番号を付ける
    LineBreakPerHit = 32818,  ///< ID_KAIGYOU: １ヒットごと改行する
    AutoClose = 32819,        ///< ID_AUTO_CLOSE: 処理ダイアログを自動的に閉じる
    WorkbookOutput = 32840,   ///< 結果をExcelブックにも出力する

    // The chart's context menus.
    CrossHere = 33784,             ///< 【クロス実行】ここに選択ノードのクロス結果作成(&X)
    SetCrossOriginalHere = 33801,  ///< ここにクロス原本セット(&G)
    ConsoleToTopLeft = 310,        ///< ズームコンソールを左上に表示(&Z)
    SelectAllNodes = 33893,        ///< すべてのノードを選択(&N)
    ClearPreview = 33795,          ///< ファイルプレビューのクリア(&C)
    PreviewFile = 32808,           ///< ファイルプレビュー(&F)
    MakeMandatory = 33787,         ///< クロス時の必須ノードにする(&H)
    ClearMandatory = 33788,        ///< クロス時の必須ノードを解除する(&U)
    SameKeyFields = 33789,         ///< クロスキー項目を同じにする(&K)
    OpenInExcel = 33791,           ///< Ｅｘｃｅｌで開く(&X)
    ResultSummary = 33792,         ///< クロス結果の集計…
    CopyToFile = 33785,            ///< 名前を付けてファイルにコピー(&S)
    DeleteNodes = 34012,           ///< 削除(&D)
    NodeProperties = 33891,        ///< ノードのプロパティ(&P)
    PinConsole = 32833,            ///< ズームコンソールを常に表示(&Z)
    Zoom100 = 32834,               ///< 100%(&1)
    Zoom200 = 32835,               ///< 200%(&2)
    Zoom300 = 32836,               ///< 300%(&3)
    Zoom400 = 32837,               ///< 400%(&4)
    ZoomToFit = 32838,             ///< 画面に合せて表示(&F)

    // The file area's context menu.
    KeyHelp = 32799,  ///< クロスキーセット方法説明(&H)

    // A key of the chart only.
    SwitchOperationGuide = 32855,  ///< 操作ガイドの表示切替 (F2)
};

// The number an action carries in its data() and under which the catalogue
// keeps the tooltip.
constexpr int command_number(CommandId id) { return static_cast<int>(id); }

}  // namespace tessaly
