// SPDX-License-Identifier: MIT
// source_problems: what reading a teacher's source (a workbook, a table or
// genre texts opened in the game) found, as the title's panel lists it.
// Errors stop the set; warnings let it play once the player agrees. Each
// line is "place: text" in Japanese, worded as pelzo-quiz pack words it
// (quiz.xlsx:都道府県:12:3: …).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct SourceProblems {
    std::vector<std::string> errors;  // the first ones, in source order
    std::vector<std::string> warnings;  // the first ones, in source order
    size_t unlistedErrors = 0, unlistedWarnings = 0;  // found past the listed ones
    bool errorsCut = false;  // a file's reading stopped listing its errors: there are more than counted
    bool empty() const { return errors.empty() && warnings.empty(); }
};

// What the last source opened in the game found; cleared by each load.
extern SourceProblems g_sourceProblems;
