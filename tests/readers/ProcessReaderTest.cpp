#include "readers/ProcessReader.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace tv {
namespace {

// A process table the test edits between passes.
struct FakeTable {
    struct Process {
        ProcessUse use;
        ProcessIdentity identity;
        bool readable = true;
        std::optional<std::uint64_t> demandNs{};  // run + wait; absent: not counted
    };
    std::map<std::int32_t, Process> processes;
    std::uint64_t now = 1'000'000'000;
    int identified = 0;
    std::set<std::int32_t> demandAsked;  // in the latest pass
};

class FakeProcessSource : public ProcessSource {
  public:
    explicit FakeProcessSource(FakeTable* table) : table_(table) {}
    std::vector<std::int32_t> pids() override {
        std::vector<std::int32_t> pids;
        for (const auto& [pid, process] : table_->processes) {
            pids.push_back(pid);
        }
        return pids;
    }
    std::uint64_t nowNs() override { return table_->now; }
    std::optional<ProcessUse> use(std::int32_t pid) override {
        const auto& p = table_->processes.at(pid);
        return p.readable ? std::optional<ProcessUse>(p.use) : std::nullopt;
    }
    std::optional<std::uint64_t> demandNs(std::int32_t pid) override {
        table_->demandAsked.insert(pid);
        return table_->processes.at(pid).demandNs;
    }
    ProcessIdentity identify(std::int32_t pid) override {
        ++table_->identified;
        return table_->processes.at(pid).identity;
    }

  private:
    FakeTable* table_;
};

ProcessIdentity app(const std::string& path, const std::string& name) {
    return {"app:" + path, name, path, false, false};
}
ProcessIdentity alone(std::int32_t pid, const std::string& name, bool typed = false) {
    return {"pid:" + std::to_string(pid), name, std::nullopt, false, typed};
}

class ProcessReaderTest : public testing::Test {
  protected:
    void add(std::int32_t pid, ProcessIdentity identity, std::uint64_t memory = 20 << 20,
             std::uint64_t cpuNs = 0) {
        table.processes[pid] = {{cpuNs, memory, 1}, std::move(identity)};
    }
    void run(double seconds) { table.now += static_cast<std::uint64_t>(seconds * 1e9); }
    void burn(std::int32_t pid, double seconds) {
        table.processes[pid].use.cpuNs += static_cast<std::uint64_t>(seconds * 1e9);
    }
    // Ran `ran` seconds and stood ready to run, waiting for a core, another `waited`.
    void crowd(std::int32_t pid, double ran, double waited) {
        burn(pid, ran);
        auto& demand = table.processes[pid].demandNs;
        demand = demand.value_or(0) + static_cast<std::uint64_t>((ran + waited) * 1e9);
    }
    std::vector<ProcessUsage> pass(double seconds) {
        run(seconds);
        table.demandAsked.clear();
        return reader.read();
    }
    const ProcessUsage* row(const std::vector<ProcessUsage>& rows, const std::string& id) {
        for (const auto& r : rows) {
            if (r.id == id) {
                return &r;
            }
        }
        return nullptr;
    }

