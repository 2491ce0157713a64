// An evaluated run as the window shows it: its graph's bands, marks and fit, and the figures of a slowly
// increasing steer.
#include "graph/ui/EvaluatedRun.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

// A sine-with-dwell run whose log ends 0.05 s after COS + 1.750 s, first steer positive, the yaw rate's
// peak negative.
SwdResult SwdRun(bool judged) {
    SwdResult r;
    r.bos = 2, r.cos = 4, r.peakYawRate = -30, r.amplitude = 100, r.amplitudeFromProgram = true;
    r.displacementLimit = 1.83;
    if (judged) r.passDisplacement = true;
    r.displacementApplies = judged;
    for (int k = 0; k <= 580; ++k) {
        const double t = k * 0.01;
        r.traces.time.push_back(t);
        r.traces.steer.push_back(t > 2 && t < 4 ? 100 * std::sin((t - 2) * M_PI / 2) : 0);
        r.traces.yawRate.push_back(-30 * std::sin(t));
        r.traces.lateralAcceleration.push_back(0.5 * std::sin(t));
        r.traces.displacement.push_back(t >= 2 && t <= 3.2 ? t - 2 : NAN);
    }
    return r;
}

std::vector<TPointD> Program(double sign) {
    std::vector<TPointD> points;
    for (int k = 0; k <= 500; ++k) points.push_back(PointD(k * 0.01, sign * (k > 200 && k < 400 ? 100 : 0)));
    return points;
}

const RunStrip *Strip(const RunGraph &g, const std::string &title) {
    for (const RunStrip &s : g.strips)
        if (s.title == title) return &s;
    return nullptr;
}

} // namespace

class TestEvaluatedRun : public QObject {
    Q_OBJECT

private slots:
    // A ratio fails beyond its limit on the side of the peak: with a negative peak, below it; the 35 %
    // limit from COS + 1.000 s to COS + 1.750 s, the 20 % one from there on.
    void theRatioLimitsAreBandsOnThePeaksSide() {
        const RunGraph g = SwdRunGraph(SwdRun(true), {20, "Evaluate Run", 0}, Program(1));
        const RunStrip *yaw = Strip(g, "yaw rate, deg/s");
        QVERIFY(yaw);
        QCOMPARE(yaw->bands.size(), std::size_t(2));
        QCOMPARE(yaw->bands[0].from, 5.0);
        QCOMPARE(yaw->bands[0].to, 5.75);
        QCOMPARE(yaw->bands[0].limit, -10.5);
        QCOMPARE(yaw->bands[1].from, 5.75);
        QCOMPARE(yaw->bands[1].limit, -6.0);
        for (const RunBand &band : yaw->bands) QVERIFY(!band.failsAbove);
        SwdResult positive = SwdRun(true);
        positive.peakYawRate = 30;
        const RunGraph up = SwdRunGraph(positive, {}, Program(1));
        QVERIFY(Strip(up, "yaw rate, deg/s")->bands[0].failsAbove);
    }

    // Every mark in a colour of its own; the displacement's limit is a band only where it is judged.
    void theMarksAreApartAndTheDisplacementSaysWhetherItIsJudged() {
        const RunGraph judged = SwdRunGraph(SwdRun(true), {20, "Evaluate Run", 0}, Program(1));
        QStringList names;
        std::vector<Color> colours;
        for (const RunMark &m : judged.marks) {
            names << QString::fromStdString(m.name);
            QVERIFY(std::find(colours.begin(), colours.end(), m.colour) == colours.end());
            colours.push_back(m.colour);
        }
        QCOMPARE(names, QStringList({"BOS", "COS", "COS + 1.000 s", "COS + 1.750 s", "BOS + 1.07 s"}));
        const RunStrip *d = Strip(judged, "lateral displacement, m");
        QCOMPARE(d->bands.size(), std::size_t(1));
        QCOMPARE(d->bands[0].from, 2 + 1.07);
        QVERIFY(!d->bands[0].failsAbove); // less than the limit fails
        QCOMPARE(d->bands[0].to, 3.2);    // as far as the displacement is computed
        const RunGraph unknown = SwdRunGraph(SwdRun(false), {0, "", 0}, Program(1));
        QVERIFY(Strip(unknown, "lateral displacement, m")->bands.empty());
        QCOMPARE(Strip(unknown, "lateral displacement, m")->note, std::string("not judged: A is not known"));
        const RunGraph below = SwdRunGraph(SwdRun(false), {25, "Evaluate Run", 0}, Program(1));
        QCOMPARE(Strip(below, "lateral displacement, m")->note,
                 std::string("not judged: the amplitude 100.00 deg is below 5 A (125.00 deg)"));
    }

