// pelzo-quiz: the quiz authors' tool. Loads a set with the game's own loader
// and dispatch, without a window.
//
//   pelzo-quiz check FILE   one line per genre: <index>\t<count>\t<name>
//   pelzo-quiz dump FILE    one JSON object per question, in table order
//   pelzo-quiz pack -o OUT [--store] [--strict] [--font FILE] [--name NAME] GENRE...   builds a set (pack.h)
//   pelzo-quiz unpack SET -o DIR [--csv] [--force]   the set as genre files (unpack.h)
//
// Exit 0 on success (stderr may warn of UTF-8 members, which load but show
// garbled), 1 when the set does not load (stderr: the game's message, then
// where and why), 2 on a usage error.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "diagnose.h"
#include "format.h"
#include "i18n.h"
#include "pack.h"
#include "unpack.h"
#include "quiz_load.h"
#include "sys.h"
#include "utf8.h"

namespace {

const char kUsage[] =
    N_("usage: pelzo-quiz check FILE | pelzo-quiz dump FILE\n"
       "       pelzo-quiz pack -o OUT [--store] [--strict] [--font FILE] [--name NAME] "
       "GENRE.txt|GENRE.csv|GENRE.tsv...\n"
       "       pelzo-quiz unpack SET -o DIR [--csv] [--force]\n");

// Appends s as a JSON string. Bytes that are not UTF-8 become U+FFFD, so the
// output is always valid JSON in UTF-8.
void json_string(std::string &out, const char *s)
{
    out += '"';
    append_escaped(out, s, "\"\\", "\\ufffd");
    out += '"';
}

void print_check()
{
    for (int i = 0; i < g_genreCount; ++i)
        printf("%d\t%d\t%s\n", i, g_genres[i].count, escaped(g_genres[i].name).c_str());
}

void print_dump()
{
    std::string line;
    for (int g = 0; g < g_genreCount; ++g) {
        const GENRE_DATA &genre = g_genres[g];
        for (int q = 0; q < genre.count; ++q) {
            const QUIZ_ITEM &item = genre.items[q];
            line = "{\"genre\":" + std::to_string(g) + ",\"name\":";
            json_string(line, genre.name);
            line += ",\"index\":" + std::to_string(q) + ",\"text\":";
            json_string(line, item.text);
            line += ",\"choices\":[";
            for (int c = 0; c < 5; ++c) {
                if (c) line += ',';
                json_string(line, item.choice[c]);
            }
            line += "]}\n";
            fwrite(line.data(), 1, line.size(), stdout);
        }
    }
}

int run(int argc, char **argv)
{
    if (argc >= 2 && strcmp(argv[1], "pack") == 0) return pack_command(argc - 1, argv + 1);
    if (argc >= 2 && strcmp(argv[1], "unpack") == 0) return unpack_command(argc - 1, argv + 1);
    if (argc != 3 || (strcmp(argv[1], "check") != 0 && strcmp(argv[1], "dump") != 0)) {
        fputs(_(kUsage), stderr);
        return 2;
    }
    // Named in every message as the system writes paths.
    const std::string shown = win_display_path(argv[2]);
    const char *path = shown.c_str();
    if (!load_and_explain(path)) return 1;
    if (strcmp(argv[1], "check") == 0)
        print_check();
    else
        print_dump();
    free_genres();
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, _("pelzo-quiz: cannot write to standard output: %s\n"), strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        i18n_init();
        argv = win_utf8_argv(argc, argv, &argc);
        win_stdio_utf8();
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        fputs(_("pelzo-quiz: out of memory\n"), stderr);
        return 1;
    }
}
