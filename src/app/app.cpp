// SPDX-License-Identifier: MIT
#include "app.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>
#include <string>
#include <vector>

#include "draw.h"
#include "font_jp.h"
#include "game_random.h"
#include "game_state.h"
#include "quiz_load.h"
#include "rules.h"
#include "screen_play.h"
#include "screen_problems.h"
#include "screen_result.h"
#include "screen_title.h"
#include "sounds.h"
#include "source_problems.h"
#include "source_set.h"
#include "utf8.h"
#include "resource_ids.h"
#include "win_helper.h"

// Whether the command-line path fit g_argFilePath whole, and which branch the
// whole path takes. A path that was cut is never loaded: it would name another
// file.
static bool s_argPathFits = true;
static bool s_argPathPzq = false;
// Every source the command line named, when it named teachers' sources
// (pelzowin a.txt b.txt): their genres in that order.
static std::vector<std::string> s_argSources;

namespace {

const char kUsage[] =
    "使い方 / usage: pelzowin [-mute] [-fullscreen] [--] [QUIZSET.zip | QUIZSET.pzq | SOURCE...]\n"
    "  SOURCE         問題の表・テキスト (.xlsx .ods .csv .tsv .txt、フォルダも可) / a workbook, table or genre\n"
    "                 text (several, or a folder of them: one genre each)\n"
    "  -mute, --mute  音を鳴らさない / no sound\n"
    "  -fullscreen    全画面で始める (F11, Alt+Enter で切り替え) / start in full screen (F11, Alt+Enter toggle)\n"
    "  -h, --help     この説明 / this help\n"
    "  --version      バージョン / the version\n"
    "  --             以降はファイル名 (\"-\" で始まっても) / a file name follows, even one starting with \"-\"\n";

bool is_mute_option(const char *arg) { return strcasecmp(arg, "-mute") == 0 || strcasecmp(arg, "--mute") == 0; }
bool is_fullscreen_option(const char *arg)
{
    return strcasecmp(arg, "-fullscreen") == 0 || strcasecmp(arg, "--fullscreen") == 0;
}

bool s_startFullscreen = false;

}  // namespace

int app_command_line_exit(int argc, char **argv, FILE *out, FILE *err)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!arg || arg[0] != '-' || is_mute_option(arg) || is_fullscreen_option(arg)) continue;
        if (strcmp(arg, "--") == 0) break;
        if (strcmp(arg, "-h") == 0 || strcmp(arg, "--help") == 0) {
            fputs(kUsage, out);
            return fflush(out) == 0 ? 0 : 1;
        }
        if (strcmp(arg, "--version") == 0) {
            fputs("PelzoWin ver" PELZO_VERSION "\n", out);
            return fflush(out) == 0 ? 0 : 1;
        }
        fprintf(err, "pelzowin: unknown option \"%s\"\n%s", arg, kUsage);
        return 2;
    }
    return -1;
}

void parse_command_line(int argc, char **argv)
{
    g_mute = false;
    s_startFullscreen = false;
    g_argFilePath[0] = '\0';
    s_argPathFits = true;
    s_argPathPzq = false;
    s_argSources.clear();
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!arg) continue;
        if (options && strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && is_mute_option(arg)) {
            g_mute = true;
        } else if (options && is_fullscreen_option(arg)) {
            s_startFullscreen = true;
        } else if (options && arg[0] == '-') {
            // An option app_command_line_exit answers before the game starts.
        } else if (g_argFilePath[0] == '\0') {
            s_argPathFits = utf8_copy_cut(g_argFilePath, kPathSize, arg) == strlen(arg);
            s_argPathPzq = is_pzq_path(arg);
            if (is_source_path(arg)) s_argSources.push_back(arg);
        } else if (!s_argSources.empty() && arg[0] != '\0') {
            // More sources after the first, as pack takes them; past eight
            // the load is refused with pack's count (the system bounds argv).
            s_argSources.push_back(arg);
        }
    }
}

bool command_line_path_fits() { return s_argPathFits; }

