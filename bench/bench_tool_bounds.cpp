// SPDX-License-Identifier: MIT
// The authors' tool on the largest inputs, in bounded memory and time.
//
// PackPeakMemory: `pelzo-quiz pack` run as its own process on the largest
// set of sources it accepts: eight genres of 32,767 questions, every text as
// long as a .pzq record holds it in full-width characters (102 MB of UTF-8).
// Figure: the process's peak resident set (wait4) against the sources' size;
// goal at most 3x.
//
// ArchiveWalk: the archive walk over 2,000 stored members of no bytes, each
// claiming 64 MiB (62 KB), judging every member (check judges only the
// genre members; this is the walk's worst case), timed against the game's
// loader on the same file (zip_open and the reads of the eight genre
// members), both in this process.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "quiz_load.h"
#include "zip_format.h"
#include "zip_reader.h"

namespace {

const std::string kData = PELZO_BENCH_DATA;

// One genre source: a name of 8 full-width characters, then 32,767 questions
// of 58 and answers of 14.
std::string largest_genre_source(int genre)
{
    static const char kKanji[] =
        "亜唖娃阿哀愛挨姶逢葵茜穐悪握渥旭葦芦鯵梓圧斡扱宛姐虻飴絢綾鮎或粟袷安庵按暗案闇鞍杏以伊位依偉囲";
    const size_t count = (sizeof kKanji - 1) / 3;
    auto text = [&](size_t from, size_t chars) {
        std::string out;
        for (size_t k = 0; k < chars; ++k) out.append(kKanji + 3 * ((from + k) % count), 3);
        return out + "\n";
    };
    std::string out = text(static_cast<size_t>(genre), 8);
    for (size_t q = 0; q < 32767; ++q) {
        out += text(q, 58);
        for (size_t c = 0; c < 5; ++c) out += text(q + 7 * c + 1, 14);
    }
    return out;
}

// The eight sources, written once into the data folder; their total size.
std::vector<std::string> largest_sources(long long *bytes)
{
    std::vector<std::string> paths;
    *bytes = 0;
    std::filesystem::create_directories(kData + "/pack-largest");
    for (int g = 0; g < 8; ++g) {
        const std::string path = kData + "/pack-largest/genre" + std::to_string(g) + ".txt";
        if (!std::filesystem::exists(path)) {
            const std::string text = largest_genre_source(g);
            std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        *bytes += static_cast<long long>(std::filesystem::file_size(path));
        paths.push_back(path);
    }
    return paths;
}

// Runs pelzo-quiz with args, its output thrown away; its peak RSS in KiB, or
// -1 when it did not exit 0.
long run_tool_peak_kib(const std::vector<std::string> &args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv{const_cast<char *>(PELZO_TOOL)};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        execv(PELZO_TOOL, argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

void BM_PackPeakMemory(benchmark::State &state)
{
    long long inputBytes = 0;
    std::vector<std::string> args{"pack", "-o", kData + "/pack-largest.pzq"};
    for (const std::string &p : largest_sources(&inputBytes)) args.push_back(p);
    long peak = 0;
    double ms = 0;
    for (auto _ : state) {
        const double t0 = bench::now_ms();
        const long kib = run_tool_peak_kib(args);
        ms += bench::now_ms() - t0;
        if (kib < 0) {
            state.SkipWithError("pelzo-quiz pack failed on the largest sources");
            return;
        }
        peak = std::max(peak, kib);
    }
    state.counters["ms"] = ms / static_cast<double>(state.iterations());
    state.counters["input_MiB"] = static_cast<double>(inputBytes) / (1 << 20);
    state.counters["pack_peak_MiB"] = static_cast<double>(peak) / 1024;
    state.counters["rss_ratio"] = static_cast<double>(peak) * 1024 / static_cast<double>(inputBytes);
    state.counters["rss_goal_ratio"] = 3;
}
BENCHMARK(BM_PackPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(2);

void put16(std::string &s, uint32_t v) { s += {static_cast<char>(v), static_cast<char>(v >> 8)}; }
void put32(std::string &s, uint32_t v)
{
    put16(s, v);
    put16(s, v >> 16);
}

// 2,000 stored members of a one-letter name, no bytes, each claiming 64 MiB,
// and nothing else: 62 KB.
std::string claiming_archive()
{
    std::string out;
    for (int k = 0; k < 2000; ++k) {
        put32(out, kZipLocalSig);
        for (uint32_t v : {20u, 0u, 0u, 0u, 0u}) put16(out, v);  // version, flags, method, time, date
        put32(out, 0);  // CRC
        put32(out, 0);  // compressed
        put32(out, 64u << 20);  // uncompressed
        put16(out, 1);
        put16(out, 0);
        out += static_cast<char>('a' + k % 26);
    }
    return out;
}

void BM_ArchiveWalk(benchmark::State &state)
{
    const std::string path = kData + "/claiming2000.zip";
    const std::string bytes = claiming_archive();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    double walkMs = 0, loadMs = 0;
    for (auto _ : state) {
        double t0 = bench::now_ms();
        ZipArchive archive;
        zip_open(path.c_str(), &archive);
        const ZipWalk walk = zip_walk(&archive);
        zip_close(&archive);
        walkMs += bench::now_ms() - t0;
        if (walk.members.size() != 2000) {
            state.SkipWithError("the walk did not reach every member");
            return;
        }
        t0 = bench::now_ms();
        const bool loaded = load_zip_set(path.c_str());
        loadMs += bench::now_ms() - t0;
        if (loaded) {
            state.SkipWithError("the archive of no question loaded");
            return;
        }
    }
    bench::set_time_counters(state, walkMs, loadMs);
    state.counters["archive_KB"] = static_cast<double>(bytes.size()) / 1000;
    state.counters["goal_ratio"] = 10;
}
BENCHMARK(BM_ArchiveWalk)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char **argv) { return bench::run_benchmarks(argc, argv); }
