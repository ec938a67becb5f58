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
// without playing ten stages. The panel over the title is shown for
// workbooks the tool writes into OUT_DIR, with errors and with warnings
// only. Exit status 1 when the set does not load or a
// file cannot be written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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
#include "workbook.h"

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

// Writes bytes to OUT_DIR/name; false when it cannot.
bool write_out(const char *name, const std::string &bytes)
{
    const std::string path = s_outDir + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    const bool written = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && fclose(f) != 0) return false;
    if (!written) fprintf(stderr, "cannot write %s\n", path.c_str());
    return written;
}

// A teacher's workbook of two sheets of prefectures, written as a
// spreadsheet saves it: with errors (cells left empty, a row running into a
// seventh cell) on several pages' worth of rows, or whole but short.
std::string prefectures_workbook(bool withErrors)
{
    static const char *const kPlaces[][2] = {
        {"北海道", "札幌市"},   {"宮城県", "仙台市"},   {"栃木県", "宇都宮市"}, {"群馬県", "前橋市"},
        {"茨城県", "水戸市"},   {"神奈川県", "横浜市"}, {"石川県", "金沢市"},   {"山梨県", "甲府市"},
        {"愛知県", "名古屋市"}, {"三重県", "津市"},     {"滋賀県", "大津市"},   {"兵庫県", "神戸市"},
        {"島根県", "松江市"},   {"香川県", "高松市"},   {"愛媛県", "松山市"},   {"沖縄県", "那覇市"},
    };
    const int count = sizeof kPlaces / sizeof kPlaces[0];
    std::vector<std::vector<std::string>> capitals, wards;
    for (int i = 0; i < (withErrors ? count : 4); ++i) {
        std::vector<std::string> row{std::string(kPlaces[i][0]) + "の県庁所在地は？", kPlaces[i][1]};
        for (int k = 1; k <= 4; ++k) row.push_back(kPlaces[(i + k * 3) % count][1]);
        if (withErrors && i % 3 != 2) row[static_cast<size_t>(1 + i % 5)].clear();
        if (withErrors && i % 5 == 4) row.push_back("※ 要確認");
        capitals.push_back(row);
        std::vector<std::string> ward{std::string(kPlaces[i][1]) + "がある都道府県は？", kPlaces[i][0]};
        for (int k = 1; k <= 4; ++k) ward.push_back(kPlaces[(i + k * 5) % count][0]);
        if (withErrors && i % 2 == 0) ward[static_cast<size_t>(2 + i % 4)].clear();
        wards.push_back(ward);
    }
    const std::vector<std::string> header{"問題", "正解", "誤答1", "誤答2", "誤答3", "誤答4"};
    return xlsx_book({"県庁所在地", "都道府県"}, {xlsx_sheet(header, capitals), xlsx_sheet(header, wards)});
}

// The panel over the title, for workbooks the game opens itself: a folder
// of them with errors (the panel's first and last page), then one with warnings only, which
// loads and offers to play. The workbooks are named relative to OUT_DIR, so
// the places the lines name are the same wherever it is.
bool problems_shots()
{
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(s_outDir) / "社会科", made);
    if (!write_out("社会科/1学期.xlsx", prefectures_workbook(true)) ||
        !write_out("社会科/2学期.xlsx", prefectures_workbook(true)) ||
        !write_out("都道府県ミニクイズ.xlsx", prefectures_workbook(false)))
        return false;
    const std::filesystem::path before = std::filesystem::current_path();
    const std::string outDir = s_outDir;
    std::filesystem::current_path(s_outDir);
    s_outDir = ".";

    // A folder of two such workbooks: more errors than the panel lists.
    snprintf(g_argFilePath, kPathSize, "%s", "社会科");
    click(kTitleStartButton);
    point_at(20, 620);
    frames(1);
    const bool errors = problems_is_open() && !g_sourceProblems.errors.empty();
    save("title_problems_errors");
    for (int i = 0; i < 8; ++i) {
        HeadlessQueueKey(KEY_PAGE_DOWN);
        frames(1);
    }
    save("title_problems_errors_last_page");
    HeadlessQueueKey(KEY_ESCAPE);
    frames(1);

    snprintf(g_argFilePath, kPathSize, "%s", "都道府県ミニクイズ.xlsx");
    click(kTitleStartButton);
    point_at(20, 620);
    frames(1);
    const bool warnings = problems_is_open() && g_sourceProblems.errors.empty() && g_genreCount > 0;
    save("title_problems_warnings");
    HeadlessQueueKey(KEY_ESCAPE);
    frames(1);
    std::filesystem::current_path(before);
    s_outDir = outDir;
    if (!errors || !warnings) fprintf(stderr, "the workbooks did not open the panels they should: %s\n", g_errorMsg);
    return errors && warnings;
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
    if (!problems_shots()) {
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
