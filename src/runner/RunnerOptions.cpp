#include "runner/RunnerOptions.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <getopt.h>

namespace hozonix::runner {

namespace {

// Long options without a letter of their own.
enum : int { RestoreOption = 0x100, AsOfOption, ToOption, VerifyOption };

const option LongOptions[] = {
    {"restore", required_argument, nullptr, RestoreOption},
    {"as-of", required_argument, nullptr, AsOfOption},
    {"to", required_argument, nullptr, ToOption},
    {"all", no_argument, nullptr, 'a'},
    {"list", no_argument, nullptr, 'l'},
    {"careful", no_argument, nullptr, 'c'},
    {"dry-run", no_argument, nullptr, 'n'},
    {"keep-going", no_argument, nullptr, 'k'},
    {"verify", no_argument, nullptr, VerifyOption},
    {"threshold", required_argument, nullptr, 't'},
    {"quiet", no_argument, nullptr, 'q'},
    {"output", required_argument, nullptr, 'o'},
    {"settings", required_argument, nullptr, 's'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};
// Leading ":": a missing value is told apart from an unknown option. Options may follow profile names;
// "--" ends them, for a profile whose name begins with "-".
constexpr char ShortOptions[] = ":alcnkt:qo:s:hV";

// `count` decimal digits of `text` from `at`.
bool Digits(const std::string& text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

std::optional<int64_t> ParseMoment(const std::string& text) {
    const std::size_t n = text.size();
    if (n != 10 && n != 16 && n != 19)
        return std::nullopt;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!Digits(text, 0, 4, year) || text[4] != '-' || !Digits(text, 5, 2, month) || text[7] != '-' ||
        !Digits(text, 8, 2, day))
        return std::nullopt;
    if (n >= 16 && ((text[10] != ' ' && text[10] != 'T') || !Digits(text, 11, 2, hour) || text[13] != ':' ||
                    !Digits(text, 14, 2, minute)))
        return std::nullopt;
    if (n == 19 && (text[16] != ':' || !Digits(text, 17, 2, second)))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    std::tm given = tm;
    if (mktime(&given) == -1 || given.tm_mday != day || given.tm_mon != month - 1)
        return std::nullopt; // no such day (30 February)
    // The moment is the end of what was given: the start of the next day, minute or second, less 1 ns.
    if (n == 10)
        ++tm.tm_mday;
    else if (n == 16)
        ++tm.tm_min;
    else
        ++tm.tm_sec;
    const std::time_t next = mktime(&tm);
    if (next == -1)
        return std::nullopt;
    return static_cast<int64_t>(next) * 1'000'000'000 - 1;
}

std::optional<int64_t> ParseByteCount(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

ParsedOptions ParseRunnerOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    RunnerOptions& o = parsed.options;
    // getopt wants a program name in front and may reorder what follows.
    std::vector<std::string> copies{"hozonix-run"};
    copies.insert(copies.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(copies.size());

    // getopt keeps its state in globals: start afresh on every call, and report errors ourselves.
    optind = 0;
    opterr = 0;
    bool all = false;
    bool list = false;
    bool restore = false;
    int c;
    while ((c = getopt_long(argc, argv.data(), ShortOptions, LongOptions, nullptr)) != -1) {
        switch (c) {
        case 'a':
            all = true;
            break;
        case 'l':
            list = true;
            break;
        case 'c':
            o.careful = true;
            break;
        case 'n':
            o.dryRun = true;
            break;
        case 'k':
            o.keepGoing = true;
            break;
        case VerifyOption:
            o.verify = true;
            break;
        case 't':
            o.threshold = ParseByteCount(optarg);
            if (!o.threshold) {
                parsed.error = "the threshold must be a number of bytes: '" + std::string(optarg) + "'";
                return parsed;
            }
            break;
        case 'q':
            o.quiet = true;
            break;
        case 'o':
        case 's':
            if (optarg[0] == '\0') {
                parsed.error =
                    std::string(c == 'o' ? "--output" : "--settings") + " needs a folder or file name";
                return parsed;
            }
            (c == 'o' ? o.outputFolder : o.settingsFile) = optarg;
            break;
        case RestoreOption:
            restore = true;
            o.restoreProfile = optarg;
            break;
        case AsOfOption:
            o.asOf = ParseMoment(optarg);
            if (!o.asOf) {
                parsed.error =
                    "--as-of needs a date as YYYY-MM-DD, YYYY-MM-DD HH:MM or YYYY-MM-DD HH:MM:SS: '" +
                    std::string(optarg) + "'";
                return parsed;
            }
            break;
        case ToOption:
            if (optarg[0] == '\0') {
                parsed.error = "--to needs a folder";
                return parsed;
            }
            o.restoreTarget = optarg;
            break;
        case 'h':
            o.mode = RunnerOptions::Mode::Help;
            return parsed;
        case 'V':
            o.mode = RunnerOptions::Mode::Version;
            return parsed;
        case ':':
        case '?': {
            // A long option is named by its word; optopt names only a short one.
            std::string word = argv[static_cast<size_t>(optind - 1)];
            if (word.starts_with("--"))
                word = word.substr(0, word.find('='));
            else
                word = "-" + std::string(1, static_cast<char>(optopt));
            parsed.error = (c == ':' ? "option needs a value: " : "unknown option: ") + word;
            return parsed;
        }
        }
    }
    for (int i = optind; i < argc; ++i)
        o.profiles.push_back(argv[static_cast<size_t>(i)]); // in the order getopt left them

    if (restore) {
        // The other arguments are the paths to restore.
        o.restorePaths = std::move(o.profiles);
        o.profiles.clear();
        if (list || all || o.verify)
            parsed.error = "--restore takes no --all, --list or --verify";
        else if (o.restoreProfile.empty())
            parsed.error = "an empty profile name was given";
        else if (std::find(o.restorePaths.begin(), o.restorePaths.end(), "") != o.restorePaths.end())
            parsed.error = "an empty path was given";
        if (parsed.error.empty())
            o.mode = RunnerOptions::Mode::Restore;
        return parsed;
    }
    if (o.asOf || !o.restoreTarget.empty()) {
        parsed.error = "--as-of and --to go with --restore";
        return parsed;
    }
    if (list && (all || !o.profiles.empty()))
        parsed.error = "--list takes no profile names and no --all";
    else if (all && !o.profiles.empty())
        parsed.error = "give either profile names or --all, not both";
    else if (!list && !all && o.profiles.empty())
        parsed.error = "no profile given: name one or more profiles, or use --all or --list";
    else if (std::find(o.profiles.begin(), o.profiles.end(), "") != o.profiles.end())
        parsed.error = "an empty profile name was given";
    else if (o.verify && list)
        parsed.error = "--verify takes profile names or --all, not --list";
    else if (o.verify && (o.careful || o.dryRun || o.keepGoing || o.threshold || !o.outputFolder.empty()))
        parsed.error =
            "--verify only reads: it takes no --careful, --dry-run, --keep-going, --threshold or --output";
    if (!parsed.error.empty())
        return parsed;
    o.mode = list ? RunnerOptions::Mode::List : all ? RunnerOptions::Mode::RunAll : RunnerOptions::Mode::Run;
    return parsed;
}

} // namespace hozonix::runner
