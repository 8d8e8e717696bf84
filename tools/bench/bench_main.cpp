// brunolt-bench: every figure with the anchors it is compared with, measured in the same run,
// and a closing table of the ratios.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "bench_support.h"
#include "tool_usage.h"

namespace bench {

Settings& Config() {
    static Settings settings;  // written by main before any benchmark runs
    return settings;
}

std::vector<IdleFigure>& IdleFigures() {
    static std::vector<IdleFigure> figures;  // benchmarks run one after another on one thread
    return figures;
}

void Anchor(benchmark::State& state, const std::vector<std::string>& anchors) {
    std::string label = "vs";
    for (const std::string& anchor : anchors) label += " " + anchor;
    state.SetLabel(label);
}

}  // namespace bench

namespace {

// The console's usual lines, then one table: each figure, its anchors and the ratios of CPU
// time per iteration (the fastest repetition of each); a figure labelled "wall" in wall time.
class RatioReporter final : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            if (run.error_occurred) {
                failed_ = true;
                continue;
            }
            const std::string name = run.benchmark_name();
            const bool wall = run.report_label == "wall";
            const double seconds = (wall ? run.real_accumulated_time : run.cpu_accumulated_time) /
                                   static_cast<double>(run.iterations);
            auto [at, fresh] = seconds_.emplace(name, seconds);
            if (!fresh) at->second = std::min(at->second, seconds);
            if (!fresh || !(wall || run.report_label.rfind("vs", 0) == 0)) continue;
            Figure figure{name, wall, {}};
            std::istringstream anchors(wall ? "" : run.report_label.substr(2));
            for (std::string anchor; anchors >> anchor;) figure.anchors.push_back(anchor);
            figures_.push_back(figure);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::FILE* out = stdout;
        std::fflush(out);
        if (!figures_.empty()) {
            std::fprintf(out, "\n%-28s %12s   %-18s %12s %8s\n", "figure", "us", "anchor", "us",
                         "ratio");
        }
        for (const Figure& figure : figures_) {
            const double us = seconds_[figure.name] * 1e6;
            if (figure.anchors.empty()) {
                std::fprintf(out, "%-28s %12.3f   %-18s\n", figure.name.c_str(), us,
                             figure.wall ? "(wall time)" : "(no anchor)");
            }
            for (size_t i = 0; i < figure.anchors.size(); ++i) {
                const char* name = i == 0 ? figure.name.c_str() : "";
                const std::string& anchor = figure.anchors[i];
                const auto found = seconds_.find(anchor);
                if (found == seconds_.end()) {
                    std::fprintf(out, "%-28s %12.3f   %-18s %12s %8s\n", name, us, anchor.c_str(),
                                 "-", "-");
                    continue;
                }
                const double anchor_us = found->second * 1e6;
                std::fprintf(out, "%-28s %12.3f   %-18s %12.3f %8.3f\n", name, us, anchor.c_str(),
                             anchor_us, anchor_us > 0 ? us / anchor_us : 0.0);
            }
        }
        for (const bench::IdleFigure& idle : bench::IdleFigures()) {
            std::fprintf(out, "\nidle at the %s, %.1f s: whole process %.2f %% of a core\n",
                         idle.screen.c_str(), idle.seconds, idle.process_percent);
            for (const bench::ThreadShare& thread : idle.threads) {
                std::fprintf(out, "  thread %-7d %-22s %6.2f %%  %8.1f wakes/s\n", thread.tid,
                             thread.name.c_str(), thread.cpu_percent, thread.wakes_per_second);
            }
        }
    }

    bool failed() const { return failed_; }

  private:
    struct Figure {
        std::string name;
        bool wall = false;
        std::vector<std::string> anchors;
    };
    std::map<std::string, double> seconds_;
    std::vector<Figure> figures_;
    bool failed_ = false;
};

bool TakeFlag(const char* arg, const char* name, std::string& value) {
    const size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0 || arg[length] != '=') return false;
    value = arg + length + 1;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr const char* kUsage =
        "usage: brunolt-bench [--benchmark_filter=REGEX] [--benchmark_min_time=S]\n"
        "                     [--benchmark_repetitions=N] [other --benchmark_ flags]\n"
        "                     [--idle_seconds=S] [--replay_speed=max|N] [--replay_script=FILE]\n"
        "       every timing figure beside its anchors, then a table of the ratios;\n"
        "       each idle screen is measured S seconds (3), the whole-game replay plays in\n"
        "       virtual time (max, the default) or at N (1 to 20) times real time\n";
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    benchmark::Initialize(&argc, argv);
    bench::Settings& settings = bench::Config();
    settings.replay_script = BRUNOLT_SOURCE_DIR "/tests/scripts/phone_game.replay";
    if (const char* driver = std::getenv("SDL_VIDEODRIVER")) settings.video_driver = driver;
    // Sound is measured, never heard, unless the caller asks for a driver.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    for (int i = 1; i < argc; ++i) {
        std::string value;
        char* end = nullptr;
        if (TakeFlag(argv[i], "--idle_seconds", value)) {
            settings.idle_seconds = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' || !(settings.idle_seconds > 0)) {
                return Tool_Usage(kUsage, false);
            }
        } else if (TakeFlag(argv[i], "--replay_speed", value)) {
            if (value == "max") {
                settings.replay_speed = kReplaySpeedMax;
                continue;
            }
            const long speed = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || speed < 1 || speed > 20) {
                return Tool_Usage(kUsage, false);
            }
            settings.replay_speed = static_cast<uint32_t>(speed);
        } else if (TakeFlag(argv[i], "--replay_script", value)) {
            settings.replay_script = value;
        } else {
            return Tool_Usage(kUsage, false);
        }
    }
    RatioReporter reporter(isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_Defaults
                                                      : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.failed() ? 1 : 0;
}
