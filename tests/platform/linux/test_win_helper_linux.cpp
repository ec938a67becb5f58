// The Linux port of the OS layer: the GTK dialog under an X server driven by
// xdotool, and the window icon from an icon file set on the SDL window.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "child_pipe.h"
#include "platform_test_util.h"
#include "win_helper.h"
#include "x_display_lock.h"

// --- the dialog itself ----------------------------------------------------
//
// The dialog is modal and blocks its thread, so it runs in a child process;
// this process finds its window by the child's pid and types into it with
// xdotool. A child that does not answer in time is killed, so a dialog that
// never closes fails the test rather than hanging it.

namespace {

constexpr char kUntouched[] = "UNTOUCHED";

struct DialogRun {
    bool finished = false;  // the child reported a result
    int result = -1;
    std::string text;  // the buffer afterwards, up to its NUL
};

// The first line of a command's output, without trailing spaces.
std::string run_first_line(const std::string &command)
{
    std::string out = run_capture(command);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    if (size_t nl = out.find('\n'); nl != std::string::npos) out.resize(nl);
    return out;
}

// Opens the dialog in a child with a buffer of bufSize bytes (pre-filled with
// kUntouched), focuses its window and runs each of `keys` as one xdotool
// command line (xdotool's "type" swallows every argument after it, so it must
// end its line), then collects the child's answer. `display` overrides DISPLAY
// in the child.
DialogRun run_dialog(int bufSize, const std::vector<std::string> &keys, const char *display = nullptr)
{
    DialogRun run;
    int fd = -1;
    const pid_t child = fork_with_pipe(&fd);
    if (child < 0) return run;
    if (child == 0) {
        if (display) {
            setenv("DISPLAY", display, 1);
            unsetenv("WAYLAND_DISPLAY");
        }
        std::string buf(size_t(bufSize), '\0');
        memcpy(buf.data(), kUntouched, sizeof kUntouched);
        int result = win_open_file_dialog(buf.data(), bufSize);
        ssize_t ignored = write(fd, &result, sizeof result);
        ignored = write(fd, buf.data(), buf.size());
        (void)ignored;
        _exit(0);
    }

    if (!keys.empty()) {
        std::string wid = run_first_line("timeout 20 xdotool search --sync --onlyvisible --pid " +
                                         std::to_string(child) + " 2>/dev/null");
        if (!wid.empty()) {
            // Focus is taken again before every line, in case a window of some
            // other program running on the same server took it meanwhile.
            std::string delay = " sleep 0.3 ";
            for (const std::string &line : keys) {
                std::string cmd = "xdotool windowfocus --sync " + wid + delay + line + " >/dev/null 2>&1";
                delay = " ";
                EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
            }
        } else {
            ADD_FAILURE() << "the dialog window did not appear";
        }
    }

    // Wait up to 20 s for the answer.
    std::string bytes;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const size_t want = sizeof(int) + size_t(bufSize);
    while (bytes.size() < want && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 200) > 0) {
            char chunk[4096];
            ssize_t n = read(fd, chunk, sizeof chunk);
            if (n <= 0) break;
            bytes.append(chunk, size_t(n));
        }
    }
    close(fd);
    if (bytes.size() < want) kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (bytes.size() >= want) {
        run.finished = true;
        memcpy(&run.result, bytes.data(), sizeof(int));
        run.text = std::string(bytes.c_str() + sizeof(int));
    }
    return run;
}

