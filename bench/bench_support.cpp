// SPDX-License-Identifier: MIT
#include "bench_support.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "font_jp.h"
#include "font_kanji.h"
#include "headless.h"
#include "quiz_load.h"
#include "utf8.h"

namespace bench {

double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double cpu_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1.0e6;
}

std::string game_font_file()
{
    load_font_jp();
    return font_jp_file();
}

std::string kanji_text(const std::vector<int> &kanji, size_t from, int bytes)
{
    std::string s;
    if (kanji.empty()) return std::string(static_cast<size_t>(bytes), 'x');
    for (size_t i = from;; ++i) {
        std::string c = utf8_of(kanji[i % kanji.size()]);
        if (s.size() + c.size() > static_cast<size_t>(bytes)) break;
        s += c;
    }
    s.append(static_cast<size_t>(bytes) - s.size(), 'x');
    return s;
}

void fill_long_genre(const std::vector<int> &kanji, int questions, size_t from)
{
    free_genres();
    GENRE_DATA &g = g_genres[0];
    copy_text(g.name, kanji_text(kanji, from, 30).c_str(), kTextSize);
    g.items = static_cast<QUIZ_ITEM *>(calloc(static_cast<size_t>(questions), sizeof(QUIZ_ITEM)));
    g.count = questions;
    constexpr size_t kPerText = 170;  // kanji in a 511-byte text
    size_t next = from;
    for (int q = 0; q < questions; ++q) {
        QUIZ_ITEM &item = g.items[q];
        copy_text(item.text, kanji_text(kanji, next, kTextSize - 1).c_str(), kTextSize);
        next += kPerText;
        for (auto &choice : item.choice) {
            copy_text(choice, kanji_text(kanji, next, kTextSize - 1).c_str(), kTextSize);
            next += kPerText;
        }
    }
    g_genreCount = 1;
}

long status_kib(const char *field)
{
    FILE *f = fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long value = -1;
    const size_t len = strlen(field);
    while (fgets(line, sizeof line, f)) {
        if (strncmp(line, field, len) == 0 && line[len] == ':') {
            value = strtol(line + len + 1, nullptr, 10);
            break;
        }
    }
    fclose(f);
    return value;
}

bool reset_peak_rss()
{
    FILE *f = fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = fputs("5", f) >= 0;
    return fclose(f) == 0 && ok;
}

bool measure_in_child(void (*prepare)(), bool (*work)(), PeakRss *out)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        if (prepare) prepare();
        PeakRss r;
        r.beforeKib = status_kib("VmRSS");
        r.peakWasReset = reset_peak_rss();
        const bool ok = work();
        r.peakKib = status_kib("VmHWM");
        if (ok) {
            ssize_t written = write(fds[1], &r, sizeof r);
            (void)written;
        }
        _exit(ok ? 0 : 1);
    }
    close(fds[1]);
    PeakRss r;
    const bool got = read(fds[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    *out = r;
    return true;
}

void set_time_counters(benchmark::State &state, double workMs, double refMs)
{
    const double n = static_cast<double>(state.iterations());
    state.counters["ms"] = workMs / n;
    state.counters["ref_ms"] = refMs / n;
    state.counters["ratio"] = workMs / refMs;
}

bool time_set_load(benchmark::State &state, const char *path, bool (*loaded)(), bool (*reference)(const char *path),
                   const char *referenceFailed, SetLoadTimes &times)
{
    const double t0 = now_ms();
    bool ok = load_quiz_file(path);
    const double tRead = now_ms();
    if (ok) rebuild_font_jp();
    ok = ok && loaded();
    const double t1 = now_ms();
    free_genres();
    const double t2 = now_ms();
    const bool refOk = reference(path);
    const double t3 = now_ms();
    if (!ok || !refOk) {
        state.SkipWithError(!refOk ? referenceFailed : g_errorMsg);
        return false;
    }
    times.loadMs += t1 - t0;
    times.readMs += tRead - t0;
    times.refMs += t3 - t2;
    state.SetIterationTime((t1 - t0) / 1000.0);
    return true;
}

void set_load_counters(benchmark::State &state, const SetLoadTimes &times)
{
    set_time_counters(state, times.loadMs, times.refMs);
    const double n = static_cast<double>(state.iterations());
    state.counters["file_ms"] = times.readMs / n;
    state.counters["rebuild_ms"] = (times.loadMs - times.readMs) / n;
    state.counters["glyphs"] = g_fontJP.glyphCount;
}

int headless_output_from_env()
{
    const char *size = std::getenv("PELZO_BENCH_OUTPUT");
    int w = 0, h = 0;
    if (size == nullptr || std::sscanf(size, "%dx%d", &w, &h) != 2) return 0;
    HeadlessSetOutputSize(w, h);
    return w;
}

int run_benchmarks(int argc, char **argv, void (*beforeRun)())
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (beforeRun) beforeRun();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
