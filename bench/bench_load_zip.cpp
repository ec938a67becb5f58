// Loading a ZIP set of 8 members x 170 questions, every line 170 kanji,
// stored and deflated, including the glyph rebuild that follows the load.
//
// Measured: load_quiz_set, with a headless window and the start-up font as in
// the game, and its two halves (the file into the genre table, the glyph
// rebuild). Reference, timed in the same loop: reading the eight members with
// zip_read_file and touching the item arrays the set needs once; file_ratio
// compares the first half with it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app.h"
#include "bench_support.h"
#include "draw.h"
#include "font_jp.h"
#include "headless.h"
#include "quiz_load.h"
#include "zip_reader.h"

namespace {

constexpr int kQuestions = 170;
const char *const kPaths[2] = {PELZO_BENCH_DATA "/zip8x170_stored.zip", PELZO_BENCH_DATA "/zip8x170_deflated.zip"};

// The reference: every member read (and inflated), an item array per member
// allocated and written. False when a member is missing.
bool read_members_and_touch(const char *path)
{
    char member[32];
    for (int k = 0; k < kMaxGenres; ++k) {
        snprintf(member, sizeof member, "qtext_%d.txt", k);
        unsigned char *data = nullptr;
        uint32_t size = 0;
        if (zip_read_file(path, member, &data, &size) != 0) return false;
        benchmark::DoNotOptimize(data[size / 2]);
        void *items = malloc(kQuestions * sizeof(QUIZ_ITEM));
        // Not zeros: malloc and a zero fill may become calloc, whose fresh
        // pages are never touched.
        if (items) memset(items, ' ', kQuestions * sizeof(QUIZ_ITEM));
        benchmark::DoNotOptimize(items);
        benchmark::ClobberMemory();
        free(items);
        zip_free(data);
    }
    return true;
}

bool s_windowOpen = false;

void BM_LoadZip(benchmark::State &state)
{
    const char *path = kPaths[state.range(0)];
    if (!s_windowOpen) {
        HeadlessEnable();
        InitWindow(kWindowWidth, kWindowHeight, "bench");
        load_font_jp();
        s_windowOpen = true;
    }
    double loadMs = 0.0, refMs = 0.0, readMs = 0.0;
    for (auto _ : state) {
        // load_quiz_set is load_quiz_file and then rebuild_font_jp; the two
        // are timed apart as well.
        double t0 = bench::now_ms();
        bool ok = load_quiz_file(path) && g_genreCount == kMaxGenres && g_genres[7].count == kQuestions;
        double tRead = bench::now_ms();
        if (ok) rebuild_font_jp();
        double t1 = bench::now_ms();
        readMs += tRead - t0;
        free_genres();
        double t2 = bench::now_ms();
        const bool refOk = read_members_and_touch(path);
        double t3 = bench::now_ms();
        if (!ok || !refOk) {
            state.SkipWithError(!refOk ? "no ZIP set: build the bench_data target first" : g_errorMsg);
            return;
        }
        loadMs += t1 - t0;
        refMs += t3 - t2;
        state.SetIterationTime((t1 - t0) / 1000.0);
    }
    bench::set_time_counters(state, loadMs, refMs);
    const double n = static_cast<double>(state.iterations());
    state.counters["file_ms"] = readMs / n;
    state.counters["file_ratio"] = readMs / refMs;
    state.counters["rebuild_ms"] = (loadMs - readMs) / n;
    state.counters["glyphs"] = g_fontJP.glyphCount;
    state.SetLabel(state.range(0) == 0 ? "stored" : "deflated");
}
BENCHMARK(BM_LoadZip)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char **argv)
{
    const int status = bench::run_benchmarks(argc, argv);
    if (s_windowOpen) app_shutdown();
    return status;
}
