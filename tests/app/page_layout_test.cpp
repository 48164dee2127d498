#include <QTest>

#include "print/page_layout.h"
#include "print/paper_codes.h"
#include "test_registry.h"

using namespace tessaly::print;

// The page layout's arithmetic, on exact sheets.
class PageLayoutTest : public QObject {
    Q_OBJECT

    // A sheet of exactly 210 × 297 mm at 600 dpi, without unprintable margins.
    static DeviceMeasures a4_at(int dpi) {
        return {dpi, dpi, 0, 0, static_cast<int>(210 / 25.4 * dpi + 0.5), static_cast<int>(297 / 25.4 * dpi + 0.5)};
    }

private slots:
    void a_full_hd_chart_takes_three_by_two_a4_pages() {
        const PaperMm exact{210, 297};
        const Margins margins{25, 10, 25, 10};
        QCOMPARE(page_grid(1920, 1080, 96, 96, exact, margins, false), (PageGrid{3, 2}));
        QCOMPARE(page_grid(1920, 1080, 96, 96, exact, margins, true), (PageGrid{1, 1}));
        // The printer's own sheet is a hair off 210 × 297 and gives the same.
        QCOMPARE(page_grid(1920, 1080, 96, 96, paper_mm(a4_at(600)), margins, false), (PageGrid{3, 2}));
        // Landscape: 508 ÷ 262 and 285.75 ÷ 175.
        QCOMPARE(page_grid(1920, 1080, 96, 96, PaperMm{297, 210}, margins, false), (PageGrid{2, 2}));
    }

    void a_chart_one_printable_width_wide_takes_two_pages_across() {
        // 175 mm at 96 dpi is 661.4 pixels; 662 pixels are a little more.
        QCOMPARE(page_grid(662, 100, 96, 96, PaperMm{210, 297}, Margins{}, false).across, 2);
        QCOMPARE(page_grid(661, 100, 96, 96, PaperMm{210, 297}, Margins{}, false).across, 1);
        // Margins wider than the paper leave no room: one blank page.
        QCOMPARE(page_grid(1000, 100, 96, 96, PaperMm{98, 190}, Margins{50, 50, 10, 10}, false).across, 1);
    }

    void the_sheet_in_the_preview_keeps_the_papers_proportions() {
        // 400 × 500 less 28: 372 × 472; portrait A4 would be 526 high, so
        // the height fits and the width follows: 472 ÷ (297 ÷ 210) = 333.
        const QRect sheet = paper_rect_in(QRect(0, 0, 400, 500), PaperMm{210, 297});
        QCOMPARE(sheet, QRect(33, 14, 333, 472));
        // Landscape in a wide frame: the height fits, 372 × 297 ÷ 210 = 526 wide.
        QCOMPARE(paper_rect_in(QRect(10, 0, 600, 400), PaperMm{297, 210}), QRect(10 + 37, 14, 526, 372));
        QVERIFY(paper_rect_in(QRect(0, 0, 20, 20), PaperMm{210, 297}).isEmpty());
    }

    void margins_in_the_preview_are_cut_twice() {
        const double scale = preview_scale(QRect(0, 0, 333, 472), 96, PaperMm{210, 297});
        QVERIFY(std::abs(scale - (333 / 96.0 * 25.4) / 210) < 1e-12);
        // 25 mm is 94 screen pixels, times 0.4195 is 39.4.
        QCOMPARE(mm_in_preview(25, 96, scale), 39);
        const PreviewMargins m = preview_margins(Margins{25, 10, 25, 10}, 96, 96, scale);
        QCOMPARE(m.left, 39);
        QCOMPARE(m.right, 15);
        QCOMPARE(printable_rect(QRect(33, 14, 333, 472), m), QRect(72, 53, 333 - 39 - 15, 472 - 39 - 15));
    }

