#include "view/operation_guide.h"

#include "text/cp932.h"
#include "text/messages.h"
#include "view/zoom_console.h"

namespace tessaly::view {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

QString title_of(const Chart& chart, int node) {
    return QString::fromStdString(cp932::to_utf8_lossy(cp932::field_text(chart.nodes[node].title)));
}

bool valid(const Chart& chart, int node) { return node >= 0 && node < chart.node_count(); }

}  // namespace

QString guide_hint(const Chart& chart, const GuideSpot& spot, int preview_node) {
    switch (spot.place) {
        case GuidePlace::Ring:
            return ring_guide_text(spot.client_y);
        case GuidePlace::Mark:
            if (!valid(chart, spot.node)) return {};
            return u("『") + title_of(chart, spot.node) + u("』") +
                   (chart.nodes[spot.node].mandatory ? u("の必須ノードを解除") : u("を必須ノードに")) + u("します");
        case GuidePlace::SelectedNode:
            return spot.node % 2 != 0
                       ? u("方向キーの操作で、このノードを移動することができます。Ctrlキー押下時は、微移動します")
                       : u("ドラッグ＆ドロップして、このノードを移動することができます");
        case GuidePlace::Node:
            if (!valid(chart, spot.node)) return {};
            if (spot.node == preview_node)
                return u("現在ファイルエリアにファイルがセットされているノードは太字で表示されています");
            switch (spot.node % 3) {
                case 0:
                    return u("右クリックして表示されるメニューから「タイトルの変更」などができます");
                case 1:
                    return u("Ｗクリックするとファイルエリアにプレビューを表示し、クロスキーの指定ができます");
                default:
                    return u("『") + title_of(chart, spot.node) +
                           u("』をドラッグ＆ドロップしてノードを移動させることができます");
            }
        case GuidePlace::RightEdge:
            return u("左右にドラッグ＆ドロップしてビューの幅を変更することができます");
        case GuidePlace::BottomEdge:
            return u("上下にドラッグ＆ドロップしてビューの高さを変更することができます");
        case GuidePlace::None:
            break;
    }
    return {};
}

QString guide_switch_text(bool guide_on) {
    const std::string_view message = message_text(MessageId::GuideShown);
    QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
    if (const qsizetype at = text.indexOf(u("する")); !guide_on && at >= 0) text.replace(at, 2, u("しない"));
    return text;
}

}  // namespace tessaly::view
