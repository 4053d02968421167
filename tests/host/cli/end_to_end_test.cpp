// Runs the built tavik-host on logs in a scratch folder, the way a user would.
// It starts the program with fork and exec, so it runs on POSIX systems.
#if !defined(_WIN32)
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "support/run_program.h"
#include "support/settings_file.h"

namespace fs = std::filesystem;

namespace {

const std::string kSamples = TAVIK_SAMPLES_DIR;
const std::string kSampleLog = kSamples + "/cis-dx-psk.adi";
const fs::path kFixtures = TAVIK_HOST_FIXTURES_DIR;

std::string Fixture(const char* name) { return (kFixtures / name).string(); }

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

using Outcome = tavik::test::ProgramRun;

class HostRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-host-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch_ = pattern;
        work_ = scratch_ / "work";
        fs::create_directory(work_);
    }
    void TearDown() override { fs::remove_all(scratch_); }

    // Runs tavik-host with args from folder cwd; stdout and stderr are kept apart.
    // Its data folder is in the scratch folder unless env (NAME=VALUE, or NAME to
    // unset) says otherwise.
    Outcome Run(const std::vector<std::string>& args, const fs::path& cwd = {},
                const std::vector<std::string>& env = {}) {
        std::vector<std::string> argv{program_};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> settings{"XDG_DATA_HOME=" + (scratch_ / "data").string()};
        settings.insert(settings.end(), env.begin(), env.end());
        return tavik::test::RunProgram({.args = argv, .cwd = cwd, .env = settings});
    }

    std::vector<std::string> WithPlugin(std::vector<std::string> args) {
        args.insert(args.begin(), {"--plugin", TAVIK_PLUGIN_PATH, "--dir", work_.string()});
        return args;
    }

    fs::path scratch_;
    fs::path work_;
    std::string program_ = TAVIK_HOST_PATH;
};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The numbers of the "Total" line: QSOs, points, multipliers.
std::vector<long> Totals(const std::string& report) {
    std::size_t at = report.find("\r\nTotal\t");
    std::istringstream line(at == std::string::npos ? "" : report.substr(at + 8));
    long qsos = -1, points = -1, multipliers = -1;
    line >> qsos >> points >> multipliers;
    return {qsos, points, multipliers};
}

}  // namespace

