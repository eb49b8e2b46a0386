// Long-running use: the output dialog polls a running simulated generator from
// its own timer for ten minutes (KDX_LONG_POLL_SECONDS for another length).
// Memory and open handles must not grow; the longest time one poll held the
// event loop is reported. Run on request only (ctest label "long").
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <unistd.h>

#include "device/qt/OutputDlg.h"
#include "document/KDXDoc.h"
#include "ScriptedPrompts.h"
#include "SimControls.h"

using namespace kdx;

namespace {

long ResidentKiB() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

qsizetype OpenDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
}

// Times every timer event the dialog handles: each is one poll.
class PollTimer : public QObject {
public:
    qint64 longestNs = 0;
    qint64 polls = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Timer) return false;
        QElapsedTimer clock;
        clock.start();
        const bool handled = watched->event(event);
        longestNs = std::max(longestNs, clock.nsecsElapsed());
        ++polls;
        return handled;
    }
};

}  // namespace

class LongPollTest : public QObject {
    Q_OBJECT

private slots:
    void pollingForMinutesHoldsNothingMore() {
        simtest::SimControls sim;
        std::string error;
        QVERIFY2(simtest::LoadSimControls(KDX_SIM_LIBRARY, sim, error), error.c_str());
        QCOMPARE(sim.configure(R"({"generators": [{"state": {"running": true, "data_loaded": true}}]})"), 0);
        const int seconds = qEnvironmentVariableIsSet("KDX_LONG_POLL_SECONDS")
                                ? qEnvironmentVariableIntValue("KDX_LONG_POLL_SECONDS")
                                : 600;

        CKDXDoc doc;
        QVERIFY(doc.NewWaveform(20, 250000));
        QStringList messages;
        std::unique_ptr<COutputDlg> dialog = COutputDlg::Create(
            doc, {}, nullptr, [&](QWidget*, const QString& text) { messages << text; });
        QVERIFY(dialog);
        PollTimer timer;
        dialog->installEventFilter(&timer);
        QCOMPARE(dialog->StatusLabel()->text(), QStringLiteral("VELX-9 動作中"));

        // Past start-up allocations (fonts, the first paints) before the baseline.
        QTest::qWait(std::min(seconds, 10) * 1000 / 2);
        const long residentBefore = ResidentKiB();
        const qsizetype descriptorsBefore = OpenDescriptors();
        const qint64 pollsBefore = timer.polls;
        QTest::qWait(seconds * 1000);
        const long residentAfter = ResidentKiB();
        const qint64 polls = timer.polls - pollsBefore;

        qInfo("%lld polls in %d s; longest poll held the event loop %.3f ms; resident %ld KiB -> %ld KiB; "
              "descriptors %lld -> %lld; generator handles %d",
              polls, seconds, timer.longestNs / 1e6, residentBefore, residentAfter,
              static_cast<long long>(descriptorsBefore), static_cast<long long>(OpenDescriptors()),
              sim.openHandles());
        QVERIFY(polls > 0);
        QCOMPARE(dialog->StatusLabel()->text(), QStringLiteral("VELX-9 動作中"));
        QVERIFY(messages.isEmpty());
        QVERIFY(OpenDescriptors() <= descriptorsBefore);
        QCOMPARE(sim.openHandles(), 1);
        // Allocator noise aside, nothing may pile up poll after poll.
        QVERIFY2(residentAfter - residentBefore < 1024, "resident memory grew by a MiB or more");

        dialog->Finish();
        QCOMPARE(sim.openHandles(), 0);
    }
};

QTEST_MAIN(LongPollTest)
#include "LongPollTest.moc"