bool have_x_and_xdotool()
{
    return getenv("DISPLAY") && getenv("DISPLAY")[0] && std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

// Xvfb (without -noreset) resets itself whenever its last client leaves, and
// refuses clients while it does; a dialog child connecting in that moment
// would find no display. This holds one connection open for a test's length.
// libX11 is opened at run time: its headers clash with the game's names.
class XConnectionHold {
public:
    XConnectionHold()
    {
        lib_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!lib_) return;
        auto open = reinterpret_cast<void *(*)(const char *)>(dlsym(lib_, "XOpenDisplay"));
        close_ = reinterpret_cast<int (*)(void *)>(dlsym(lib_, "XCloseDisplay"));
        // The server may be in the middle of a reset right now: try again for
        // up to two seconds.
        for (int attempt = 0; open && close_ && !display_ && attempt < 20; ++attempt) {
            display_ = open(nullptr);
            if (!display_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ~XConnectionHold()
    {
        if (display_) close_(display_);
        if (lib_) dlclose(lib_);
    }
    XConnectionHold(const XConnectionHold &) = delete;
    XConnectionHold &operator=(const XConnectionHold &) = delete;

private:
    void *lib_ = nullptr;
    void *display_ = nullptr;
    int (*close_)(void *) = nullptr;
};

}  // namespace

TEST(WinOpenFileDialog, WithoutAnXServerItIsACancel)
{
    // A display that does not exist: GTK cannot start, which counts as a cancel.
    DialogRun run = run_dialog(512, {}, ":4093");
    ASSERT_TRUE(run.finished) << "the dialog call did not return";
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.text, kUntouched);
}

// One test drives every dialog, one after the other: keys go to whichever
// window has the focus, so two dialogs open at once would take each other's.
TEST(WinOpenFileDialog, EscapeCancelsAndATypedPathThatDoesNotFitIsCutAtACharacter)
{
    if (!have_x_and_xdotool()) GTEST_SKIP() << "needs an X server (DISPLAY) and xdotool; scripts/test.sh starts Xvfb";
    XDisplayLock turn;
    XConnectionHold hold;

    DialogRun escaped = run_dialog(512, {"key Escape"});
    ASSERT_TRUE(escaped.finished) << "the dialog did not close on Escape";
    EXPECT_EQ(escaped.result, 0);
    EXPECT_EQ(escaped.text, kUntouched);

    const std::string dir = PELZO_TEST_OUT;
    const std::string kana = "ダイアログ選択";
    const std::string tail = "_" + std::to_string(getpid()) + ".zip";
    const std::string path = dir + "/" + kana + tail;
    ASSERT_TRUE(write_file(path, {'P', 'K', 5, 6}));
    ScopedFile cleanup(path);
    // xdotool types a character missing from the keyboard map by binding it to
    // a spare key for a moment; typed quickly, a busy GTK may read the key after
    // it was bound to the next character. The Japanese part goes slowly.
    const std::vector<std::string> keys = {
        "key ctrl+l sleep 0.3 type --delay 20 '" + dir + "/'",
        "type --delay 150 '" + kana + "'",
        "type --delay 20 '" + tail + "'",
        "sleep 0.5 key Return",
    };

    DialogRun whole = run_dialog(512, keys);
    ASSERT_TRUE(whole.finished) << "the dialog did not close on Return";
    EXPECT_EQ(whole.result, 1);
    EXPECT_EQ(whole.text, path);

    // Room for "<dir>/" and two bytes of the three-byte "ダ": the cut backs off
    // to the slash rather than keep half a character.
    DialogRun cut = run_dialog(int(dir.size()) + 1 + 2 + 1, keys);
    ASSERT_TRUE(cut.finished) << "the dialog did not close on Return";
    EXPECT_EQ(cut.result, 2);  // chosen, but the path does not fit
    EXPECT_EQ(cut.text, dir + "/");
}

// --- window icon from an icon file ------------------------------------------

class WinTaskbarIcon : public HeadlessWindowTest {};

TEST_F(WinTaskbarIcon, AnIconFileIsSet)
{
    const std::string path = std::string(PELZO_TEST_OUT) + "/icon_" + std::to_string(getpid()) + ".ico";
    ASSERT_TRUE(write_file(path, make_ico()));
    ScopedFile cleanup(path);
    EXPECT_EQ(win_set_taskbar_icon(path.c_str()), 1);
}

TEST_F(WinTaskbarIcon, TheGamesOwnIconFileLoads)
{
    const std::string path = std::string(PELZO_SOURCE_DIR) + "/assets/pelzo_win.ico";
    if (!FileExists(path.c_str())) GTEST_SKIP() << path << " is not there yet";
    EXPECT_EQ(win_set_taskbar_icon(path.c_str()), 1);
}

TEST_F(WinTaskbarIcon, MissingEmptyOrDamagedFilesSetNothing)
{
    const std::string base = std::string(PELZO_TEST_OUT) + "/bad_icon_" + std::to_string(getpid());
    EXPECT_EQ(win_set_taskbar_icon((base + "_missing.ico").c_str()), 0);
    EXPECT_EQ(win_set_taskbar_icon(nullptr), 0);
    EXPECT_EQ(win_set_taskbar_icon(PELZO_TEST_OUT), 0);  // a folder

    ScopedFile empty(base + "_empty.ico");
    ASSERT_TRUE(write_file(empty.path, {}));
    EXPECT_EQ(win_set_taskbar_icon(empty.path.c_str()), 0);

    ScopedFile text(base + "_text.ico");
    ASSERT_TRUE(write_file(text.path, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n'}));
    EXPECT_EQ(win_set_taskbar_icon(text.path.c_str()), 0);

    // The directory entry promises more bytes than the file holds.
    std::vector<unsigned char> ico = make_ico();
    ico.resize(60);
    ScopedFile cut(base + "_cut.ico");
    ASSERT_TRUE(write_file(cut.path, ico));
    EXPECT_EQ(win_set_taskbar_icon(cut.path.c_str()), 0);
}

TEST(WinTaskbarIconNoWindow, NothingIsSetBeforeTheWindowExists)
{
    const std::string path = std::string(PELZO_TEST_OUT) + "/icon_nowin_" + std::to_string(getpid()) + ".ico";
    ASSERT_TRUE(write_file(path, make_ico()));
    ScopedFile cleanup(path);
    EXPECT_EQ(win_set_taskbar_icon(path.c_str()), 0);
}
