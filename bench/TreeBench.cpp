// Times RemoveFolderTree against baselines on identical trees that scripts/bench makes
// beforehand (making them from Windows would cost more than removing them).
//
//   tree_bench floor ROOT CASE:RUNS... [--linear SMALL LARGE]
//   tree_bench seed ROOT CASE:RUNS...
//   tree_bench rd ROOT CASE:RUNS...
//   tree_bench memory ROOT CASE:1...
//
// Each case has trees ROOT\CASE\s0..s<RUNS-1> for RemoveFolderTree and b0.. for the
// baseline. Prints `ratio CASE BASELINE VALUE` per figure on stdout, details on stderr; the
// memory mode prints `peak CASE MIB`: how far RemoveFolderTree of CASE\s0 raised the peak
// working set of the process.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "Child.h"
#include "Floor.h"
#include "Measure.h"
#include "Seed.h"
#include "app/Initer.h"

#include <psapi.h>

namespace {

struct Case {
    std::string Name;
    int Runs;
};

struct Result {
    double Remove;  // median seconds of RemoveFolderTree
    long Entries;   // entries of one tree, counted by the baseline walk
};

bool failed = false;

void Check(const std::string& tree, const char* who)
{
    if (!Gone(tree)) {
        std::fprintf(stderr, "error: %s left %s behind\n", who, tree.c_str());
        failed = true;
    }
}

std::string Tree(const std::string& root, const Case& c, char kind, int run)
{
    return root + c.Name + "\\" + kind + std::to_string(run) + "\\";
}

double TimeRemove(const std::string& tree)
{
    double start = Now();
    RemoveFolderTree(Widen(tree), true);
    double seconds = Now() - start;
    Check(tree, "RemoveFolderTree");
    return seconds;
}

// The first removal of a process pays for loading and first-use work; neither side of
// a comparison should carry it, so a small tree per side goes untimed first.
void WarmUp(const std::string& root, long (*baseline)(const std::string&))
{
    if (!Gone(root + "warm-s\\"))
        RemoveFolderTree(Widen(root + "warm-s\\"), true);
    if (!Gone(root + "warm-b\\") && baseline)
        baseline(root + "warm-b\\");
}

long Floor(const std::string& tree)
{
    return FloorRemoveTree(Widen(tree));
}

// Against a walk of other calls on the same trees: floor (the calls RemoveFolderTree
// makes, bare) or seed (the calls of the earlier path-based walk).
Result BaselineCase(const std::string& root, const Case& c, const char* label, long (*baseline)(const std::string&))
{
    std::vector<double> remove, other;
    long entries = 0;
    for (int run = 0; run < c.Runs; ++run) {
        // Alternating who goes first spreads drift in the machine's load over both sides.
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (run % 2 == 0)) {
                remove.push_back(TimeRemove(Tree(root, c, 's', run)));
            } else {
                std::string tree = Tree(root, c, 'b', run);
                double start = Now();
                entries = baseline(tree);
                other.push_back(Now() - start);
                Check(tree, label);
            }
        }
    }
    Result result{Median(remove), entries};
    double base = Median(other);
    std::fprintf(stderr, "%s: %ld entries; RemoveFolderTree %.3f s (%s), %s %.3f s (%s), %.1f us per entry\n",
                 c.Name.c_str(), entries, result.Remove, Join(remove).c_str(), label, base, Join(other).c_str(),
                 1e6 * result.Remove / entries);
    std::printf("ratio %s %s %.3f\n", c.Name.c_str(), label, result.Remove / base);
    std::fflush(stdout);
    return result;
}

void RdCase(const std::string& root, const Case& c)
{
    std::vector<double> remove, rd, rem;
    for (int run = 0; run < c.Runs; ++run) {
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == (run % 2 == 0)) {
                remove.push_back(TimeRemove(Tree(root, c, 's', run)));
            } else {
                // An empty cmd next to each rd gives the start-up and exit cost to subtract.
                rem.push_back(TimeCmd("rem"));
                std::string tree = Tree(root, c, 'b', run);
                rd.push_back(TimeCmd("rd /s /q \"" + tree.substr(0, tree.size() - 1) + "\""));
                if (rem.back() < 0 || rd.back() < 0) {
                    std::fprintf(stderr, "error: cmd.exe did not start\n");
                    failed = true;
                }
                Check(tree, "rd /s /q");
            }
        }
    }
    double mine = Median(remove);
    double startup = Median(rem);
    double base = Median(rd) - startup;
    std::fprintf(stderr, "%s: RemoveFolderTree %.3f s (%s), rd %.3f s (%s) less cmd start-up %.3f s (%s)\n",
                 c.Name.c_str(), mine, Join(remove).c_str(), Median(rd), Join(rd).c_str(), startup,
                 Join(rem).c_str());
    std::printf("ratio %s rd %.3f\n", c.Name.c_str(), mine / base);
    std::fflush(stdout);
}

void MemoryCase(const std::string& root, const Case& c)
{
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    TimeRemove(Tree(root, c, 's', 0));
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    std::printf("peak %s %.1f\n", c.Name.c_str(), (after.PeakWorkingSetSize - before.PeakWorkingSetSize) / 1048576.0);
    std::fflush(stdout);
}

bool ParseCase(const std::string& text, Case& c)
{
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    c.Name = text.substr(0, colon);
    c.Runs = std::atoi(text.c_str() + colon + 1);
    return c.Runs >= 1;
}

int Usage()
{
    std::fprintf(stderr, "usage: tree_bench floor|seed|rd|memory ROOT\\ CASE:RUNS... [--linear SMALL LARGE]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return Usage();
    std::string mode = argv[1];
    std::string root = argv[2];
    if ((mode != "floor" && mode != "seed" && mode != "rd" && mode != "memory") || root.empty() || root.back() != '\\')
        return Usage();
    long (*baseline)(const std::string&) = mode == "floor" ? Floor : mode == "seed" ? SeedRemoveTree : nullptr;

    std::vector<Case> cases;
    std::string small, large;
    for (int i = 3; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--linear" && i + 2 < argc) {
            small = argv[++i];
            large = argv[++i];
            continue;
        }
        Case c;
        if (!ParseCase(arg, c))
            return Usage();
        cases.push_back(c);
    }

    WarmUp(root, baseline);
    if (mode == "rd")
        TimeCmd("rem");

    std::map<std::string, Result> results;
    for (const Case& c : cases) {
        if (mode == "memory")
            MemoryCase(root, c);
        else if (baseline)
            results[c.Name] = BaselineCase(root, c, mode.c_str(), baseline);
        else
            RdCase(root, c);
    }

    if (!small.empty()) {
        if (!results.count(small) || !results.count(large))
            return Usage();
        const Result& a = results[small];
        const Result& b = results[large];
        std::printf("ratio %s linear %.3f\n", large.c_str(),
                    (b.Remove / b.Entries) / (a.Remove / a.Entries));
    }
    return failed ? 1 : 0;
}
