// SPDX-License-Identifier: MIT
// Mouse and keyboard state, sampled once per frame, and the headless queue.
//
// A press is remembered as an edge: a button-down event for a button that was
// up. So a click whose down and up both arrive between two frames still
// counts as a press, and a held button is not reported again.
#include <vector>

#include "gamelib_internal.h"
#include "headless.h"

namespace {

constexpr int kButtons = 3;
constexpr int kMaxKeys = 32;  // keys remembered per frame; more are dropped

struct FrameInput {
    Vector2 mouse;
    bool down[kButtons];
    bool pressed[kButtons];
    int keys[kMaxKeys];
    int keyCount;
    int keyRead;
};

FrameInput s_in{};
bool s_closeSeen = false;  // close box or the exit key since InitWindow
int s_exitKey = KEY_ESCAPE;

// Headless queue: every event carries the frame (counted in BeginDrawing
// calls since InitWindow) from which on it applies.
enum class QueuedKind { Move, Down, Up, Key };
struct QueuedEvent {
    long frame;
    QueuedKind kind;
    float x;
    float y;
    int value;
};
std::vector<QueuedEvent> s_queue;
long s_framesBegun = 0;
long s_releaseFrame[kButtons] = {-1, -1, -1};

void press(int button)
{
    if (button < 0 || button >= kButtons) return;
    if (!s_in.down[button]) s_in.pressed[button] = true;
    s_in.down[button] = true;
}

void release(int button)
{
    if (button < 0 || button >= kButtons) return;
    s_in.down[button] = false;
}

void add_key(int code)
{
    if (code == KEY_NULL) return;
    if (code == s_exitKey) s_closeSeen = true;
    if (s_in.keyCount < kMaxKeys) s_in.keys[s_in.keyCount++] = code;
}

void start_frame()
{
    for (bool &p : s_in.pressed) p = false;
    s_in.keyCount = 0;
    s_in.keyRead = 0;
}

int button_from_sdl(Uint8 b)
{
    switch (b) {
    case SDL_BUTTON_LEFT: return MOUSE_BUTTON_LEFT;
    case SDL_BUTTON_RIGHT: return MOUSE_BUTTON_RIGHT;
    case SDL_BUTTON_MIDDLE: return MOUSE_BUTTON_MIDDLE;
    default: return -1;
    }
}

// Key codes by physical key position, as the US layout names them.
int key_from_scancode(SDL_Scancode sc)
{
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return KEY_A + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return KEY_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24) return KEY_F13 + (sc - SDL_SCANCODE_F13);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return KEY_KP_1 + (sc - SDL_SCANCODE_KP_1);
    switch (sc) {
    case SDL_SCANCODE_0: return KEY_ZERO;
    case SDL_SCANCODE_SPACE: return KEY_SPACE;
    case SDL_SCANCODE_APOSTROPHE: return '\'';
    case SDL_SCANCODE_COMMA: return ',';
    case SDL_SCANCODE_MINUS: return '-';
    case SDL_SCANCODE_PERIOD: return '.';
    case SDL_SCANCODE_SLASH: return '/';
    case SDL_SCANCODE_SEMICOLON: return ';';
    case SDL_SCANCODE_EQUALS: return '=';
    case SDL_SCANCODE_LEFTBRACKET: return '[';
    case SDL_SCANCODE_BACKSLASH: return '\\';
    case SDL_SCANCODE_RIGHTBRACKET: return ']';
    case SDL_SCANCODE_GRAVE: return '`';
    case SDL_SCANCODE_ESCAPE: return KEY_ESCAPE;
    case SDL_SCANCODE_RETURN: return KEY_ENTER;
    case SDL_SCANCODE_TAB: return KEY_TAB;
    case SDL_SCANCODE_BACKSPACE: return KEY_BACKSPACE;
    case SDL_SCANCODE_INSERT: return KEY_INSERT;
    case SDL_SCANCODE_DELETE: return KEY_DELETE;
    case SDL_SCANCODE_RIGHT: return KEY_RIGHT;
    case SDL_SCANCODE_LEFT: return KEY_LEFT;
    case SDL_SCANCODE_DOWN: return KEY_DOWN;
    case SDL_SCANCODE_UP: return KEY_UP;
    case SDL_SCANCODE_PAGEUP: return KEY_PAGE_UP;
    case SDL_SCANCODE_PAGEDOWN: return KEY_PAGE_DOWN;
    case SDL_SCANCODE_HOME: return KEY_HOME;
    case SDL_SCANCODE_END: return KEY_END;
    case SDL_SCANCODE_KP_0: return 320;
    case SDL_SCANCODE_KP_ENTER: return KEY_KP_ENTER;
    case SDL_SCANCODE_LSHIFT: return KEY_LEFT_SHIFT;
    case SDL_SCANCODE_LCTRL: return KEY_LEFT_CONTROL;
    case SDL_SCANCODE_LALT: return KEY_LEFT_ALT;
    case SDL_SCANCODE_RSHIFT: return KEY_RIGHT_SHIFT;
    case SDL_SCANCODE_RCTRL: return KEY_RIGHT_CONTROL;
    case SDL_SCANCODE_RALT: return KEY_RIGHT_ALT;
    case SDL_SCANCODE_LGUI: return KEY_LEFT_SUPER;
    case SDL_SCANCODE_RGUI: return KEY_RIGHT_SUPER;
    case SDL_SCANCODE_APPLICATION: return KEY_KB_MENU;
    case SDL_SCANCODE_CAPSLOCK: return KEY_CAPS_LOCK;
    case SDL_SCANCODE_SCROLLLOCK: return KEY_SCROLL_LOCK;
    case SDL_SCANCODE_NUMLOCKCLEAR: return KEY_NUM_LOCK;
    case SDL_SCANCODE_PRINTSCREEN: return KEY_PRINT_SCREEN;
    case SDL_SCANCODE_PAUSE: return KEY_PAUSE;
    case SDL_SCANCODE_KP_PERIOD: return KEY_KP_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE: return KEY_KP_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return KEY_KP_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return KEY_KP_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return KEY_KP_ADD;
    case SDL_SCANCODE_KP_EQUALS: return KEY_KP_EQUAL;
    case SDL_SCANCODE_UNKNOWN: return KEY_NULL;
    default: return KEY_OTHER_BASE + static_cast<int>(sc);  // every key SDL reports is a key
    }
}