    void a_dragged_margin_of_49_counts_as_50() {
        const double scale = 0.5;
        // The 50 mm stop: 188 screen pixels, 94 preview pixels, 49.7 mm.
        QCOMPARE(mm_in_preview(50, 96, scale), 94);
        QCOMPARE(margin_after_drag(94, scale, 96), 50);
        QCOMPARE(margin_after_drag(40, scale, 96), 21);
        QCOMPARE(margin_after_drag(0, scale, 96), 0);
    }

    void the_print_area_runs_from_the_margins_on_every_side() {
        const DeviceMeasures sheet{600, 600, 0, 0, 4960, 7016};
        // 25 mm = 590.5 → 590 printer pixels, 10 mm = 236.2 → 236.
        QCOMPARE(print_area(sheet, Margins{25, 10, 25, 10}), (PrintArea{590, 590, 4960 - 236 - 590, 7016 - 236 - 590}));
        // An unprintable margin does not move the area: the margins already
        // count from the sheet's edge.
        const DeviceMeasures with_offsets{600, 600, 100, 80, 4960, 7016};
        QCOMPARE(print_area(with_offsets, Margins{25, 10, 25, 10}), print_area(sheet, Margins{25, 10, 25, 10}));
        QCOMPARE(unprintable_mm(100, 600), 4);
    }

    void everything_on_one_page_keeps_the_proportions() {
        // Wide image on a tall area: the height gives way and it is centred.
        QCOMPARE(fit_on_one_page(PrintArea{94, 94, 662, 992}, 1920, 1080), (PrintArea{94, 94 + 310, 662, 372}));
        // Tall image: the width gives way.
        QCOMPARE(fit_on_one_page(PrintArea{0, 0, 1000, 500}, 500, 1000), (PrintArea{375, 0, 250, 500}));
        QCOMPARE(one_page_image(1920, 1080, QSize(662, 992)), QSize(662, 372));
    }

    void the_range_names_the_pages() {
        const PageGrid grid{3, 2};
        QCOMPARE(pages_to_print(PrintRange::All, 4, 2, 3, grid).last, 6);
        QCOMPARE(pages_to_print(PrintRange::Current, 4, 2, 3, grid).first, 4);
        QCOMPARE(pages_to_print(PrintRange::Current, 4, 2, 3, grid).last, 4);
        QVERIFY(pages_to_print(PrintRange::Pages, 1, 3, 2, grid).empty());
        QCOMPARE(print_range_of(3), PrintRange::Pages);
        QCOMPARE(print_range_of(2), PrintRange::Current);
        QCOMPARE(print_range_of(0), PrintRange::All);
        QCOMPARE(print_range_of(7), PrintRange::All);
    }

    void paper_codes_have_their_names_and_sizes() {
        QCOMPARE(paper_name(9), QString("A4Sheet, 210x297mm"));
        QCOMPARE(paper_name(1), QString("Letter, 81/2x11inch"));
        QCOMPARE(paper_name(41), QString("GermanLegalFanfold, 81/2x13inch"));
        QCOMPARE(paper_name(42), QString("etc."));
        QCOMPARE(paper_name(0), QString("etc."));
        for (int code = 1; code <= 41; ++code) QVERIFY2(known_paper_code(code), qPrintable(QString::number(code)));
        QCOMPARE(page_size_of(9).id(), QPageSize::A4);
        QCOMPARE(page_size_of(8).id(), QPageSize::A3);
        QCOMPARE(page_size_of(14).size(QPageSize::Inch), QSizeF(8.5, 13));
        QCOMPARE(page_size_of(9999).id(), QPageSize::A4);
        QCOMPARE(paper_code_of(page_size_of(14)), 14);
        QCOMPARE(paper_code_of(QPageSize(QPageSize::A5)), 11);
        // The PDF printer offers the whole list.
        QCOMPARE(paper_choices({}).size(), 41);
        QCOMPARE(paper_choices({QPageSize(QPageSize::A4), QPageSize(QPageSize::A6)}).back().name, QString("A6"));
    }
};

TESSALY_REGISTER_TEST(PageLayoutTest);
#include "page_layout_test.moc"
