#include "app/command_line.h"

#include <cstdio>
#include <string_view>

#ifndef TESSALY_VERSION
#define TESSALY_VERSION "0.0.0"
#endif

namespace tessaly::app {

namespace {

constexpr const char* kUsage =
    "使い方: tessaly [チャート.tsy]\n"
    "        tessaly --print-pdf 出力.pdf チャート.tsy\n"
    "\n"
    "テサリー (重複データ抽出ソフト) を起動します。チャートを指定するとそれを開きます。\n"
    "すでに起動しているときは、そのウィンドウがチャートを開きます。\n"
    "\n"
    "オプション:\n"
    "  --print-pdf 出力.pdf チャート.tsy\n"
    "                 チャートを記録された印刷設定で PDF ファイルに印刷します\n"
    "                 (ウィンドウは開きません)\n"
    "  -h, --help     この説明を表示します\n"
    "  --version      バージョンを表示します\n"
    "  --             これより後はオプションではなくファイル名です\n"
    "\n"
    "終了コード: 0 成功、1 失敗、2 使い方の誤り\n";

CommandLine wrong(std::string text) {
    CommandLine line;
    line.mode = CommandLine::Mode::Wrong;
    line.error = std::move(text);
    return line;
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv) {
    CommandLine line;
    if (argc > 1 && std::string_view(argv[1]) == "--print-pdf") {
        line.mode = CommandLine::Mode::PrintPdf;
        return line;
    }
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "--help" || argument == "-h")) {
            line.mode = CommandLine::Mode::Help;
            return line;
        } else if (options && argument == "--version") {
            line.mode = CommandLine::Mode::Version;
            return line;
        } else if (options && argument == "--print-pdf") {
            return wrong("tessaly: --print-pdf は最初に指定します (tessaly --print-pdf 出力.pdf チャート.tsy)");
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            // Qt's own options (-platform, -style ...) included: a start from
            // the desktop passes none, and a word taken for a chart's name
            // would replace the chart open in a running window.
            return wrong("tessaly: 不明なオプションです: " + std::string(argument) +
                         "\n使い方は tessaly --help で表示します");
        } else if (!line.chart.empty()) {
            return wrong("tessaly: 開けるチャートは一つだけです: " + std::string(argument));
        } else if (argument.empty()) {
            return wrong("tessaly: チャートのファイル名が空です");
        } else {
            line.chart = std::string(argument);
        }
    }
    return line;
}

const char* command_line_usage() { return kUsage; }

std::string command_line_version() { return "tessaly " TESSALY_VERSION; }

int answer_without_window(const CommandLine& line) {
    switch (line.mode) {
        case CommandLine::Mode::Help:
            std::fputs(kUsage, stdout);
            return 0;
        case CommandLine::Mode::Version:
            std::printf("%s\n", command_line_version().c_str());
            return 0;
        case CommandLine::Mode::Wrong:
            std::fprintf(stderr, "%s\n", line.error.c_str());
            return 2;
        default:
            return 1;
    }
}

}  // namespace tessaly::app
