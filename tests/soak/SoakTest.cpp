#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "FakeClock.h"
#include "ReceiverLink.h"
#include "SimReceiver.h"
#include "SoakChecker.h"
#include "SoakTraffic.h"

// A long practice session on the simulated receiver with faults at random but
// reproducible points. RUVO_SOAK_FRAMES and RUVO_SOAK_SEED set the length and the
// seed (scripts/soak runs the full length); the suite runs a bounded one.
namespace soak {
namespace {

constexpr long kSuiteFrames = 20000;
constexpr std::uint64_t kSuiteSeed = 20240611;
constexpr size_t kBacklog = 32;  // events kept queued ahead of the link
// VmRSS may move by allocator noise; a leak of one frame per read grows by far more.
constexpr long kRssSlackKb = 1024;
// The simulator's call log fills up to its bound of 20,000 calls (each call with
// its bytes takes under 200 bytes); in a short run it is still filling at 25%.
constexpr long kLoggedCallBytes = 200;
// Under AddressSanitizer freed memory sits in its quarantine and every block carries
// redzones, so VmRSS says nothing about leaks there; LeakSanitizer checks them instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRssMeasuresLeaks = false;
#elif defined(__has_feature)
constexpr bool kRssMeasuresLeaks = !__has_feature(address_sanitizer);
#else
constexpr bool kRssMeasuresLeaks = true;
#endif

long EnvironmentNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 0) : fallback;
}

long VmRssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    return -1;
}

struct MemorySample {
    long frames = 0;
    long vm_rss_kb = 0;
    size_t memdane_rows = 0;
    size_t call_log = 0;
    size_t pending_inbound = 0;
    int lap_entries = 0;
    int open_handles = 0;
};

MemorySample Sample(const Station& station, int device, long frames) {
    const auto& sim = sim::SimReceiver::Instance();
    MemorySample s;
    s.frames = frames;
    s.vm_rss_kb = VmRssKb();
    s.memdane_rows = station.memdane.rows().size();
    s.call_log = sim.calls().size();
    s.pending_inbound = sim.PendingInbound(device);
    for (int k = 1; k <= kSlotCount; ++k) {
        for (int j = 1; j <= kLapEntries; ++j) {
            s.lap_entries += station.slot(k).lap(j).lap_time != 0 ? 1 : 0;
        }
    }
    s.open_handles = sim.open_handles();
    return s;
}

void Print(const char* label, const MemorySample& s) {
    std::printf(
        "[ soak     ] memory at %s (%ld frames): VmRSS %ld kB, memdane %zu rows, call log %zu, "
        "timeline %zu, lap entries %d, open handles %d\n",
        label, s.frames, s.vm_rss_kb, s.memdane_rows, s.call_log, s.pending_inbound, s.lap_entries,
        s.open_handles);
}

class SoakTest : public ::testing::Test {
  protected:
    SoakTest() {
        sim().Reset();
        sim().SetEmptyReadSleep(std::chrono::microseconds(0));
        sim().SetTimeScale(0);
    }
    ~SoakTest() override { sim().Reset(); }
    static sim::SimReceiver& sim() { return sim::SimReceiver::Instance(); }
};

