// SPDX-License-Identifier: MIT
// The usage on stdout for --help, and on stderr after what was wrong; the
// command line read alike for every command.
#include "usage.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "file_names.h"
#include "format.h"
#include "i18n.h"
#include "report.h"

bool asks_for_help(const std::string &arg) { return arg == "--help" || arg == "-h"; }

int print_usage(const std::string &usage)
{
    list_block(usage);
    return listing_written() ? 0 : 1;
}

int usage_error(const char *program, const std::string &what, const std::string &usage)
{
    report_error(program, what);
    report_block(usage);
    return 2;
}

bool CommandLine::has(const char *name) const
{
    return std::any_of(given.begin(), given.end(), [name](const auto &g) { return g.first == name; });
}

const std::string &CommandLine::value(const char *name) const
{
    static const std::string none;
    for (const auto &g : given)
        if (g.first == name) return g.second;
    return none;
}

bool read_command_line(int argc, char **argv, const std::vector<OptionRule> &options, CommandLine *line,
                       std::string *what)
{
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (optionsDone || a.size() < 2 || a[0] != '-') {
            line->operands.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        if (asks_for_help(a)) {
            line->help = true;
            return true;
        }
        const auto known =
            std::find_if(options.begin(), options.end(), [&a](const OptionRule &o) { return a == o.name; });
        if (known == options.end()) {
            *what = formatted(_("unknown option %s"), a.c_str());
            return false;
        }
        if (line->has(known->name)) {
            *what = formatted(_("%s is given twice"), a.c_str());
            return false;
        }
        if (known->value && i + 1 >= argc) {
            *what = formatted(_("%s needs a value"), a.c_str());
            return false;
        }
        line->given.emplace_back(a, known->value ? std::string(argv[++i]) : std::string());
    }
    return true;
}

#ifdef _WIN32
namespace {

// Whether a name matches a pattern of `*` (any characters) and `?` (one
// character), both folded as the file system compares names.
bool matches(const std::string &pattern, const std::string &name)
{
    const auto next = [](const std::string &s, size_t i) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        return i;
    };
    size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            p = next(pattern, p);
            n = next(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = resume = next(name, resume);
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace
#endif

std::vector<std::string> expand_file_argument(const std::string &arg)
{
#ifdef _WIN32
    const size_t cut = arg.find_last_of("/\\");
    const std::string folder = cut == std::string::npos ? std::string() : arg.substr(0, cut + 1);
    const std::string pattern = arg.substr(folder.size());
    if (pattern.find_first_of("*?") == std::string::npos || folder.find_first_of("*?") != std::string::npos)
        return {arg};
    const std::string folded = fold_file_name(pattern);
    const std::string base = folder.empty() ? std::string(".") : folder;
    std::vector<std::string> names;
    std::error_code ec;
    // A folder of many entries is read to its end, but only names that match
    // are kept, and no more than a command could take.
    constexpr size_t kMaxMatches = 1000;
    for (std::filesystem::directory_iterator it(std::filesystem::path(std::u8string(base.begin(), base.end())), ec),
         end;
         !ec && it != end && names.size() < kMaxMatches; it.increment(ec)) {
        const std::u8string u8 = it->path().filename().u8string();
        const std::string name(u8.begin(), u8.end());
        if (matches(folded, fold_file_name(name)) && it->is_regular_file(ec)) names.push_back(folder + name);
    }
    if (names.empty()) return {arg};
    std::sort(names.begin(), names.end());
    return names;
#else
    return {arg};
#endif
}
