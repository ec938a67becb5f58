// SPDX-License-Identifier: MIT
// The game under SIGTERM and SIGINT in every screen and play sub-state, and
// whole games played without a font file, without sounds and without an audio
// device; then the real executable, stopped by signals with each of those
// pieces missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "../app/game_driver.h"
#include "font_jp.h"
#include "quiz_load.h"
#include "reliability_support.h"
#include "x_display_lock.h"

namespace {

const char kSampleZip[] = PELZO_SOURCE_DIR "/data/samples/sample.zip";

enum State { TITLE, INTRO, WAITING, COUNTING, ANSWERED, RESULT, kStates };
const char *const kStateNames[kStates] = {"title", "intro", "waiting", "counting", "answered", "result"};

class Signals : public GameDriver {
protected:
    // Drives a fresh muted game into `state` through the title's start button.
    void reach(State state)
    {
        start({"-mute", kSampleZip});
        if (state == TITLE) {
            frame();
            return;
        }
        if (state == INTRO) g_sndPlayStart = LoadSound(PELZO_SOURCE_DIR "/assets/playstart_8bit.wav");
        press(kTitleStartButton);
        ASSERT_EQ(g_screen, SCREEN_PLAY) << g_errorMsg;
        if (state == INTRO) return;
        frame();  // muted: no intro, the question and its 30 wait frames
        if (state == COUNTING)
            for (int f = 0; f < 40; ++f) frame();
        if (state == ANSWERED) press_choice(wrong_slot());
        if (state == RESULT) play_stage(0);
    }

    static bool in_state(State s)
    {
        switch (s) {
        case TITLE: return g_screen == SCREEN_TITLE;
        case INTRO: return g_screen == SCREEN_PLAY && g_stageIntro;
        case WAITING: return g_screen == SCREEN_PLAY && !g_stageIntro && g_timerPending && !g_answered;
        case COUNTING: return g_screen == SCREEN_PLAY && g_timerActive && !g_answered;
        case ANSWERED: return g_screen == SCREEN_PLAY && g_answered;
        case RESULT: return g_screen == SCREEN_RESULT;
        default: return false;
        }
    }

