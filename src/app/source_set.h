// SPDX-License-Identifier: MIT
// source_set: the game opens a teacher's sources itself, as pelzo-quiz pack
// reads them (the authoring library's pipeline, pack_pipeline.h).
//
// A source is a genre text (.txt), a table (.csv, .tsv) or a workbook
// (.xlsx, .ods), any case; several are genres in the order given, and a
// folder stands for its source files in name order (at most
// kMaxFolderSources of them; more is refused). The genres become a ZIP set
// when `pack -o x.zip` would take them, else a .pzq when `pack -o x.pzq`
// would (texts too long for a ZIP line); the set is built in memory and
// loaded through the game's own loader from those bytes, so the table is
// exactly the packed set's.
//
// What reading found goes to g_sourceProblems in Japanese ("place: text",
// the first kListedProblems of each kind, the rest counted). With errors
// nothing loads and g_errorMsg holds one short line for the title; warnings
// leave the set loaded. Never touches graphics: load_quiz_set (app.h) adds
// the glyph rebuild.
#pragma once

#include <string>
#include <vector>

#include "quiz_data.h"

inline constexpr int kMaxFolderSources = kMaxGenres;  // a set holds eight genres
inline constexpr size_t kListedProblems = 30;

// True when the path ends in .txt, .csv, .tsv, .xlsx or .ods (any case).
bool is_source_path(const char *path);
// True when the path names a folder.
bool is_folder_path(const char *path);

// Loads the set built from the sources (files, or one folder). On success
// the set's bytes and the file name it would be saved as (the first
// source's, with .zip or .pzq in place of its extension) are in *bytes and
// *fileName.
bool load_source_set(const std::vector<std::string> &paths, std::string *bytes, std::string *fileName);
