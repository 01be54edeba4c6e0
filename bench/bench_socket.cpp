// The program against faxrcp-sim over a Unix socket, as a separate process:
//  - processor time used during an inquiry and a phonebook read on the real
//    clock (the fixed waits take their full time; a busy wait would show as
//    100 % of the wall time);
//  - the host side's firmware throughput on a 4 MB image with the fixed waits
//    skipped.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "bench_env.h"
#include "model/firmware_transfer.h"
#include "model/panel_context.h"
#include "platform/clock.h"
#include "protocol/inquiry.h"
#include "protocol/phonebook.h"
#include "quiet_sink.h"

namespace {

bench::NullDeviceSink sink;

// The real clock, except that sleeps pass at once and the tick jumps over
// them (what FAXRCP_FAST_WAITS=1 does in the programs).
class SkippingClock : public platform::Clock {
  public:
    uint32_t tick() override { return uint32_t(bench::WallMicros() / 1000) + skipped_; }
    void sleep(uint32_t ms) override { skipped_ += ms; }

  private:
    uint32_t skipped_ = 0;
};

void CpuDuringRealClock(benchmark::State& state, int (*command)()) {
    platform::InstallDebugSink(&sink);
    platform::InstallClock(nullptr);
    bench::SimProcess sim;
    if (!sim.running() || !bench::StartProgram("unix:" + sim.socket())) {
        state.SkipWithError("the program did not start against faxrcp-sim");
        return;
    }
    int64_t cpu = 0, wall = 0, simCpu = 0;
    for (auto _ : state) {
        const int64_t c0 = bench::ProcessCpuMicros();
        const int64_t s0 = bench::OtherProcessCpuMicros(sim.pid());
        const int64_t w0 = bench::WallMicros();
        const int ok = command();
        wall += bench::WallMicros() - w0;
        cpu += bench::ProcessCpuMicros() - c0;
        simCpu += bench::OtherProcessCpuMicros(sim.pid()) - s0;
        if (ok != 1) {
            state.SkipWithError("the command failed");
            break;
        }
    }
    bench::StopProgram();
    state.counters["cpu_ms"] =
        benchmark::Counter(double(cpu) / 1000, benchmark::Counter::kAvgIterations);
    state.counters["cpu_pct_of_wall"] = wall > 0 ? 100.0 * double(cpu) / double(wall) : 0;
    state.counters["sim_cpu_pct"] = wall > 0 ? 100.0 * double(simCpu) / double(wall) : 0;
}

class NoView : public firmware::FirmwareView {
  public:
    void setFileName(const std::string&) override {}
    void setFileSizeText(const std::string&) override {}
    void setMessageText(const std::string&) override {}
    void setPercentText(const std::string&) override {}
    void showValues() override {}
    void showMessageNow() override {}
    void setProgressRange(int, int) override {}
    void setProgressPos(int) override {}
    void enableUpdate(bool) override {}
    void setWaitCursor(bool) override {}
    void showCompletion(const std::string&, const std::string&) override {}
    // The last byte is out: the transfer's time ends here. The clock skips the
    // storing wait, so wait for real until faxrcp-sim has closed the image;
    // else the version read that follows would land in it.
    void showStoring(uint32_t) override {
        if (dataEndMicros == 0) {
            dataEndMicros = bench::WallMicros();
            dataEndCpuMicros = bench::ProcessCpuMicros();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    }
    int64_t dataEndMicros = 0;
    int64_t dataEndCpuMicros = 0;
};

long FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

void FirmwareThroughput(benchmark::State& state) {
    constexpr size_t kImageSize = 4 << 20;
    platform::InstallDebugSink(&sink);
    SkippingClock clock;
    platform::InstallClock(&clock);
    const std::string image = bench::Scratch() + "/image.bin";
    const std::string received = bench::Scratch() + "/received.bin";
    {
        std::vector<char> bytes(kImageSize);
        std::mt19937 random(7);
        for (char& b : bytes) {
            b = char(random());
        }
        std::ofstream(image, std::ios::binary).write(bytes.data(), long(bytes.size()));
    }
    // The machine ends an image after 100 ms without data.
    bench::SimProcess sim("--firmware " + received + " --firmware-idle 100");
    if (!sim.running() || !bench::StartProgram("unix:" + sim.socket())) {
        state.SkipWithError("the program did not start against faxrcp-sim");
        platform::InstallClock(nullptr);
        return;
    }
    int64_t cpu = 0, simCpu = 0;
    for (auto _ : state) {
        NoView view;
        firmware::FirmwareTransfer transfer(view, bench::ProgramContext().link);
        const int64_t t0 = bench::WallMicros();
        const int64_t c0 = bench::ProcessCpuMicros();
        const int64_t s0 = bench::OtherProcessCpuMicros(sim.pid());
        const firmware::TransferResult result = transfer.OnUpdate(image);
        simCpu += bench::OtherProcessCpuMicros(sim.pid()) - s0;
        if (result != firmware::TransferResult::kCompleted || view.dataEndMicros == 0) {
            state.SkipWithError("the transfer failed");
            break;
        }
        cpu += view.dataEndCpuMicros - c0;
        state.SetIterationTime(double(view.dataEndMicros - t0) / 1e6);
        // Let the machine finish the image and check that all of it arrived.
        for (int i = 0; i < 400 && FileSize(received) != long(kImageSize); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (FileSize(received) != long(kImageSize)) {
            static std::string error;
            error = "the machine received " + std::to_string(FileSize(received)) + " of " +
                    std::to_string(kImageSize) + " bytes";
            state.SkipWithError(error.c_str());
            break;
        }
        std::remove(received.c_str());
    }
    bench::StopProgram();
    platform::InstallClock(nullptr);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kImageSize));
    // Processor time of each side per image: on an idle machine the wall time
    // comes close to their sum, as the two take turns on every chunk.
    state.counters["host_cpu_ms"] =
        benchmark::Counter(double(cpu) / 1000, benchmark::Counter::kAvgIterations);
    state.counters["sim_cpu_ms"] =
        benchmark::Counter(double(simCpu) / 1000, benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK_CAPTURE(CpuDuringRealClock, inquiry, bench::Inquiry)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(CpuDuringRealClock, phonebook_read, bench::GetPhonebook)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(FirmwareThroughput)->Iterations(5)->Unit(benchmark::kMillisecond)->UseManualTime();

BENCHMARK_MAIN();
