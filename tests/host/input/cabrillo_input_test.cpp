#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/input/log_reader.h"

using namespace tavik::host;

namespace {

struct Fields : QsoHandler {
    std::vector<std::string> read;  // frequency mode sent call RST exchange, received the same
    void OnQso(const Qso& q, std::size_t, std::size_t, Diagnostics&) override {
        read.push_back(std::to_string(q.frequencyHz) + " " + q.mode + " " + q.stationCall + " " +
                       q.rstSent + " " + q.exchangeSent + " " + q.call + " " + q.rstReceived +
                       " " + q.exchangeReceived);
    }
};

}  // namespace

TEST(CabrilloInput, OddBlanksAndLineEndsAreReadWithOneWarning) {
    // Each text's "_" become its separator, its "|" its line end.
    struct Case {
        const char* name;
        std::string blank, end;
        std::string head, tail;  // after START-OF-LOG:, after END-OF-LOG:
        std::string told;        // the one warning, with its place; "" for none
    };
    const Case cases[] = {
        {"utf8 no-break", "\xC2\xA0", "\n", "", "",
         "line 2, byte offset 27: no-break spaces read as blanks (told once)"},
        {"latin1 no-break", "\xA0", "\n", "", "",
         "line 2, byte offset 27: no-break spaces read as blanks (told once)"},
        {"cr only", " ", "\r", "", "",
         "line 1, byte offset 17: CR without LF read as a line end (told once)"},
        {"after end", " ", "\n", "",
         "QSO: 7041 QM 2025-09-20 1300 DL6NBS 599 0003 K1AB 599 1\nSOAPBOX: x\nqso : 1\n",
         "line 7, byte offset 188: 2 QSO: lines follow END-OF-LOG: and are not read"},
        // Neither is an odd one: CR CR LF is one line end, D0 A0 a Cyrillic ER.
        {"cr cr lf", " ", "\r\r\n", "", "", ""},
        {"cyrillic", " ", "\n", "NAME: \xD0\x9F\xD0\x95\xD0\xA2\xD0\xA0\n", "", ""},
    };
    for (const Case& c : cases) {
        std::string text = "START-OF-LOG: 3.0|" + c.head +
                           "CALLSIGN:_dl6nbs/p_|CONTEST:_CIS-QPSK63-DX_|"
                           "QSO:_7041_QM_2025-09-20_1200_DL6NBS_599_0001_UA3AB_599_1234|"
                           "QSO: 14080 DG 2025-09-20 1201 DL6NBS 0002 UA3AC 2345_|END-OF-LOG:|";
        std::string expanded;
        for (char ch : text)
            expanded += ch == '_' ? c.blank : ch == '|' ? c.end : std::string(1, ch);
        expanded += c.tail;
        SourceFile source{"log.log", expanded};
        std::string told;
        Diagnostics diagnostics([&](const std::string& line) { told += line + "\n"; });
        Fields fields;
        const LogSummary summary = ReadLog(source, fields, diagnostics);
        const std::vector<std::string> read = {
            "7041000 QPSK63 DL6NBS 599 0001 UA3AB 599 1234",
            "14080000 QPSK63 DL6NBS  0002 UA3AC  2345",
        };
        EXPECT_EQ(fields.read, read) << c.name;
        EXPECT_EQ(summary.records, 2u) << c.name;
        EXPECT_EQ(summary.ownCall, "DL6NBS/P") << c.name;
        // Besides the DG warning, told for every case.
        EXPECT_EQ(diagnostics.Warnings(), c.told.empty() ? 1u : 2u) << c.name << "\n" << told;
        EXPECT_NE(told.find(c.told), std::string::npos) << c.name << "\n" << told;
    }
}
