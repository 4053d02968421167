#include "host/cli/options.h"

#include "base/command_line.h"

#include "host/input/contest_period.h"
#include "host/input/qso_mapping.h"

namespace tavik::host {

namespace {

// One option: how it is spelt, its argument, its lines in --help, what it sets.
struct OptionSpec {
    const char* name;
    const char* alias;     // a short spelling, or nullptr
    const char* argument;  // nullptr: the option takes no value
    std::string help;      // continuation lines after '\n'
    void (*set)(Options& options, const std::string& name, const std::string& value);
};

void SetPeriodEnd(Options& options, const std::string& name, const std::string& text) {
    std::optional<double> when = ParsePeriodTime(text);
    if (!when)
        throw UsageError(name + " '" + text +
                         "' is not a time \"YYYY-MM-DD HH:MM\" or \"YYYYMMDD HHMM\"");
    // Earlier dates print as "Invalid DateTime" in the report title.
    if (LinearTime(*when) < LinearTime(*ParseAdifDateTime(kEarliestDate, "0000")))
        throw UsageError(name + " '" + text + "' is before " + std::to_string(kEarliestYear));
    std::optional<double>& end = name == "--start" ? options.start : options.end;
    if (end) throw UsageError(name + " given twice");
    end = when;
}

const std::vector<OptionSpec>& OptionTable() {
    using O = Options;
    using S = const std::string&;
    static const std::vector<OptionSpec> table{
        {"--call", nullptr, "CALL",
         "own callsign (default: STATION_CALLSIGN, else OPERATOR, of\n"
         "the log's header, else of the first record naming one)",
         [](O& o, S, S value) {
             o.ownCall = UpperAscii(TrimBlanks(value));
             if (o.ownCall.empty()) throw UsageError("--call needs a callsign");
         }},
        {"--start", nullptr, "TIME", "start of the contest period (default: the earliest QSO)",
         SetPeriodEnd},
        {"--end", nullptr, "TIME",
         "end of the contest period (default: the latest QSO)\n"
         "TIME is UTC, \"YYYY-MM-DD HH:MM\" or \"YYYYMMDD HHMM\"; QSOs\n"
         "outside a period given are listed and not scored. Without\n"
         "both, a log spanning more than 48 hours scores only its\n"
         "latest contest weekend that holds QSOs, if any does",
         SetPeriodEnd},
        {"--all", nullptr, nullptr, "score every QSO of such a long log, not only a weekend",
         [](O& o, S, S) { o.all = true; }},
        {"--watch", nullptr, nullptr, "follow the log while the contest runs, until stopped",
         [](O& o, S, S) { o.watch = true; }},
        {"--bell", nullptr, nullptr, "in the window, ring the terminal bell on a dupe",
         [](O& o, S, S) { o.bell = true; }},
        {"--scp", nullptr, "FILE",
         std::string("calls for the window's partial-call line (default:\n") + kDefaultCallList +
             ")",
         [](O& o, S, S value) { o.callList = value; }},
        {"--cabrillo", nullptr, nullptr,
         "also write the Cabrillo log <CALL>.cbr in the working folder\n"
         "after the plugin's header form (on a terminal); not --watch",
         [](O& o, S, S) { o.cabrillo = true; }},
        {"--json", nullptr, "FILE",
         "also write the figures as one JSON object (call, period,\n"
         "record counts, bands, total, score); FILE - is standard\n"
         "output (the report then goes to standard error)",
         [](O& o, S, S value) { o.jsonPath = value; }},
        {"--strict", nullptr, nullptr, "stop at the first problem in the log (exit status 2)",
         [](O& o, S, S) { o.strict = true; }},
        {"--dir", nullptr, "DIR",
         "working folder for the plugin's files (default: tavik in\n"
         "$XDG_DATA_HOME, else in ~/.local/share; on Windows the\n"
         "current folder); made when missing, with Plugins in it",
         [](O& o, S, S value) { o.workDir = value; }},
        {"--cty", nullptr, "FILE", std::string("CTY.DAT file (default: ") + kDefaultCountryFile + ")",
         [](O& o, S, S value) { o.countryFile = value; }},
        {"--plugin", nullptr, "PATH",
         "plugin library (default: libTavik.so, on Windows Tavik.dll,\n"
         "beside this program, else in ../lib/tavik)",
         [](O& o, S, S value) { o.pluginPath = value; }},
        {"--no-automation", nullptr, nullptr, "offer the plugin no automation object (see Details)",
         [](O& o, S, S) { o.automation = false; }},
        {"--timing", nullptr, nullptr, "print the run's time, the plugin's share and the read time",
         [](O& o, S, S) { o.timing = true; }},
        {"--verbose", nullptr, nullptr, "also tell what the run goes without (see Details)",
         [](O& o, S, S) { o.verbose = true; }},
        {"--version", nullptr, nullptr, "print the version and exit",
         [](O& o, S, S) { o.version = true; }},
        {"--help", "-h", nullptr, "show this text", [](O& o, S, S) { o.help = true; }},
    };
    return table;
}

const OptionSpec* FindOption(const std::string& name) {
    for (const OptionSpec& option : OptionTable())
        if (name == option.name || (option.alias && name == option.alias)) return &option;
    return nullptr;
}

// Rules between options, once all are read.
void CheckCombinations(const Options& options) {
    if (options.logPath.empty()) throw UsageError("no log file given");
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
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    bool sawLog = false;
    const auto takeLog = [&](const std::string& path) {
        if (sawLog) throw UsageError("give exactly one log file");
        options.logPath = path;
        sawLog = true;
    };
    try {
        ReadCommandLine(
            args,
            [](const std::string& name) {
                const OptionSpec* row = FindOption(name);
                return OptionKind{row != nullptr, row && row->argument};
            },
            [&](const std::string& name, const std::string& value) {
                FindOption(name)->set(options, name, value);
                // What is asked for instead of a run ends the reading.
                return !(options.help || options.version);
            },
            takeLog);
    } catch (const CommandLineError& error) {
        throw UsageError(error.what());
    }
    if (options.help || options.version) return options;
    CheckCombinations(options);
    return options;
}

std::string UsageText() {
    std::string text =
        "tavik-host scores a log of the CIS DX PSK contest with the Tavik contest\n"
        "plugin and prints the plugin's result report: QSOs, points and multipliers\n"
        "per band, and the score. With --watch it follows the log while the contest\n"
        "runs and shows the score in a live window.\n"
        "\n"
        "Usage: tavik-host [OPTIONS] LOG\n"
        "\n"
        "Examples: score a log; follow fldigi's log during the contest:\n"
        "  tavik-host mylog.adi\n"
        "  tavik-host --watch ~/.fldigi/logs/logbook.adif\n"
        "\n"
        "LOG is an ADIF file (.adi, .adif: fldigi's logbook, any logger's export, an\n"
        "online service's download) or a Cabrillo 2 or 3 log, whatever its name.\n"
        "\n"
        "Options:\n";
    // The options' lines come from the table they are parsed with.
    constexpr std::size_t kHelpColumn = 18;
    for (const OptionSpec& option : OptionTable()) {
        std::string spelling = "  ";
        if (option.alias) spelling += std::string(option.alias) + ", ";
        spelling += option.name;
        if (option.argument) spelling += std::string(" ") + option.argument;
        spelling.resize(std::max(spelling.size() + 1, kHelpColumn), ' ');
        text += spelling;
        for (const char c : option.help)
            text += c == '\n' ? "\n" + std::string(kHelpColumn, ' ') : std::string(1, c);
        text += '\n';
    }
    return text +
           "\n"
           "The window (--watch on a terminal), from the top: the UTC clock and, with a\n"
           "known contest period, time gone and left (before the start: time to go); the\n"
           "score per band, the band of the last QSO marked; the last QSOs (a dupe in\n"
           "reverse video, a new multiplier in bold, a refused QSO with the reason); QSOs\n"
           "per hour over the last 10 and 60 minutes of the clock, of the last 10 and\n"
           "100 QSOs, the best clock hour, and a bar per clock hour (dupes and refused\n"
           "QSOs count in no rate); the control numbers worked per band; the reader's\n"
           "warnings; logged calls holding the typed call, with their bands, and calls\n"
           "of the --scp file holding it; \"dupe\" or \"new\" per band for the typed call.\n"
           "Keys: letters, digits and / type a call, Backspace deletes, Enter or Esc\n"
           "clears it; q (no call typed) or Ctrl+C quits. --bell rings on a dupe logged,\n"
           "or typed on the band of the last QSO. NO_COLOR (not empty) turns colours off.\n"
           "Off a terminal --watch prints one line of the JSON object per change; with\n"
           "--json FILE, FILE always holds the newest.\n"
           "\n"
           "Scoring: only QSOs in QPSK63 with both control numbers (the exchange) count;\n"
           "others are refused and listed in err.txt with the reason. One QSO per call\n"
           "and band: a repeat is a dupe and scores nothing. A QSO is worth 3 points\n"
           "when a station outside the CIS works a CIS station, else 1. Multipliers are\n"
           "the different control numbers received on each band, added over the bands.\n"
           "Score = QSO points x multipliers. The contest: the third weekend of September,\n"
           "Saturday 12:00 UTC to Sunday 12:00 UTC (the Saturday is the month's third).\n"
           "\n"
           "Exit status:\n"
           "  0  the run completed (--watch: stopped by the user)\n"
           "  1  bad command line, or no own callsign known\n"
           "  2  log, country file or working folder missing or unreadable, a log with\n"
           "     no ADIF or Cabrillo in it, a malformed country file, or (with --strict)\n"
           "     a problem in the log\n"
           "  3  the plugin cannot be loaded or lacks an entry point\n"
           "  4  any other failure\n"
           "  5  an output is missing: err.txt lacks refused QSOs, or no Cabrillo log\n"
           "     or JSON summary was written\n"
           "\n"
           "Details: the report goes to standard output with its CR LF line ends; the\n"
           "counts of records and QSOs and the paths of err.txt and the Cabrillo log go to\n"
           "standard error. The plugin writes err.txt and Plugins/Tavik.ini (the header\n"
           "form's fields, the claimed score) in the working folder. A problem inside a\n"
           "record is warned about and reading goes on; messages name the file, the line\n"
           "counted from 1, the byte offset counted from 0 and the record. During a run the\n"
           "program offers the automation object Qorv2.Application (on the session bus; on\n"
           "Windows through COM), by which the plugin switches the host to QPSK at 63 baud;\n"
           "the commands and the new mode go to standard error. Without a session bus the\n"
           "run goes on without it, told only with --verbose.\n";
}

std::string VersionText() { return std::string("tavik-host ") + TAVIK_VERSION + "\n"; }

}  // namespace tavik::host
