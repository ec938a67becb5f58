// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "genre_builder.h"
#include "game_random.h"
#include "rules.h"

namespace {

class Rules : public ::testing::Test {
protected:
    void SetUp() override { reset_game_state(); }
    void TearDown() override { free_genres(); }

    // Starts a stage and collects the question index of all ten picks.
    std::vector<int> play_stage_questions()
    {
        std::vector<int> qs;
        begin_stage();
        qs.push_back(g_currentQ);
        while (g_qCount < kQuestionsPerStage) {
            pick_next_question();
            qs.push_back(g_currentQ);
        }
        return qs;
    }

    // The same for a stage started right after seeding the generator.
    std::vector<int> play_stage_questions(unsigned seed)
    {
        game_srand(seed);
        return play_stage_questions();
    }
};

TEST(StageRules, ClearLineRisesEverySecondStage)
{
    const int expected[10] = {5, 5, 6, 6, 7, 7, 8, 8, 9, 9};
    for (int s = 1; s <= 10; ++s) EXPECT_EQ(clear_line(s), expected[s - 1]) << "stage " << s;
}

TEST(StageRules, StarRatingAndText)
{
    struct Case {
        int stage, correct, stars;
        const char *text;
    };
    const Case cases[] = {
        {1, 5, 1, "★☆☆"}, {1, 6, 1, "★☆☆"},  {1, 7, 2, "★★☆"},   {1, 10, 3, "★★★"}, {2, 6, 1, "★☆☆"},
        {3, 8, 2, "★★☆"}, {4, 7, 1, "★☆☆"},  {6, 9, 2, "★★☆"},   {7, 9, 1, "★☆☆"},  {8, 9, 1, "★☆☆"},
        {9, 9, 1, "★☆☆"}, {10, 9, 1, "★☆☆"}, {10, 10, 3, "★★★"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(star_rating(c.stage, c.correct), c.stars) << c.stage << "/" << c.correct;
        char buf[kStarTextSize];
        memset(buf, 'x', sizeof buf);
        star_text(c.stage, c.correct, buf);
        EXPECT_STREQ(buf, c.text) << c.stage << "/" << c.correct;
    }
}

TEST_F(Rules, ResultKindFollowsClearFlagAndStage)
{
    g_clearStage = false;
    g_stage = 10;
    EXPECT_EQ(result_kind(), RESULT_GAME_OVER);
    g_clearStage = true;
    g_stage = 9;
    EXPECT_EQ(result_kind(), RESULT_STAGE_CLEAR);
    g_stage = 10;
    EXPECT_EQ(result_kind(), RESULT_GAME_CLEAR);
}

TEST_F(Rules, PickShowsChoiceZeroInTheCorrectSlotAndRearms)
{
    build_genres({12});
    game_srand(7);
    begin_stage();
    for (int pick = 0; pick < 10; ++pick) {
        const QUIZ_ITEM &item = g_genres[0].items[g_currentQ];
        ASSERT_GE(g_correctChoiceIdx, 0);
        ASSERT_LE(g_correctChoiceIdx, 4);
        EXPECT_STREQ(g_dispChoices[g_correctChoiceIdx], item.choice[0]);
        std::set<int> shown;
        for (int s = 0; s < 5; ++s) {
            // Every slot holds a choice of this question, each choice once.
            EXPECT_EQ(strncmp(g_dispChoices[s], item.text, strlen(item.text)), 0);
            shown.insert(choice_number(g_dispChoices[s]));
        }
        EXPECT_EQ(shown, (std::set<int>{0, 1, 2, 3, 4}));

        EXPECT_FALSE(g_answered);
        EXPECT_EQ(g_clickedIdx, -1);
        EXPECT_EQ(g_timer, 10.0f);
        EXPECT_EQ(g_timerWaitFrames, 30);
        EXPECT_TRUE(g_timerPending);
        EXPECT_FALSE(g_timerActive);
        EXPECT_EQ(g_qCount, pick + 1);

        // Dirty the state the next pick must re-arm.
        g_answered = true;
        g_clickedIdx = 3;
        g_timer = 0.0f;
        g_timerActive = true;
        g_timerPending = false;
        g_timerWaitFrames = 0;
        if (pick < 9) pick_next_question();
    }
}

TEST_F(Rules, ShuffleVisitsEverySlotForTheRightAnswer)
{
    build_genres({1});
    game_srand(11);
    begin_stage();
    std::set<int> slots;
    for (int i = 0; i < 200; ++i) {
        g_usedCount = 0;
        g_qCount = 0;
        pick_next_question();
        slots.insert(g_correctChoiceIdx);
    }
    EXPECT_EQ(slots, (std::set<int>{0, 1, 2, 3, 4}));
}

TEST_F(Rules, DrawsComeInTheDocumentedOrder)
{
    // The genre draw of begin_stage, then the question draws, then exactly four
    // shuffle draws; replaying game_rand() from the same seed predicts every pick.
    build_genres({3, 12, 5});
    for (unsigned seed : {1u, 2u, 99u, 12345u}) {
        game_srand(seed);
        begin_stage();
        game_srand(seed);
        const int genre = game_rand() % 3;
        const int first = game_rand() % g_genres[genre].count;
        int order[5] = {0, 1, 2, 3, 4};
        for (int n = 5; n >= 2; --n) std::swap(order[n - 1], order[game_rand() % n]);
        EXPECT_EQ(g_genreIdx, genre);
        EXPECT_EQ(g_currentQ, first);
        for (int s = 0; s < 5; ++s) EXPECT_EQ(choice_number(g_dispChoices[s]), order[s]) << "seed " << seed;
        // The next draw after the pick belongs to the next caller.
        const int following = game_rand();
        game_srand(seed);
        begin_stage();
        EXPECT_EQ(game_rand(), following) << "begin_stage must make exactly six draws here";
    }
}

TEST_F(Rules, GenreOfOneQuestionRepeatsItWithAnEmptiedHistory)
{
    build_genres({1});
    game_srand(3);
    begin_stage();
    for (int pick = 1; pick <= 10; ++pick) {
        EXPECT_EQ(g_currentQ, 0);
        EXPECT_EQ(g_usedCount, 1);
        if (pick < 10) pick_next_question();
    }
}

TEST_F(Rules, GenreOfFourQuestionsCyclesThroughAllBeforeRepeating)
{
    build_genres({4});
    bool cycleBoundaryRepeatSeen = false;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const std::vector<int> qs = play_stage_questions(seed);
        ASSERT_EQ(qs.size(), 10u);
        EXPECT_EQ(std::set<int>(qs.begin(), qs.begin() + 4).size(), 4u) << "seed " << seed;
        EXPECT_EQ(std::set<int>(qs.begin() + 4, qs.begin() + 8).size(), 4u) << "seed " << seed;
        EXPECT_NE(qs[8], qs[9]) << "seed " << seed;
        if (qs[3] == qs[4] || qs[7] == qs[8]) cycleBoundaryRepeatSeen = true;
    }
    // A new cycle starts with an empty history, so its first question may
    // repeat the last one of the cycle before.
    EXPECT_TRUE(cycleBoundaryRepeatSeen);
}

TEST_F(Rules, GenreOfTwelveNeverRepeatsInsideAStage)
{
    build_genres({12});
    bool repeatAcrossStages = false;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const std::vector<int> stage1 = play_stage_questions(seed);
        EXPECT_EQ(std::set<int>(stage1.begin(), stage1.end()).size(), 10u) << "seed " << seed;
        const std::vector<int> stage2 = play_stage_questions();
        EXPECT_EQ(std::set<int>(stage2.begin(), stage2.end()).size(), 10u) << "seed " << seed;
        for (int q : stage2) {
            for (int p : stage1) repeatAcrossStages |= (p == q);
        }
    }
    EXPECT_TRUE(repeatAcrossStages);
}

