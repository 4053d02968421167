#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/cli/options.h"
#include "host/session/plugin_loader.h"

using namespace tavik::host;

namespace {

std::string UsageErrorOf(const std::vector<std::string>& args) {
    try {
        ParseOptions(args);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "no error";
}

}  // namespace

TEST(Options, PeriodTimesInBothForms) {
    EXPECT_EQ(ParsePeriodTime("2025-09-20 12:00"), 45920.5);
    EXPECT_EQ(ParsePeriodTime("20250920 1200"), 45920.5);
    EXPECT_EQ(ParsePeriodTime("2025-09-21 00:00"), 45921.0);
    for (const char* bad : {"2025-09-20", "2025-09-20 24:00", "20250931 1200", "2025-9-20 12:00",
                            "2025-09-20T12:00", "20250920 12:00", ""})
        EXPECT_FALSE(ParsePeriodTime(bad)) << bad;
}

TEST(Options, EveryOptionInBothSpellings) {
    Options options = ParseOptions({"--plugin", "p.so", "--cty=c.dat", "--dir", "work", "--call",
                                    "dl6nbs", "--start", "2025-09-20 12:00", "--end=20250921 1200",
                                    "log.adi"});
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.logPath, "log.adi");
    EXPECT_EQ(options.pluginPath, "p.so");
    EXPECT_EQ(options.countryFile, "c.dat");
    EXPECT_EQ(options.workDir, "work");
    EXPECT_EQ(options.ownCall, "DL6NBS");
    EXPECT_EQ(options.start, 45920.5);
    EXPECT_EQ(options.end, 45921.5);

    Options defaults = ParseOptions({"log.adi"});
    EXPECT_EQ(defaults.countryFile, "/usr/share/hamradio-files/cty.dat");
    EXPECT_EQ(defaults.pluginPath, "");
    EXPECT_FALSE(defaults.start);
    EXPECT_EQ(ParseOptions({"--", "-odd.adi"}).logPath, "-odd.adi");
    EXPECT_TRUE(ParseOptions({"log.adi", "--help", "--bogus"}).help);
    EXPECT_TRUE(defaults.automation);
    EXPECT_FALSE(ParseOptions({"--no-automation", "log.adi"}).automation);
    Options added = ParseOptions({"--strict", "--json", "-", "log.adi"});
    EXPECT_TRUE(added.strict);
    EXPECT_EQ(added.jsonPath, "-");
    EXPECT_EQ(ParseOptions({"--json=out.json", "log.adi"}).jsonPath, "out.json");
    EXPECT_FALSE(defaults.strict);
    EXPECT_EQ(defaults.jsonPath, "");
    EXPECT_TRUE(ParseOptions({"--version"}).version);
    EXPECT_TRUE(ParseOptions({"--all", "log.adi"}).all);
    EXPECT_FALSE(defaults.all);
}

TEST(Options, BadCommandLines) {
    EXPECT_EQ(UsageErrorOf({}), "no log file given");
    EXPECT_EQ(UsageErrorOf({"a.adi", "b.adi"}), "give exactly one log file");
    EXPECT_EQ(UsageErrorOf({"--bogus", "a.adi"}), "unknown option --bogus");
    EXPECT_EQ(UsageErrorOf({"a.adi", "--cty"}), "--cty needs a value");
    EXPECT_EQ(UsageErrorOf({"--cty=", "a.adi"}), "--cty needs a value");
    EXPECT_EQ(UsageErrorOf({"--dir", "", "a.adi"}), "--dir needs a value");
    EXPECT_EQ(UsageErrorOf({"--call", " ", "a.adi"}), "--call needs a callsign");
    EXPECT_EQ(UsageErrorOf({"--start", "yesterday", "a.adi"}),
              "--start 'yesterday' is not a time \"YYYY-MM-DD HH:MM\" or \"YYYYMMDD HHMM\"");
    EXPECT_EQ(UsageErrorOf({"--start", "20250921 1200", "--end", "20250920 1200", "a.adi"}),
              "--start is later than --end");
    EXPECT_EQ(UsageErrorOf({"--end", "20250920 1200", "--end", "20250921 1200", "a.adi"}),
              "--end given twice");
    EXPECT_EQ(UsageErrorOf({"--no-automation=yes", "a.adi"}), "--no-automation takes no value");
    EXPECT_EQ(UsageErrorOf({"--start", "1929-12-31 23:59", "a.adi"}),
              "--start '1929-12-31 23:59' is before 1930");
    EXPECT_EQ(UsageErrorOf({"--strict=1", "a.adi"}), "--strict takes no value");
    EXPECT_EQ(UsageErrorOf({"--json", "a.adi"}), "no log file given");
    for (const char* end : {"--start", "--end"})
        EXPECT_EQ(UsageErrorOf({"--all", end, "2025-09-20 12:00", "a.adi"}),
                  "--all scores every QSO of the log; give it without --start and --end");
}

