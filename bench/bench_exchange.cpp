// Host time of each command's exchange with the in-process simulated machine,
// beyond the protocol's fixed waits: every wait runs on a virtual clock, so
// what the benchmark measures is the program's own work (building the
// request, the port and driver path, parsing the answer, the traces) plus the
// simulated machine's work on the other side.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_env.h"
#include "platform/clock.h"
#include "platform/virtual_clock.h"
#include "protocol/inquiry.h"
#include "protocol/machine_info.h"
#include "protocol/phonebook.h"
#include "protocol/system_setup.h"
#include "protocol/system_status.h"
#include "quiet_sink.h"
#include "sim/simulated_machine.h"

namespace {

platform::VirtualClock virtualClock;
bench::NullDeviceSink sink;

// A machine whose 100 phonebook slots are all in use, so that the phonebook
// exchanges carry full records both ways.
bool Prepared() {
    static const bool ok = [] {
        platform::InstallClock(&virtualClock);
        platform::InstallDebugSink(&sink);
        sim::RegisterSimDevice();
        sim::SimulatedMachine& m = sim::InProcessMachine();
        for (size_t i = 0; i < m.slotCount(); ++i) {
            const std::string n = std::to_string(i);
            m.setSlotNumber(i, "NAME OF SLOT " + n, "0123456789012345678901234567890123" + n);
        }
        return bench::StartProgram("sim:") && bench::GetPhonebook() == 1;
    }();
    return ok;
}

void Command(benchmark::State& state, int (*command)()) {
    if (!Prepared()) {
        state.SkipWithError("the program did not start against the simulated machine");
        return;
    }
    const uint64_t sleptBefore = virtualClock.slept();
    for (auto _ : state) {
        if (command() != 1) {
            state.SkipWithError("the command failed");
            break;
        }
    }
    state.counters["fixed_waits_ms"] = benchmark::Counter(
        double(virtualClock.slept() - sleptBefore), benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK_CAPTURE(Command, inquiry, bench::Inquiry)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Command, get_setup, bench::GetSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Command, set_setup, bench::SetSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Command, get_status, bench::GetSystemStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Command, set_status, bench::SetSystemStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Command, get_info, bench::GetMachineInfo)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Command, phonebook_read, bench::GetPhonebook)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Command, phonebook_write, bench::SetPhonebook)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
