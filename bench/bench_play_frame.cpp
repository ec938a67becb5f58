// SPDX-License-Identifier: MIT
// One whole play frame, headless, with the software renderer: a question of
// 511-byte texts after the player answered wrongly, so the timer bar, panel,
// genre tag, counters, question, five coloured choices and the next button all
// show, with the pointer over the button.
//
// Measured: app_frame. Reference, timed in the same loop: a frame that only
// clears the window, the fixed cost every frame pays. Also reports the draw
// submissions of one frame. PELZO_BENCH_OUTPUT=1920x1080 draws the frame at
// that output's pixels, as the software renderer's full screen does.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "app.h"
#include "bench_support.h"
#include "font_kanji.h"
#include "draw.h"
#include "font_jp.h"
#include "game_state.h"
#include "headless.h"
#include "screen_play.h"

namespace {

constexpr double kGoalMs = 8.0;

bool s_ready = false;

bool prepare(benchmark::State &state)
{
    if (s_ready) return true;
    HeadlessEnable();
    bench::headless_output_from_env();
    InitWindow(kWindowWidth, kWindowHeight, "bench");
    if (!IsWindowReady()) {
        state.SkipWithError("no headless window");
        return false;
    }
    const std::string file = bench::game_font_file();
    std::vector<int> kanji = kanji_in_font(file, 7000);
    if (kanji.size() < 7000) {
        state.SkipWithError("no Japanese font with 7,000 kanji");
        return false;
    }
    bench::fill_long_genre(kanji, 12, 0);
    rebuild_font_jp();

    reset_game_state();
    g_screen = SCREEN_PLAY;
    g_stage = 7;
    g_genreIdx = 0;
    g_currentQ = 3;
    g_qCount = 4;
    g_usedCount = 4;
    const QUIZ_ITEM &item = g_genres[0].items[g_currentQ];
    const int order[5] = {3, 0, 4, 1, 2};  // display slot -> choice
    for (int slot = 0; slot < 5; ++slot) {
        copy_text(g_dispChoices[slot], item.choice[order[slot]], kTextSize);
        if (order[slot] == 0) g_correctChoiceIdx = slot;
    }
    g_answered = true;
    g_clickedIdx = 3;  // a wrong answer: green and red choices both show
    g_timer = 6.4f;
    g_correct = 2;
    g_score = 1234;
    HeadlessQueueMouseMove(kPlayNextButton.x + 20.0f, kPlayNextButton.y + 10.0f);
    app_frame();
    if (g_screen != SCREEN_PLAY) {
        state.SkipWithError("the frame left the play screen");
        return false;
    }
    s_ready = true;
    return true;
}

void empty_frame()
{
    BeginDrawing();
    ClearBackground(kColorBackground);
    EndDrawing();
}

void BM_PlayFrame(benchmark::State &state)
{
    if (!prepare(state)) return;
    double frameMs = 0.0, emptyMs = 0.0, cpuMs = 0.0;
    for (auto _ : state) {
        double c0 = bench::cpu_ms();
        double t0 = bench::now_ms();
        app_frame();
        double t1 = bench::now_ms();
        cpuMs += bench::cpu_ms() - c0;
        empty_frame();
        double t2 = bench::now_ms();
        frameMs += t1 - t0;
        emptyMs += t2 - t1;
        state.SetIterationTime((t1 - t0) / 1000.0);
    }
    app_frame();
    bench::set_time_counters(state, frameMs, emptyMs);
    state.counters["cpu_ms"] = cpuMs / static_cast<double>(state.iterations());
    state.counters["goal_ms"] = kGoalMs;
    state.counters["draw_calls"] = HeadlessDrawCallsLastFrame();
}
BENCHMARK(BM_PlayFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char **argv)
{
    const int status = bench::run_benchmarks(argc, argv);
    if (s_ready) {
        if (const char *png = getenv("PELZO_BENCH_PNG")) {
            app_frame();
            HeadlessSavePng(png);
        }
        app_shutdown();
    }
    return status;
}
