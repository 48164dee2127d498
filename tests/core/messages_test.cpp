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

}  // namespace

TEST(MessageCatalogue, HoldsEveryMessageBoxTextWithItsStyle) {
    const std::vector<int> stops = {30001, 30003, 30004, 30005, 30006, 30007, 30008, 30009, 30010,
                                    30013, 30014, 30015, 30016, 30018, 30019, 30021, 30022, 30028, 30032,
                                    30033, 30037, 30038, 30039, 30042, 30043, 30044, 30045, 30046, 30048,
                                    30049, 30064, 30166, 30177, 30182, 30300, 30301, 30303};
    const std::vector<int> informations = {30011, 30031, 30034, 30036, 30162};
    const std::vector<int> questions = {30017, 30020, 30029, 30040, 30041, 30050, 30052, 30302};
    for (int id : stops) EXPECT_EQ(find_message(id)->style, MessageStyle::Stop) << id;
    for (int id : informations) EXPECT_EQ(find_message(id)->style, MessageStyle::Information) << id;
    for (int id : questions) EXPECT_EQ(find_message(id)->style, MessageStyle::Question) << id;

    EXPECT_EQ(message_text(30014), "ノードの数が制限(1,001)を超えました\nこれ以上、セットできません");
    EXPECT_EQ(message_text(57344), "Tessaly");
    EXPECT_EQ(message_text(30027), "結果書き込み中。これが最後です…");
    EXPECT_EQ(message_text(32816), "指定回以上重複するものを\rヒットと処理します\r(2-100)\n最低重複回数");
    for (int id = 30200; id <= 30208; ++id) EXPECT_TRUE(message_text(id).starts_with("Ver. 1.0")) << id;
    EXPECT_EQ(message_text(30002), "");
}

TEST(ShowMessage, PutsThePrefixOnTheFirstLine) {
    RecordingPresenter presenter;
    show_message(presenter, "/data/members.tsy\n", 30015, MessageStyle::Stop);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "/data/members.tsy\nファイルへの書込みに失敗しました");
    EXPECT_EQ(presenter.shown[0].style, MessageStyle::Stop);

    show_message(presenter, Status::failure(30177, "/data/x.tsy"));
    EXPECT_EQ(presenter.shown[1].text, "/data/x.tsy\nファイルが見つかりません");
    show_message(presenter, Status::failure(30013));
    EXPECT_EQ(presenter.shown[2].text, "ファイル形式が異なります");
}

TEST(ShowMessage, ReturnsTheAnswerAndNothingForAMissingId) {
    RecordingPresenter presenter;
    presenter.answer = kAnswerYes;
    EXPECT_EQ(show_message(presenter, "", 30017), kAnswerYes);
    EXPECT_EQ(presenter.shown.back().style, MessageStyle::Question);
    EXPECT_EQ(show_message(presenter, "", 29999), 0);
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
