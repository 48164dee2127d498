#include <QTest>

#include "test_registry.h"
#include "text/cp932.h"
#include "view/operation_guide.h"

using namespace tessaly;
using namespace tessaly::view;

class OperationGuideTest : public QObject {
    Q_OBJECT

    static QString u(const char* text) { return QString::fromUtf8(text); }

    static Chart four_nodes() {
        Chart chart;
        chart.reset(1024, 768);
        for (const char* title : {"会員A", "会員B", "顧客C", "顧客D"})
            add_node(chart, "/n.csv", {0, 0}, 1.0, kSourceNode, cp932::from_utf8(title).value(), 1);
        return chart;
    }

private slots:
    void every_place_has_its_hint() {
        Chart chart = four_nodes();
        const auto text = [&](GuidePlace place, int node = -1, int y = 0, int preview = -1) {
            return guide_hint(chart, {place, node, y}, preview);
        };
        QCOMPARE(text(GuidePlace::Ring, -1, 7), u("回転円に沿ってドラッグして表示倍率を変更することができます。"));
        QCOMPARE(
            text(GuidePlace::Ring, -1, 8),
            u("回転円上でマウスホィールを操作して回転させることができます。Ctrlキー押下時は、1ポイント変わります。"));

        QCOMPARE(text(GuidePlace::Mark, 1), u("『会員B』を必須ノードにします"));
        chart.nodes[1].mandatory = 1;
        QCOMPARE(text(GuidePlace::Mark, 1), u("『会員B』の必須ノードを解除します"));

        QCOMPARE(text(GuidePlace::SelectedNode, 3),
                 u("方向キーの操作で、このノードを移動することができます。Ctrlキー押下時は、微移動します"));
        QCOMPARE(text(GuidePlace::SelectedNode, 2), u("ドラッグ＆ドロップして、このノードを移動することができます"));

        QCOMPARE(text(GuidePlace::Node, 0), u("右クリックして表示されるメニューから「タイトルの変更」などができます"));
        QCOMPARE(text(GuidePlace::Node, 1),
                 u("Ｗクリックするとファイルエリアにプレビューを表示し、クロスキーの指定ができます"));
        QCOMPARE(text(GuidePlace::Node, 2), u("『顧客C』をドラッグ＆ドロップしてノードを移動させることができます"));
        QCOMPARE(text(GuidePlace::Node, 3), u("右クリックして表示されるメニューから「タイトルの変更」などができます"));
        QCOMPARE(text(GuidePlace::Node, 2, 0, 2),
                 u("現在ファイルエリアにファイルがセットされているノードは太字で表示されています"));

        QCOMPARE(text(GuidePlace::RightEdge), u("左右にドラッグ＆ドロップしてビューの幅を変更することができます"));
        QCOMPARE(text(GuidePlace::BottomEdge), u("上下にドラッグ＆ドロップしてビューの高さを変更することができます"));
        QVERIFY(text(GuidePlace::None).isEmpty());
    }

    void the_switch_says_on_or_off() {
        QCOMPARE(guide_switch_text(true), u("ステータスバーに操作ガイドを表示するように設定しました"));
        QCOMPARE(guide_switch_text(false), u("ステータスバーに操作ガイドを表示しないように設定しました"));
    }
};

TESSALY_REGISTER_TEST(OperationGuideTest);

#include "operation_guide_test.moc"
