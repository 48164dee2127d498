#pragma once

// The catalogue's message ids. The numbers are those of the string table the
// program was first written with; nothing stored depends on them.

#include <iosfwd>

namespace tessaly {

enum class MessageId : int {
    None = 0,  // no message: success

    // The program's own strings, and the tooltips of three commands.
    DocumentStrings = 128,  // the program's document-type strings
    RedoTip = 314,
    ToggleMenuTip = 316,
    CrossTip = 319,

    // Message boxes, message lines and captions.
    OutOfMemory = 30001,
    OpenFailed = 30003,     // the file cannot be opened
    NoText = 30004,         // a required text is empty
    RecordTooLong = 30005,  // a record over 5,000 bytes
    NoLineBreak = 30006,    // a file without line breaks
    TempFileFailed = 30007,
    TooManyFields = 30008,   // a record with 2,000 fields or more
    NoResultFolder = 30009,  // no folder for the cross results
    RibbonFailed = 30010,
    FileSaved = 30011,
    WrongFileFormat = 30013,
    TooManyNodes = 30014,  // the node table is full
    WriteFailed = 30015,
    WrongVersion = 30016,
    ConfirmDeleteNode = 30017,
    ValueOutOfRange = 30018,
    CannotTurnAllOff = 30019,
    ConfirmDeleteResultNode = 30020,  // the result file goes too
    DeleteFailed = 30021,
    TooManyArcs = 30022,        // the arc table is full
    CountingRecords = 30023,    // progress line
    CrossFinished = 30024,      // progress line
    ReadingData = 30025,        // progress line
    FindingDuplicates = 30026,  // progress line
    WritingResults = 30027,     // progress line
    ExcelStartFailed = 30028,
    AskResultFolder = 30029,     // no result folder yet: set one now?
    ChooseResultFolder = 30030,  // the folder dialog's instruction
    NoHits = 30031,
    FileAlreadySet = 30032,
    NotAText = 30033,
    NoKeyFields = 30034,
    ClickedNodeHasNoKey = 30036,  // the clicked node's keys go to the others
    SettingOutOfRange = 30037,
    AccessDenied = 30038,
    CreateFailed = 30039,  // a file cannot be made (no access?)
    AskClearReadOnly = 30040,
    AskOverwrite = 30041,
    AlreadyRunning = 30042,
    ArcLimitExceeded = 30043,
    NodeLimitExceeded = 30044,
    Aborted = 30045,
    FileObjectFailed = 30046,
    ExplorerStartFailed = 30048,
    TextTooLong = 30049,
    AskCopyKeyFields = 30050,  // the clicked node's key positions for the others?
    GuideShown = 30051,        // the operation guide goes to the status bar
    ConfirmCross = 30052,
    PrinterDcFailed = 30064,
    ManualName = 30161,
    ManualMissing = 30162,
    IsAFolder = 30166,  // folders cannot be opened
    FileNotFound = 30177,
    PrinterInitFailed = 30182,
    Release100 = 30200,  // the version history, one line a release
    Release101 = 30201,
    Release102 = 30202,
    Release103 = 30203,
    Release104 = 30204,
    Release105 = 30205,
    Release106 = 30206,
    Release107 = 30207,
    Release108 = 30208,

    // Our own messages.
    PathUnusable = 30300,              // too long for a node, or characters cp932 lacks
    NotARegularFile = 30301,           // a FIFO, a device, a socket
    AskOverwriteChangedChart = 30302,  // changed on disk since opened
    ChartLocked = 30303,               // another program is saving the chart
    AskConvertToCp932 = 30310,         // not cp932: make a converted copy?
    NotInCp932 = 30312,                // characters cp932 lacks: no copy made
    AskQuotedFields = 30313,           // commas inside quotes: treat quoted fields as one?
    NotCp932Shown = 30314,             // not cp932: shown and compared wrongly
    OthersFile = 30320,                // another user's file cannot be replaced
    OthersFolder = 30321,              // another user's folder takes no new file
    NameTaken = 30322,                 // something that cannot be replaced has the name
    SettingsIgnored = 30330,           // the settings file is not regular or too large
    NoPrivateFolder = 30331,           // no private folder for the single-instance lock
    NotAnExistingFile = 30332,         // only existing files open in the spreadsheet program
    ChangedWhileAsking = 30340,
    NotCp932Cross = 30341,       // not cp932: cannot be crossed
    ChangedDuringCross = 30342,  // a source changed while it was crossed
    WorkbookDamaged = 30350,
    WorkbookEncrypted = 30351,
    WorkbookWithoutSheets = 30352,
    SheetEmpty = 30353,
    NoSuchSheet = 30354,
    WorkbookTooLarge = 30355,    // parts that inflate too far
    NotATextSaveAsCsv = 30356,   // save spreadsheets as .xlsx or CSV
    AskConvertWorkbook = 30357,  // make a cp932 CSV copy of the sheet?
    CellLineBreaksReplaced = 30358,
    AskCreateFolder = 30360,
    CreateFolderFailed = 30361,
    FileNotFolder = 30362,
    FolderNotWritable = 30363,
    FolderNotAbsolute = 30364,  // a result folder must start with /

    // Command tooltips ("explanation\ncaption"), under the command's own id.
    ElapsedTimeTip = 32774,
    NodeFontSizeTip = 32775,
    PreviewFontSizeTip = 32781,
    AlignLeftTip = 32800,
    AlignRightTip = 32801,
    AlignTopTip = 32802,
    AlignBottomTip = 32803,
    CentreVerticallyTip = 32804,
    CentreHorizontallyTip = 32805,
    SpaceVerticallyTip = 32806,
    SpaceHorizontallyTip = 32807,
    RemoveSpacesTip = 32812,
    RemoveHyphensTip = 32813,
    RemoveParensTip = 32814,
    IgnoreCaseTip = 32815,
    MinHitTip = 32816,
    HitNumbersTip = 32817,
    BlankLinesTip = 32818,
    AutoCloseTip = 32819,
    ShowNameTip = 32823,
    ShowDescriptionTip = 32824,
    ShowKeySampleTip = 32825,
    ShowPathTip = 32826,
    ShowCountTip = 32827,
    UndoTip = 32828,
    ChartAreaOnlyTip = 32829,
    FileAreaOnlyTip = 32830,
    StartTimeTip = 32831,
    OldNewTip = 32832,
    QuotedFieldsTip = 32839,
    WorkbookResultTip = 32840,
    RecordNumbersTip = 33773,
    ColumnRulerTip = 33774,
    SettingsTip = 33782,
    ManualTip = 33798,
    EqualAreasTip = 33998,

    // The program's name, and two more command tooltips.
    AppTitle = 57344,  // the program's name, every box's caption
    PrintTip = 57607,
    ExitTip = 57665,
};

// Writes the number, for diagnostics and test failures.
std::ostream& operator<<(std::ostream& out, MessageId id);

}  // namespace tessaly