bool load_quiz_set(const char *path)
{
    g_sourceProblems = SourceProblems{};
    font_jp_set_message_lines({});
    if (!is_source_path(path) && !is_folder_path(path)) {
        if (!load_quiz_file(path)) return false;
        rebuild_font_jp();
        return true;
    }
    // A teacher's sources: every one the command line named when this is
    // its path, else the one file or folder.
    std::vector<std::string> paths{path};
    if (s_argSources.size() > 1 && strcmp(path, g_argFilePath) == 0) paths = s_argSources;
    std::string bytes, fileName;
    const bool loaded = load_source_set(paths, &bytes, &fileName);
    // The panel's lines are drawn in the game's font: their characters join
    // every glyph set from now on.
    std::vector<std::string> lines = g_sourceProblems.errors;
    lines.insert(lines.end(), g_sourceProblems.warnings.begin(), g_sourceProblems.warnings.end());
    font_jp_set_message_lines(std::move(lines));
    if (!loaded) {
        load_font_jp();  // the title's message and the panel's lines
        return false;
    }
    rebuild_font_jp();
    sys_offer_built_set(fileName.c_str(), bytes);
    return true;
}

// Decodes an embedded PNG resource; data is null when it is absent or undecodable.
static Image load_resource_image(ResourceId id)
{
    uint32_t size = 0;
    const void *bytes = win_load_resource(id, &size);
    if (!bytes || size == 0 || size > INT32_MAX) return Image{};
    return LoadImageFromMemory(".png", static_cast<const unsigned char *>(bytes), static_cast<int>(size));
}

void app_startup(int argc, char **argv)
{
    reset_game_state();
    win_set_utf8_codepage();
    game_srand(static_cast<unsigned int>(static_cast<uint32_t>(time(nullptr))));
    SetConfigFlags(FLAG_MSAA_4X_HINT);
    InitWindow(kWindowWidth, kWindowHeight, "PelzoWin ver" PELZO_VERSION);
    SetTargetFPS(60);

    Image icon = load_resource_image(kResIcon);
    if (icon.data) {
        SetWindowIcon(icon);
        UnloadImage(icon);
    }
    win_set_taskbar_icon("pelzo_win.ico");

    g_titleTex = Texture2D{};
    Image logo = load_resource_image(kResLogo);
    if (logo.data) {
        g_titleTex = LoadTextureFromImage(logo);
        UnloadImage(logo);
    }

    InitAudioDevice();
    // The command line first: the title shows the set's file name, whose
    // characters the font must hold.
    parse_command_line(argc, argv);
    if (s_startFullscreen) ToggleFullscreen();
    font_jp_set_file_name(title_file_name(g_argFilePath));
    font_jp_set_panel_words(problems_words());
    load_font_jp();
    if (!g_mute) load_all_sounds();
    PlaySound(g_sndOpening);
}

// The keyboard stands in for the mouse: 1-5 on the top row or the keypad
// choose ①-⑤, Enter or Space presses the screen's one button.
static bool button_key_pressed()
{
    return IsKeyPressed(KEY_ENTER) || IsKeyPressed(KEY_KP_ENTER) || IsKeyPressed(KEY_SPACE);
}

static bool choice_key_pressed(int slot) { return IsKeyPressed('1' + slot) || IsKeyPressed(KEY_KP_1 + slot); }

static void begin_first_stage()
{
    g_stage = 1;
    begin_stage();
}

// Loads the set at path and starts its first stage; a path that was cut
// (fits false) names another file and is refused with its branch's message.
// When the source was found wanting, the title shows the panel instead: with
// errors nothing starts, with warnings only the panel offers to play.
static void start_with_set(const char *path, bool fits, bool pzq)
{
    if (path[0] == '\0') return;
    problems_close();
    if (!fits) {
        refuse_quiz_file(pzq);
    } else if (load_quiz_set(path)) {
        if (g_sourceProblems.empty())
            begin_first_stage();
        else
            problems_open(true);
    } else if (!g_sourceProblems.empty()) {
        problems_open(false);
    }
}

// A set handed over to wait on the title takes the command line's place:
// the title names it, and the start button loads it. A message about the set
// it replaces goes.
static void name_title_set(const char *path, bool fits)
{
    utf8_copy_cut(g_argFilePath, kPathSize, path);
    s_argSources.clear();
    s_argPathFits = fits;
    s_argPathPzq = is_pzq_path(path);
    g_errorMsg[0] = '\0';
    font_jp_set_file_name(title_file_name(g_argFilePath));
    load_font_jp();
}

// The title under the problems panel: drawn, but its button and keys do
// not act. A set chosen meanwhile is loaded as the start button would; one
// dropped replaces the set the panel is about and waits on the title.
static void title_under_problems()
{
    title_draw_main();
    title_draw_file_line();
    char path[kPathSize];
    const int arrived = sys_take_arrived_file(path, kPathSize);
    if (arrived == 1 || arrived == 2) start_with_set(path, arrived == 1, is_pzq_path(path));
    if (arrived == 3 || arrived == 4) {
        problems_close();
        name_title_set(path, arrived == 3);
    }
    if (problems_frame(arrived == 0) == PROBLEMS_PLAY) begin_first_stage();
}

