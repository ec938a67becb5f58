// SPDX-License-Identifier: MIT
// pelzo-quiz: the quiz authors' tool. Loads a set with the game's own loader
// and dispatch, without a window: check and dump here, pack (pack.h) and
// unpack (unpack.h) beside. Every command's usage is its usage text (kUsage
// and the ones below, printed by --help) and the man page; every command
// line is read by read_command_line (usage.h).
//
// Exit 0 on success (stderr may warn of UTF-8 members, which load but show
// garbled), 1 when the set does not load (stderr: the game's message, then
// where and why), 2 on a usage error (stderr: what was wrong, then the usage).
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
#include "report.h"
#include "sys.h"
#include "usage.h"
#include "utf8.h"

namespace {

const char kCheckUsage[] =
    N_("usage: pelzo-quiz check FILE\n"
       "  one line per genre of the set: its index, its number of questions, its name\n");
const char kDumpUsage[] =
    N_("usage: pelzo-quiz dump FILE\n"
       "  one JSON object per question of the set, in the set's order\n");
const char kToolUsage[] =
    N_("usage: pelzo-quiz check|dump|pack|unpack ...\n"
       "       pelzo-quiz COMMAND --help   the command's usage\n"
       "       pelzo-quiz --version\n");

// Every command's usage, as --help prints them.
std::string full_usage()
{
    return std::string(_(kToolUsage)) + "\n" + _(kCheckUsage) + "\n" + _(kDumpUsage) + "\n" + pack_usage() + "\n" +
           unpack_usage();
}

int usage_error(const std::string &what, const std::string &usage) { return ::usage_error("pelzo-quiz", what, usage); }

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
        list_row({std::to_string(i), std::to_string(g_genres[i].count), g_genres[i].name});
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
            for (int c = 0; c < kChoices; ++c) {
                if (c) line += ',';
                json_string(line, item.choice[c]);
            }
            line += "]}";
            list_row({line});  // escaped already: JSON holds no control character
        }
    }
}

int run(int argc, char **argv)
{
    if (argc < 2) return usage_error(_("no command given"), _(kToolUsage));
    const std::string command = argv[1];
    if (asks_for_help(command)) return print_usage(full_usage());
    if (command == "--version") return print_usage("pelzo-quiz (PelzoWin) ver" PELZO_VERSION "\n");
    if (command == "pack") return pack_command(argc - 1, argv + 1);
    if (command == "unpack") return unpack_command(argc - 1, argv + 1);
    if (command != "check" && command != "dump")
        return usage_error(formatted(_("unknown command %s"), command.c_str()), _(kToolUsage));
    const std::string usage = command == "check" ? _(kCheckUsage) : _(kDumpUsage);
    CommandLine line;
    std::string what;
    if (!read_command_line(argc - 1, argv + 1, {}, &line, &what)) return usage_error(what, usage);
    if (line.help) return print_usage(usage);
    if (line.operands.empty()) return usage_error(formatted(_("%s needs a FILE"), command.c_str()), usage);
    if (line.operands.size() > 1)
        return usage_error(
            formatted(_("extra argument %s: %s takes one FILE"), line.operands[1].c_str(), command.c_str()), usage);
    // Named in every message as the system writes paths.
    const std::string shown = sys_display_path(line.operands[0]);
    const char *path = shown.c_str();
    if (!load_and_explain(path)) return 1;
    if (command == "check")
        print_check();
    else
        print_dump();
    free_genres();
    if (!listing_written()) {
        report_error("pelzo-quiz", formatted(_("cannot write to standard output: %s"), strerror(errno)));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        i18n_init();
        argv = sys_utf8_argv(argc, argv, &argc);
        sys_stdio_utf8();
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        report_out_of_memory();
        return 1;
    }
}
