// SPDX-License-Identifier: MIT
// Text layout of the heaviest question screen: the question and five choices
// of 511 bytes each, wrapped into their boxes, in a font of 7,000 kanji.
//
// Measured: the game's wrapping (textbox_take_line) for every line the screen
// shows. Reference, timed in the same loop: the literal method, which forms
// each candidate line and measures it whole, finding every glyph by a linear
// search of the font's glyph table. Both must break the lines alike.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "font_kanji.h"
#include "draw.h"
#include "font_jp.h"

namespace {

constexpr int kFontGlyphs = 7000;
constexpr double kGoalMs = 0.1;

// The text boxes of the question screen: the question, then each choice.
struct Box {
    float width;
    float height;
    float fontSize;
};
constexpr Box kQuestionBox{540.0f, 262.0f, 20.0f};
constexpr Box kChoiceBox{410.0f, 206.0f / 3.0f, 18.0f};

struct Screen {
    std::string texts[6];
};

// The lines a box shows, as the wrapping routine hands them to DrawTextEx.
using Lines = std::vector<std::string>;

int fast_layout(const char *text, const Box &box, Lines *out)
{
    char line[kTextboxLineSize];
    const float advance = box.fontSize + 4.0f;
    int count = 0;
    for (float y = 0.0f; *text != '\0' && y + advance <= box.height; y += advance) {
        text = textbox_take_line(text, box.width, box.fontSize, line);
        benchmark::DoNotOptimize(line[0]);
        if (out) out->emplace_back(line);
        ++count;
    }
    return count;
}

// --- the literal method ------------------------------------------------------

int char_length(const char *s)
{
    const unsigned char b = static_cast<unsigned char>(*s);
    int n = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
    for (int i = 1; i < n; ++i)
        if (s[i] == '\0') return i;
    return n;
}

float literal_measure(const Font &font, const char *text, float fontSize)
{
    long sum = 0;
    int n = 0;
    for (const char *p = text; *p != '\0';) {
        int size = 0;
        const int cp = GetCodepointNext(p, &size);
        if (size <= 0) break;
        int index = 0;
        for (int i = 0; i < font.glyphCount; ++i) {
            if (font.glyphs[i].value == cp) {
                index = i;
                break;
            }
        }
        sum += font.glyphs[index].advanceX;
        ++n;
        p += size;
    }
    if (n == 0) return 0.0f;
    return static_cast<float>(sum) * fontSize / static_cast<float>(font.baseSize) + static_cast<float>(n - 1) * 1.0f;
}

int literal_layout(const char *text, const Box &box, Lines *out)
{
    char line[kTextboxLineSize];
    char candidate[kTextboxLineSize + 4];
    int lineLen = 0;
    int count = 0;
    float y = 0.0f;
    const char *p = text;
    line[0] = '\0';
    while (*p != '\0') {
        if (y + box.fontSize + 4.0f > box.height) return count;
        const int len = char_length(p);
        if (lineLen + len > kTextboxLineSize - 1) break;
        memcpy(candidate, line, static_cast<size_t>(lineLen));
        memcpy(candidate + lineLen, p, static_cast<size_t>(len));
        candidate[lineLen + len] = '\0';
        if (literal_measure(g_fontJP, candidate, box.fontSize) > box.width && lineLen > 0) {
            benchmark::DoNotOptimize(line[0]);
            if (out) out->emplace_back(line);
            ++count;
            y += box.fontSize + 4.0f;
            lineLen = 0;
            line[0] = '\0';
            continue;
        }
        memcpy(line + lineLen, p, static_cast<size_t>(len));
        lineLen += len;
        line[lineLen] = '\0';
        p += len;
    }
    if (lineLen > 0 && y + box.fontSize + 4.0f <= box.height) {
        if (out) out->emplace_back(line);
        ++count;
    }
    return count;
}

int screen_layout(const Screen &s, bool literal, std::vector<Lines> *out)
{
    int lines = 0;
    for (int i = 0; i < 6; ++i) {
        const Box &box = i == 0 ? kQuestionBox : kChoiceBox;
        Lines *dst = out ? &(*out)[static_cast<size_t>(i)] : nullptr;
        lines += literal ? literal_layout(s.texts[i].c_str(), box, dst) : fast_layout(s.texts[i].c_str(), box, dst);
    }
    return lines;
}

bool s_ready = false;
Screen s_screen;

bool prepare(benchmark::State &state)
{
    if (s_ready) return true;
    const std::string file = bench::game_font_file();
    if (file.empty()) {
        state.SkipWithError("no Japanese font file");
        return false;
    }
    std::vector<int> kanji = kanji_in_font(file, kFontGlyphs);
    if (static_cast<int>(kanji.size()) < kFontGlyphs) {
        state.SkipWithError("the font has fewer than 7,000 kanji");
        return false;
    }
    std::vector<int> cps = kanji;
    for (int c = 32; c < 127; ++c) cps.push_back(c);
    UnloadFont(g_fontJP);
    g_fontJP = LoadFontEx(file.c_str(), 36, cps.data(), static_cast<int>(cps.size()));
    if (g_fontJP.glyphCount < kFontGlyphs) {
        state.SkipWithError("the font did not load its 7,000 kanji");
        return false;
    }
    // Six 511-byte texts from different parts of the font, so lookups spread
    // over the whole glyph table.
    for (int i = 0; i < 6; ++i) s_screen.texts[i] = bench::kanji_text(kanji, static_cast<size_t>(i) * 1150, 511);

    std::vector<Lines> fast(6), literal(6);
    screen_layout(s_screen, false, &fast);
    screen_layout(s_screen, true, &literal);
    if (fast != literal) {
        state.SkipWithError("the wrapping differs from the literal method");
        return false;
    }
    s_ready = true;
    return true;
}

void BM_QuestionScreenLayout(benchmark::State &state)
{
    if (!prepare(state)) return;
    double fastMs = 0.0, literalMs = 0.0, cpuMs = 0.0;
    int lines = 0;
    for (auto _ : state) {
        double c0 = bench::cpu_ms();
        double t0 = bench::now_ms();
        lines = screen_layout(s_screen, false, nullptr);
        double t1 = bench::now_ms();
        cpuMs += bench::cpu_ms() - c0;
        screen_layout(s_screen, true, nullptr);
        double t2 = bench::now_ms();
        fastMs += t1 - t0;
        literalMs += t2 - t1;
        state.SetIterationTime((t1 - t0) / 1000.0);
    }
    bench::set_time_counters(state, fastMs, literalMs);
    state.counters["cpu_ms"] = cpuMs / static_cast<double>(state.iterations());
    state.counters["goal_ms"] = kGoalMs;
    state.counters["lines"] = lines;
    state.counters["glyphs"] = g_fontJP.glyphCount;
}
BENCHMARK(BM_QuestionScreenLayout)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);

}  // namespace

int main(int argc, char **argv) { return bench::run_benchmarks(argc, argv); }
