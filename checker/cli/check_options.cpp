#include "checker/cli/check_options.h"

#include "base/command_line.h"

#include <charconv>

#include "host/input/contest_period.h"
#include "host/input/qso_mapping.h"

namespace tavik::check {

namespace {

struct OptionRow {
    const char* name;
    const char* argument;  // nullptr: no value
    const char* help;      // continuation lines after '\n'
    void (*set)(CheckOptions& options, const std::string& name, const std::string& value);
};

int Count(const std::string& name, const std::string& text, int least, int most) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least || value > most)
        throw CheckUsageError(name + " '" + text + "' is no whole number from " +
                              std::to_string(least) + " to " + std::to_string(most));
    return value;
}

void SetPeriodEnd(CheckOptions& options, const std::string& name, const std::string& text) {
    const std::optional<double> when = host::ParsePeriodTime(text);
    if (!when)
        throw CheckUsageError(name + " '" + text +
                              "' is not a time \"YYYY-MM-DD HH:MM\" or \"YYYYMMDD HHMM\"");
    std::optional<double>& end = name == "--start" ? options.start : options.end;
    if (end) throw CheckUsageError(name + " given twice");
    end = when;
}

const std::vector<OptionRow>& Table() {
    using O = CheckOptions;
    using S = const std::string&;
    static const std::vector<OptionRow> table{
        {"--out", "DIR", "folder for the results (made when missing)",
         [](O& o, S, S value) { o.outFolder = value; }},
        {"--cty", "FILE", "CTY.DAT file (default: /usr/share/hamradio-files/cty.dat)",
         [](O& o, S, S value) { o.countryFile = value; }},
        {"--start", "TIME", "start of the contest period", SetPeriodEnd},
        {"--end", "TIME",
         "end of the contest period; TIME is UTC, \"YYYY-MM-DD HH:MM\"\n"
         "or \"YYYYMMDD HHMM\" (default: the contest weekend of the QSOs)",
         SetPeriodEnd},
        {"--window", "MINUTES", "largest time difference of a match (default: 5)",
         [](O& o, S name, S value) { o.windowMinutes = Count(name, value, 0, 1440); }},
        {"--jobs", "N", "threads reading and checking (default: the machine's cores)",
         [](O& o, S name, S value) { o.jobs = static_cast<unsigned>(Count(name, value, 1, 256)); }},
        {"--plugin", "PATH",
         "plugin library (default: libTavik.so beside this program,\n"
         "else in ../lib/tavik)",
         [](O& o, S, S value) { o.pluginPath = value; }},
        {"--timing", nullptr, "print the time of each phase",
         [](O& o, S, S) { o.timing = true; }},
        {"--version", nullptr, "print the version and exit", [](O& o, S, S) { o.version = true; }},
        {"--help", nullptr, "show this text", [](O& o, S, S) { o.help = true; }},
    };
    return table;
}

const OptionRow* Find(const std::string& name) {
    for (const OptionRow& row : Table())
        if (name == row.name || (name == "-h" && std::string(row.name) == "--help")) return &row;
    return nullptr;
}

void CheckCombinations(const CheckOptions& options) {
    if (options.outFolder.empty()) throw CheckUsageError("no --out folder given");
    if (options.logFolder.empty()) throw CheckUsageError("no folder of logs given");
    if (options.start && options.end &&
        host::LinearTime(*options.start) > host::LinearTime(*options.end))
        throw CheckUsageError("--start is later than --end");
}

}  // namespace

CheckOptions ParseCheckOptions(const std::vector<std::string>& args) {
    CheckOptions options;
    const auto takeFolder = [&](const std::string& path) {
        if (!options.logFolder.empty()) throw CheckUsageError("give exactly one folder of logs");
        options.logFolder = path;
    };
    try {
        ReadCommandLine(
            args,
            [](const std::string& name) {
                const OptionRow* row = Find(name);
                return OptionKind{row != nullptr, row && row->argument};
            },
            [&](const std::string& name, const std::string& value) {
                Find(name)->set(options, name, value);
                // What is asked for instead of a run ends the reading.
                return !(options.help || options.version);
            },
            takeFolder);
    } catch (const CommandLineError& error) {
        throw CheckUsageError(error.what());
    }
    if (options.help || options.version) return options;
    CheckCombinations(options);
    return options;
}

std::string CheckUsageText() {
    std::string text =
        "tavik-check checks the logs of the CIS DX PSK contest against each other:\n"
        "each log is scored by the Tavik plugin, its QSOs are matched with the\n"
        "partners' logs, and the QSOs that do not stand are removed.\n"
        "\n"
        "Usage: tavik-check --out DIR [OPTIONS] LOGS\n"
        "  LOGS is a folder of Cabrillo and ADIF logs, one log per entrant.\n"
        "  DIR gets qsos.tsv, results.tsv, results.json and ubn/CALL.txt.\n"
        "\n"
        "Options:\n";
    for (const OptionRow& row : Table()) {
        std::string head = std::string("  ") + row.name;
        if (row.argument) head.append(" ").append(row.argument);
        if (std::string(row.name) == "--help") head = "  -h, --help";
        head.resize(head.size() < 20 ? 20 : head.size() + 1, ' ');
        std::string help = row.help;
        for (std::size_t at = help.find('\n'); at != help.npos; at = help.find('\n', at + 1))
            help.insert(at + 1, 20, ' ');
        text.append(head).append(help).append("\n");
    }
    text += "\nExit status: 0 checked, 1 nothing could be done, 2 bad command line.\n";
    return text;
}

std::string CheckVersionText() { return std::string("tavik-check ") + TAVIK_VERSION + "\n"; }

}  // namespace tavik::check
