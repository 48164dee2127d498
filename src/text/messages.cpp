#include "text/messages.h"

#include <algorithm>
#include <array>
#include <ostream>

namespace tessaly {

namespace {

// Only what this program can show: the Windows program's OLE start-up
// failure and the registry key it looked up Excel by have nothing to stand
// for here, so they have no entries.
constexpr CatalogueEntry kCatalogue[] = {
    {MessageId::DocumentStrings, "Tessaly\n\nTessaly\nTessaly Files (*.tsy)\n.tsy\nTessaly.Document\nTessaly.Document",
     MessageStyle::Text},
    {MessageId::RedoTip, "一つ前に戻した操作をやり直します\nリドゥ(Ctrl + Y)", MessageStyle::Text},
    {MessageId::ToggleMenuTip, "メニューの表示と非表示を切替えます\nメニュー表示/非表示(Ctrl+F1)", MessageStyle::Text},
    {MessageId::CrossTip,
     "選択ノードのクロスを実行します。　※クロス結果ノードは、選択ノードの中央に作成されます。作成位置を指定したいときは、ビューの右クリックメニューから処理してください\nクロス実行",
     MessageStyle::Text},
    {MessageId::OutOfMemory, "メモリの確保に失敗しました", MessageStyle::Stop},
    {MessageId::OpenFailed, "ファイルのオープンに失敗しました", MessageStyle::Stop},
    {MessageId::NoText, "テキストが入力されていません", MessageStyle::Stop},
    {MessageId::RecordTooLong, "5,000バイトを超えるレコードを含むファイルは処理できません", MessageStyle::Stop},
    {MessageId::NoLineBreak, "改行のないファイルは処理できません", MessageStyle::Stop},
    {MessageId::TempFileFailed, "一時ファイルの作成に失敗しました", MessageStyle::Stop},
    {MessageId::TooManyFields, "フィールド数が 2,000 以上あるレコードを含むファイルは処理できません",
     MessageStyle::Stop},
    {MessageId::NoResultFolder, "クロス結果ファイルの保存場所が指定されていません", MessageStyle::Stop},
    {MessageId::RibbonFailed, "リボンメニューの初期化に失敗しました", MessageStyle::Stop},
    {MessageId::FileSaved, "ファイルを保存しました", MessageStyle::Information},
    {MessageId::WrongFileFormat, "ファイル形式が異なります", MessageStyle::Stop},
    {MessageId::TooManyNodes, "ノードの数が制限(1,001)を超えました\nこれ以上、セットできません", MessageStyle::Stop},
    {MessageId::WriteFailed, "ファイルへの書込みに失敗しました", MessageStyle::Stop},
    {MessageId::WrongVersion, "バージョンが異なります", MessageStyle::Stop},
    {MessageId::ConfirmDeleteNode, "このノードを削除してもよろしいですか\n原本ファイルは削除しません",
     MessageStyle::Question},
    {MessageId::ValueOutOfRange, "値が範囲内にありません", MessageStyle::Stop},
    {MessageId::CannotTurnAllOff, "すべてオフにすることはできません", MessageStyle::Stop},
    {MessageId::ConfirmDeleteResultNode, "このノードを削除してもよろしいですか\nクロス結果ファイルも削除されます",
     MessageStyle::Question},
    {MessageId::DeleteFailed, "ファイルの削除に失敗しました", MessageStyle::Stop},
    {MessageId::TooManyArcs, "アークの数が制限(1,000)を超えました\nこれ以上、セットできません", MessageStyle::Stop},
    {MessageId::CountingRecords, "ただ今、件数確認中。このまま、お待ちください…", MessageStyle::Text},
    {MessageId::CrossFinished, "クロス、正常終了", MessageStyle::Text},
    {MessageId::ReadingData, "データ読込み中。もうしばらく、お待ちください…", MessageStyle::Text},
    {MessageId::FindingDuplicates, "重複調査中…", MessageStyle::Text},
    {MessageId::WritingResults, "結果書き込み中。これが最後です…", MessageStyle::Text},
    {MessageId::ExcelStartFailed, "Ｅｘｃｅｌの起動に失敗しました", MessageStyle::Stop},
    {MessageId::AskResultFolder, "クロス結果ファイルの保存場所が未定です\n今すぐ設定しますか", MessageStyle::Question},
    {MessageId::ChooseResultFolder, "クロス結果ファイルを保存するフォルダを指定してください", MessageStyle::Text},
    {MessageId::NoHits, "ヒット件数 0 です", MessageStyle::Information},
    {MessageId::FileAlreadySet, "このファイルは既にセットされています", MessageStyle::Stop},
    {MessageId::NotAText, "テキストファイル以外のファイルは処理できません", MessageStyle::Stop},
    {MessageId::NoKeyFields,
     "キー項目（クロス対象となるフィールド）がセットされていません\nノードをＷクリックしてファイル内容を表示し、クロスキーを指定してください",
     MessageStyle::Information},
    {MessageId::ClickedNodeHasNoKey,
     "右クリックしたノードに、クロスキー項目がセットされていません\n右クリックしたノードの設定が他の選択ノードにセットされます",
     MessageStyle::Information},
    {MessageId::SettingOutOfRange, "設定値が範囲内にありません", MessageStyle::Stop},
    {MessageId::AccessDenied, "アクセスが拒否されて、処理ができませんでした", MessageStyle::Stop},
    {MessageId::CreateFailed, "ファイルの作成に失敗\nアクセス権がない可能性があります", MessageStyle::Stop},
    {MessageId::AskClearReadOnly, "読み取り専用になっています。解除して継続しますか", MessageStyle::Question},
    {MessageId::AskOverwrite, "同名のファイルが存在します。上書きしますか", MessageStyle::Question},
    {MessageId::AlreadyRunning, "既に起動しています", MessageStyle::Stop},
    {MessageId::ArcLimitExceeded, "アークの最大セット件数を超えました", MessageStyle::Stop},
    {MessageId::NodeLimitExceeded, "ノードの最大セット件数を超えました", MessageStyle::Stop},
    {MessageId::Aborted, "処理を中止します", MessageStyle::Stop},
    {MessageId::FileObjectFailed, "ファイルオブジェクトの作成に失敗しました", MessageStyle::Stop},
    {MessageId::ExplorerStartFailed, "エクスプローラの起動に失敗しました", MessageStyle::Stop},
    {MessageId::TextTooLong, "文字数が既定の長さを超えています", MessageStyle::Stop},
    {MessageId::AskCopyKeyFields,
     "右クリックしたノードと同位置のフィールドを\n他の選択ノードのクロスキーとしてよろしいですか",
     MessageStyle::Question},
    {MessageId::GuideShown, "ステータスバーに操作ガイドを表示するように設定しました", MessageStyle::Text},
    {MessageId::ConfirmCross, "以上の条件でクロス処理を実行してもよろしいですか", MessageStyle::Question},
    {MessageId::PrinterDcFailed, "プリンタＤＣの取得に失敗しました", MessageStyle::Stop},
    {MessageId::ManualName, "Manual", MessageStyle::Text},
    {MessageId::ManualMissing, "実行ファイルと同じ場所にＰＤＦファイルがありません", MessageStyle::Information},
    {MessageId::IsAFolder, "フォルダは開けません", MessageStyle::Stop},
    {MessageId::FileNotFound, "ファイルが見つかりません", MessageStyle::Stop},
    {MessageId::PrinterInitFailed, "プリンタの初期化に失敗しました", MessageStyle::Stop},
    {MessageId::Release100, "Ver. 1.00 2010.08.03 新規作成", MessageStyle::Text},
    {MessageId::Release101, "Ver. 1.01 2010.10.04 リボンスタイルに変更。x64bit版追加", MessageStyle::Text},
    {MessageId::Release102, "Ver. 1.02 2010.10.10 クロスオプションに「旧字体と新字体を区別」を追加",
     MessageStyle::Text},
    {MessageId::Release103, "Ver. 1.03 2011.06.15 倍率変更・アンドゥ機能などの操作性を強化", MessageStyle::Text},
    {MessageId::Release104, "Ver. 1.04 2012.05.03 ツールチップなどの操作ガイドを追加", MessageStyle::Text},
    {MessageId::Release105, "Ver. 1.05 2012.11.17 アニメポインタの追加。操作ガイドの強化", MessageStyle::Text},
    {MessageId::Release106, "Ver. 1.06 2014.08.21 新旧字体の組み合わせを28個から93個へ大幅拡張", MessageStyle::Text},
    {MessageId::Release107, "Ver. 1.07 2014.09.18 印刷プレビューに余白の表示を追加", MessageStyle::Text},
    {MessageId::Release108, "Ver. 1.08 2022.11.07 アニメポインターの速度調整機能追加", MessageStyle::Text},
    // Our own: a file whose path a node cannot hold (259 bytes of cp932).
    {MessageId::PathUnusable, "パスが長すぎるか、使えない文字を含むため、セットできません", MessageStyle::Stop},
    // Our own: a FIFO, a device or a socket where a file was expected.
    {MessageId::NotARegularFile, "通常のファイル以外（名前付きパイプ、デバイスなど）は処理できません",
     MessageStyle::Stop},
    // Our own: the chart on disk changed since it was opened or saved.
    {MessageId::AskOverwriteChangedChart,
     "このチャートは、開いた後に他のプログラムで変更されています\n上書き保存しますか", MessageStyle::Question},
    // Our own: another program (a command-line cross) holds the chart's lock.
    {MessageId::ChartLocked,
     "このチャートは他のプログラムが保存中のため、保存できません\nしばらくしてから、もう一度保存してください",
     MessageStyle::Stop},
    // Our own: files from other systems (the file and its encoding come first).
    {MessageId::AskConvertToCp932,
     "テサリーが読めるのはシフトJIS（CP932）のファイルだけです。\n"
     "シフトJISに変換したコピーを同じフォルダに作って、そちらをセットしますか",
     MessageStyle::Question},
    {MessageId::NotInCp932,
     "シフトJISにない文字があるため、変換したコピーは作りませんでした。\n"
     "これらの文字を置き換えてから、もう一度セットしてください",
     MessageStyle::Stop},
    // The file and the first such line (number and text) come first.
    {MessageId::AskQuotedFields,
     "ダブルクォートで囲まれた項目の中にカンマがあります。\n"
     "このままでは、すべてのカンマで項目を区切るため、クロスキーの項目の位置がずれます。\n"
     "「引用符（\"）で囲まれた項目を１項目とする」をオンにしますか",
     MessageStyle::Question},
    {MessageId::NotCp932Shown,
     "シフトJIS（CP932）のファイルではないため、正しく表示されず、クロスキーも正しく比べられません。\n"
     "ノードを削除して、もう一度セットすると、シフトJISに変換したコピーを作れます",
     MessageStyle::Information},
    // Our own: a save refused because of what another user owns (the file,
    // the folder, or the name a save must replace comes first).
    {MessageId::OthersFile,
     "このファイルは他のユーザーが所有しているため、置き換えられません\n"
     "ファイルの所有者に書込みを許可してもらうか、別の名前で保存してください",
     MessageStyle::Stop},
    {MessageId::OthersFolder,
     "このフォルダは他のユーザーが所有していて、書込みが許可されていないため、ファイルを作れません\n"
     "フォルダの所有者に書込みを許可してもらうか、別のフォルダに保存してください",
     MessageStyle::Stop},
    {MessageId::NameTaken,
     "同じ名前の、置き換えられないもの（他のユーザーのファイル、シンボリックリンク、フォルダなど）があるため、書き込めません\n"
     "これを削除するか名前を変えてから、もう一度やり直してください",
     MessageStyle::Stop},
    // Our own: a settings file that is not a regular file, or too large to
    // be one of ours (the path comes first); it is left alone.
    {MessageId::SettingsIgnored,
     "設定ファイルが通常のファイルでないか、大きすぎるため、読み込みませんでした。\n"
     "既定の設定で続けます（この間の設定の変更は保存されません）",
     MessageStyle::Information},
    // Our own: no folder private to the user for the single-instance lock.
    {MessageId::NoPrivateFolder,
     "二重起動を確かめるための、自分だけが使えるフォルダを用意できませんでした。\n"
     "二重起動を確かめずに起動します",
     MessageStyle::Information},
    // Our own: "open in the spreadsheet program" on a path that is not an
    // existing file (the path comes first).
    {MessageId::NotAnExistingFile, "表計算ソフトで開けるのは、絶対パスで指定された、存在する通常のファイルだけです",
     MessageStyle::Stop},
    // Our own: the file changed while the user was being asked about it.
    {MessageId::ChangedWhileAsking,
     "確認している間にファイルが変更されたため、セットしませんでした。\n"
     "もう一度セットしてください",
     MessageStyle::Stop},
    // Our own: a source found to be no cp932 text while its records were counted.
    {MessageId::NotCp932Cross,
     "シフトJIS（CP932）のファイルではないため、クロスできません。\n"
     "ノードを削除して、もう一度セットすると、シフトJISに変換したコピーを作れます",
     MessageStyle::Stop},
    // Our own: Excel workbooks, whose one sheet is placed as a cp932 copy
    // (the workbook comes first).
    {MessageId::WorkbookDamaged,
     "Excelブック（.xlsx）として読めません。ファイルが壊れているか、Excelブックではありません。\n"
     "Excelで開けるか確かめて、.xlsx か CSV で保存し直してください",
     MessageStyle::Stop},
    {MessageId::WorkbookEncrypted,
     "パスワードで保護（暗号化）されたExcelブックは読めません。\n"
     "Excelでパスワードを解除して保存してから、もう一度やり直してください",
     MessageStyle::Stop},
    {MessageId::WorkbookWithoutSheets, "このExcelブックにはシートがありません", MessageStyle::Stop},
    {MessageId::SheetEmpty, "選んだシートには値の入ったセルがありません", MessageStyle::Stop},
    {MessageId::NoSuchSheet, "指定された名前（または番号）のシートが、このExcelブックにありません", MessageStyle::Stop},
    {MessageId::WorkbookTooLarge,
     "展開すると極端に大きくなる部分を含むため、このExcelブックは読みません（1 GiB 超、または圧縮時の100倍超）。\n"
     "壊れているか、不正なファイルの可能性があります",
     MessageStyle::Stop},
    {MessageId::NotATextSaveAsCsv,
     "テキストファイル以外のファイルは処理できません。\n"
     "表計算ソフトのファイルなら、Excelブック（.xlsx）か CSV で保存してから、セットしてください",
     MessageStyle::Stop},
    {MessageId::AskConvertWorkbook,
     "Excelブックはそのままでは読めません。\n"
     "このシートをシフトJIS（CP932）の CSV に変換したコピーを同じフォルダに作って、そちらをセットしますか",
     MessageStyle::Question},
    {MessageId::CellLineBreaksReplaced, "セルの中の改行を、１つずつ空白に置き換えました", MessageStyle::Information},
    {MessageId::AskCreateFolder, "このフォルダはありません\n作成しますか", MessageStyle::Question},
    {MessageId::CreateFolderFailed, "フォルダを作成できませんでした", MessageStyle::Stop},
    {MessageId::FileNotFolder, "フォルダではなくファイルです\n保存場所にはフォルダを指定してください",
     MessageStyle::Stop},
    {MessageId::FolderNotWritable,
     "このフォルダには書込みが許可されていないため、クロス結果ファイルを作れません\n書込みのできるフォルダを指定してください",
     MessageStyle::Stop},
    {MessageId::FolderNotAbsolute, "保存場所は / から始まるフォルダのパスで指定してください", MessageStyle::Stop},
    {MessageId::ElapsedTimeTip, "各種処理に要した\r時間を表示します\n処理時間", MessageStyle::Text},
    {MessageId::NodeFontSizeTip, "ノードテキストの\rフォントサイズを変更します\nフォントサイズ", MessageStyle::Text},
    {MessageId::PreviewFontSizeTip, "プレビュー表示されるテキストの\rフォントサイズを変更します\nフォントサイズ",
     MessageStyle::Text},
    {MessageId::AlignLeftTip, "選択されたノードを\r主選択ノードの左端に\r合わせて揃えます\n左揃え", MessageStyle::Text},
    {MessageId::AlignRightTip, "選択されたノードを\r主選択ノードの右端に\r合わせて揃えます\n右揃え",
     MessageStyle::Text},
    {MessageId::AlignTopTip, "選択されたノードを\r主選択ノードの上端に\r合わせて揃えます\n上揃え", MessageStyle::Text},
    {MessageId::AlignBottomTip, "選択されたノードを\r主選択ノードの下端に\r合わせて揃えます\n下揃え",
     MessageStyle::Text},
    {MessageId::CentreVerticallyTip, "選択されたノードを\r垂直位置がビューの中央\rになるように揃えます\n垂直中央",
     MessageStyle::Text},
    {MessageId::CentreHorizontallyTip, "選択されたノードを\r水平位置がビューの中央\rになるように揃えます\n水平中央",
     MessageStyle::Text},
    {MessageId::SpaceVerticallyTip, "選択されたノードの\r垂直方向の間隔が均等\rになるように揃えます\n垂直均等",
     MessageStyle::Text},
    {MessageId::SpaceHorizontallyTip, "選択されたノードの\r水平方向の間隔が均等\rになるように揃えます\n水平均等",
     MessageStyle::Text},
    {MessageId::RemoveSpacesTip, "クロス時、クスロキー内の空白を\r削除してからクロス処理します\n空白を削除",
     MessageStyle::Text},
    {MessageId::RemoveHyphensTip, "クロス時、クスロキー内のハイフンを\r削除してからクロス処理します\nハイフンを削除",
     MessageStyle::Text},
    {MessageId::RemoveParensTip, "クロス時、クスロキー内のかっこを\r削除してからクロス処理します\nかっこを削除",
     MessageStyle::Text},
    {MessageId::IgnoreCaseTip, "クロス時、大文字・小文字を区別\rしないでクロス処理します\n大文字・小文字を区別しない",
     MessageStyle::Text},
    {MessageId::MinHitTip, "指定回以上重複するものを\rヒットと処理します\r(2-100)\n最低重複回数", MessageStyle::Text},
    {MessageId::HitNumbersTip, "クロス結果出力時、レコード先頭に\rヒットの一連番号を付けます\nヒットの一連番号を付ける",
     MessageStyle::Text},
    {MessageId::BlankLinesTip,
     "クロス結果出力時、１ヒットごとに改行して\r判読しやすいようにします\n１ヒットごと改行する", MessageStyle::Text},
    {MessageId::AutoCloseTip, "クロス処理が終了したら\nダイアログを自動的に閉じます\n処理ダイアログを自動的に閉じる",
     MessageStyle::Text},
    {MessageId::ShowNameTip, "ノードテキストに\rノードの名称を表示します\n名称", MessageStyle::Text},
    {MessageId::ShowDescriptionTip, "ノードテキストに\r内容説明を表示します\n内容説明", MessageStyle::Text},
    {MessageId::ShowKeySampleTip, "ノードテキストに\r現在設定されている\rクロスキーの見本を表示します\nクロスキー見本",
     MessageStyle::Text},
    {MessageId::ShowPathTip, "ノードテキストに\rファイルパスを表示します\nファイルパス", MessageStyle::Text},
    {MessageId::ShowCountTip, "ノードテキストに\r件数を表示します\n件数", MessageStyle::Text},
    {MessageId::UndoTip, "操作した結果を一つ前に戻します\nアンドゥ(Ctrl + Z)", MessageStyle::Text},
    {MessageId::ChartAreaOnlyTip, "チャートエリアのみ\rを表示します\nチャートエリア", MessageStyle::Text},
    {MessageId::FileAreaOnlyTip, "ファイルエリアのみ\rを表示します\nファイルエリア", MessageStyle::Text},
    {MessageId::StartTimeTip, "各種処理を開始した\r時間を表示します\n開始時間", MessageStyle::Text},
    {MessageId::OldNewTip,
     "クロス時、氏名などに使用される\r旧字体・新字体を区別しないで\rクロス処理します\n旧字体・新字体を区別しない",
     MessageStyle::Text},
    {MessageId::QuotedFieldsTip,
     "クロス時、引用符（\"）で囲まれた項目を\rカンマを含めて１項目として扱います\n引用符（\"）で囲まれた項目を１項目とする",
     MessageStyle::Text},
    {MessageId::WorkbookResultTip,
     "クロス結果出力時、結果ファイルと同じ名前の\rExcelブック（.xlsx）にも、元の項目のままの\rレコードとファイルごとの集計を出力します\n結果をExcelブックにも出力する",
     MessageStyle::Text},
    {MessageId::RecordNumbersTip, "プレビューエリアのレコード№の\r表示非表示を切り替えます\nレコード№の表示",
     MessageStyle::Text},
    {MessageId::ColumnRulerTip, "プレビューエリアの桁目盛りの\r表示非表示を切り替えます\n桁目盛りの表示",
     MessageStyle::Text},
    {MessageId::SettingsTip, "「結果保存場所」の指定など\r環境設定をします\n環境設定", MessageStyle::Text},
    {MessageId::ManualTip, "取扱説明書を表示します\n取扱説明", MessageStyle::Text},
    {MessageId::EqualAreasTip, "２つのエリアを\r左右均等表示します\nエリア均等表示", MessageStyle::Text},
    {MessageId::AppTitle, "Tessaly", MessageStyle::Text},
    {MessageId::PrintTip, "チャートエリアの印刷をします\n印刷", MessageStyle::Text},
    {MessageId::ExitTip, "テサリーを終了します\n終了", MessageStyle::Text},
};

constexpr bool sorted_by_id() {
    for (std::size_t i = 1; i < std::size(kCatalogue); ++i)
        if (kCatalogue[i - 1].id >= kCatalogue[i].id) return false;
    return true;
}
static_assert(sorted_by_id(), "the catalogue is looked up by binary search");

}  // namespace

std::ostream& operator<<(std::ostream& out, MessageId id) { return out << static_cast<int>(id); }

std::span<const CatalogueEntry> message_catalogue() { return kCatalogue; }

const CatalogueEntry* find_message(MessageId id) {
    auto it = std::lower_bound(std::begin(kCatalogue), std::end(kCatalogue), id,
                               [](const CatalogueEntry& e, MessageId key) { return e.id < key; });
    return it != std::end(kCatalogue) && it->id == id ? &*it : nullptr;
}

std::string_view message_text(MessageId id) {
    const CatalogueEntry* entry = find_message(id);
    return entry ? entry->text : std::string_view{};
}

std::string format_count(std::string_view digits) {
    std::string s(digits);
    const std::size_t n = s.size();
    if (n < 4 || n > 9) return s;
    std::string out;
    out.reserve(n + 2);
    const std::size_t lead = n % 3 == 0 ? 3 : n % 3;
    out.append(s, 0, lead);
    for (std::size_t i = lead; i < n; i += 3) {
        out.push_back(',');
        out.append(s, i, 3);
    }
    return out;
}

std::string format_count(long long value) { return format_count(std::to_string(value)); }

}  // namespace tessaly