TEST_F(Rules, EveryStageDrawsItsGenreFromAllValidOnes)
{
    build_genres({2, 3, 4});
    game_srand(5);
    std::set<int> seen;
    for (int i = 0; i < 60; ++i) {
        begin_stage();
        ASSERT_GE(g_genreIdx, 0);
        ASSERT_LT(g_genreIdx, 3);
        EXPECT_LT(g_currentQ, g_genres[g_genreIdx].count);
        seen.insert(g_genreIdx);
    }
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(Rules, AnswerScoresWholeSecondsLeft)
{
    build_genres({12});
    game_srand(1);
    begin_stage();
    struct Case {
        float timer;
        int points;
    };
    for (const Case c : {Case{10.0f, 10}, Case{9.99f, 9}, Case{0.7f, 0}, Case{0.5f, 0}, Case{5.0f, 5}}) {
        const int scoreBefore = g_score;
        const int correctBefore = g_correct;
        g_answered = false;
        g_timer = c.timer;
        g_timerActive = true;
        answer_choice(g_correctChoiceIdx);
        EXPECT_EQ(g_score - scoreBefore, c.points) << c.timer;
        EXPECT_EQ(g_correct, correctBefore + 1) << c.timer;
        EXPECT_TRUE(g_answered);
        EXPECT_FALSE(g_timerActive);
        EXPECT_FALSE(g_timerPending);
        EXPECT_EQ(g_clickedIdx, g_correctChoiceIdx);
        EXPECT_EQ(g_timer, c.timer);  // an answer freezes the clock
    }
}

TEST_F(Rules, WrongAnswerCountsNothing)
{
    build_genres({12});
    game_srand(2);
    begin_stage();
    g_score = 40;
    const int wrong = (g_correctChoiceIdx + 1) % 5;
    answer_choice(wrong);
    EXPECT_EQ(g_score, 40);
    EXPECT_EQ(g_correct, 0);
    EXPECT_EQ(g_clickedIdx, wrong);
    EXPECT_TRUE(g_answered);
    // Answering during the start delay cancels the countdown's start.
    EXPECT_FALSE(g_timerPending);
    EXPECT_FALSE(g_timerActive);
}

TEST_F(Rules, TenthAdvanceEndsTheStageAgainstItsClearLine)
{
    build_genres({12});
    struct Case {
        int stage, correct;
        bool cleared;
    };
    for (const Case c : {Case{1, 4, false}, Case{1, 5, true}, Case{2, 5, true}, Case{3, 5, false}, Case{3, 6, true},
                         Case{10, 8, false}, Case{10, 9, true}}) {
        g_stage = c.stage;
        game_srand(4);
        begin_stage();
        for (int q = 1; q < 10; ++q) {
            advance_question();
            EXPECT_EQ(g_screen, SCREEN_PLAY);
            EXPECT_EQ(g_qCount, q + 1);
        }
        g_correct = c.correct;
        advance_question();
        EXPECT_EQ(g_screen, SCREEN_RESULT);
        EXPECT_EQ(g_qCount, 10);
        EXPECT_EQ(g_clearStage, c.cleared) << "stage " << c.stage << " correct " << c.correct;
    }
}

TEST_F(Rules, ScoreCarriesOverStagesUntilTheTitle)
{
    build_genres({12});
    game_srand(9);
    g_stage = 1;
    begin_stage();
    g_score = 57;
    g_correct = 8;
    g_stage = 2;
    begin_stage();
    EXPECT_EQ(g_score, 57);
    EXPECT_EQ(g_correct, 0);
    EXPECT_EQ(g_qCount, 1);
    EXPECT_EQ(g_usedCount, 1);
    EXPECT_TRUE(g_stageIntro);
    EXPECT_EQ(g_screen, SCREEN_PLAY);
    return_to_title();
    EXPECT_EQ(g_stage, 1);
    EXPECT_EQ(g_score, 0);
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_EQ(g_genreCount, 1);  // the table survives the return
}

TEST_F(Rules, NoGenreStartsNothing)
{
    free_genres();
    begin_stage();
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_EQ(g_currentQ, -1);
}

}  // namespace