void queue(long frame, QueuedKind kind, float x, float y, int value)
{
    s_queue.push_back(QueuedEvent{frame, kind, x, y, value});
}

}  // namespace

void gl_input_reset()
{
    s_in = FrameInput{};
    s_closeSeen = false;
    s_exitKey = KEY_ESCAPE;
    s_queue.clear();
    s_framesBegun = 0;
    for (long &f : s_releaseFrame) f = -1;
}

void gl_input_begin_frame()
{
    start_frame();
    long frame = s_framesBegun++;
    size_t kept = 0;
    for (size_t i = 0; i < s_queue.size(); i++) {
        const QueuedEvent &e = s_queue[i];
        if (e.frame > frame) {
            s_queue[kept++] = e;
            continue;
        }
        switch (e.kind) {
        case QueuedKind::Move: s_in.mouse = Vector2{e.x, e.y}; break;
        case QueuedKind::Down: press(e.value); break;
        case QueuedKind::Up: release(e.value); break;
        case QueuedKind::Key: add_key(e.value); break;
        }
    }
    s_queue.resize(kept);
}

void gl_input_poll()
{
    start_frame();
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
        switch (ev.type) {
        case SDL_QUIT: s_closeSeen = true; break;
        case SDL_WINDOWEVENT:
            if (ev.window.event == SDL_WINDOWEVENT_CLOSE) s_closeSeen = true;
            // Shown, exposed, resized, restored: what the window shows may
            // not be the last frame any more.
            gl_record_invalidate();
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET: gl_record_invalidate(); break;
        case SDL_MOUSEMOTION: s_in.mouse = gl_window_to_picture((float)ev.motion.x, (float)ev.motion.y); break;
        case SDL_MOUSEBUTTONDOWN:
            s_in.mouse = gl_window_to_picture((float)ev.button.x, (float)ev.button.y);
            press(button_from_sdl(ev.button.button));
            break;
        case SDL_MOUSEBUTTONUP:
            s_in.mouse = gl_window_to_picture((float)ev.button.x, (float)ev.button.y);
            release(button_from_sdl(ev.button.button));
            break;
        case SDL_KEYDOWN:
            if (ev.key.repeat) break;
            // F11 and Alt+Enter belong to the window, as its close box does.
            if (ev.key.keysym.scancode == SDL_SCANCODE_F11 ||
                ((ev.key.keysym.scancode == SDL_SCANCODE_RETURN || ev.key.keysym.scancode == SDL_SCANCODE_KP_ENTER) &&
                 (ev.key.keysym.mod & KMOD_ALT) != 0)) {
                ToggleFullscreen();
                break;
            }
            add_key(key_from_scancode(ev.key.keysym.scancode));
            break;
        default: break;
        }
    }
}

bool gl_input_close_requested() { return s_closeSeen; }

void SetExitKey(int key) { s_exitKey = key; }

// --- input ---------------------------------------------------------------

Vector2 GetMousePosition() { return s_in.mouse; }

bool IsMouseButtonPressed(int button) { return button >= 0 && button < kButtons && s_in.pressed[button]; }

bool IsMouseButtonDown(int button) { return button >= 0 && button < kButtons && s_in.down[button]; }

bool IsKeyPressed(int key)
{
    for (int i = 0; i < s_in.keyCount; ++i)
        if (s_in.keys[i] == key) return true;
    return false;
}

int GetKeyPressed()
{
    if (s_in.keyRead >= s_in.keyCount) return KEY_NULL;
    return s_in.keys[s_in.keyRead++];
}

bool CheckCollisionPointRec(Vector2 point, Rectangle rec)
{
    return point.x >= rec.x && point.x < rec.x + rec.width && point.y >= rec.y && point.y < rec.y + rec.height;
}

// --- headless queue ------------------------------------------------------

void HeadlessQueueMouseMove(float x, float y) { queue(s_framesBegun, QueuedKind::Move, x, y, 0); }

void HeadlessQueueMouseDown(int button) { queue(s_framesBegun, QueuedKind::Down, 0, 0, button); }

void HeadlessQueueMouseUp(int button) { queue(s_framesBegun, QueuedKind::Up, 0, 0, button); }

void HeadlessQueueClick(float x, float y, int button)
{
    if (button < 0 || button >= kButtons) return;
    // A click queued while an earlier one of the same button is still pending
    // presses in that one's release frame, after the release (events of a
    // frame apply in the order queued), so every click is its own press.
    long pressFrame = s_framesBegun;
    if (s_releaseFrame[button] > pressFrame) pressFrame = s_releaseFrame[button];
    queue(pressFrame, QueuedKind::Move, x, y, 0);
    queue(pressFrame, QueuedKind::Down, 0, 0, button);
    queue(pressFrame + 1, QueuedKind::Up, 0, 0, button);
    s_releaseFrame[button] = pressFrame + 1;
}

void HeadlessQueueKey(int key) { queue(s_framesBegun, QueuedKind::Key, 0, 0, key); }
