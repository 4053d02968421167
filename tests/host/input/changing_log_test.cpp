// Reading a log that may change underneath: mapped bytes that are not trusted once
// the file changes, warnings capped per kind, the call list of a file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "host/input/call_list.h"
#include "host/input/log_reader.h"
#include "host/input/source_file.h"
#include "support/adif_qso_text.h"
#include "support/scratch_folder.h"

using namespace tavik::host;
using tavik::test::AdifQsoText;
namespace fs = std::filesystem;

namespace {

const std::string kLog = "log.adi";

using ChangingLog = ScratchFolderTest;

}  // namespace

TEST_F(ChangingLog, MappedBytesOfAFileThatChangesAreNotTrusted) {
    const std::string text(1 << 20, 'x');
    struct Case {
        const char* what;
        void (*change)(const std::string& path);
        bool heldStill;
    } cases[] = {
        {"untouched", [](const std::string&) {}, true},
#if !defined(_WIN32)  // Windows refuses to cut a mapped file short
        // Reading past the new end would raise SIGBUS without the guard.
        {"cut short", [](const std::string& path) { fs::resize_file(path, 100); }, false},
#endif
        {"written over",
         [](const std::string& path) {
             std::fstream(path, std::ios::binary | std::ios::in | std::ios::out) << "changed";
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(kLog, text);
        std::string error;
        std::unique_ptr<InputBytes> bytes = OpenInputBytes(kLog, error, false);
        ASSERT_TRUE(bytes) << error;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a later change time
        c.change(kLog);
        std::size_t xs = 0;
        for (char byte : bytes->Bytes()) xs += byte == 'x';
        EXPECT_EQ(bytes->HeldStill(), c.heldStill);
        if (c.heldStill) {
            EXPECT_EQ(xs, text.size());
        }
    }
}

TEST(Diagnostics, OnlyTheFirstFewOfAKindArePrintedAndTheRestCounted) {
    std::string text = "<EOH>" + AdifQsoText("DL1AA", 0);
    for (int i = 0; i < 1000; ++i) text += "< ";
    text += AdifQsoText("DL1AB", 1);
    for (int i = 0; i < 30; ++i)
        text += AdifQsoText("DL" + std::to_string(i) + "X", 2 + i, "<FREQ:3>abc");
    SourceFile source("log.adi", text);
    struct Count : QsoHandler {
        void OnQso(const Qso&, std::size_t, std::size_t, Diagnostics&) override { ++qsos; }
        int qsos = 0;
    } count;
    std::vector<std::string> lines;
    Diagnostics diagnostics([&](const std::string& line) { lines.push_back(line); });
    ReadLog(source, count, diagnostics);
    diagnostics.Finish(source);
    EXPECT_EQ(count.qsos, 32);
    EXPECT_EQ(diagnostics.Warnings(), 1030u);
    ASSERT_EQ(lines.size(), 2 * Diagnostics::kShownOfAKind + 2);
    EXPECT_EQ(lines[lines.size() - 2].rfind(
                  "warning: log.adi: 980 more warnings like the one at byte offset " +
                      std::to_string(text.find("< ")) + " not shown ('<' starts no tag",
                  0),
              0u)
        << lines[lines.size() - 2];
    EXPECT_NE(lines.back().find(": 10 more warnings like the one at byte offset "), std::string::npos)
        << lines.back();
    EXPECT_NE(lines.back().find("(FREQ 'abc' ignored"), std::string::npos) << lines.back();
}

TEST_F(ChangingLog, CallListHoldsTheCallsOfAFileThatBeginWithTheTextFirst) {
    WriteFile(kLog, "# comment\r\nua9xx\r\n\r\nRUA9X\nUA9XX\nUA9XA\n  DL9X  \n");
    const Result<CallList> loaded = CallList::Load(kLog);
    ASSERT_TRUE(loaded) << loaded.Why().message;
    const CallList& list = *loaded;
    EXPECT_EQ(list.Size(), 4u);
    EXPECT_EQ(list.Holding("UA9X", 9), (std::vector<std::string>{"UA9XA", "UA9XX", "RUA9X"}));
    EXPECT_EQ(list.Holding("9X", 9), (std::vector<std::string>{"DL9X", "RUA9X", "UA9XA", "UA9XX"}));
    EXPECT_EQ(list.Holding("A9X", 2), (std::vector<std::string>{"RUA9X", "UA9XA"}));
    EXPECT_TRUE(list.Holding("", 9).empty());
    const Result<CallList> none = CallList::Load("none");
    ASSERT_FALSE(none);
    EXPECT_NE(none.Why().message.find("none: No such file"), std::string::npos) << none.Why().message;
}
