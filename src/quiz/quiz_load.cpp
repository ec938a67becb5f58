// SPDX-License-Identifier: MIT
// The loading pipeline: the binary .pzq branch, the ZIP branch and the
// dispatcher between them. Every branch first releases the previous set and
// either fills the genre table as a whole or leaves it empty with a message.
#include "quiz_load.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ascii.h"
#include "codepage.h"
#include "pzq_reader.h"
#include "sys.h"
#include "zip_reader.h"

namespace {

LoadOutcome s_outcome;

// Records why the load failed and writes the message the title shows for it.
void fail(LoadFailure failure, int genre = -1)
{
    s_outcome = LoadOutcome{failure, genre};
    switch (failure) {
    case LoadFailure::None: g_errorMsg[0] = '\0'; break;
    case LoadFailure::StatusInit: copy_text(g_errorMsg, kMsgStatusInit, kErrorMsgSize); break;
    case LoadFailure::PzqOpen: copy_text(g_errorMsg, kMsgPzqOpen, kErrorMsgSize); break;
    case LoadFailure::PzqHeader: copy_text(g_errorMsg, kMsgPzqHeader, kErrorMsgSize); break;
    case LoadFailure::StatusAlloc: copy_text(g_errorMsg, kMsgStatusAlloc, kErrorMsgSize); break;
    case LoadFailure::PzqBody: copy_text(g_errorMsg, kMsgPzqBody, kErrorMsgSize); break;
    case LoadFailure::PzqEmpty: copy_text(g_errorMsg, kMsgPzqEmpty, kErrorMsgSize); break;
    case LoadFailure::GenreAlloc: snprintf(g_errorMsg, kErrorMsgSize, kMsgGenreAllocFmt, genre); break;
    case LoadFailure::NoGenre: copy_text(g_errorMsg, kMsgNoGenre, kErrorMsgSize); break;
    case LoadFailure::NoMember: copy_text(g_errorMsg, kMsgNoMember, kErrorMsgSize); break;
    case LoadFailure::Compressed: copy_text(g_errorMsg, kMsgCompressed, kErrorMsgSize); break;
    case LoadFailure::FormatError:
        snprintf(g_errorMsg, kErrorMsgSize, kMsgFormatErrorFmt, genre_member_name(genre).c_str());
        break;
    }
}

void succeed() { fail(LoadFailure::None); }

// Releases the item arrays of the first n entries; a failed load keeps none.
void drop_stored(int n)
{
    for (int i = 0; i < n; ++i) {
        free(g_genres[i].items);
        g_genres[i].items = nullptr;
    }
}

// The genres a load has stored so far: released again when it leaves before
// it keeps them.
struct StoredGenres {
    int n = 0;
    bool kept = false;
    StoredGenres() = default;
    StoredGenres(const StoredGenres &) = delete;
    StoredGenres &operator=(const StoredGenres &) = delete;
    ~StoredGenres()
    {
        if (!kept) drop_stored(n);
    }
};

// Ends a load: the genres stored become the table, or, with none stored,
// the load fails with `none`.
bool keep_stored(StoredGenres &stored, LoadFailure none)
{
    if (stored.n == 0) {
        fail(none);
        return false;
    }
    g_genreCount = stored.n;
    stored.kept = true;
    succeed();
    return true;
}

struct FileCloser {
    void operator()(FILE *fp) const { fclose(fp); }
};

bool ascii_iequal(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b) {
        if (ascii_lower(*a) != ascii_lower(*b)) return false;
    }
    return *a == *b;
}

}  // namespace

LoadFailure read_pzq_file(const char *path, PzqFile &file)
{
    if (!initQuizStatus(&file.status)) return LoadFailure::StatusInit;
    // The path opens as UTF-8 on every system (the wide API on Windows): no
    // code-page step. Only a regular file is opened, without blocking: a
    // directory, a FIFO or a device is a file that cannot be opened.
    const std::unique_ptr<FILE, FileCloser> fp(sys_open_regular(path, nullptr, nullptr));
    if (!fp) return LoadFailure::PzqOpen;
    // Records are still read 256 bytes at a time; a larger stream buffer
    // only means fewer trips to the kernel for a 67 MB file.
    setvbuf(fp.get(), nullptr, _IOFBF, 1 << 20);
    if (readpzqHeader(&file.status, fp.get()) != 0) return LoadFailure::PzqHeader;
    if (!genQuestionField(&file.status)) return LoadFailure::StatusAlloc;
    if (readpzqBody(&file.status, fp.get()) != 0) return LoadFailure::PzqBody;
    return LoadFailure::None;
}

