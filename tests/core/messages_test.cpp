#include "text/messages.h"
#include "text/show_message.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessaly;

namespace {

class RecordingPresenter : public MessagePresenter {
public:
    struct Shown {
        std::string text;
        MessageStyle style;
    };
    int present(const std::string& text, MessageStyle style) override {
        shown.push_back({text, style});
        return answer;
    }
    std::vector<Shown> shown;
    int answer = kAnswerOk;
};

// An id between two of the catalogue's, which has no entry.
constexpr MessageId kMissing = static_cast<MessageId>(static_cast<int>(MessageId::OpenFailed) - 1);

}  // namespace

TEST(MessageCatalogue, HoldsEveryMessageBoxTextWithItsStyle) {
    const std::vector<MessageId> stops = {MessageId::OutOfMemory,
                                          MessageId::OpenFailed,
                                          MessageId::NoText,
                                          MessageId::RecordTooLong,
                                          MessageId::NoLineBreak,
                                          MessageId::TempFileFailed,
                                          MessageId::TooManyFields,
                                          MessageId::NoResultFolder,
                                          MessageId::RibbonFailed,
                                          MessageId::WrongFileFormat,
                                          MessageId::TooManyNodes,
                                          MessageId::WriteFailed,
                                          MessageId::WrongVersion,
                                          MessageId::ValueOutOfRange,
                                          MessageId::CannotTurnAllOff,
                                          MessageId::DeleteFailed,
                                          MessageId::TooManyArcs,
                                          MessageId::ExcelStartFailed,
                                          MessageId::FileAlreadySet,
                                          MessageId::NotAText,
                                          MessageId::SettingOutOfRange,
                                          MessageId::AccessDenied,
                                          MessageId::CreateFailed,
                                          MessageId::AlreadyRunning,
                                          MessageId::ArcLimitExceeded,
                                          MessageId::NodeLimitExceeded,
                                          MessageId::Aborted,
                                          MessageId::FileObjectFailed,
                                          MessageId::ExplorerStartFailed,
                                          MessageId::TextTooLong,
                                          MessageId::PrinterDcFailed,
                                          MessageId::IsAFolder,
                                          MessageId::FileNotFound,
                                          MessageId::PrinterInitFailed,
                                          MessageId::PathUnusable,
                                          MessageId::NotARegularFile,
                                          MessageId::ChartLocked};
    const std::vector<MessageId> informations = {MessageId::FileSaved, MessageId::NoHits, MessageId::NoKeyFields,
                                                 MessageId::ClickedNodeHasNoKey, MessageId::ManualMissing};
    const std::vector<MessageId> questions = {MessageId::ConfirmDeleteNode, MessageId::ConfirmDeleteResultNode,
                                              MessageId::AskResultFolder,   MessageId::AskClearReadOnly,
                                              MessageId::AskOverwrite,      MessageId::AskCopyKeyFields,
                                              MessageId::ConfirmCross,      MessageId::AskOverwriteChangedChart};
    for (MessageId id : stops) EXPECT_EQ(find_message(id)->style, MessageStyle::Stop) << static_cast<int>(id);
    for (MessageId id : informations)
        EXPECT_EQ(find_message(id)->style, MessageStyle::Information) << static_cast<int>(id);
    for (MessageId id : questions) EXPECT_EQ(find_message(id)->style, MessageStyle::Question) << static_cast<int>(id);

    EXPECT_EQ(message_text(MessageId::TooManyNodes), "ノードの数が制限(1,001)を超えました\nこれ以上、セットできません");
    EXPECT_EQ(message_text(MessageId::AppTitle), "Tessaly");
    EXPECT_EQ(message_text(MessageId::WritingResults), "結果書き込み中。これが最後です…");
    EXPECT_EQ(message_text(MessageId::MinHitTip),
              "指定回以上重複するものを\rヒットと処理します\r(2-100)\n最低重複回数");
    for (int id = static_cast<int>(MessageId::Release100); id <= static_cast<int>(MessageId::Release108); ++id)
        EXPECT_TRUE(message_text(static_cast<MessageId>(id)).starts_with("Ver. 1.0")) << id;
    EXPECT_EQ(message_text(kMissing), "");
}

TEST(ShowMessage, PutsThePrefixOnTheFirstLine) {
    RecordingPresenter presenter;
    show_message(presenter, "/data/members.tsy\n", MessageId::WriteFailed, MessageStyle::Stop);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "/data/members.tsy\nファイルへの書込みに失敗しました");
    EXPECT_EQ(presenter.shown[0].style, MessageStyle::Stop);

    show_message(presenter, Status::failure(MessageId::FileNotFound, "/data/x.tsy"));
    EXPECT_EQ(presenter.shown[1].text, "/data/x.tsy\nファイルが見つかりません");
    show_message(presenter, Status::failure(MessageId::WrongFileFormat));
    EXPECT_EQ(presenter.shown[2].text, "ファイル形式が異なります");
}

TEST(ShowMessage, ReturnsTheAnswerAndNothingForAMissingId) {
    RecordingPresenter presenter;
    presenter.answer = kAnswerYes;
    EXPECT_EQ(show_message(presenter, "", MessageId::ConfirmDeleteNode), kAnswerYes);
    EXPECT_EQ(presenter.shown.back().style, MessageStyle::Question);
    EXPECT_EQ(show_message(presenter, "", kMissing), 0);
    EXPECT_EQ(presenter.shown.size(), 1u);
}

TEST(FormatCount, GroupsFourToNineDigits) {
    EXPECT_EQ(format_count(""), "");
    EXPECT_EQ(format_count("999"), "999");
    EXPECT_EQ(format_count("1000"), "1,000");
    EXPECT_EQ(format_count("12345"), "12,345");
    EXPECT_EQ(format_count("123456"), "123,456");
    EXPECT_EQ(format_count("1234567"), "1,234,567");
    EXPECT_EQ(format_count("123456789"), "123,456,789");
    EXPECT_EQ(format_count("1234567890"), "1234567890");
    EXPECT_EQ(format_count(5000000LL), "5,000,000");
}