TEST_F(HostRun, SampleIsScoredAsTheContestRulesSay) {
    Outcome run = Run(WithPlugin({kSampleLog}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Report, err.txt and the claimed score, byte for byte, as make_sample.py worked them out.
    const std::string expectedReport = ReadFile(kSamples + "/cis-dx-psk.report");
    ASSERT_FALSE(expectedReport.empty());
    EXPECT_EQ(run.out.rfind(" CIS DX PSK 20.09-21.09.2025 \r\n     Contestant: DL6NBS\r\n"
                            "Band\tQSOs\tPoints\tDXDA\r\n", 0),
              0u)
        << run.out;
    EXPECT_EQ(run.out, expectedReport);
    const std::string errTxt = ReadFile(work_ / "err.txt");
    EXPECT_EQ(errTxt.rfind("CIS-QPSK63-DX UBN file \r\n", 0), 0u);
    EXPECT_EQ(errTxt, ReadFile(kSamples + "/cis-dx-psk.err"));
    std::string score = run.out.substr(run.out.rfind(" = ") + 3);
    score = score.substr(0, score.find(' '));
    EXPECT_EQ(ReadFile(work_ / kSettingsFile), ClaimedOnlySettings(score));

    // Offered is every record, refused every err.txt line, duplicates what the report leaves out.
    std::size_t offered = Count(ReadFile(kSampleLog), "<EOR>");
    std::size_t refused = Count(errTxt, "\r\n") - 1;
    std::size_t accepted = offered - refused;
    std::size_t duplicates = accepted - static_cast<std::size_t>(Totals(run.out)[0]);
    EXPECT_GT(refused, 0u);
    EXPECT_GT(duplicates, 0u);
    EXPECT_NE(run.err.find("tavik-host: " + std::to_string(offered) + " QSOs offered: " +
                           std::to_string(accepted) + " accepted (" + std::to_string(duplicates) +
                           " of them duplicates), " + std::to_string(refused) + " refused\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("refused QSOs are listed in " + (work_ / "err.txt").string() + "\n"),
              std::string::npos)
        << run.err;
}

TEST_F(HostRun, PeriodAndOwnCallFromTheCommandLine) {
    Outcome run = Run(WithPlugin({"--start", "2025-09-19 00:00", "--end=20251001 2359", "--call",
                                  "ua3aaa", kSampleLog}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind(" CIS DX PSK 19.09-01.10.2025 \r\n     Contestant: UA3AAA\r\n", 0), 0u)
        << run.out;
    // A station inside the CIS scores one point per QSO, so its own prefix reached the plugin.
    std::vector<long> totals = Totals(run.out);
    EXPECT_GT(totals[0], 0);
    EXPECT_EQ(totals[0], totals[1]);
    EXPECT_EQ(Totals(ReadFile(kSamples + "/cis-dx-psk.report"))[0], totals[0]);
}

TEST_F(HostRun, RelativePathsAndThePluginBesideTheProgram) {
    // Paths are taken from where the program starts, before it moves to --dir.
    Outcome run = Run({"--dir", work_.string(), "cis-dx-psk.adi"}, kSamples);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadFile(kSamples + "/cis-dx-psk.report"));
    EXPECT_TRUE(fs::is_directory(work_ / "Plugins"));

    // Without --dir the working folder is tavik/ in the user's data folder, made with
    // its parents; a Plugins there is kept, whatever folder the run starts from.
    const fs::path home = scratch_ / "home";
    const fs::path fromHome = home / ".local" / "share" / "tavik";
    const fs::path elsewhere = scratch_ / "elsewhere";
    fs::create_directory(elsewhere);
    const struct {
        std::vector<std::string> env;
        fs::path folder;
    } defaults[] = {
        {{}, scratch_ / "data" / "tavik"},
        {{"XDG_DATA_HOME", "HOME=" + home.string()}, fromHome},
        {{"XDG_DATA_HOME=relative", "HOME=" + home.string()}, fromHome},
    };
    for (const auto& c : defaults) {
        SCOPED_TRACE(c.folder);
        fs::remove_all(scratch_ / "data");
        fs::remove_all(home);
        fs::create_directories(c.folder / "Plugins");
        WriteFile(c.folder / "Plugins" / "Tavik.ini", "[Other]\r\nKey=1\r\n");
        run = Run({"--plugin", TAVIK_PLUGIN_PATH, kSampleLog}, elsewhere, c.env);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find("refused QSOs are listed in " + (c.folder / "err.txt").string()),
                  std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(c.folder / "Plugins" / "Tavik.ini").rfind("[Other]\r\nKey=1\r\n", 0), 0u);
        EXPECT_FALSE(fs::exists(elsewhere / "err.txt"));
    }
    fs::remove_all(scratch_ / "data");
    run = Run({"--plugin", TAVIK_PLUGIN_PATH, kSampleLog}, scratch_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(scratch_ / "data" / "tavik" / "Plugins" / "Tavik.ini"));

    // A --dir that is not there is made, with its parents.
    const fs::path deep = scratch_ / "a" / "b" / "c";
    run = Run({"--plugin", TAVIK_PLUGIN_PATH, "--dir", deep.string(), kSampleLog});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(deep / "err.txt"));
    run = Run({"--plugin", TAVIK_PLUGIN_PATH, kSampleLog}, work_, {"XDG_DATA_HOME", "HOME"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("neither XDG_DATA_HOME nor HOME is set; give --dir"), std::string::npos)
        << run.err;
}

TEST_F(HostRun, QuietWithoutASessionBusAndThePluginLookedForEverywhere) {
    const std::vector<std::string> noBus{"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"};
    const std::string note = "tavik-host: running without the automation object: no session bus\n";
    for (const auto& [verbose, notes] : {std::pair{false, 0u}, {true, 1u}}) {
        Outcome run = Run(WithPlugin(verbose ? std::vector<std::string>{"--verbose", kSampleLog}
                                             : std::vector<std::string>{kSampleLog}),
                          {}, noBus);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Count(run.err, note), notes) << run.err;
    }
    // A copy of the program with no plugin beside it nor installed with it.
    fs::create_directories(scratch_ / "bin");
    program_ = (scratch_ / "bin" / "tavik-host").string();
    fs::copy_file(TAVIK_HOST_PATH, program_);
    Outcome run = Run({"--dir", work_.string(), kSampleLog});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("the plugin is neither beside this program (" +
                           (scratch_ / "bin" / "libTavik.so").string() +
                           ") nor installed with it (" +
                           (scratch_ / "lib" / "tavik" / "libTavik.so").string() + "); give --plugin"),
              std::string::npos) << run.err;
}