LoadFailure read_pzq_bytes(const std::string &bytes, PzqFile &file)
{
    if (!initQuizStatus(&file.status)) return LoadFailure::StatusInit;
    PzqBytes in{reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), 0};
    if (readpzqHeader(&file.status, &in) != 0) return LoadFailure::PzqHeader;
    if (!genQuestionField(&file.status)) return LoadFailure::StatusAlloc;
    if (readpzqBody(&file.status, &in) != 0) return LoadFailure::PzqBody;
    return LoadFailure::None;
}

namespace {

// The .pzq branch after its reading: the records into the genre table.
bool store_pzq(const PzqFile &file, LoadFailure read)
{
    if (read != LoadFailure::None) {
        fail(read);
        return false;
    }
    const QUIZ_STATUS &status = file.status;
    if (status.total <= 0) {
        fail(LoadFailure::PzqEmpty);
        return false;
    }

    StoredGenres stored;
    for (int i = 0; i < kMaxGenres; ++i) {
        const GENRE_HEADER &h = status.genre[i];
        if (h.count == 0 || !h.questions) continue;
        GENRE_DATA &g = g_genres[stored.n];
        convert_sjis_into(h.name, g.name);
        g.items =
            static_cast<QUIZ_ITEM *>(malloc(static_cast<size_t>(static_cast<uint32_t>(h.count)) * sizeof(QUIZ_ITEM)));
        if (!g.items) {
            fail(LoadFailure::GenreAlloc, i);
            return false;
        }
        g.count = h.count;
        for (int32_t q = 0; q < h.count; ++q) {
            const QUESTION_RECORD &r = h.questions[q];
            QUIZ_ITEM &item = g.items[q];
            convert_sjis_into(r.text, item.text);
            for (int c = 0; c < kChoices; ++c) convert_sjis_into(r.choice[c], item.choice[c]);
        }
        ++stored.n;
    }
    return keep_stored(stored, LoadFailure::NoGenre);
}

}  // namespace

bool load_pzq_set(const char *path)
{
    free_genres();
    PzqFile file;
    const LoadFailure read = read_pzq_file(path, file);
    return store_pzq(file, read);
}

bool load_pzq_bytes(const std::string &bytes)
{
    free_genres();
    PzqFile file;
    const LoadFailure read = read_pzq_bytes(bytes, file);
    return store_pzq(file, read);
}

std::string genre_member_name(int k) { return kGenreMemberPrefix + std::to_string(k) + ".txt"; }

int read_genre_member(const ZipArchive &archive, int k, char (&member)[kGenreMemberNameSize], unsigned char **data,
                      uint32_t *size)
{
    snprintf(member, sizeof member, "%s", genre_member_name(k).c_str());
    return zip_read_member(&archive, member, data, size);
}

bool load_zip_set(const char *path)
{
    // The archive is read once, and every member comes from that one image:
    // a file replaced during the load cannot mix two sets.
    ZipArchive archive;
    zip_open(path, &archive);
    const bool loaded = load_zip_archive(archive);
    zip_close(&archive);
    return loaded;
}

bool load_zip_archive(const ZipArchive &archive)
{
    free_genres();
    if (!archive.bytes) {
        fail(LoadFailure::NoMember);
        return false;
    }
    StoredGenres stored;
    char member[kGenreMemberNameSize];
    for (int k = 0; k < kMaxGenres; ++k) {
        unsigned char *data = nullptr;
        uint32_t size = 0;
        const int r = read_genre_member(archive, k, member, &data, &size);
        if (r == -2) {
            fail(LoadFailure::Compressed, k);
            return false;
        }
        if (r != 0) continue;
        const bool ok = parse_qtext_member(data, size, &g_genres[stored.n]);
        zip_free(data);
        if (!ok) {
            fail(LoadFailure::FormatError, k);
            return false;
        }
        ++stored.n;
    }
    return keep_stored(stored, LoadFailure::NoMember);
}

bool is_pzq_path(const char *path)
{
    const char *dot = path ? strrchr(path, '.') : nullptr;
    return dot && ascii_iequal(dot, ".pzq");
}

const LoadOutcome &last_load_outcome() { return s_outcome; }

bool refuse_quiz_file(bool pzq)
{
    free_genres();
    fail(pzq ? LoadFailure::PzqOpen : LoadFailure::NoMember);
    return false;
}

bool load_quiz_file(const char *path) { return is_pzq_path(path) ? load_pzq_set(path) : load_zip_set(path); }
