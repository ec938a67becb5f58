// SPDX-License-Identifier: MIT
// The glyph rebuild for a quiz set with 7,000 distinct characters.
//
// Measured: rebuild_font_jp with a headless window, as after a load: the glyph
// text, its codepoints, the font file's choice, rasterising into the atlas and
// the upload; the first rebuild after start-up is also reported on its own. Reference, timed in the same loop: FreeType
// alone rasterising the same distinct codepoints once, with the same size request and flags.
// PELZO_BENCH_OUTPUT=1920x1080 rebuilds for that output after text as large
// as the atlas's size was shown: the glyphs at the shown size (raster_px),
// the advances still at 36 px (the reference stays FreeType at 36 px).
#include <benchmark/benchmark.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app.h"
#include "bench_support.h"
#include "font_kanji.h"
#include "draw.h"
#include "font_internal.h"
#include "font_jp.h"
#include "headless.h"

namespace {

constexpr int kDistinct = 7000;
constexpr double kGoalRatio = 1.3;
constexpr int kFontSize = 36;

std::string s_file;
std::vector<int> s_codepoints;  // the distinct codepoints the rebuild gets
bool s_ready = false;

// Rasterises every codepoint once; returns how many the font had.
int freetype_alone(const std::string &file, const std::vector<int> &codepoints)
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return -1;
    FT_Face face = nullptr;
    int done = 0;
    if (FT_New_Face(lib, file.c_str(), 0, &face) == 0) {
        FT_Size_RequestRec req{};
        req.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
        req.height = static_cast<FT_Long>(kFontSize) << 6;
        FT_Request_Size(face, &req);
        const FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL | FT_LOAD_NO_BITMAP;
        for (int cp : codepoints) {
            FT_UInt gi = FT_Get_Char_Index(face, static_cast<FT_ULong>(cp));
            if (gi != 0 && FT_Load_Glyph(face, gi, flags) == 0) {
                benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
                ++done;
            }
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
    return done;
}

bool prepare(benchmark::State &state)
{
    if (s_ready) return true;
    HeadlessEnable();
    bench::headless_output_from_env();
    InitWindow(kWindowWidth, kWindowHeight, "bench");
    s_file = bench::game_font_file();
    std::vector<int> kanji = kanji_in_font(s_file, kDistinct);
    if (static_cast<int>(kanji.size()) < kDistinct) {
        state.SkipWithError("no Japanese font with 7,000 kanji");
        return false;
    }
    // Seven questions of six 170-kanji texts walk through all 7,000.
    bench::fill_long_genre(kanji, 7, 0);
    s_codepoints = font_jp_quiz_codepoints();
    std::sort(s_codepoints.begin(), s_codepoints.end());
    // Text of the atlas's own size shown: at a larger output, rebuilds
    // rasterise at its size there.
    BeginDrawing();
    DrawTextEx(g_fontJP, "漢", Vector2{0.0f, 0.0f}, static_cast<float>(kFontSize), 0.0f, Color{255, 255, 255, 255});
    EndDrawing();
    s_ready = true;
    return true;
}

void BM_GlyphRebuild(benchmark::State &state)
{
    if (!prepare(state)) return;
    double rebuildMs = 0.0, refMs = 0.0, firstMs = -1.0, firstRatio = 0.0;
    int rasterised = 0;
    for (auto _ : state) {
        double t0 = bench::now_ms();
        rebuild_font_jp();
        double t1 = bench::now_ms();
        rasterised = freetype_alone(s_file, s_codepoints);
        double t2 = bench::now_ms();
        if (firstMs < 0.0) {
            // The first rebuild after start-up finds no pages of an earlier
            // set to reuse.
            firstMs = t1 - t0;
            firstRatio = (t1 - t0) / (t2 - t1);
        }
        rebuildMs += t1 - t0;
        refMs += t2 - t1;
        state.SetIterationTime((t1 - t0) / 1000.0);
    }
    // The fallback glyph is the font's one extra.
    if (g_fontJP.glyphCount != rasterised + 1) state.SkipWithError("the rebuild and FreeType disagree on the glyphs");
    bench::set_time_counters(state, rebuildMs, refMs);
    state.counters["goal_ratio"] = kGoalRatio;
    state.counters["glyphs"] = g_fontJP.glyphCount;
    state.counters["raster_px"] = gl_font_raster_size(g_fontJP);
    state.counters["pages"] = gl_font_page_count(g_fontJP);
    state.counters["first_ms"] = firstMs;
    state.counters["first_ratio"] = firstRatio;
}
BENCHMARK(BM_GlyphRebuild)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char **argv)
{
    const int status = bench::run_benchmarks(argc, argv);
    if (s_ready) app_shutdown();
    return status;
}
