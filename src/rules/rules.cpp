// SPDX-License-Identifier: MIT
#include "rules.h"

#include <cstdlib>
#include <cstring>

#include "game_random.h"
#include "sounds.h"

static bool genre_is_playable(int idx)
{
    return idx >= 0 && idx < g_genreCount && idx < kMaxGenres && g_genres[idx].items != nullptr &&
           g_genres[idx].count >= 1;
}

static bool already_asked(int q)
{
    for (int i = 0; i < g_usedCount; ++i) {
        if (g_usedQIdx[i] == q) return true;
    }
    return false;
}

void pick_next_question()
{
    if (!genre_is_playable(g_genreIdx)) return;
    const GENRE_DATA &genre = g_genres[g_genreIdx];
    const int count = genre.count;

    // A full cycle of the genre makes every question eligible again. The
    // history holds one stage's ten questions; the second test only guards
    // against a caller asking for an eleventh.
    if (g_usedCount >= count || g_usedCount >= kQuestionsPerStage) g_usedCount = 0;

    // Bounded retry: after 10 * count failed draws a repeat is accepted.
    const int maxFailed = 10 * count;
    int failed = 0;
    int candidate = game_rand() % count;
    while (g_usedCount > 0 && already_asked(candidate)) {
        ++failed;
        if (failed >= maxFailed) break;
        candidate = game_rand() % count;
    }

    g_currentQ = candidate;
    g_usedQIdx[g_usedCount] = candidate;
    g_usedCount += 1;

    g_answered = false;
    g_clickedIdx = -1;

    // Four draws, n = 5 down to 2: swap position n - 1 with j = game_rand() % n.
    int order[kChoices] = {0, 1, 2, 3, 4};
    for (int n = kChoices; n >= 2; --n) {
        const int j = game_rand() % n;
        const int t = order[n - 1];
        order[n - 1] = order[j];
        order[j] = t;
    }

    const QUIZ_ITEM &item = genre.items[g_currentQ];
    g_correctChoiceIdx = -1;
    for (int s = 0; s < kChoices; ++s) {
        strncpy(g_dispChoices[s], item.choice[order[s]], kTextSize);
        g_dispChoices[s][kTextSize - 1] = '\0';
        if (order[s] == 0) g_correctChoiceIdx = s;
    }

    g_qCount += 1;
    g_timer = kAnswerSeconds;
    g_timerActive = false;
    g_timerPending = true;
    g_timerWaitFrames = kTimerWaitFrames;
}

void update_answer_timer()
{
    if (g_timerPending) {
        if (g_timerWaitFrames <= 0) {
            g_timerActive = true;
            g_timerPending = false;
            PlayMusicStream(g_bgmCountup);
        } else {
            g_timerWaitFrames -= 1;
        }
    }
    if (g_timerActive && !g_answered) {
        const float t = g_timer - GetFrameTime();
        if (t <= 0.0f) {
            g_timerActive = false;
            g_answered = true;
            g_timer = 0.0f;
            StopMusicStream(g_bgmCountup);
            PlaySound(g_sfxWrong);
        } else {
            g_timer = t;
        }
    }
}

void answer_choice(int slot)
{
    g_timerActive = false;
    g_timerPending = false;
    g_answered = true;
    g_clickedIdx = slot;
    StopMusicStream(g_bgmCountup);
    if (slot == g_correctChoiceIdx) {
        g_correct += 1;
        g_score += static_cast<int>(g_timer);  // whole seconds left, truncated
        PlaySound(g_sfxCorrect);
    } else {
        PlaySound(g_sfxWrong);
    }
}

void advance_question()
{
    if (g_qCount <= kQuestionsPerStage - 1) {
        pick_next_question();
        return;
    }
    g_screen = SCREEN_RESULT;
    g_clearStage = g_correct >= clear_line(g_stage);
}

int clear_line(int stage) { return (stage + 9) / 2; }

int star_rating(int stage, int correct)
{
    if (correct >= kQuestionsPerStage) return 3;
    if (correct >= clear_line(stage) + 2) return 2;
    return 1;
}

void begin_stage()
{
    if (g_genreCount < 1) return;
    g_qCount = 0;
    g_correct = 0;
    g_usedCount = 0;
    g_answered = false;
    g_screen = SCREEN_PLAY;
    g_genreIdx = game_rand() % g_genreCount;
    pick_next_question();
    PlaySound(g_sndPlayStart);
    g_stageIntro = true;
}

void return_to_title()
{
    g_stage = 1;
    g_score = 0;
    g_screen = SCREEN_TITLE;
}

ResultKind result_kind()
{
    if (!g_clearStage) return RESULT_GAME_OVER;
    return g_stage <= kLastStage - 1 ? RESULT_STAGE_CLEAR : RESULT_GAME_CLEAR;
}

void star_text(int stage, int correct, char *buf)
{
    const int stars = star_rating(stage, correct);
    buf[0] = '\0';
    for (int i = 0; i < 3; ++i) strcat(buf, i < stars ? "★" : "☆");
}
