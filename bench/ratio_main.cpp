// Shared main of the benchmark programs: runs every benchmark, then prints,
// for each case registered as "CASE/ours" and "CASE/peer", the ratio of our
// CPU time to the peer's, and of our wall time (below 1: we are faster);
// with --benchmark_repetitions, of the medians. Where the work waits for
// other processes, the wall time is the one that counts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            // With --benchmark_repetitions the median stands for the runs.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) continue;
            const std::string name = run.run_name.function_name;
            const size_t slash = name.rfind('/');
            if (slash == std::string::npos) continue;
            const std::string side = name.substr(slash + 1);
            if (side != "ours" && side != "peer") continue;
            Times &times = mTimes[name.substr(0, slash)][side];
            if (median || !mMedians.count(name)) times = {run.GetAdjustedCPUTime(), run.GetAdjustedRealTime()};
            if (median) mMedians.insert(name);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-44s %12s %12s %8s %8s\n", "case", "ours", "peer", "ratio", "wall");
        for (const auto &[name, sides] : mTimes) {
            const auto ours = sides.find("ours"), peer = sides.find("peer");
            if (ours == sides.end() || peer == sides.end() || peer->second.cpu <= 0 || peer->second.wall <= 0)
                continue;
            std::printf("%-44s %12.1f %12.1f %8.3f %8.3f\n", name.c_str(), ours->second.cpu, peer->second.cpu,
                        ours->second.cpu / peer->second.cpu, ours->second.wall / peer->second.wall);
        }
    }

private:
    struct Times {
        double cpu, wall;
    };

    std::map<std::string, std::map<std::string, Times>> mTimes;
    std::set<std::string> mMedians;
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
