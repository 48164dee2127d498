#include "text/show_message.h"

namespace tessaly {

int show_message(MessagePresenter& presenter, std::string_view prefix, MessageId id, MessageStyle style) {
    const CatalogueEntry* entry = find_message(id);
    if (!entry) return 0;
    std::string text(prefix);
    text += entry->text;
    return presenter.present(text, style);
}

int show_message(MessagePresenter& presenter, std::string_view prefix, MessageId id) {
    const CatalogueEntry* entry = find_message(id);
    if (!entry) return 0;
    return show_message(presenter, prefix, id, entry->style);
}

int show_message(MessagePresenter& presenter, std::string_view prefix, MessageId id, const std::string& detail) {
    const CatalogueEntry* entry = find_message(id);
    if (!entry) return 0;
    std::string text(prefix);
    text += entry->text;
    return detail.empty() ? presenter.present(text, entry->style) : presenter.present(text, entry->style, detail);
}

int show_message(MessagePresenter& presenter, const Status& failure) {
    std::string prefix;
    if (!failure.first_line.empty()) prefix = failure.first_line + "\n";
    return show_message(presenter, prefix, failure.message_id);
}

}  // namespace tessaly