TEST_F(HostRun, BadInputStopsBeforeThePluginRuns) {
    fs::path bad = scratch_ / "bad.adi";
    WriteFile(bad, "<EOH>\n<CALL:4>K1AB<QSO_DATE:99>2025");
    fs::path notAdif = scratch_ / "notes.txt";
    WriteFile(notAdif, "just some notes\n");
    fs::path adx = scratch_ / "log.adx";
    WriteFile(adx, "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<ADX><RECORDS><RECORD><CALL>K1AB</CALL>");
    fs::path utf16 = scratch_ / "utf16.adi";
    WriteFile(utf16, std::string("\xFF\xFE<\0E\0O\0H\0>\0", 12));
    fs::path noCall = scratch_ / "nocall.adi";
    WriteFile(noCall, "<CALL:4>K1AB<QSO_DATE:8>20250920<TIME_ON:4>1200<EOR>");
    fs::path badCty = scratch_ / "cty.dat";
    WriteFile(badCty, "Germany: 14: 28: EU: 51.0: -10.0: -1.0: DL:\n DL,DA\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::string missingLog = (scratch_ / "missing.adi").string();
    const Case cases[] = {
        {WithPlugin({missingLog}), 2, missingLog + ": cannot open: No such file or directory"},
        {WithPlugin({"--strict", bad.string()}), 2,
         bad.string() + ": line 2, byte offset 18: record 1: QSO_DATE length 99 runs past the end"},
        {WithPlugin({notAdif.string()}), 2,
         notAdif.string() + ": holds no ADIF (no <NAME:LENGTH> field, no <EOR>) and is no Cabrillo"},
        {WithPlugin({adx.string()}), 2, adx.string() + ": is ADIF in XML (ADX)"},
        {WithPlugin({utf16.string()}), 2, utf16.string() + ": is UTF-16 text"},
        {WithPlugin({"/dev/zero"}), 2, "/dev/zero: cannot read: it is a device, not a file"},
        {WithPlugin({Fixture("contest-no-dates.adi")}), 2,
         "byte offset 109: record 2 skipped: no QSO_DATE\ntavik-host: 2 records found: 0 "
         "offered, 2 skipped; 2 warnings\ntavik-host: error: " +
             Fixture("contest-no-dates.adi") + ": all 2 records were skipped"},
        // The same with a period: nothing else could be scored.
        {WithPlugin({"--start", "2025-09-20 12:00", "--end", "2025-09-21 12:00",
                     Fixture("contest-no-dates.adi")}),
         2, Fixture("contest-no-dates.adi") + ": all 2 records were skipped"},
        {WithPlugin({"--cty", "/nonexistent/cty.dat", kSampleLog}), 2,
         "/nonexistent/cty.dat: cannot open"},
        {WithPlugin({"--cty", badCty.string(), kSampleLog}), 2,
         badCty.string() + ": line 1, byte offset 0: prefix list of 'Germany' is not ended by ';'"},
        {WithPlugin({scratch_.string()}), 2, scratch_.string() + ": cannot read: it is a folder"},
        {WithPlugin({noCall.string()}), 1, "give the own call with --call"},
        {{"--plugin", "/nonexistent/libTavik.so", "--dir", work_.string(), kSampleLog}, 3,
         "/nonexistent/libTavik.so: cannot load the plugin"},
        {{"--plugin", TAVIK_PLUGIN_PATH, "--dir", (scratch_ / "bad.adi" / "work").string(), kSampleLog},
         2, (scratch_ / "bad.adi" / "work").string() + ": cannot create the folder: "},
        {{"--bogus", kSampleLog}, 1, "unknown option --bogus\nTry 'tavik-host --help'."},
    };
    for (const Case& c : cases) {
        Outcome run = Run(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(fs::exists(work_ / "err.txt")) << c.message;
    }
}

TEST_F(HostRun, HelpAndWarnings) {
    Outcome help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("tavik-host scores a log of the CIS DX PSK contest", 0), 0u);
    EXPECT_NE(help.out.find("\nUsage: tavik-host [OPTIONS] LOG\n"), std::string::npos);
    EXPECT_NE(help.out.find("YYYY-MM-DD HH:MM"), std::string::npos);
    for (const char* option : {"--version", "--all", "--verbose"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    Outcome version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("tavik-host ") + TAVIK_VERSION + "\n");

    fs::path cut = scratch_ / "cut.adi";
    WriteFile(cut,
              "<CALL:4>K1AB<QSO_DATE:8>20250920<TIME_ON:4>1200<MODE:6>QPSK63<STX_STRING:4>0001"
              "<SRX_STRING:4>0002<BAND:3>20m<STATION_CALLSIGN:6>DL6NBS<EOR>\n<CALL:4>K2CD");
    Outcome run = Run(WithPlugin({cut.string()}));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("warning: " + cut.string() +
                           ": line 2, byte offset 140, record 2: the last record is not ended by "
                           "<EOR>"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("1 QSOs offered: 1 accepted"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("20M\t 1\t 1\t 1\r\n"), std::string::npos) << run.out;
}

TEST_F(HostRun, LogsOfOtherProgramsScoreWithEveryProblemNamed) {
    // fldigi's logbook (MODE=QPSK63, exchange text with the RST) scores as its export.
    Outcome logbook = Run(WithPlugin({Fixture("fldigi-logbook.adif")}));
    Outcome exported = Run(WithPlugin({Fixture("fldigi-export.adi")}));
    ASSERT_EQ(logbook.exitCode, 0) << logbook.err;
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(logbook.out, exported.out);
    EXPECT_EQ(Totals(logbook.out), (std::vector<long>{3, 7, 3}));
    // "599 0036" is fldigi's way; only the other exchange text is warned about.
    EXPECT_EQ(Count(logbook.err, "holds more than the control number"), 1u) << logbook.err;
    EXPECT_NE(logbook.err.find("3 records found: 3 offered, 0 skipped; 1 warnings\n"),
              std::string::npos) << logbook.err;

    // A QSL service's download with its end marker: one warning, every record offered.
    Outcome download = Run(WithPlugin({Fixture("qsl-download.adi")}));
    ASSERT_EQ(download.exitCode, 0) << download.err;
    EXPECT_EQ(Count(download.err, "warning: "), 1u) << download.err;
    EXPECT_NE(download.err.find("tag <APP_LoTW_EOF> has no length"), std::string::npos);
    EXPECT_NE(download.err.find("2 records found: 2 offered, 0 skipped; 1 warnings\n"),
              std::string::npos) << download.err;

    // A Cabrillo log, whatever its name: QM and (in this contest) DG are QPSK63, band
    // codes and kHz both give the band, X-QSO lines are counted, never offered.
    Outcome cabrillo = Run(WithPlugin({Fixture("contest.log")}));
    ASSERT_EQ(cabrillo.exitCode, 0) << cabrillo.err;
    EXPECT_NE(cabrillo.out.find("Contestant: DL6NBS\r\n"), std::string::npos);
    EXPECT_NE(cabrillo.out.find("40M\t 1\t 1\t 1\r\n20M\t 1\t 3\t 1\r\n6M\t 1\t 3\t 1\r\n"),
              std::string::npos) << cabrillo.out;
    EXPECT_EQ(Count(cabrillo.err, "mode DG taken as QPSK63"), 1u) << cabrillo.err;
    EXPECT_NE(cabrillo.err.find("record 6 skipped: the QSO line has 3 fields"), std::string::npos);
    EXPECT_NE(cabrillo.err.find("6 records found: 4 offered, 2 skipped (1 X-QSO lines); 2 "
                                "warnings\ntavik-host: 4 QSOs offered: 3 accepted"),
              std::string::npos) << cabrillo.err;

    // The JSON summary carries the report's own figures.
    Outcome json = Run(WithPlugin({"--json", "-", Fixture("fldigi-logbook.adif")}));
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(json.out,
              "{\"call\": \"DL6NBS\", \"start\": \"2025-09-20 12:00\", \"end\": \"2025-09-21 "
              "08:15\", \"records\": 3, \"offered\": 3, \"accepted\": 3, \"duplicates\": 0, "
              "\"refused\": 0, \"skipped\": 0, \"warnings\": 1, \"bands\": [{\"band\": \"40M\", "
              "\"qsos\": 2, \"points\": 4, \"multipliers\": 2}, {\"band\": \"20M\", \"qsos\": 1, "
              "\"points\": 3, \"multipliers\": 1}], \"total\": {\"qsos\": 3, \"points\": 7, "
              "\"multipliers\": 3}, \"score\": 21}\n");
    EXPECT_NE(json.err.find(logbook.out), std::string::npos) << json.err;  // the report
}

TEST_F(HostRun, TheCabrilloLogReadBackGivesTheSameReport) {
    Outcome run = Run(WithPlugin({"--cabrillo", "--json", (scratch_ / "first.json").string(),
                                  kSampleLog}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string log = (work_ / "DL6NBS.cbr").string();
    EXPECT_NE(run.err.find("the Cabrillo log is in " + log + "\n"), std::string::npos) << run.err;
    Outcome again = Run(WithPlugin({"--json", (scratch_ / "again.json").string(), log}));
    ASSERT_EQ(again.exitCode, 0) << again.err;
    // The same lines, but for bands that only refused QSOs brought (they are not in the log).
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find("\t 0\t 0\t 0") == std::string::npos) {
            EXPECT_NE(again.out.find(line + "\n"), std::string::npos) << line << "\n" << again.out;
        }
    }
    std::string first = ReadFile(scratch_ / "first.json");
    std::string second = ReadFile(scratch_ / "again.json");
    EXPECT_EQ(first.substr(first.find("\"total\"")), second.substr(second.find("\"total\"")));
}

TEST_F(HostRun, ThePeriodLeavesOutQsosOutsideIt) {
    Outcome all = Run(WithPlugin({kSampleLog}));
    Outcome part = Run(WithPlugin({"--start", "2025-09-20 12:00", "--end", "2025-09-20 23:59",
                                   "--json", "-", kSampleLog}));
    ASSERT_EQ(part.exitCode, 0) << part.err;
    // Counted all, listed the first few.
    const std::size_t outside = 167;
    EXPECT_EQ(Count(part.err, " is outside the contest period; not offered\n"), 5u) << part.err;
    EXPECT_NE(part.err.find("cis-dx-psk.adi: 162 more like these not listed\n"), std::string::npos);
    EXPECT_NE(part.err.find("300 records found: " + std::to_string(300 - outside) + " offered, " +
                            std::to_string(outside) + " skipped (" + std::to_string(outside) +
                            " outside the contest period)"),
              std::string::npos) << part.err;
    EXPECT_NE(part.out.find("\"start\": \"2025-09-20 12:00\", \"end\": \"2025-09-20 23:59\""),
              std::string::npos) << part.out;
    EXPECT_LT(Totals(part.err)[0], Totals(all.out)[0]);
    // Each left-out QSO is listed with its call and time.
    EXPECT_NE(part.err.find(": QSO with "), std::string::npos);
    EXPECT_NE(part.err.find(" at 2025-09-21 "), std::string::npos) << part.err;
}

TEST_F(HostRun, ALogbookOfYearsScoresItsLatestContestWeekend) {
    // The sample's weekend amid seven QSOs of other days, one of them the weekend of 2024.
    const std::string sample = ReadFile(kSampleLog);
    std::string log = sample;
    for (const char* date : {"20240601", "20240921", "20240922", "20250101", "20250919",
                             "20250922", "20260101"})
        log += "<CALL:5>UA3AB<QSO_DATE:8>" + std::string(date) +
               "<TIME_ON:4>1300<BAND:3>40m<MODE:6>QPSK63<STX:4>1234<SRX:4>5678<EOR>\n";
    WriteFile(scratch_ / "logbook.adi", log);
    Outcome run = Run(WithPlugin({"--json", (scratch_ / "run.json").string(),
                                  (scratch_ / "logbook.adi").string()}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadFile(kSamples + "/cis-dx-psk.report"));
    EXPECT_NE(run.err.find("tavik-host: the log spans 579 days; scoring the contest weekend "
                           "2025-09-20 12:00 to 2025-09-21 12:00 UTC; give --start and --end for "
                           "another period\n"),
              std::string::npos) << run.err;
    EXPECT_EQ(Count(run.err, " is outside the contest period; not offered\n"), 5u) << run.err;
    EXPECT_NE(run.err.find("logbook.adi: 2 more like these not listed\n"), std::string::npos);
    EXPECT_NE(run.err.find("307 records found: 300 offered, 7 skipped (7 outside the contest "
                           "period); 0 warnings\n"),
              std::string::npos) << run.err;
    EXPECT_NE(ReadFile(scratch_ / "run.json").find("\"start\": \"2025-09-20 12:00\", \"end\": "
                                                  "\"2025-09-21 12:00\", \"records\": 307, "
                                                  "\"offered\": 300"),
              std::string::npos) << ReadFile(scratch_ / "run.json");
    // --all scores them all, as a log of one weekend is scored.
    Outcome all = Run(WithPlugin({"--all", (scratch_ / "logbook.adi").string()}));
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out.rfind(" CIS DX PSK 01.06-01.01.2026 \r\n", 0), 0u) << all.out;
    EXPECT_EQ(all.err.find("the log spans"), std::string::npos) << all.err;
    EXPECT_NE(all.err.find("307 records found: 307 offered, 0 skipped"), std::string::npos);
}

TEST_F(HostRun, ALargeLogReadInHalvesTellsEveryProblemOnceInOrder) {
    // 70 copies of the sample's records (over 4 MB, so read in two halves at once), a
    // marker in the first and the 65th, a bad record before the last copy and a QSO
    // a day later at the end.
    const std::string sample = ReadFile(kSampleLog);
    const std::string records = sample.substr(sample.find("<EOH>") + 5);
    std::string log = sample.substr(0, sample.find("<EOH>") + 5);
    for (int copy = 1; copy <= 70; ++copy) {
        if (copy == 70) log += "<CALL:4>K1AB<TIME_ON:4>1200<EOR>\n";
        log += records;
        if (copy == 1 || copy == 65) log += "<APP_X_EOF>\n";
    }
    log += "<CALL:5>UA3AB<QSO_DATE:8>20250922<TIME_ON:4>1200<BAND:3>40m<MODE:6>QPSK63"
           "<STX:4>1234<SRX:4>5678<EOR>\n";
    ASSERT_GT(log.size(), std::size_t(4) << 20);
    WriteFile(scratch_ / "large.adi", log);
    Outcome run = Run(WithPlugin({(scratch_ / "large.adi").string()}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind(" CIS DX PSK 20.09-22.09.2025 \r\n", 0), 0u) << run.out;
    EXPECT_EQ(Count(run.err, "tag <APP_X_EOF> has no length"), 1u) << run.err;
    EXPECT_LT(run.err.find("tag <APP_X_EOF>"), run.err.find("record 20701 skipped: no QSO_DATE"));
    EXPECT_NE(run.err.find("21002 records found: 21001 offered, 1 skipped; 2 warnings\n"),
              std::string::npos) << run.err;
    // A QSO outside the period is listed from the second half with its own number.
    Outcome period = Run(WithPlugin({"--start", "2025-09-20 00:00", "--end", "2025-09-21 23:59",
                                     (scratch_ / "large.adi").string()}));
    EXPECT_NE(period.err.find(", record 21002: QSO with UA3AB at 2025-09-22 12:00 is outside"),
              std::string::npos) << period.err.substr(0, 2000);
}

TEST_F(HostRun, MissingOutputsAreNotAnnounced) {
    // A folder where err.txt or the Cabrillo log should go: the host says so, exit 5.
    fs::create_directory(work_ / "DL6NBS.cbr");
    Outcome run = Run(WithPlugin({"--cabrillo", kSampleLog}));
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.err.find("error: no Cabrillo log was written in " + work_.string()),
              std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("the Cabrillo log is in"), std::string::npos);
    fs::remove(work_ / "DL6NBS.cbr");
    fs::remove(work_ / "err.txt");
    fs::create_directory(work_ / "err.txt");
    run = Run(WithPlugin({kSampleLog}));
    EXPECT_EQ(run.exitCode, 5) << run.err;
    EXPECT_NE(run.err.find("error: " + (work_ / "err.txt").string()), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("refused QSOs are listed in"), std::string::npos);
}

TEST_F(HostRun, LogsFromAPipe) {
    fs::path pipe = scratch_ / "pipe.adi";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { WriteFile(pipe, ReadFile(kSampleLog)); });
    Outcome run = Run(WithPlugin({pipe.string()}));
    writer.join();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadFile(kSamples + "/cis-dx-psk.report"));
}

TEST_F(HostRun, TheJsonSummaryNeverReplacesTheUsersFiles) {
    const fs::path log = scratch_ / "mylog.adi";
    fs::copy_file(kSampleLog, log);
    fs::create_directories(work_ / "Plugins");
    WriteFile(work_ / kSettingsFile, "[Cabrillo]\n");
    WriteFile(work_ / "err.txt", "old\n");
    fs::create_symlink(log, scratch_ / "link.json");
    const std::string logText = ReadFile(log);
    const struct {
        std::string json;
        fs::path cwd;
        const char* what;
    } cases[] = {
        {log.string(), {}, "the log"},
        {"./mylog.adi", scratch_, "the log"},
        {(scratch_ / "link.json").string(), {}, "the log"},
        {(work_ / "err.txt").string(), {}, "the plugin's list of refused QSOs"},
        {(work_ / "Plugins" / ".." / "Plugins" / "Tavik.ini").string(), {}, "the plugin's stored header fields"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        Outcome run = Run(WithPlugin({"--json", c.json, log.string()}), c.cwd);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("--json " + c.json + " is " + c.what + "; give another file"),
                  std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadFile(log), logText);
    EXPECT_EQ(ReadFile(work_ / "err.txt"), "old\n");
    EXPECT_EQ(ReadFile(work_ / kSettingsFile), "[Cabrillo]\n");

    // A log whose every record was skipped still leaves its summary.
    const fs::path json = scratch_ / "summary.json";
    Outcome skipped = Run(WithPlugin({"--json", json.string(), Fixture("contest-no-dates.adi")}));
    EXPECT_EQ(skipped.exitCode, 2) << skipped.err;
    EXPECT_NE(ReadFile(json).find("\"records\": 2, \"offered\": 0, \"accepted\": 0, "
                                  "\"duplicates\": 0, \"refused\": 0, \"skipped\": 2"),
              std::string::npos) << ReadFile(json);
}

#endif  // !_WIN32
