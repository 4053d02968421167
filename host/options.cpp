#include "host/options.h"

#include "host/qso_mapping.h"

namespace tavik::host {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Matches text against a pattern where '9' stands for any digit.
bool Fits(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == '9' ? !IsDigit(text[i]) : text[i] != pattern[i]) return false;
    return true;
}

}  // namespace

std::optional<double> ParsePeriodTime(std::string_view text) {
    text = TrimBlanks(text);
    std::string date;
    std::string time;
    if (Fits(text, "9999-99-99 99:99")) {
        date = std::string(text.substr(0, 4)) + std::string(text.substr(5, 2)) +
               std::string(text.substr(8, 2));
        time = std::string(text.substr(11, 2)) + std::string(text.substr(14, 2));
    } else if (Fits(text, "99999999 9999")) {
        date = text.substr(0, 8);
        time = text.substr(9, 4);
    } else {
        return std::nullopt;
    }
    return ParseAdifDateTime(date, time);
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    bool sawLog = false;
    bool sawPeriodStart = false;
    bool sawPeriodEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return options;
        }
        if (arg == "--version") {
            options.version = true;
            return options;
        }
        if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            std::string name = arg;
            std::string value;
            bool hasValue = false;
            if (std::size_t equals = arg.find('='); arg.rfind("--", 0) == 0 &&
                                                     equals != std::string::npos) {
                name = arg.substr(0, equals);
                value = arg.substr(equals + 1);
                hasValue = true;
            }
            auto takeValue = [&]() {
                if (!hasValue) {
                    if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
                    value = args[++i];
                }
                if (value.empty()) throw UsageError(name + " needs a value");
                return value;
            };
            auto takeNoValue = [&]() {
                if (hasValue) throw UsageError(name + " takes no value");
            };
            if (name == "--timing") {
                takeNoValue();
                options.timing = true;
            } else if (name == "--cabrillo") {
                takeNoValue();
                options.cabrillo = true;
            } else if (name == "--watch") {
                takeNoValue();
                options.watch = true;
            } else if (name == "--strict") {
                takeNoValue();
                options.strict = true;
            } else if (name == "--verbose") {
                takeNoValue();
                options.verbose = true;
            } else if (name == "--all") {
                takeNoValue();
                options.all = true;
            } else if (name == "--bell") {
                takeNoValue();
                options.bell = true;
            } else if (name == "--scp") {
                options.callList = takeValue();
            } else if (name == "--json") {
                options.jsonPath = takeValue();
            } else if (name == "--no-automation") {
                takeNoValue();
                options.automation = false;
            } else if (name == "--plugin") {
                options.pluginPath = takeValue();
            } else if (name == "--cty") {
                options.countryFile = takeValue();
            } else if (name == "--dir") {
                options.workDir = takeValue();
            } else if (name == "--call") {
                options.ownCall = UpperAscii(TrimBlanks(takeValue()));
                if (options.ownCall.empty()) throw UsageError("--call needs a callsign");
            } else if (name == "--start" || name == "--end") {
                std::string text = takeValue();
                std::optional<double> when = ParsePeriodTime(text);
                if (!when)
                    throw UsageError(name + " '" + text +
                                     "' is not a time \"YYYY-MM-DD HH:MM\" or \"YYYYMMDD HHMM\"");
                // Earlier dates print as "Invalid DateTime" in the report title.
                if (LinearTime(*when) < LinearTime(*ParseAdifDateTime(kEarliestDate, "0000")))
                    throw UsageError(name + " '" + text + "' is before " +
                                     std::to_string(kEarliestYear));
                bool& seen = name == "--start" ? sawPeriodStart : sawPeriodEnd;
                if (seen) throw UsageError(name + " given twice");
                seen = true;
                (name == "--start" ? options.start : options.end) = when;
            } else {
                throw UsageError("unknown option " + name);
            }
            continue;
        }
        if (arg == "--") {
            // Everything after "--" is the log, even if it starts with '-'.
            if (i + 1 < args.size()) {
                if (sawLog || i + 2 < args.size()) throw UsageError("give exactly one log file");
                options.logPath = args[i + 1];
                sawLog = true;
            }
            break;
        }
        if (sawLog) throw UsageError("give exactly one log file");
        options.logPath = arg;
        sawLog = true;
    }
    if (!sawLog || options.logPath.empty()) throw UsageError("no log file given");
    if (options.watch && options.cabrillo)
        throw UsageError("--watch cannot write the Cabrillo log; write it with a run without "
                         "--watch when the contest is over");
    if (options.watch && options.strict)
        throw UsageError("--watch reads on past problems; --strict is for one run");
    if ((options.bell || options.callList != kDefaultCallList) && !options.watch)
        throw UsageError(std::string(options.bell ? "--bell" : "--scp") +
                         " is for the window of --watch");
    if (options.all && (options.start || options.end))
        throw UsageError("--all scores every QSO of the log; give it without --start and --end");
    if (options.start && options.end && LinearTime(*options.start) > LinearTime(*options.end))
        throw UsageError("--start is later than --end");
    return options;
}

