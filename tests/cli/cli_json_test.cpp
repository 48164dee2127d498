#include "cli/cli_json.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <string>

using namespace tessaly::cli;

namespace {

// The text a JSON reader gets back from a written string.
std::string read_back(const std::string& json_string_text) {
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString("{\"s\":" + json_string_text + "}"), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json_string_text;
    return document.object()["s"].toString().toStdString();
}

}  // namespace

// Any text a path or a title may hold comes back as it was; bytes that are
// no UTF-8 come back as U+FFFD.
TEST(CliJson, StringsReadBackAsWritten) {
    std::string every_ascii;
    for (int c = 1; c < 0x80; ++c) every_ascii += static_cast<char>(c);
    EXPECT_EQ(read_back(json_string(every_ascii)), every_ascii);
    EXPECT_EQ(json_string("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(read_back(json_string("会員 〒100-0001 😀")), "会員 〒100-0001 😀");

    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(read_back(json_string("a\xFF"
                                    "b")),
              "a" + replacement + "b");
    EXPECT_EQ(read_back(json_string("\x8E\x52\x93\x63")), replacement + "R" + replacement + "c");  // cp932 山田
    EXPECT_EQ(read_back(json_string("cut \xE5\xB1")), "cut " + replacement + replacement);
    // An overlong form and a surrogate: every byte of them.
    EXPECT_EQ(read_back(json_string("\xC0\xAF \xED\xA0\x80")),
              replacement + replacement + " " + replacement + replacement + replacement);
}

TEST(CliJson, SecondsToTheMicrosecond) {
    EXPECT_EQ(json_seconds(0), "0");
    EXPECT_EQ(json_seconds(1.5), "1.5");
    EXPECT_EQ(json_seconds(0.0123456789), "0.012346");
    EXPECT_EQ(json_seconds(std::nan("")), "null");
    EXPECT_EQ(JsonObject().text("a", "x").integer("b", -3).flag("c", true).null("d").raw("e", "[1]").str(),
              "{\"a\":\"x\",\"b\":-3,\"c\":true,\"d\":null,\"e\":[1]}");
}
