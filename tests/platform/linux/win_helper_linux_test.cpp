// SPDX-License-Identifier: MIT
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
#include "utf8.h"
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
// end its line), then collects the child's answer. The last line is the one
// that closes the dialog: GTK passes over a Return while it still reads the
// folder the typed path names, so that line is given again whenever the
// answer has not come a while after it, as a user would press Return again,
// and after three the whole input again.
// `display` overrides DISPLAY in the child.
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

    // Every wait is for a condition: the window shown, the focus on it
    // (taken again before every line, in case a window of some other program
    // took it meanwhile), the child's answer. The X server queues what is
    // typed and GTK takes it in order however busy it is. The deadline only
    // ends a test that would hang; on a loaded machine GTK starts slowly.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::string bytes;
    const size_t want = sizeof(int) + size_t(bufSize);
    // Reads the answer until it is whole or `until` passes.
    const auto read_until = [&](std::chrono::steady_clock::time_point until) {
        while (bytes.size() < want && std::chrono::steady_clock::now() < until) {
            pollfd pfd{fd, POLLIN, 0};
            if (poll(&pfd, 1, 100) > 0) {
                char chunk[4096];
                ssize_t n = read(fd, chunk, sizeof chunk);
                if (n <= 0) return;
                bytes.append(chunk, size_t(n));
            }
        }
    };
    if (!keys.empty()) {
        std::string wid = run_first_line("timeout 60 xdotool search --sync --onlyvisible --pid " +
                                         std::to_string(child) + " 2>/dev/null");
        if (!wid.empty()) {
            const auto focus_and = [&](const std::string &line) {
                const std::string cmd = "xdotool windowfocus --sync " + wid + " " + line + " >/dev/null 2>&1";
                return std::system(cmd.c_str()) == 0;
            };
            // A round gives every line, then the closing one up to three
            // times while the answer does not come. Rounds go on while the
            // window is there and silent: one whose keys a busy GTK mixed up
            // is typed again (the first line starts from an empty entry).
            bool open = true;
            while (open && bytes.size() < want && std::chrono::steady_clock::now() < deadline) {
                for (size_t k = 0; open && k + 1 < keys.size(); ++k) open = focus_and(keys[k]);
                for (int again = 0; open && again < 3 && bytes.size() < want; ++again) {
                    open = focus_and(keys.back());
                    read_until(std::min(deadline, std::chrono::steady_clock::now() + std::chrono::seconds(1)));
                }
            }
        } else {
            ADD_FAILURE() << "the dialog window did not appear";
        }
    }
    read_until(deadline);
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

// Binds every character of a UTF-8 text to a spare keycode of its own for a
// test's length, and frees them again after. xdotool types a character that
// the keyboard map lacks by binding it to a scratch key for a moment, so a
// busy GTK may read a key after it was bound to the next character; with the
// characters already bound, nothing changes while they are typed. Ready()
// is false when libX11 or enough spare keycodes are missing.
class BoundCharacters {
public:
    explicit BoundCharacters(const std::string &utf8)
    {
        lib_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!lib_) return;
        const auto open = reinterpret_cast<void *(*)(const char *)>(dlsym(lib_, "XOpenDisplay"));
        const auto codes = reinterpret_cast<int (*)(void *, int *, int *)>(dlsym(lib_, "XDisplayKeycodes"));
        const auto get =
            reinterpret_cast<unsigned long *(*)(void *, unsigned char, int, int *)>(dlsym(lib_, "XGetKeyboardMapping"));
        const auto release = reinterpret_cast<int (*)(void *)>(dlsym(lib_, "XFree"));
        change_ =
            reinterpret_cast<int (*)(void *, int, int, unsigned long *, int)>(dlsym(lib_, "XChangeKeyboardMapping"));
        sync_ = reinterpret_cast<int (*)(void *, int)>(dlsym(lib_, "XSync"));
        close_ = reinterpret_cast<int (*)(void *)>(dlsym(lib_, "XCloseDisplay"));
        if (!open || !codes || !get || !release || !change_ || !sync_ || !close_ || !(display_ = open(nullptr))) return;
        int low = 0, high = 0, per = 0;
        codes(display_, &low, &high);
        unsigned long *map = get(display_, static_cast<unsigned char>(low), high - low + 1, &per);
        if (!map) return;
        std::vector<int> spare;
        for (int code = high; code >= low; --code) {
            bool empty = true;
            for (int k = 0; k < per; ++k) empty = empty && map[(code - low) * per + k] == 0;
            if (empty) spare.push_back(code);
        }
        release(map);
        for (size_t at = 0; at < utf8.size();) {
            char32_t cp = 0;
            const size_t n = utf8_decode(utf8.data() + at, utf8.size() - at, &cp);
            if (n == 0 || bound_.size() == spare.size()) return;
            at += n;
            unsigned long keysym = cp < 0x100 ? cp : 0x1000000ul | cp;
            change_(display_, spare[bound_.size()], 1, &keysym, 1);
            bound_.push_back(spare[bound_.size()]);
        }
        sync_(display_, 0);
        ready_ = true;
    }
    ~BoundCharacters()
    {
        unsigned long none = 0;
        for (int code : bound_) change_(display_, code, 1, &none, 1);
        if (display_) {
            sync_(display_, 0);
            close_(display_);
        }
        if (lib_) dlclose(lib_);
    }
    BoundCharacters(const BoundCharacters &) = delete;
    BoundCharacters &operator=(const BoundCharacters &) = delete;
    bool ready() const { return ready_; }

private:
    void *lib_ = nullptr;
    void *display_ = nullptr;
    int (*change_)(void *, int, int, unsigned long *, int) = nullptr;
    int (*sync_)(void *, int) = nullptr;
    int (*close_)(void *) = nullptr;
    std::vector<int> bound_;
    bool ready_ = false;
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
    const BoundCharacters bound(kana);
    ASSERT_TRUE(bound.ready()) << "cannot bind the characters to keys";
    const std::vector<std::string> keys = {
        "key ctrl+l ctrl+a type --delay 20 '" + dir + "/" + kana + tail + "'",
        "key Return",
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
