// SPDX-License-Identifier: MIT
// Loading the largest .pzq (8 x 32,767 questions, 67 MB), including the
// glyph rebuild that follows every successful load.
//
// Measured: load_quiz_set, with a headless window and the start-up font as in
// the game. Reference, timed in the same loop: reading the file and touching
// the item arrays the set needs once (allocating and writing every byte).
// Memory: one load in a forked child; its peak RSS against the RSS before the
// load, compared with the item arrays plus the question field.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app.h"
#include "bench_support.h"
#include "draw.h"
#include "font_jp.h"
#include "headless.h"
#include "pzq_reader.h"
#include "quiz_load.h"

namespace {

const char *const kPath = PELZO_BENCH_DATA "/largest.pzq";
constexpr double kGoalRatio = 3.0;
constexpr double kMemoryGoal = 1.1;
constexpr double kMiB = 1024.0 * 1024.0;

// Counts of the file's eight genres, read from its header.
bool read_counts(const unsigned char *header, int counts[kMaxGenres])
{
    for (int g = 0; g < kMaxGenres; ++g) {
        const unsigned char *rec = header + g * kPzqRecordSize;
        counts[g] = static_cast<int16_t>(rec[kPzqCountOffset] | (rec[kPzqCountOffset + 1] << 8));
        if (counts[g] < 0) return false;
    }
    return true;
}

// The reference: the file read whole, the item arrays allocated and written.
// Returns the bytes of the arrays, or -1.
long long read_and_touch(const char *path)
{
    FILE *f = fopen(path, "rb");
    if (!f) return -1;
    long size = -1;
    if (fseek(f, 0, SEEK_END) == 0) size = ftell(f);
    rewind(f);
    if (size < kPzqHeaderSize) {
        fclose(f);
        return -1;
    }
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[static_cast<size_t>(size)]);
    const bool read = fread(bytes.get(), 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
    fclose(f);
    int counts[kMaxGenres];
    if (!read || !read_counts(bytes.get(), counts)) return -1;
    long long total = 0;
    void *arrays[kMaxGenres] = {};
    for (int g = 0; g < kMaxGenres; ++g) {
        if (counts[g] == 0) continue;
        const size_t size = static_cast<size_t>(counts[g]) * sizeof(QUIZ_ITEM);
        arrays[g] = malloc(size);
        if (!arrays[g]) return -1;
        // Not zeros: malloc and a zero fill may become calloc, whose fresh
        // pages are never touched.
        memset(arrays[g], ' ', size);
        benchmark::DoNotOptimize(arrays[g]);
        benchmark::ClobberMemory();
        total += static_cast<long long>(size);
    }
    for (void *p : arrays) free(p);
    return total;
}

// Bytes of the item arrays and of the question field of the file.
bool set_sizes(long long *items, long long *field)
{
    FILE *f = fopen(kPath, "rb");
    if (!f) return false;
    unsigned char header[kPzqHeaderSize];
    const bool ok = fread(header, 1, sizeof header, f) == sizeof header;
    fclose(f);
    int counts[kMaxGenres];
    if (!ok || !read_counts(header, counts)) return false;
    long long total = 0;
    for (int c : counts) total += c;
    *items = total * static_cast<long long>(sizeof(QUIZ_ITEM));
    *field = total * static_cast<long long>(sizeof(QUESTION_RECORD));
    return true;
}

void open_game_window()
{
    HeadlessEnable();
    InitWindow(kWindowWidth, kWindowHeight, "bench");
    load_font_jp();
}

bool load_once() { return load_quiz_set(kPath) && g_genreCount == kMaxGenres; }

long long s_items = 0;  // bytes of the item arrays the reference allocates
bool s_memoryMeasured = false;
bench::PeakRss s_memory;
bool s_windowOpen = false;

void BM_LoadLargestPzq(benchmark::State &state)
{
    long long items = 0, field = 0;
    if (!set_sizes(&items, &field)) {
        state.SkipWithError("no largest.pzq: build the bench_data target first");
        return;
    }
    if (!s_windowOpen) {
        open_game_window();
        s_windowOpen = true;
    }
    s_items = items;
    bench::SetLoadTimes times;
    for (auto _ : state) {
        const auto all8 = [] { return g_genreCount == kMaxGenres; };
        const auto reference = [](const char *path) { return read_and_touch(path) == s_items; };
        if (!bench::time_set_load(state, kPath, all8, reference, "reference failed", times)) return;
    }
    bench::set_load_counters(state, times);
    state.counters["goal_ratio"] = kGoalRatio;
    if (s_memoryMeasured) {
        const double bound = static_cast<double>(items + field);
        const double growth = static_cast<double>(s_memory.peakKib - s_memory.beforeKib) * 1024.0;
        state.counters["peak_rss_MiB"] = static_cast<double>(s_memory.peakKib) / 1024.0;
        state.counters["load_peak_MiB"] = growth / kMiB;
        state.counters["arrays_field_MiB"] = bound / kMiB;
        state.counters["mem_ratio"] = growth / bound;
        state.counters["mem_goal_ratio"] = kMemoryGoal;
        state.counters["hwm_reset"] = s_memory.peakWasReset ? 1 : 0;
    }
}
BENCHMARK(BM_LoadLargestPzq)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char **argv)
{
    // The child is forked before this process opens anything, so it starts
    // as the game would.
    const int status = bench::run_benchmarks(argc, argv, [] {
        s_memoryMeasured = bench::measure_in_child(open_game_window, load_once, &s_memory);
        if (!s_memoryMeasured) fprintf(stderr, "the memory measurement failed\n");
    });
    if (s_windowOpen) app_shutdown();
    return status;
}