TEST_F(SoakTest, PracticeSessionWithFaultsRecordsEveryWholeLapOnceInBoundedMemory) {
    const long frames = EnvironmentNumber("RUVO_SOAK_FRAMES", kSuiteFrames);
    const auto seed = std::uint64_t(EnvironmentNumber("RUVO_SOAK_SEED", long(kSuiteSeed)));
    std::printf("[ soak     ] seed %" PRIu64 ", %ld frames\n", seed, frames);

    FakeClock clock;
    Station station(clock, QStringLiteral("/nonexistent/"));
    for (int k = 1; k <= kSlotCount; ++k) {
        station.slot(k).radio = true;
        station.slot(k).serial_number = qint32(UnitSerial(k - 1));
    }
    const int device = sim().AttachReceiver();
    Traffic traffic(seed, device);
    Random faults(seed ^ 0x9E3779B97F4A7C15ull);
    MemorySample quarter;
    bool sampled_quarter = false;
    int message_id = 0;
    std::unique_ptr<SoakChecker> checker;

    // Runs between frames and after every poll cycle, where the operator's clicks
    // would run: tops up the timeline and injects the faults that are not events
    // of the timeline.
    const auto between_frames = [&] {
        traffic.Fill(frames, kBacklog);
        if (faults.OneIn(4000)) {
            sim().FailOpen(int(faults.Between(1, 3)));
        }
        if (faults.OneIn(4000)) {
            sim().FailConfiguration(int(faults.Between(1, 2)));
        }
        if (faults.OneIn(4000)) {
            sim().FailClaim(int(faults.Between(1, 2)));
        }
        if (faults.OneIn(2500)) {
            sim().FailWrite(int(faults.Between(1, 2)));
        }
        if (faults.OneIn(1500)) {
            sim().SetMessageReply(faults.OneIn(2));
        }
        // While unplugged, the receiver may come back between two cycles (else at
        // the bus scan its timeline names).
        if (!sim().IsAttached(device) && faults.OneIn(3)) {
            sim().Replug(device);
            checker->OnReplug();
        }
        if (faults.OneIn(800)) {
            checker->QueueMessage(int(faults.Between(1, kSlotCount)), ++message_id);
        }
        const long queued = traffic.counts().frames;
        if (!sampled_quarter && queued >= frames / 4) {
            quarter = Sample(station, device, queued);
            sampled_quarter = true;
        }
        const bool drained = queued >= frames && sim().PendingInbound(device) == 0;
        // A link that stopped reading would loop forever: end it and let the checks fail.
        const bool runaway = checker->counts().cycles > 4 * frames + 1000;
        if (drained || runaway) {
            station.stop_requested = true;
        }
    };
    checker = std::make_unique<SoakChecker>(station, device, between_frames);
    sim().SetCallObserver([&](const sim::Call& call) { checker->OnCall(call); });
    station.session_screen = checker.get();
    station.poll_mode = kPollSession;

    ReceiverLink link(station);
    link.set_idle_pause(std::chrono::milliseconds(0));  // the 20 ms pause only slows the run
    QElapsedTimer timer;
    timer.start();
    link.RunPollLoop();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    station.poll_mode = kPollIdle;
    sim().SetCallObserver({});
    checker->Finish();
    const MemorySample end = Sample(station, device, traffic.counts().frames);

    const QueuedCounts& q = traffic.counts();
    const ObservedCounts& o = checker->counts();
    std::printf(
        "[ soak     ] queued: %ld frames (%ld lap, %ld temperature, %ld stranger, %ld no-report, "
        "%ld unknown type, %ld race off), %ld cut, %ld timeouts, %ld errors, %ld delays, "
        "%ld unplugs\n",
        q.frames, q.lap_frames, q.temperature_frames, q.stranger_frames, q.no_report_frames,
        q.unknown_type_frames, q.idle_frames, q.cut_frames, q.timeouts, q.errors, q.delays,
        q.unplugs);
    std::printf(
        "[ soak     ] link saw: %ld cycles, %ld whole frames, %ld short reads, %ld timeouts, %ld "
        "errors, %ld failed opens, %ld failed configurations, %ld failed claims, %ld failed "
        "writes\n",
        o.cycles, o.whole_frames, o.short_reads, o.timeouts, o.errors, o.failed_opens,
        o.failed_configurations, o.failed_claims, o.failed_writes);
    std::printf(
        "[ soak     ] messages: %ld queued, %ld written, %ld replies, %ld silent, %ld frames "
        "taken as a reply; re-plugs %ld (%ld between cycles), read again %ld, worst %ld cycle(s) "
        "to the next read "
        "(%ld cycles of injected open failures left out)\n",
        o.messages_queued, o.messages_written, o.replies, o.silent_replies, o.frames_eaten,
        o.replugs, o.replugs_between, o.replugs_read, o.worst_cycles_to_read,
        o.cycles_with_failed_open);
    std::printf("[ soak     ] laps: %ld delivered whole, %ld recorded; %.2f s, %.0f frames/s\n",
                o.laps_expected, o.laps_recorded, seconds, double(o.whole_frames) / seconds);
    Print("25%", quarter);
    Print("100%", end);

    for (const std::string& fault : checker->faults()) {
        ADD_FAILURE() << fault;
    }
    EXPECT_EQ(checker->fault_count(), 0) << "seed " << seed;
    EXPECT_EQ(o.laps_recorded, o.laps_expected);
    EXPECT_EQ(sim().PendingInbound(device), 0u) << "the link stopped reading before the end";
    EXPECT_GE(o.whole_frames, q.frames - o.frames_eaten);
    // Every kind of fault happened, or the run proves nothing about it.
    EXPECT_GT(o.short_reads, 0);
    EXPECT_GT(o.timeouts, 0);
    EXPECT_GT(o.errors, 0);
    EXPECT_GT(o.failed_opens, 0);
    EXPECT_GT(o.failed_configurations, 0);
    EXPECT_GT(o.failed_claims, 0);
    EXPECT_GT(o.failed_writes, 0);
    EXPECT_GT(o.silent_replies, 0);
    EXPECT_GT(o.replugs_between, 0);
    EXPECT_GT(o.replugs, o.replugs_between);
    EXPECT_GT(o.laps_expected, frames / 20);
    // A re-plugged receiver is read in the cycle that finds it.
    EXPECT_EQ(o.replugs_read, o.replugs);
    EXPECT_LE(o.worst_cycles_to_read, 1);
    // Nothing grows with the length of the session.
    ASSERT_TRUE(sampled_quarter);
    EXPECT_LE(end.memdane_rows, size_t(kUnits));
    EXPECT_LE(end.call_log, size_t(20000));
    EXPECT_LE(end.pending_inbound, kBacklog);
    EXPECT_LE(end.lap_entries, kSlotCount * kLapEntries);
    EXPECT_EQ(end.open_handles, 0);
    const long log_growth_kb =
        (long(end.call_log) - long(quarter.call_log)) * kLoggedCallBytes / 1024;
    if (kRssMeasuresLeaks) {
        EXPECT_LE(end.vm_rss_kb, quarter.vm_rss_kb + kRssSlackKb + log_growth_kb);
    }
}

}  // namespace
}  // namespace soak