    static void handler_is_default(int sig)
    {
        struct sigaction now {};
        ASSERT_EQ(sigaction(sig, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << "signal " << sig << " still caught after the window closed";
    }
};

TEST_F(Signals, SigtermOrSigintInEveryStateEndsTheLoopAndShutsDownCleanly)
{
    for (int sig : {SIGTERM, SIGINT}) {
        for (int s = 0; s < kStates; ++s) {
            const State state = static_cast<State>(s);
            reach(state);
            if (HasFatalFailure()) return;
            ASSERT_TRUE(in_state(state)) << kStateNames[s];
            const long before = HeadlessFrameCount();
            ASSERT_EQ(raise(sig), 0);  // caught: the process goes on
            EXPECT_TRUE(WindowShouldClose()) << kStateNames[s];
            app_run();  // must return at once
            EXPECT_EQ(HeadlessFrameCount(), before) << kStateNames[s];
            EXPECT_TRUE(in_state(state)) << kStateNames[s] << ": the signal changed the game";
            app_shutdown();
            started_ = false;
            HeadlessDisable();
            EXPECT_EQ(g_genreCount, 0) << kStateNames[s];
            handler_is_default(SIGTERM);
            handler_is_default(SIGINT);
        }
    }
}

TEST_F(Signals, ASignalArrivingBetweenFramesEndsTheLoopAfterThatFrame)
{
    reach(COUNTING);
    ASSERT_TRUE(in_state(COUNTING));
    // The signal comes in while the loop runs: an interval timer raises
    // SIGTERM after 50 ms of this process's CPU time, whatever frame is on.
    struct itimerval t {};
    t.it_value.tv_usec = 50 * 1000;
    struct sigaction old {};
    struct sigaction fwd {};
    fwd.sa_handler = [](int) { raise(SIGTERM); };
    ASSERT_EQ(sigaction(SIGPROF, &fwd, &old), 0);
    ASSERT_EQ(setitimer(ITIMER_PROF, &t, nullptr), 0);
    const long before = HeadlessFrameCount();
    app_run();  // ends by the signal, or by the time-out's end of the stage at the latest
    sigaction(SIGPROF, &old, nullptr);
    EXPECT_GT(HeadlessFrameCount(), before);
    EXPECT_EQ(g_screen, SCREEN_PLAY);  // no input: the game cannot leave the stage
}

// Plays a whole muted game from the title: right answers to the game's end,
// then back to the title. The set comes from the command line.
void play_through(bool expectIntroFrames)
{
    ASSERT_EQ(g_screen, SCREEN_TITLE);
    HeadlessQueueMouseMove(0, 0);
    for (int b = 0; b < 3; ++b) HeadlessQueueMouseUp(b);
    HeadlessQueueMouseMove(kTitleStartButton.x + 10, kTitleStartButton.y + 10);
    HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
    app_frame();
    ASSERT_EQ(g_screen, SCREEN_PLAY) << g_errorMsg;
    int introFrames = 0;
    for (int stage = 1; stage <= kLastStage; ++stage) {
        // The first play frame ends the intro at once when no jingle plays;
        // every frame after which it still shows held the card.
        while (g_stageIntro) {
            for (int b = 0; b < 3; ++b) HeadlessQueueMouseUp(b);
            app_frame();
            if (g_stageIntro) {
                ASSERT_LT(++introFrames, 10000);
            }
        }
        for (int q = 0; q < kQuestionsPerStage; ++q) {
            for (const Rectangle &r : {play_choice_rect(g_correctChoiceIdx), kPlayNextButton}) {
                for (int b = 0; b < 3; ++b) HeadlessQueueMouseUp(b);
                HeadlessQueueMouseMove(r.x + r.width / 2, r.y + r.height / 2);
                HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
                app_frame();
            }
        }
        ASSERT_EQ(g_screen, SCREEN_RESULT);
        ASSERT_TRUE(g_clearStage);
        for (int b = 0; b < 3; ++b) HeadlessQueueMouseUp(b);
        HeadlessQueueMouseMove(kResultClearButton.x + 20, kResultClearButton.y + 20);
        HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
        app_frame();
    }
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_EQ(g_score, 0);  // back at the title, the game's score reset
    if (expectIntroFrames)
        EXPECT_GT(introFrames, 0);
    else
        EXPECT_EQ(introFrames, 0);
}

class Fallbacks : public GameDriver {
protected:
    void TearDown() override
    {
        GameDriver::TearDown();
        set_font_candidates_for_test(nullptr, 0);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
};

TEST_F(Fallbacks, WithoutAnyFontFileTheDefaultFontDrawsAWholeGame)
{
    const char *const candidates[] = {"/nonexistent/yumindb.ttf", "/nonexistent/ipam.ttf"};
    set_font_candidates_for_test(candidates, 2);
    start({"-mute", kSampleZip});
    EXPECT_STREQ(font_jp_file(), "");
    EXPECT_TRUE(IsFontDefault(g_fontJP));
    play_through(false);
    EXPECT_STREQ(font_jp_file(), "");  // the rebuild after each load fell back too
    EXPECT_TRUE(IsFontDefault(g_fontJP));
    EXPECT_GE(g_genreCount, 1);
}

TEST_F(Fallbacks, AFontFileThatIsNoFontGivesTheDefaultFontToo)
{
    // The first existing candidate is taken; it cannot be read as a font.
    const std::string notAFont = rel::write_file("broken.ttf", std::string(4096, 'x'));
    const char *const candidates[] = {"/nonexistent/yumindb.ttf", notAFont.c_str()};
    set_font_candidates_for_test(candidates, 2);
    start({"-mute", kSampleZip});
    EXPECT_TRUE(IsFontDefault(g_fontJP));
    play_through(false);
    EXPECT_TRUE(IsFontDefault(g_fontJP));
}

TEST_F(Fallbacks, WithoutSoundsAGamePlaysThroughWithNoIntro)
{
    start({kSampleZip});  // not muted: the sounds load, and are then taken away
    ASSERT_NE(g_sndPlayStart.data, nullptr);
    unload_all_sounds();
    // No resource and no file beside the executable: what the loader gives is
    // an empty sound, and every call on it does nothing.
    g_sfxCorrect = load_sound_from(nullptr, 0, "no_such_right.wav");
    g_sfxWrong = load_sound_from(nullptr, 0, "no_such_wrong.wav");
    g_sndPlayStart = load_sound_from(nullptr, 0, "no_such_playstart.wav");
    g_bgmCountup = load_music_from(nullptr, 0, "no_such_countup.ogg");
    EXPECT_EQ(g_sndPlayStart.data, nullptr);
    EXPECT_EQ(g_bgmCountup.data, nullptr);
    play_through(false);
}

TEST_F(Fallbacks, WithoutAnAudioDeviceTheSilentDriverKeepsTheSoundsTimed)
{
    setenv("SDL_AUDIODRIVER", "no_such_audio_driver", 1);
    start({kSampleZip});
    EXPECT_TRUE(IsAudioDeviceReady());
    ASSERT_NE(g_sndPlayStart.data, nullptr);
    EXPECT_TRUE(IsSoundPlaying(g_sndOpening));
    play_through(true);  // the stage jingle holds each intro for its length
}

// --- the real executable ------------------------------------------------------

struct ProcessEnd {
    bool ended = false;  // within the time allowed after the signal
    int status = 0;
    std::string err;  // what it wrote to stderr
};

using Env = std::vector<std::pair<std::string, std::string>>;

// Starts pelzowin with `args` in a child process: the dummy video and audio
// drivers, then `env` on top, and its stderr in `errPath` when one is given.
// The child's pid, or -1.
pid_t start_game(const std::vector<std::string> &args, const Env &env, const char *errPath = nullptr)
{
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const auto &[k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    if (errPath) {
        const int fd = open(errPath, O_CREAT | O_TRUNC | O_WRONLY, 0644);
        if (fd >= 0) dup2(fd, 2);
    }
    const char *exe = PELZO_BINARY_DIR "/pelzowin";
    std::vector<char *> argv = {const_cast<char *>(exe)};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe, argv.data());
    _exit(127);
}

// Sends `sig` to the game and gives it `waitMillis` to end; one still running
// then is killed. Whether it ended in time; its wait status goes to *status.
bool stop_game(pid_t pid, int sig, int waitMillis, int *status)
{
    kill(pid, sig);
    bool ended = false;
    for (int waited = 0; waited < waitMillis && !ended; waited += 10) {
        ended = waitpid(pid, status, WNOHANG) == pid;
        if (!ended) usleep(10 * 1000);
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, status, 0);
    }
    return ended;
}

// Starts pelzowin with the dummy drivers and `env` added, lets it run for
// `runMillis`, sends `sig` and collects how it ended.
ProcessEnd run_game(const std::vector<std::string> &args, const Env &env, int sig, int runMillis)
{
    ProcessEnd out;
    const std::string errPath = rel::out_dir() + "stderr.txt";
    const pid_t pid = start_game(args, env, errPath.c_str());
    if (pid < 0) return out;
    usleep(static_cast<useconds_t>(runMillis) * 1000);
    out.ended = stop_game(pid, sig, 10000, &out.status);
    out.err = rel::read_whole(errPath);
    return out;
}

void expect_clean_exit(const ProcessEnd &p, const char *what)
{
    ASSERT_TRUE(p.ended) << what << ": still running 10 s after the signal";
    ASSERT_TRUE(WIFEXITED(p.status)) << what << ": ended by signal " << (WIFSIGNALED(p.status) ? WTERMSIG(p.status) : 0)
                                     << "\n"
                                     << p.err;
    EXPECT_EQ(WEXITSTATUS(p.status), 0) << what << "\n" << p.err;
}

TEST(GameProcess, SigintAndSigtermWithASetOnTheCommandLineExitZero)
{
    expect_clean_exit(run_game({kSampleZip}, {}, SIGINT, 1200), "SIGINT");
    expect_clean_exit(run_game({"-mute", kSampleZip}, {}, SIGTERM, 1200), "SIGTERM with a set");
}

TEST(GameProcess, WithoutAnAudioDeviceTheGameRunsAndExitsZero)
{
    const ProcessEnd p = run_game({kSampleZip}, {{"SDL_AUDIODRIVER", "no_such_audio_driver"}}, SIGTERM, 1500);
    expect_clean_exit(p, "no audio device");
    EXPECT_EQ(p.err.find("no device could be opened"), std::string::npos) << p.err;
}

TEST(GameProcess, WithoutAnyFontTheGameRunsAndExitsZero)
{
    // A fontconfig configuration that names no font folder at all: no
    // Japanese font is found and the default font has no file either.
    const std::string conf =
        rel::write_file("fonts.conf",
                        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                        "<cachedir>" +
                            rel::out_dir() + "fc-cache</cachedir>\n</fontconfig>\n");
    const ProcessEnd p = run_game({"-mute", kSampleZip}, {{"FONTCONFIG_FILE", conf}}, SIGTERM, 1500);
    expect_clean_exit(p, "no font");
}

// --- the real executable under an X server, clicked from outside --------------
//
// With the dummy video driver nothing can reach the game's input from
// outside; under an X server xdotool can click its window. Skipped without
// DISPLAY (scripts/test.sh starts Xvfb).

// The colour at window pixel (x, y) as ImageMagick's text format prints it:
// "... srgb(r,g,b)", returned as "r,g,b"; empty when it cannot be read.
std::string window_pixel(const std::string &wid, int x, int y)
{
    const std::string txt = run_capture("import -silent -window " + wid + " -crop 1x1+" + std::to_string(x) + "+" +
                                        std::to_string(y) + " txt:- 2>/dev/null");
    const size_t open = txt.find("srgb(");
    if (open == std::string::npos) return "";
    const size_t close = txt.find(')', open);
    return txt.substr(open + 5, close - open - 5);
}

// Whether DISPLAY names an X server and the shell finds each of `tools`.
bool have_x_and(std::initializer_list<const char *> tools)
{
    const char *display = std::getenv("DISPLAY");
    if (!display || !display[0]) return false;
    std::string check = "true";
    for (const char *tool : tools) check += std::string(" && command -v ") + tool + " >/dev/null 2>&1";
    return std::system(check.c_str()) == 0;
}

// The id of the game's first visible window, waiting up to 20 s for it to
// appear; empty when none did.
std::string game_window(pid_t pid)
{
    std::string wid =
        run_capture("timeout 20 xdotool search --sync --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null");
    if (const size_t nl = wid.find('\n'); nl != std::string::npos) wid.resize(nl);
    return wid;
}

// Clicks the title's start button in window `wid` on every `every`-th try,
// pausing `pauseMillis` after each, until `reached()` holds; at most `tries`
// tries. A game still starting up (slow under the sanitizers on a busy
// machine) may miss a click, so it is clicked again.
template <class Reached>
bool click_start_until(const std::string &wid, int tries, int every, int pauseMillis, Reached reached)
{
    const std::string click = "xdotool mousemove --window " + wid + " 480 368 click 1 >/dev/null 2>&1";
    for (int i = 0; i < tries; ++i) {
        if (i % every == 0) {
            EXPECT_EQ(std::system(click.c_str()), 0);
        }
        usleep(static_cast<useconds_t>(pauseMillis) * 1000);
        if (reached()) return true;
    }
    return false;
}

TEST(GameProcessUnderX, AClickStartsTheGameThenSigtermExitsZero)
{
    if (!have_x_and({"xdotool", "import"}))
        GTEST_SKIP() << "needs an X server (DISPLAY), xdotool and ImageMagick's import";
    XDisplayLock turn;
    // Under X the window gets an OpenGL context: SDL loads Mesa's GL driver and
    // unloads it again before the leak check runs at exit, so what the driver
    // keeps shows up as leaks from an "<unknown module>" that no suppression
    // can name. This test is about the exit status; the game's own allocations
    // are leak-checked in process with the software renderer.
    const pid_t pid =
        start_game({"-mute", kSampleZip}, {{"SDL_VIDEODRIVER", "x11"}, {"ASAN_OPTIONS", "detect_leaks=0"}});
    ASSERT_GE(pid, 0);
    const std::string wid = game_window(pid);
    bool reachedPlay = false;
    std::string title, play;
    if (!wid.empty()) {
        // The question panel's body, right of the question text: background on
        // the title screen, panel colour once the game has started.
        const int px = 930, py = 290;
        for (int i = 0; i < 50 && title.empty(); ++i) {
            title = window_pixel(wid, px, py);
            if (title.empty()) usleep(100 * 1000);
        }
        reachedPlay = click_start_until(wid, 100, 20, 100, [&] {
            play = window_pixel(wid, px, py);
            return play == "28,32,55";
        });
        if (reachedPlay) {
            // An answer too: the game is then in its answered sub-state.
            const Rectangle r = play_choice_rect(0);
            const std::string answer =
                "xdotool mousemove --window " + wid + " " + std::to_string(static_cast<int>(r.x + r.width / 2)) + " " +
                std::to_string(static_cast<int>(r.y + r.height / 2)) + " click 1 >/dev/null 2>&1";
            EXPECT_EQ(std::system(answer.c_str()), 0);
            usleep(300 * 1000);
        }
    }
    int status = 0;
    const bool ended = stop_game(pid, SIGTERM, 10000, &status);
    ASSERT_FALSE(wid.empty()) << "the game's window did not appear";
    EXPECT_EQ(title, "18,20,35") << "the title screen's background";
    EXPECT_TRUE(reachedPlay) << "the click did not start the game; pixel " << play;
    ASSERT_TRUE(ended) << "still running 10 s after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The open-file dialog blocks the frame loop; a stop signal must not wait
// for a person to close it.
TEST(GameProcessUnderX, SigtermWhileTheFileDialogIsOpenExitsZero)
{
    if (!have_x_and({"xdotool"})) GTEST_SKIP() << "needs an X server (DISPLAY) and xdotool";
    XDisplayLock turn;
    // No set on the command line: the title's button opens the dialog.
    const pid_t pid = start_game({"-mute"}, {{"SDL_VIDEODRIVER", "x11"},
                                             {"ASAN_OPTIONS", "detect_leaks=0"},  // Mesa's GL driver, as above
                                             {"GSETTINGS_BACKEND", "memory"}});
    ASSERT_GE(pid, 0);
    const std::string search = "xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null";
    const std::string wid = game_window(pid);
    bool dialogOpen = false;
    if (!wid.empty()) {
        // The dialog is the game's second window; the button is clicked again
        // every 2 s until it is there.
        dialogOpen = click_start_until(wid, 600, 40, 50, [&] {
            const std::string windows = run_capture(search);
            return std::count(windows.begin(), windows.end(), '\n') >= 2;
        });
    }
    int status = 0;
    const bool ended = stop_game(pid, SIGTERM, 5000, &status);
    ASSERT_FALSE(wid.empty()) << "the game's window did not appear";
    EXPECT_TRUE(dialogOpen) << "the click did not open the file dialog";
    ASSERT_TRUE(ended) << "still running 5 s after SIGTERM with the dialog open";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