    // A run steered the other way is laid under the program mirrored.
    void aRunSteeredTheOtherWayHasTheProgramMirrored() {
        const RunGraph straight = SwdRunGraph(SwdRun(true), {}, Program(1));
        const RunTrace &same = straight.strips[0].traces[0];
        QCOMPARE(same.name, std::string("program steer"));
        QCOMPARE(same.values[300], 100.0);
        // After its end the program holds its end angle to the end of the graph, as the machine does.
        QCOMPARE(same.time.back(), straight.to);
        QCOMPARE(same.values.back(), 0.0);
        const RunGraph other = SwdRunGraph(SwdRun(true), {}, Program(-1));
        const RunTrace &mirrored = other.strips[0].traces[0];
        QCOMPARE(mirrored.name, std::string("program steer mirrored"));
        QCOMPARE(mirrored.values[300], 100.0);
    }

    // A slowly increasing steer run: the fit of the samples it regressed, and the point read off it.
    void aSlowlyIncreasingSteerShowsItsFitAndTheAngleAtTheLevel() {
        SisResult r;
        r.state = RunState::Pass, r.pass = true;
        r.slope = -90, r.intercept = -1, r.angle = -28, r.fitFrom = 2, r.fitTo = 5, r.samples = 300;
        r.peakLateralAcceleration = -0.9;
        for (int k = 0; k <= 800; ++k) {
            const double t = k * 0.01;
            r.traces.time.push_back(t);
            r.traces.lateralAcceleration.push_back(-std::min(0.9, std::max(0.0, (t - 1) * 0.1)));
            r.traces.steer.push_back(-1 + 90 * r.traces.lateralAcceleration.back());
        }
        const SisOptions options;
        const RunGraph g = SisRunGraph(r, options, Program(1));
        QVERIFY(g.fit.has_value());
        QCOMPARE(g.fit->at.x, 0.3);
        QCOMPARE(g.fit->at.y, -28.0);
        QCOMPARE(g.fit->atLabel, std::string("-28.00 deg at 0.3 g"));
        QVERIFY(!g.fit->samples.empty());
        for (const TPointD &p : g.fit->samples) QVERIFY(p.x >= options.fitLow); // toward the turn
        // The levels on the side the car turned to; the reading's mark where it passes 0.3 g (1 s + 3 s).
        const RunStrip *ay = Strip(g, "lateral acceleration, g");
        QCOMPARE(ay->levels.size(), std::size_t(3));
        QCOMPARE(ay->levels[0].value, -0.1);
        QCOMPARE(g.marks[1].name, std::string("0.3 g"));
        QVERIFY(std::fabs(g.marks[1].time - 4) < 0.011);
        const std::vector<std::string> lines = SisFigureLines(r, options);
        QCOMPARE(QString::fromStdString(lines[0]), QString("Steer at 0.3 g: -28.000 deg"));
        QCOMPARE(
            QString::fromStdString(lines.back()),
            QString(
                "A is the mean of the series' absolute angles to 0.1 deg: this run alone gives 28.0 deg"));
    }
};

QTEST_MAIN(TestEvaluatedRun)
#include "test_evaluatedrun.moc"