TEST(Options, HelpSaysWhatTheProgramDoesFirstAndFitsATerminal) {
    const std::string help = UsageText();
    EXPECT_EQ(help.rfind("tavik-host scores a log of the CIS DX PSK contest", 0), 0u) << help;
    // What a contester needs comes before the technical details, in this order.
    std::size_t last = 0;
    for (const char* part : {"Usage: tavik-host [OPTIONS] LOG\n", "  tavik-host mylog.adi\n",
                             "  tavik-host --watch ~/.fldigi/logs/logbook.adif\n", "Options:\n",
                             "The window", "Scoring:", "Exit status:\n", "Details:"}) {
        const std::size_t at = help.find(part, last);
        EXPECT_NE(at, std::string::npos) << part << " missing or out of order";
        if (at != std::string::npos) last = at;
    }
    for (const char* technical : {"Qorv2.Application", "session bus", "byte offset counted from 0"})
        EXPECT_GT(help.find(technical), help.find("Details:")) << technical;
    std::size_t lines = 0;
    for (std::size_t begin = 0, end; (end = help.find('\n', begin)) != std::string::npos;
         begin = end + 1, ++lines)
        EXPECT_LE(end - begin, 79u) << help.substr(begin, end - begin);
    EXPECT_LT(lines, 95u);

    // Every option the parser takes has its line in the list.
    const struct {
        const char* line;
        std::vector<std::string> args;
    } kOptions[] = {
        {"--call CALL", {"--call", "K1AB"}},  {"--start TIME", {"--start", "20250920 1200"}},
        {"--end TIME", {"--end", "20250921 1200"}}, {"--all", {"--all"}},
        {"--watch", {"--watch"}},             {"--bell", {"--bell", "--watch"}},
        {"--scp FILE", {"--scp", "calls.scp", "--watch"}}, {"--cabrillo", {"--cabrillo"}},
        {"--json FILE", {"--json", "out.json"}}, {"--strict", {"--strict"}},
        {"--dir DIR", {"--dir", "work"}},     {"--cty FILE", {"--cty", "cty.dat"}},
        {"--plugin PATH", {"--plugin", "p.so"}}, {"--no-automation", {"--no-automation"}},
        {"--timing", {"--timing"}},           {"--verbose", {"--verbose"}},
        {"--version", {"--version"}},         {"-h, --help", {"--help"}}};
    for (const auto& option : kOptions) {
        std::vector<std::string> args = option.args;
        args.push_back("log.adi");
        EXPECT_EQ(UsageErrorOf(args), "no error") << option.line;
        EXPECT_NE(help.find("\n  " + std::string(option.line) + " "), std::string::npos)
            << option.line;
    }
}

TEST(PluginLoader, FailuresNameTheLibrary) {
    auto missing = LoadPlugin("/nonexistent/libTavik.so");
    ASSERT_FALSE(missing);
    const std::string& error = missing.Why().message;
    EXPECT_EQ(missing.Why().kind, FailureKind::kPlugin);
    EXPECT_EQ(error.rfind("/nonexistent/libTavik.so: cannot load the plugin: ", 0), 0u) << error;
    // A real library that is not a plugin.
#if defined(_WIN32)
    const char* const other = "version.dll";
#else
    const char* const other = "libm.so.6";
#endif
    auto notPlugin = LoadPlugin(other);
    ASSERT_FALSE(notPlugin);
    EXPECT_EQ(notPlugin.Why().message, std::string(other) + ": the plugin does not export GetNumberOfSets");
}

TEST(PluginLoader, ResolvesAllTenEntryPoints) {
    auto loaded = LoadPlugin(TAVIK_PLUGIN_PATH);
    ASSERT_TRUE(loaded) << loaded.Why().message;
    const PluginApi& api = *loaded;
    for (const void* entry :
         {(const void*)api.getNumberOfSets, (const void*)api.getSetName,
          (const void*)api.getExchgCount0, (const void*)api.setupSet0, (const void*)api.resetStats0,
          (const void*)api.addData0, (const void*)api.removeData0, (const void*)api.checkCall0,
          (const void*)api.isValidExchg0, (const void*)api.getResult0})
        EXPECT_NE(entry, nullptr);
    EXPECT_EQ(api.getNumberOfSets(), 1);
    EXPECT_STREQ(api.getSetName(0), "CIS DX PSK ");
}
