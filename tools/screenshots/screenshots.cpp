// SPDX-License-Identifier: MIT
// pelzo-screenshots: renders every screen state of the game headless into PNG
// files (the frame times are bench/bench_play_frame's).
//
//   pelzo-screenshots shots OUT_DIR QUIZ_SET   one PNG per state into OUT_DIR
//   pelzo-screenshots answers QUIZ_SET         the right slot (1-5) of every
//                                              question of a cleared game
//
// answers plays a whole game right and prints one slot per question, so a
// script can play the real game the same way: started within the same second
// (under faketime), the game seeds its generator alike and, with
// SDL_AUDIODRIVER=dummy, draws the same genres, questions and orders.
//
// The game itself runs: start-up, the frame loop and the screens, driven by
// queued clicks on the headless driver. Result screens are reached by setting
// the stage state the rules would leave, so each of the three can be shown
// without playing ten stages. Exit status 1 when the set does not load or a
// file cannot be written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app.h"
#include "draw.h"
#include "font_jp.h"
#include "game_state.h"
#include "headless.h"
#include "rules.h"
#include "screen_play.h"
#include "screen_problems.h"
#include "screen_result.h"
#include "screen_title.h"
#include "sounds.h"
#include "source_problems.h"

namespace {

std::string s_outDir;
int s_failures = 0;

void save(const char *name)
{
    const std::string path = s_outDir + "/" + name + ".png";
    if (HeadlessSavePng(path.c_str())) {
        printf("%s\n", path.c_str());
    } else {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        ++s_failures;
    }
}

void frames(int n)
{
    for (int i = 0; i < n; ++i) app_frame();
}

// A left press at (x, y) in the next frame, which is run; the button is let
// go in the frame after.
void click(float x, float y)
{
    HeadlessQueueClick(x, y);
    app_frame();
}

void click(const Rectangle &r) { click(r.x + r.width * 0.5f, r.y + r.height * 0.5f); }

void point_at(float x, float y) { HeadlessQueueMouseMove(x, y); }

bool start(const char *quizSet)
{
    HeadlessEnable();
    char arg0[] = "pelzowin";
    char *argv[] = {arg0, const_cast<char *>(quizSet), nullptr};
    app_startup(2, argv);
    fprintf(stderr, "font: %s\n", font_jp_file()[0] ? font_jp_file() : "(default font)");
    return true;
}

// Leaves the intro card and the 30 wait frames behind: the countdown runs.
bool run_to_countdown()
{
    for (int i = 0; i < 600 && g_stageIntro; ++i) app_frame();
    frames(kTimerWaitFrames + 2);
    return g_screen == SCREEN_PLAY && g_timerActive;
}

void result_shot(const char *name, bool clear, int stage, int correct, int score)
{
    g_screen = SCREEN_RESULT;
    g_clearStage = clear;
    g_stage = stage;
    g_correct = correct;
    g_score = score;
    point_at(20, 620);
    frames(1);
    save(name);
}

// What reading a teacher's workbook finds, worded as pelzo-quiz pack words it.
SourceProblems workbook_problems(int errors, int warnings)
{
    static const char *const kErrors[] = {
        "%sが入るべきセルが空です。ゲームでは空のテキストが表示されます。抜けているテキストを書いてください",
        "セルが 5 個です。1 行は 6 個 (問題文、正解、誤答 4 つ) です",
        "%sは 291 文字で、Shift-JIS で 582 バイトです。ZIP セットの 1 行は最大 510 バイトです (ゲームは長い行を"
        "分割し、それ以降のすべての行がずれます)。日本語なら 255 文字、ASCII なら 510 文字までで、このテキストで入るの"
        "は最初の 255 文字です",
        "%s: ♨ は Shift-JIS (コードページ 932) で表せません。別の書き方にしてください",
    };
    static const char *const kParts[] = {"正解", "誤答2", "問題文", "誤答4"};
    static const char *const kSheets[] = {"都道府県", "歴史", "理科"};
    SourceProblems found;
    char text[600], line[700];
    for (int i = 0; i < errors; ++i) {
        snprintf(text, sizeof text, kErrors[i % 4], kParts[(i / 4) % 4]);
        snprintf(line, sizeof line, "quiz.xlsx:%s:%d:%d: %s", kSheets[i / 10 % 3], 3 + i * 2, 2 + i % 5, text);
        found.errors.push_back(line);
    }
    for (int i = 0; i < warnings; ++i) {
        snprintf(line, sizeof line, "quiz.xlsx:%s:%d: %s", kSheets[i % 3], 5 + i * 7,
                 i % 2 ? "誤答3は正解と同じテキストです"
                       : "問題が 4 問しかありません (1 ステージで 10 問出題します)。同じステージで同じ問題がくり"
                         "返し出ます。10 問以上書いてください");
        found.warnings.push_back(line);
    }
    return found;
}

// The panel over the title: a source with errors (its first and last page),
// then one with warnings only, which loads and offers to play.
bool problems_shots(const std::string &quizSet)
{
    g_sourceProblems = workbook_problems(24, 2);
    g_sourceProblems.unlistedErrors = 7;
    snprintf(g_argFilePath, kPathSize, "%s", "/nonexistent/quiz.xlsx");
    click(kTitleStartButton);
    point_at(20, 620);
    frames(1);
    save("title_problems_errors");
    for (int i = 0; i < 8; ++i) {
        HeadlessQueueKey(KEY_PAGE_DOWN);
        frames(1);
    }
    save("title_problems_errors_last_page");
    HeadlessQueueKey(KEY_ESCAPE);
    frames(1);

    g_sourceProblems = workbook_problems(0, 3);
    snprintf(g_argFilePath, kPathSize, "%s", quizSet.c_str());
    click(kTitleStartButton);
    point_at(20, 620);
    frames(1);
    save("title_problems_warnings");
    const bool shown = problems_is_open();
    if (!shown) fprintf(stderr, "no panel over the title: %s\n", g_errorMsg);
    HeadlessQueueKey(KEY_ESCAPE);
    frames(1);
    g_sourceProblems = SourceProblems{};
    return shown;
}

int shots(const char *outDir, const char *quizSet)
{
    s_outDir = outDir;
    start(quizSet);

    // Title, pointer away, then over the start button; the jingle plays on.
    point_at(20, 620);
    frames(2);
    save("title_loaded_file_line");
    point_at(480, 368);
    frames(1);
    save("title_start_hovered");
    const std::string path = g_argFilePath;
    g_argFilePath[0] = '\0';
    point_at(20, 620);
    frames(1);
    save("title_hint");
    const Texture2D logo = g_titleTex;
    g_titleTex = Texture2D{};  // no logo: the text title stands in
    frames(1);
    save("title_text_title");
    g_titleTex = logo;

    // A failed load: the message on its plate above the button.
    snprintf(g_argFilePath, kPathSize, "%s", "/nonexistent/quiz-set.zip");
    click(kTitleStartButton);
    point_at(20, 620);
    frames(1);
    save("title_error");

    snprintf(g_argFilePath, kPathSize, "%s", path.c_str());
    click(kTitleStartButton);
    if (g_screen != SCREEN_PLAY) {
        fprintf(stderr, "the set did not load: %s\n", g_errorMsg);
        app_shutdown();
        return 1;
    }
    point_at(20, 620);
    frames(20);
    save("play_intro");

    run_to_countdown();
    const Rectangle third = play_choice_rect(2);
    point_at(third.x + 300, third.y + 40);
    frames(1);
    save("play_question_hovered");
    // Let the clock run into yellow, then answer wrong.
    frames(330);
    save("play_question_yellow");
    const int wrong = (g_correctChoiceIdx + 1) % 5;
    click(play_choice_rect(wrong));
    point_at(20, 620);
    frames(1);
    save("play_answered_wrong");

    click(kPlayNextButton);
    run_to_countdown();
    click(play_choice_rect(g_correctChoiceIdx));
    point_at(20, 620);
    frames(1);
    save("play_answered_right");

    // A question left to time out: red bar, 0 seconds, only the right choice marked.
    click(kPlayNextButton);
    run_to_countdown();
    frames(600);
    save("play_timed_out");

    result_shot("result_stage_clear", true, 4, 7, 31);
    result_shot("result_game_clear", true, 10, 10, 93);
    result_shot("result_game_over", false, 3, 5, 22);

    // The heaviest question face: 511-byte texts everywhere.
    click(20, 620);
    g_screen = SCREEN_PLAY;
    g_stageIntro = false;
    g_answered = false;
    QUIZ_ITEM &item = g_genres[g_genreIdx].items[g_currentQ];
    memset(item.text, 'M', kTextSize - 1);
    item.text[kTextSize - 1] = '\0';
    for (auto &choice : g_dispChoices) {
        memset(choice, 'M', kTextSize - 1);
        choice[kTextSize - 1] = '\0';
    }
    frames(1);
    save("play_worst_case");

    return_to_title();
    if (!problems_shots(path)) {
        app_shutdown();
        return 1;
    }

    app_shutdown();
    HeadlessDisable();
    return s_failures == 0 ? 0 : 1;
}

int answers(const char *quizSet)
{
    start(quizSet);
    click(kTitleStartButton);
    if (g_screen != SCREEN_PLAY) {
        fprintf(stderr, "the set did not load: %s\n", g_errorMsg);
        app_shutdown();
        return 1;
    }
    for (int stage = 1; stage <= kLastStage; ++stage) {
        for (int q = 0; q < kQuestionsPerStage; ++q) {
            run_to_countdown();
            printf("%d\n", g_correctChoiceIdx + 1);
            click(play_choice_rect(g_correctChoiceIdx));
            click(kPlayNextButton);
        }
        if (g_screen != SCREEN_RESULT || !g_clearStage) {
            fprintf(stderr, "stage %d did not clear\n", stage);
            app_shutdown();
            return 1;
        }
        click(kResultClearButton);
    }
    fflush(stdout);
    app_shutdown();
    HeadlessDisable();
    return g_screen == SCREEN_TITLE ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 4 && strcmp(argv[1], "shots") == 0) return shots(argv[2], argv[3]);
    if (argc >= 3 && strcmp(argv[1], "answers") == 0) return answers(argv[2]);
    fprintf(stderr,
            "usage: pelzo-screenshots shots OUT_DIR QUIZ_SET\n"
            "       pelzo-screenshots answers QUIZ_SET\n");
    return 2;
}
