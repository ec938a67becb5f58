// SPDX-License-Identifier: MIT
// bench_support: what the benchmark programs share.
//
// Offers the game's Japanese font file (found as the game finds it), a list of
// kanji that font has, long texts made of them, a genre table built in memory,
// a wall clock, this process's memory figures from /proc, a way to run a
// piece of work in a child process and get its peak memory back, the timing
// counters every benchmark reports and the programs' common main.
// Never touches the window: each program opens its own when it needs one.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "quiz_data.h"

namespace bench {

// Milliseconds on a steady clock.
double now_ms();
// CPU milliseconds this thread has used: on a busy machine the wall clock
// also counts the time other processes had the CPU.
double cpu_ms();

// Before InitWindow in headless mode: PELZO_BENCH_OUTPUT=WxH (e.g.
// 1920x1080) makes the offscreen output that size, the picture drawn scaled
// at its pixels as the software renderer's full screen draws it. Returns the
// output's width (0: the picture's own size).
int headless_output_from_env();

// The font file the game draws with (load_font_jp's choice); "" when none.
// Needs no window; leaves g_fontJP loaded with the start-up glyph set.
std::string game_font_file();

// A text of exactly `bytes` bytes (or the longest whole-character text below
// it): kanji[from], kanji[from + 1], ... (wrapping round), padded with 'x'.
std::string kanji_text(const std::vector<int> &kanji, size_t from, int bytes);

// Replaces g_genres by one genre of `questions` questions whose six texts are
// 511-byte kanji texts, walking through `kanji` from `from` on.
void fill_long_genre(const std::vector<int> &kanji, int questions, size_t from = 0);

// Fields of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when unreadable.
long status_kib(const char *field);

// Resets VmHWM to the current RSS; false where the kernel does not allow it.
bool reset_peak_rss();

// Peak memory of one run of `work` in a forked child: the RSS before the work
// and the high-water mark after it, both in KiB. The child calls prepare()
// first (outside the measurement). False when the child failed.
struct PeakRss {
    long beforeKib = 0;
    long peakKib = 0;
    bool peakWasReset = false;  // VmHWM restarted at the work's start
};
bool measure_in_child(void (*prepare)(), bool (*work)(), PeakRss *out);

// Sets the counters every timed benchmark reports: "ms" and "ref_ms", the
// mean milliseconds per iteration of the measured work and of its reference
// (from their totals over the state's iterations), and "ratio" between them.
void set_time_counters(benchmark::State &state, double workMs, double refMs);

// Whole-set loads, timed against a reference that reads the same file the
// plain way.
struct SetLoadTimes {
    double loadMs = 0.0;  // load_quiz_file, then rebuild_font_jp
    double readMs = 0.0;  // load_quiz_file alone
    double refMs = 0.0;  // the reference
};

// One iteration: loads `path` (as load_quiz_set does, with the two steps
// timed apart), checks the table with `loaded`, frees it, then runs
// `reference` on the same path. Adds to `times` and sets the iteration's
// manual time to the whole load. False, with the state skipped (the game's
// message, or `referenceFailed`), when either fails.
bool time_set_load(benchmark::State &state, const char *path, bool (*loaded)(), bool (*reference)(const char *path),
                   const char *referenceFailed, SetLoadTimes &times);

// set_time_counters for the whole load against the reference, then
// "file_ms" and "rebuild_ms" (the two steps' means) and "glyphs" (the
// rebuilt font's glyph count).
void set_load_counters(benchmark::State &state, const SetLoadTimes &times);

// The body of a benchmark program's main: reads the command line, runs the
// benchmarks it selects and shuts the library down. Returns 1 when an
// argument is unknown (nothing run), else 0. `beforeRun`, when given, runs
// once the arguments are accepted and before the first benchmark.
int run_benchmarks(int argc, char **argv, void (*beforeRun)() = nullptr);

}  // namespace bench
