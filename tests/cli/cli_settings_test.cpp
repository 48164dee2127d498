#include "cli/cli_settings.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include "temp_dir.h"

using namespace tessaly::cli;

// tessaly-cross reads the file that the application writes with QSettings.
TEST(CliSettings, ReadsWhatTheApplicationWrites) {
    TempDir dir;
    const std::vector<std::string> folders = {
        "/home/user/結果 フォルダ",
        "/a,b;c \"q\" \\x",
        " lead and trail ",
        "@at",
        "tab\there",
        "😀x1",
        "a=b#c",
        "C:\\dos\\path",
        "",
    };
    for (const std::string& folder : folders) {
        const auto ini = dir / "Tessaly.ini";
        {
            QSettings settings(QString::fromStdString(ini.string()), QSettings::IniFormat);
            settings.setValue("Last/FolderPath", "elsewhere");
            settings.setValue("KanSet/FolderPath", QString::fromStdString(folder));
            settings.setValue("KanSet/MakeBackup", 0);
        }
        SavedSettings saved = read_saved_settings(ini);
        EXPECT_EQ(saved.result_folder, folder);
        EXPECT_FALSE(saved.make_backup);
    }
}

TEST(CliSettings, MissingFileOrValuesGiveTheDefaults) {
    TempDir dir;
    SavedSettings none = read_saved_settings(dir / "none.ini");
    EXPECT_EQ(none.result_folder, "");
    EXPECT_TRUE(none.make_backup);

    write_bytes(dir / "other.ini", "[Last]\nFolderPath=/x\n[KanSet]\nLastOpen=1\n");
    EXPECT_EQ(read_saved_settings(dir / "other.ini").result_folder, "");

    EXPECT_EQ(unescape_ini_string("a, b"), std::nullopt);  // a list
    EXPECT_EQ(unescape_ini_string("@Variant(\\0\\0)"), std::nullopt);
    EXPECT_EQ(unescape_ini_string("\\x3042\\xd83d\\xde00"), "あ😀");
}
