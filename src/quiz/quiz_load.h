// SPDX-License-Identifier: MIT
// quiz_load: turns one quiz-set file into the genre table.
//
// load_quiz_file dispatches on the extension: ".pzq" (any case) to the binary
// reader, everything else to the ZIP reader. On failure g_genreCount is 0, no
// item array is held and g_errorMsg holds the message the title screen shows.
// It never touches graphics: the game's load_quiz_set (app) adds the glyph
// rebuild on success. Paths are opened as UTF-8, unchanged.
#pragma once

#include <string>

#include "quiz_data.h"
#include "zip_reader.h"

// The messages a failed load leaves in g_errorMsg. Two are printf formats.
inline constexpr char kMsgStatusInit[] = "QUIZ_STATUS初期化失敗";
inline constexpr char kMsgPzqOpen[] = "PZQファイルを開けません";
inline constexpr char kMsgPzqHeader[] = "PZQヘッダ読み込み失敗";
inline constexpr char kMsgStatusAlloc[] = "QUIZ_STATUSメモリ確保失敗";
inline constexpr char kMsgPzqBody[] = "PZQ問題データ読み込み失敗";
inline constexpr char kMsgPzqEmpty[] = "PZQデータが空です";
inline constexpr char kMsgGenreAllocFmt[] = "メモリ確保失敗 (ジャンル %d)";
inline constexpr char kMsgNoGenre[] = "有効なジャンルデータが見つかりません";
inline constexpr char kMsgNoMember[] = "有効な問題ファイルが見つかりません";
inline constexpr char kMsgCompressed[] = "ZIPが圧縮されています。ZIP_STOREDで作成してください";
inline constexpr char kMsgFormatErrorFmt[] = "フォーマットエラー: %s";

// Every message above, so the font can hold their characters.
inline constexpr const char *kLoadMessages[] = {
    kMsgStatusInit,    kMsgPzqOpen, kMsgPzqHeader, kMsgStatusAlloc, kMsgPzqBody,        kMsgPzqEmpty,
    kMsgGenreAllocFmt, kMsgNoGenre, kMsgNoMember,  kMsgCompressed,  kMsgFormatErrorFmt,
};

// Why the last load failed, with what it failed on: the pipeline sets
// g_errorMsg from this, and pelzo-quiz explains a failure from it.
enum class LoadFailure {
    None,  // the last load succeeded (or none was made)
    StatusInit,  // kMsgStatusInit
    PzqOpen,  // kMsgPzqOpen: missing, unreadable, no regular file, or a path too long
    PzqHeader,  // kMsgPzqHeader
    StatusAlloc,  // kMsgStatusAlloc
    PzqBody,  // kMsgPzqBody
    PzqEmpty,  // kMsgPzqEmpty
    GenreAlloc,  // kMsgGenreAllocFmt; `genre` is the header index
    NoGenre,  // kMsgNoGenre
    NoMember,  // kMsgNoMember
    Compressed,  // kMsgCompressed; `genre` is the member's number
    FormatError,  // kMsgFormatErrorFmt; `genre` is the member's number
};
struct LoadOutcome {
    LoadFailure failure = LoadFailure::None;
    int genre = -1;  // see LoadFailure
};
const LoadOutcome &last_load_outcome();

bool load_quiz_file(const char *path);
// The load of a path too long for the game's path buffer: nothing is read
// (the cut path would name another file); the previous set is released and
// the branch the whole path takes (`pzq`) gives its message. Returns false.
bool refuse_quiz_file(bool pzq);
// True when the path takes the binary branch: the text from its last '.' is
// ".pzq" in any ASCII case.
bool is_pzq_path(const char *path);
bool load_pzq_set(const char *path);
// A .pzq file's records as read, still Shift-JIS; the question field goes
// with it.
struct PzqFile {
    QUIZ_STATUS status;
    PzqFile() { initQuizStatus(&status); }
    ~PzqFile() { relQuestionField(&status); }
    PzqFile(const PzqFile &) = delete;
    PzqFile &operator=(const PzqFile &) = delete;
};
// The .pzq branch's reading, for the game's load and the tool's check of
// what it wrote: the failure that stopped it (StatusInit, PzqOpen,
// PzqHeader, StatusAlloc or PzqBody), or None with every record read.
LoadFailure read_pzq_file(const char *path, PzqFile &file);
// The same reading of a .pzq file's bytes in memory.
LoadFailure read_pzq_bytes(const std::string &bytes, PzqFile &file);
// The .pzq branch on bytes in memory (a set built in the game): as
// load_pzq_set, the same failures and messages.
bool load_pzq_bytes(const std::string &bytes);
bool load_zip_set(const char *path);
// The ZIP branch on an archive already read (zip_open): every member comes
// from that one image. An empty archive (zip_open refused the file) fails as
// a file that is no archive does.
bool load_zip_archive(const ZipArchive &archive);
// The ZIP member of genre k (0 to 7): "qtext_<k>.txt". Its prefix alone names
// the pattern in messages.
inline constexpr char kGenreMemberPrefix[] = "qtext_";
std::string genre_member_name(int k);
// Reads genre k's member from an open ZIP set and returns
// zip_read_member's result (0: *data to release with zip_free; -2: a
// compression method the reader lacks). The member's name goes to `member`.
inline constexpr int kGenreMemberNameSize = 32;
int read_genre_member(const ZipArchive &archive, int k, char (&member)[kGenreMemberNameSize], unsigned char **data,
                      uint32_t *size);
// Splits one Shift-JIS text member into a genre. On failure holds no allocation.
bool parse_qtext_member(const unsigned char *data, uint32_t length, GENRE_DATA *genre);
