#include "cli/cli_encoding.h"

#include <algorithm>

#include "cli/cli_failure.h"
#include "text/messages.h"
#include "text/printable.h"
#include "text/workbook.h"

namespace tessaly::cli {

std::string shell_word(std::string_view text) {
    const bool plain = !text.empty() && text.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                            "0123456789_-+.,/:@%=") == std::string_view::npos;
    if (plain) return std::string(text);
    // A name with control bytes in it is quoted as $'...', the controls as
    // escapes (printable.h): the command stays on its line and still names
    // the file when pasted into the shell.
    if (contains_controls(text)) {
        std::string escaped;
        for (char c : text) {
            if (c == '\\' || c == '\'') escaped += '\\';
            escaped += c;
        }
        return "$'" + escape_controls(escaped) + "'";
    }
    std::string word = "'";
    for (char c : text) {
        if (c == '\'')
            word += "'\\''";
        else
            word += c;
    }
    return word + "'";
}

std::string conversion_command(TextEncoding encoding, const std::filesystem::path& file) {
    // A name that starts with "-" would be read as an option.
    const std::filesystem::path named = file.string().starts_with("-") ? "." / file : file;
    const std::string source = shell_word(named.string());
    const std::string copy = shell_word(cp932_copy_path(named).string());
    switch (encoding) {
        case TextEncoding::Utf8Bom:
            return "tail -c +4 " + source + " | iconv -f UTF-8 -t CP932 > " + copy;
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be:
            return "iconv -f UTF-16 -t CP932 " + source + " > " + copy;
        case TextEncoding::Utf8:
        case TextEncoding::Cp932:
            break;
    }
    return "iconv -f " + iconv_name(encoding) + " -t CP932 " + source + " > " + copy;
}

std::string foreign_encoding_refusal(const std::filesystem::path& path, std::string_view shown) {
    const TextEncoding encoding = detect_file_encoding(path);
    if (encoding == TextEncoding::Cp932) return {};
    return encoding_refusal(encoding, shown);
}

namespace {

// Our own command that copies the file as cp932 beside it.
std::string copy_command(std::string_view shown) {
    const std::filesystem::path file(shown);
    const std::filesystem::path named = file.string().starts_with("-") ? "." / file : file;
    return "tessaly-cross --to-cp932 " + shell_word(named.string());
}

}  // namespace

std::string encoding_refusal(TextEncoding encoding, std::string_view shown) {
    return failure_line(shown, "the file is " + encoding_name(encoding) +
                                   ", and tessaly-cross reads cp932 (Shift-JIS) only; convert it with:") +
           "  " + copy_command(shown) + "\nor:\n  " + conversion_command(encoding, std::filesystem::path(shown)) + "\n";
}

std::string spreadsheet_refusal(const std::filesystem::path& path, std::string_view shown) {
    if (is_workbook_name(path))
        return failure_line(shown,
                            "the file is an Excel workbook, and tessaly-cross reads cp932 (Shift-JIS) text "
                            "only; copy a sheet of it as CSV with:") +
               "  " + copy_command(shown) + " [--sheet NAME|N]\n";
    if (is_unread_spreadsheet_name(path)) {
        std::string text(message_text(MessageId::NotATextSaveAsCsv));
        std::replace(text.begin(), text.end(), '\n', ' ');
        return failure_line(shown, text);
    }
    return {};
}

}  // namespace tessaly::cli
