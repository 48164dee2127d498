#include <QTest>

#include <cmath>
#include <numbers>

#include "test_registry.h"
#include "view/comet_orbits.h"

using namespace tessaly;
using namespace tessaly::view;

namespace {

const Rect kNowhere{0, 0, 0, 0};

}  // namespace

class CometOrbitsTest : public QObject {
    Q_OBJECT

private slots:
    void turning_and_projecting_points() {
        const OrbitPoint centre{100, 100};
        QCOMPARE(rotate_point({130, 100}, 6.283185307, centre), (OrbitPoint{130, 100}));
        const OrbitPoint mirrored = rotate_point({130, 120}, std::numbers::pi, centre);
        QVERIFY(std::abs(mirrored.x - 70) <= 1 && std::abs(mirrored.y - 80) <= 1);
        const OrbitPoint quarter = rotate_point({130, 100}, std::numbers::pi / 2, centre);  // y grows downwards
        QVERIFY(std::abs(quarter.x - 100) <= 1 && std::abs(quarter.y - 130) <= 1);

        // The pointer's foot on a node's middle line lies straight above or below it.
        QCOMPARE(project_point_on_line({250, 40}, {0, 100}, {1000, 100}), (OrbitPoint{250, 100}));
        QCOMPARE(project_point_on_line({250, 170}, {0, 100}, {1000, 100}), (OrbitPoint{250, 100}));
    }

    // An untilted ellipse of 40 × 20 half-axes about (200, 100): the left
    // end, the top, the right end and the bottom at 0, 15, 30 and 45, clockwise.
    void the_orbit_runs_clockwise_from_the_left_end() {
        const std::optional<Orbit> orbit = build_orbit({160, 80, 240, 120}, kNowhere, 0);
        QVERIFY(orbit);
        const auto at = [&](int position) { return (*orbit)[position]; };
        QCOMPARE(at(0), (OrbitPoint{160, 100}));
        QCOMPARE(at(30), (OrbitPoint{240, 100}));
        QVERIFY(std::abs(at(15).x - 200) <= 4 && std::abs(at(15).y - 80) <= 1);
        QVERIFY(std::abs(at(45).x - 200) <= 4 && std::abs(at(45).y - 120) <= 1);
        for (int p = 1; p < 15; ++p) {  // up and to the right along the top left
            QVERIFY(at(p).x >= at(p - 1).x);
            QVERIFY(at(p).y <= at(p - 1).y);
        }
        for (int p = 31; p < 45; ++p) QVERIFY(at(p).y >= at(p - 1).y);  // down the right side
        for (int p = 0; p < kOrbitLength; ++p) {
            const double dx = (at(p).x - 200) / 40.0;
            const double dy = (at(p).y - 100) / 20.0;
            QVERIFY2(std::abs(dx * dx + dy * dy - 1) < 0.25, qPrintable(QString::number(p)));
        }
    }

    // Behind the node: positions inside the hiding square and not left of
    // the centre are hidden, the rest of the ring stays.
    void the_comet_passes_behind_the_node() {
        const std::optional<Orbit> orbit = build_orbit({160, 80, 240, 120}, {190, 70, 250, 130}, 0);
        QVERIFY(orbit);
        int hidden = 0;
        for (int p = 0; p < kOrbitLength; ++p) {
            const OrbitPoint at = (*orbit)[p];
            if (at == kHiddenPosition)
                ++hidden;
            else
                QVERIFY(!(at.x >= 200 && at.x < 250 && at.y >= 70 && at.y < 130));
        }
        QVERIFY(hidden >= 20);
        QCOMPARE((*orbit)[0], (OrbitPoint{160, 100}));  // the left end is in sight
        QCOMPARE((*orbit)[30], kHiddenPosition);        // the right end is not

        // Tilted half a turn, the hidden side moves with the points.
        const std::optional<Orbit> turned = build_orbit({160, 80, 240, 120}, {190, 70, 250, 130}, std::numbers::pi);
        QVERIFY(turned);
        QCOMPARE((*turned)[0], kHiddenPosition);
        QVERIFY((*turned)[30] != kHiddenPosition);
    }

    void too_small_an_ellipse_has_no_orbit() {
        QVERIFY(!build_orbit({100, 100, 102, 140}, kNowhere, 0));
        QVERIFY(!build_orbit({100, 100, 140, 101}, kNowhere, 0));
        QVERIFY(build_orbit({100, 100, 104, 104}, kNowhere, 0));
    }
};

TESSALY_REGISTER_TEST(CometOrbitsTest);

#include "comet_orbits_test.moc"