    FakeTable table;
    std::string hide;
    ProcessReader reader{std::make_unique<FakeProcessSource>(&table), [this] { return hide; }};
};

TEST_F(ProcessReaderTest, HelpersFoldIntoTheirAppAndCPUCountsFromTheSecondPass) {
    for (std::int32_t pid : {10, 11, 12, 13}) {
        add(pid, app("/Foo.app", "Foo"));
    }
    add(20, alone(20, "worker"));
    auto first = reader.read();
    ASSERT_NE(row(first, "app:/Foo.app"), nullptr);
    EXPECT_EQ(row(first, "app:/Foo.app")->cpu, 0.0);

    run(1);
    for (std::int32_t pid : {10, 11, 12, 13}) {
        burn(pid, 1);  // four helpers, a full core each
    }
    burn(20, 0.4);
    auto second = reader.read();
    const ProcessUsage* foo = row(second, "app:/Foo.app");
    ASSERT_NE(foo, nullptr);
    EXPECT_NEAR(foo->cpu, 400, 1e-9);
    EXPECT_EQ(foo->count, 4);
    EXPECT_EQ(foo->pids, (std::vector<std::int32_t>{10, 11, 12, 13}));
    EXPECT_EQ(foo->memory, 4u * (20 << 20));
    EXPECT_EQ(foo->appPath, "/Foo.app");
    EXPECT_NEAR(row(second, "pid:20")->cpu, 40, 1e-9);
}

TEST_F(ProcessReaderTest, ListedFromJustOverTenMebibytesOrHalfAPercent) {
    add(1, alone(1, "at limit"), 10'485'760, 0);
    add(2, alone(2, "over"), 10'485'761, 0);
    add(3, alone(3, "busy"), 0, 0);
    add(4, alone(4, "idle"), 10'485'760, 0);
    reader.read();
    run(1);
    burn(1, 0.004);
    burn(3, 0.005);
    auto rows = reader.read();
    EXPECT_EQ(row(rows, "pid:1"), nullptr);
    EXPECT_NE(row(rows, "pid:2"), nullptr);
    EXPECT_NE(row(rows, "pid:3"), nullptr);
    EXPECT_EQ(row(rows, "pid:4"), nullptr);
}

// A small app held back may be starved by its hold: it stays listed until its processes end.
TEST_F(ProcessReaderTest, KeptAppsStayListedWhileTheyRunHoweverLittleTheyUse) {
    add(5, app("/Small.app", "Small"), 4 << 20, 0);
    add(6, app("/Small.app", "Small"), 2 << 20, 0);
    add(7, alone(7, "other"), 4 << 20, 0);
    reader.read();
    run(1);
    burn(5, 0.9);
    ASSERT_NE(row(reader.read(), "app:/Small.app"), nullptr) << "busy: listed";

    reader.keepListed({"app:/Small.app"});
    run(1);
    auto rows = reader.read();
    const ProcessUsage* small = row(rows, "app:/Small.app");
    ASSERT_NE(small, nullptr) << "starved, yet still listed";
    EXPECT_EQ(small->cpu, 0);
    EXPECT_EQ(small->count, 2);
    EXPECT_EQ(row(rows, "pid:7"), nullptr) << "only the kept ones";

    table.processes.erase(5);
    table.processes.erase(6);
    run(1);
    EXPECT_EQ(row(reader.read(), "app:/Small.app"), nullptr) << "gone when its processes are";

    add(5, app("/Small.app", "Small"), 4 << 20, 0);
    reader.keepListed({});
    run(1);
    EXPECT_EQ(row(reader.read(), "app:/Small.app"), nullptr) << "let go: the usual limits again";
}

TEST_F(ProcessReaderTest, ReusedPidsAndLongGapsReadZero) {
    add(5, alone(5, "old"));
    add(6, alone(6, "steady"));
    reader.read();
    run(1);
    // Pid 5 now belongs to another process that started later with less CPU time.
    table.processes[5] = {{100, 20 << 20, 2}, alone(5, "new")};
    burn(6, 0.5);
    auto rows = reader.read();
    EXPECT_EQ(row(rows, "pid:5")->cpu, 0.0);
    EXPECT_EQ(row(rows, "pid:5")->name, "new");  // worked out again, not the old cache
    EXPECT_NEAR(row(rows, "pid:6")->cpu, 50, 1e-9);

    run(91);  // asleep for a while: no figure over such a gap
    burn(6, 45);
    EXPECT_EQ(row(reader.read(), "pid:6")->cpu, 0.0);
    run(1);
    burn(6, 0.25);
    EXPECT_NEAR(row(reader.read(), "pid:6")->cpu, 25, 1e-9);
}

// On two cores shared by a front app and two background loops each loop gets under half a
// core while it asks for a whole one: it is busy by what it asks for, not by what it got.
TEST_F(ProcessReaderTest, DemandIsWhatTheRowsProcessesRanPlusWaitedToRun) {
    for (std::int32_t pid : {10, 11}) {
        add(pid, app("/Loop.app", "Loop"));
        table.processes[pid].demandNs = 0;
    }
    add(12, app("/Loop.app", "Loop"));  // a helper whose waiting is not counted
    reader.read();
    crowd(10, 0.30, 0.60);
    crowd(11, 0.10, 0.05);
    burn(12, 0.05);
    auto first = pass(1);
    // What it got is what is shown; demand needs two readings, so it is what it got so far.
    EXPECT_NEAR(row(first, "app:/Loop.app")->cpu, 45, 1e-6);
    EXPECT_NEAR(row(first, "app:/Loop.app")->demand, 45, 1e-6);

    crowd(10, 0.30, 0.60);
    crowd(11, 0.10, 0.05);
    burn(12, 0.05);
    auto second = pass(1);
    EXPECT_NEAR(row(second, "app:/Loop.app")->cpu, 45, 1e-6);
    EXPECT_NEAR(row(second, "app:/Loop.app")->demand, 90 + 15 + 5, 1e-6);
    EXPECT_NEAR(row(second, "app:/Loop.app")->wanted(), 110, 1e-6);

    // A thread that ended took its counts along: that process counts what it got, never less.
    table.processes[10].demandNs = 1'000;
    burn(10, 0.30);
    crowd(11, 0.10, 0.05);
    burn(12, 0.05);
    auto third = pass(1);
    EXPECT_NEAR(row(third, "app:/Loop.app")->demand, 30 + 15 + 5, 1e-6);
}

TEST_F(ProcessReaderTest, DemandIsAskedOnlyOfTheUsersRowsThatRun) {
    add(1, app("/Busy.app", "Busy"));
    add(2, app("/Busy.app", "Busy"));  // idle itself, but its row runs
    add(3, alone(3, "idle"));
    add(4, alone(4, "ticking"));
    ProcessIdentity daemon = alone(5, "daemon");
    daemon.system = true;
    add(5, daemon);
    for (auto& [pid, process] : table.processes) {
        process.demandNs = 0;
    }
    reader.read();
    EXPECT_TRUE(table.demandAsked.empty());  // nothing has a CPU figure yet
    crowd(1, 0.2, 0.5);
    crowd(4, 0.04, 0.5);  // under 5 % of a core
    crowd(5, 0.8, 0.5);
    auto rows = pass(1);
    EXPECT_EQ(table.demandAsked, (std::set<std::int32_t>{1, 2}));
    EXPECT_EQ(row(rows, "pid:5")->demand, 0.0);
    EXPECT_NEAR(row(rows, "pid:5")->wanted(), 80, 1e-6);
}

TEST_F(ProcessReaderTest, ACounterThatWentBackwardsReadsZero) {
    add(7, alone(7, "x"), 20 << 20, 5'000'000'000);
    reader.read();
    run(1);
    table.processes[7].use.cpuNs = 1'000'000'000;
    EXPECT_EQ(row(reader.read(), "pid:7")->cpu, 0.0);
}

TEST_F(ProcessReaderTest, IdentitiesAreCachedAndRenewedEveryTwentiethPass) {
    add(1, alone(1, "a"));
    add(2, alone(2, "b"));
    for (int pass = 1; pass <= 19; ++pass) {
        reader.read();
    }
    EXPECT_EQ(table.identified, 2);
    table.processes[1].identity.name = "renamed";
    reader.read();  // the 20th
    EXPECT_EQ(table.identified, 4);
    EXPECT_EQ(row(reader.read(), "pid:1")->name, "renamed");
}

TEST_F(ProcessReaderTest, UnreadableAndVanishedProcessesAreLeftOutAndForgotten) {
    add(1, alone(1, "a"));
    add(2, alone(2, "b"));
    reader.read();
    table.processes[2].readable = false;
    auto rows = reader.read();
    EXPECT_EQ(row(rows, "pid:2"), nullptr);
    table.processes[2].readable = true;
    table.processes.erase(1);
    reader.read();
    EXPECT_EQ(table.identified, 3);  // 2 was forgotten and worked out again
    table.processes.clear();
    EXPECT_TRUE(reader.read().empty());
}

TEST_F(ProcessReaderTest, TypedAnyMemberAndTheFirstMembersNameAndSystemFlag) {
    ProcessIdentity first = app("/Term.app", "Terminal");
    ProcessIdentity second = first;
    second.typed = true;
    second.name = "other";
    add(1, first);
    add(2, second);
    auto rows = reader.read();
    EXPECT_TRUE(row(rows, "app:/Term.app")->typed);
    EXPECT_EQ(row(rows, "app:/Term.app")->name, "Terminal");
}

TEST_F(ProcessReaderTest, DemoHideLeavesOutNamesByPrefix) {
    add(1, app("/Slack.app", "Slack"));
    add(2, app("/Zoom.app", "Zoom Workplace"));
    add(3, app("/Mail.app", "Mail"));
    hide = "Slack,,Zoom";
    auto rows = reader.read();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "Mail");
    hide = "";
    EXPECT_EQ(reader.read().size(), 3u);
    EXPECT_EQ(hiddenNames(",a,,b,"), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace tv
