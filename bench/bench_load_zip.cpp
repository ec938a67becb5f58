// SPDX-License-Identifier: MIT
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
    for (int k = 0; k < kMaxGenres; ++k) {
        unsigned char *data = nullptr;
        uint32_t size = 0;
        if (zip_read_file(path, genre_member_name(k).c_str(), &data, &size) != 0) return false;
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
    bench::SetLoadTimes times;
    for (auto _ : state) {
        const auto all8 = [] { return g_genreCount == kMaxGenres && g_genres[7].count == kQuestions; };
        if (!bench::time_set_load(state, path, all8, read_members_and_touch,
                                  "no ZIP set: build the bench_data target first", times))
            return;
    }
    bench::set_load_counters(state, times);
    state.counters["file_ratio"] = times.readMs / times.refMs;
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
