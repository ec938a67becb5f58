// SPDX-License-Identifier: MIT
// glibc's random_r for TYPE_3: a table of 31 words, seeded by the minimal
// standard generator (16807 multiplier, modulus 2^31 - 1, by Schrage's method
// in 32-bit arithmetic exactly as glibc computes it), then run 310 draws
// ahead; each draw adds the word three places back and returns the sum
// shifted right by one.
#include "game_random.h"

#include <cstdint>

namespace {

constexpr int kDegree = 31;
constexpr int kSeparation = 3;

struct State {
    int32_t table[kDegree];
    int front;  // the word each draw changes
    int rear;  // the word added to it
};

State g_state;
bool g_seeded = false;

int32_t draw(State &s)
{
    const uint32_t value = static_cast<uint32_t>(s.table[s.front]) + static_cast<uint32_t>(s.table[s.rear]);
    s.table[s.front] = static_cast<int32_t>(value);
    if (++s.front >= kDegree) s.front = 0;
    if (++s.rear >= kDegree) s.rear = 0;
    return static_cast<int32_t>(value >> 1);
}

}  // namespace

void game_srand(unsigned int seed)
{
    int32_t word = static_cast<int32_t>(seed == 0 ? 1 : seed);
    g_state.table[0] = word;
    for (int i = 1; i < kDegree; ++i) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        g_state.table[i] = word;
    }
    g_state.front = kSeparation;
    g_state.rear = 0;
    for (int i = 0; i < kDegree * 10; ++i) draw(g_state);
    g_seeded = true;
}

int game_rand()
{
    // Unseeded, as rand(): the sequence of seed 1.
    if (!g_seeded) game_srand(1);
    return draw(g_state);
}