static void title_frame()
{
    // A calm moment (no jingle playing) for glyphs of the size text is now shown at.
    if (!IsSoundPlaying(g_sndOpening)) {
        if (IsFontRasterStale(g_fontJP)) refresh_font_jp();
        RefreshFontDefault();  // the file line's ASCII name
    }
    if (IsSoundPlaying(g_sndOpening)) {
        if (GetKeyPressed() != 0 || IsMouseButtonPressed(MOUSE_BUTTON_LEFT) ||
            IsMouseButtonPressed(MOUSE_BUTTON_RIGHT) || IsMouseButtonPressed(MOUSE_BUTTON_MIDDLE)) {
            StopSound(g_sndOpening);
        }
    }

    if (problems_is_open()) {
        title_under_problems();
        return;
    }

    if (title_draw_main() || button_key_pressed()) {
        // The dialog and the load block the frame loop: a stop signal meanwhile
        // ends the game at once, as the loop would have.
        if (!SetStopSignalExits(true)) {
            char path[kPathSize];
            path[0] = '\0';
            if (g_argFilePath[0] != '\0') {
                memcpy(path, g_argFilePath, sizeof path);
                path[kPathSize - 1] = '\0';
                start_with_set(path, s_argPathFits, s_argPathPzq);
            } else {
                const int chosen = win_open_file_dialog(path, kPathSize);
                if (chosen != 0) start_with_set(path, chosen != 2, is_pzq_path(path));
            }
        }
        SetStopSignalExits(false);
    } else {
        // The browser's file picker answers frames after the click that
        // opened it: taken as the dialog's answer would have been. A set
        // dropped on the page waits for the start button instead.
        char path[kPathSize];
        const int arrived = sys_take_arrived_file(path, kPathSize);
        if (arrived == 1 || arrived == 2) start_with_set(path, arrived == 1, is_pzq_path(path));
        if (arrived == 3 || arrived == 4) name_title_set(path, arrived == 3);
    }

    title_draw_file_line();
    problems_frame(false);  // opened by this frame's start: drawn over the title
}

static void play_frame()
{
    if (g_stageIntro) {
        if (IsSoundPlaying(g_sndPlayStart)) {
            play_draw_intro();
            return;
        }
        g_stageIntro = false;
    }

    update_answer_timer();
    play_draw_question();

    const Vector2 mouse = GetMousePosition();
    for (int slot = 0; slot < kChoices; ++slot) {
        const bool over = CheckCollisionPointRec(mouse, play_choice_rect(slot));
        play_draw_choice(slot, over);
        if (!g_answered && ((over && IsMouseButtonPressed(MOUSE_BUTTON_LEFT)) || choice_key_pressed(slot)))
            answer_choice(slot);
    }

    if (g_answered && (play_draw_next_button() || button_key_pressed())) {
        if (IsFontRasterStale(g_fontJP)) refresh_font_jp();  // between questions
        RefreshFontDefault();
        advance_question();
    }
}

static void result_frame()
{
    // Decided before drawing, so the button's action matches its label.
    const bool nextStage = g_clearStage && g_stage <= kLastStage - 1;
    if (!result_draw() && !button_key_pressed()) return;
    if (nextStage) {
        g_stage += 1;
        begin_stage();
    } else {
        return_to_title();
    }
}

void app_frame()
{
    UpdateMusicStream(g_bgmCountup);
    BeginDrawing();
    ClearBackground(kColorBackground);
    switch (g_screen) {
    case SCREEN_PLAY: play_frame(); break;
    case SCREEN_RESULT: result_frame(); break;
    case SCREEN_TITLE: title_frame(); break;
    default: break;
    }
    EndDrawing();
}

void app_run() { RunFrameLoop(app_frame); }

void app_shutdown()
{
    problems_close();
    unload_all_sounds();  // the four sounds, then the music; records left empty
    if (g_titleTex.id != 0) UnloadTexture(g_titleTex);
    g_titleTex = Texture2D{};
    UnloadFont(g_fontJP);
    g_fontJP = Font{};
    free_genres();
    CloseAudioDevice();
    CloseWindow();
}
