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

// The font file the game draws with (load_font_jp's choice); "" when none.
// Needs no window; leaves g_fontJP loaded with the start-up glyph set.
std::string game_font_file();

// The first `n` CJK ideographs from U+4E00 upwards that the font file has
// (fewer when it has fewer).
std::vector<int> kanji_in_font(const std::string &fontFile, int n);

// UTF-8 form of one codepoint.
std::string utf8(int codepoint);

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

// The body of a benchmark program's main: reads the command line, runs the
// benchmarks it selects and shuts the library down. Returns 1 when an
// argument is unknown (nothing run), else 0. `beforeRun`, when given, runs
// once the arguments are accepted and before the first benchmark.
int run_benchmarks(int argc, char **argv, void (*beforeRun)() = nullptr);

}  // namespace bench
