// SPDX-License-Identifier: MIT
#include "pzq_reader.h"

#include <cstdint>
#include <cstring>

namespace {

bool is_sjis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool read_record(FILE *fp, unsigned char *rec)
{
    return fread(rec, 1, kPzqRecordSize, fp) == static_cast<size_t>(kPzqRecordSize);
}

bool read_record(PzqBytes *in, unsigned char *rec)
{
    if (in->size - in->at < static_cast<size_t>(kPzqRecordSize)) return false;
    memcpy(rec, in->data + in->at, kPzqRecordSize);
    in->at += kPzqRecordSize;
    return true;
}

// The readers over a file or bytes in memory: the same records either way.
template <class Source>
int read_header(QUIZ_STATUS *status, Source *in)
{
    if (!status || !in) return -1;
    unsigned char rec[kPzqRecordSize];
    bool negative = false;
    for (int i = 0; i < kMaxGenres; ++i) {
        if (!read_record(in, rec)) return -1;
        if (i == 0 && !pzq_is_magic(reinterpret_cast<const char *>(rec + kPzqMagicOffset))) return -1;
        GENRE_HEADER &g = status->genre[i];
        g.count = static_cast<int16_t>(rec[kPzqCountOffset] | (rec[kPzqCountOffset + 1] << 8));
        memcpy(g.name, rec, kPzqNameSize);
        status->total += g.count;
        if (g.count < 0) negative = true;
    }
    // All eight records are read first, so the status holds every header even
    // when the file is refused for a negative count.
    return negative ? -1 : 0;
}

template <class Source>
int read_body(QUIZ_STATUS *status, Source *in)
{
    if (!status || !in) return -1;
    if (status->total <= 0) return 0;
    if (!status->questionField) return -1;
    unsigned char rec[kPzqRecordSize];
    for (int32_t j = 0; j < status->total; ++j) {
        if (!read_record(in, rec)) return -1;
        QUESTION_RECORD &q = status->questionField[j];
        decodePzqField(rec, kPzqTextWidth, q.text);
        for (int c = 0; c < kChoices; ++c)
            decodePzqField(rec + kPzqTextWidth + kPzqChoiceWidth * c, kPzqChoiceWidth, q.choice[c]);
    }
    return 0;
}

}  // namespace

void decodePzqField(const unsigned char *stored, int width, char *out)
{
    bool trailExpected = false;
    int last = 0;
    for (int k = 0; k < width; ++k) {
        const unsigned char s = stored[k];
        if (s == 0x20 && !trailExpected) {
            out[k] = ' ';  // padding: kept only if content follows
            continue;
        }
        const auto v = static_cast<unsigned char>(s + 0x80);
        out[k] = static_cast<char>(v);
        last = k;
        trailExpected = trailExpected ? false : is_sjis_lead(v);
    }
    out[last + 1] = '\0';
}

int readpzqHeader(QUIZ_STATUS *status, FILE *fp) { return read_header(status, fp); }
int readpzqHeader(QUIZ_STATUS *status, PzqBytes *in) { return read_header(status, in); }
int readpzqBody(QUIZ_STATUS *status, FILE *fp) { return read_body(status, fp); }
int readpzqBody(QUIZ_STATUS *status, PzqBytes *in) { return read_body(status, in); }