std::string UsageText() {
    return std::string(
               "Usage: tavik-host [OPTIONS] LOG\n"
               "\n"
               "Scores a log with the contest plugin the way the logging program does: one\n"
               "scoring run, then the plugin's report on standard output (CR LF line ends\n"
               "kept). The plugin writes err.txt (refused QSOs) and Plugins/Tavik.ini in the\n"
               "working folder.\n"
               "\n"
               "LOG is an ADIF file (.adi, .adif: any logger's export, fldigi's logbook, an\n"
               "online service's download) or a Cabrillo 2 or 3 log (known by its\n"
               "START-OF-LOG: line, whatever its name). Problems inside a record are\n"
               "warned about with file, line, byte offset and record, and reading goes on.\n"
               "\n"
               "Options:\n"
               "  --plugin PATH   plugin library (default: libTavik.so beside this program)\n"
               "  --cty FILE      CTY.DAT country file (default: ") +
           kDefaultCountryFile +
           ")\n"
           "  --call CALL     own callsign (default: STATION_CALLSIGN, else OPERATOR, of the\n"
           "                  log's header, else of the first record naming one)\n"
           "  --start TIME    start of the contest period (default: the earliest QSO)\n"
           "  --end TIME      end of the contest period (default: the latest QSO)\n"
           "                  TIME is UTC, \"YYYY-MM-DD HH:MM\" or \"YYYYMMDD HHMM\"; QSOs\n"
           "                  outside a period given are listed and not offered. Without\n"
           "                  both, a log spanning more than 48 hours scores only its\n"
           "                  latest contest weekend (third Saturday of September 12:00\n"
           "                  to Sunday 12:00 UTC) that holds QSOs, if any does\n"
           "  --all           score every QSO of a log spanning more than 48 hours, not\n"
           "                  only its latest contest weekend\n"
           "  --dir DIR       working folder for the plugin's files (default: tavik in\n"
           "                  $XDG_DATA_HOME, else in ~/.local/share; on Windows the\n"
           "                  current folder); made when missing, with Plugins in it\n"
           "  --cabrillo      also write the Cabrillo log <CALL>.cbr in the working folder;\n"
           "                  the plugin first shows its header form (on a terminal) and\n"
           "                  keeps the header fields in Plugins/Tavik.ini\n"
           "  --no-automation offer no automation object (Qorv2.Application) during the\n"
           "                  run; without this the plugin switches the host to QPSK at\n"
           "                  63 baud, and the commands and the new mode go to standard error\n"
           "  --json FILE     also write the figures as one JSON object (call, period,\n"
           "                  record counts, bands, total, score); FILE - is standard\n"
           "                  output, and the report then goes to standard error\n"
           "  --strict        stop at the first problem in the log (exit status 2)\n"
           "  --watch         follow the log while the contest runs: on a terminal a live\n"
           "                  score window (score per band, last QSOs, rates, hours,\n"
           "                  multipliers, a call check: type a call; q quits), else\n"
           "                  one line of the --json object per change; until stopped;\n"
           "                  with --json FILE, FILE always holds the newest summary\n"
           "  --bell          in the window, ring the terminal bell on a dupe\n"
           "  --scp FILE      calls for the window's partial-call line (default:\n"
           "                  " + std::string(kDefaultCallList) + ")\n"
           "  --timing        print the run's time, the share spent in the plugin and the\n"
           "                  time spent reading the log\n"
           "  --verbose       also say what the run does without, such as the automation\n"
           "                  object when there is no session bus\n"
           "  --version       print the version and exit\n"
           "  -h, --help      show this text\n"
           "\n"
           "A summary (records found, offered and skipped, warnings; QSOs accepted,\n"
           "duplicates, refused) and the paths of err.txt and the Cabrillo log go to\n"
           "standard error.\n"
           "\n"
           "Exit status:\n"
           "  0  the run completed\n"
           "  1  bad command line, or no own callsign known\n"
           "  2  log, country file or working folder missing or unreadable, a log with\n"
           "     no ADIF or Cabrillo in it, a malformed country file, or (with --strict)\n"
           "     a problem in the log\n"
           "     (the message names the file, the line counted from 1 and the byte\n"
           "     offset counted from 0)\n"
           "  3  the plugin cannot be loaded or lacks an entry point\n"
           "  4  any other failure\n"
           "  5  an output is missing: err.txt lacks refused QSOs, the Cabrillo log or\n"
           "     the JSON summary was not written\n";
}

std::string VersionText() { return std::string("tavik-host ") + TAVIK_VERSION + "\n"; }

}  // namespace tavik::host
