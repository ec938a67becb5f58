// SPDX-License-Identifier: MIT
// Genre tables built in memory for the rules, screen and play tests.
//
// Question q of genre g reads "G<g>-Q<q>", its choices "G<g>-Q<q>-C<k>"
// (choice 0 is the right one). The table is released with free_genres().
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "quiz_data.h"

inline void build_genres(std::initializer_list<int> counts)
{
    free_genres();
    int g = 0;
    for (int count : counts) {
        GENRE_DATA &genre = g_genres[g];
        snprintf(genre.name, sizeof genre.name, "Genre%d", g);
        genre.items = static_cast<QUIZ_ITEM *>(calloc(static_cast<size_t>(count), sizeof(QUIZ_ITEM)));
        genre.count = count;
        for (int q = 0; q < count; ++q) {
            QUIZ_ITEM &item = genre.items[q];
            snprintf(item.text, sizeof item.text, "G%d-Q%d", g, q);
            for (int k = 0; k < 5; ++k) snprintf(item.choice[k], sizeof item.choice[k], "G%d-Q%d-C%d", g, q, k);
        }
        ++g;
    }
    g_genreCount = g;
}

// The question number encoded in a text "G<g>-Q<q>..." or a choice text.
inline int choice_number(const char *choiceText)
{
    const char *c = strrchr(choiceText, 'C');
    return c ? atoi(c + 1) : -1;
}
