#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "host/input/adif_reader.h"
#include "host/input/qso_mapping.h"

using namespace tavik::host;

namespace {

struct Mapper : AdifHandler {
    const SourceFile& source;
    Diagnostics& diagnostics;
    Qso qso;
    bool mapped = false;
    Mapper(const SourceFile& s, Diagnostics& d) : source(s), diagnostics(d) {}
    void OnRecord(const AdifRecord& record) override {
        mapped = MapQso(source, record, qso, diagnostics);
    }
};

// One record from its fields in ADIF form; unless given or told not to, the call,
// date, time and band are supplied. The warnings, if wanted, go to warnings.
Qso Map(const std::string& fields, bool supply = true, std::string* warnings = nullptr,
        bool* mapped = nullptr) {
    std::string text = fields;
    if (supply && fields.find("<CALL:") == std::string::npos) text += "<CALL:5>ua3ab";
    if (supply && fields.find("<QSO_DATE:") == std::string::npos) text += "<QSO_DATE:8>20250920";
    if (supply && fields.find("<TIME_ON:") == std::string::npos) text += "<TIME_ON:4>1200";
    if (supply && fields.find("<BAND:") == std::string::npos &&
        fields.find("<FREQ:") == std::string::npos)
        text += "<BAND:3>40m";
    SourceFile source{"log.adi", "<EOH>\n" + text + "<EOR>"};
    std::string lines;
    Diagnostics diagnostics([&lines](const std::string& line) { lines += line + "\n"; });
    Mapper mapper(source, diagnostics);
    ReadAdif(source, mapper, diagnostics);
    if (warnings) *warnings = lines;
    if (mapped) *mapped = mapper.mapped;
    return mapper.qso;
}

}  // namespace

TEST(QsoMapping, RecordBecomesTheTextsOfAddData) {
    Qso qso = Map(
        "<CALL:7> dl1abc <STATION_CALLSIGN:6>dl6nbs <QSO_DATE:8>20250920<TIME_ON:6>120030"
        "<BAND:3>20m<FREQ:7>14.0705<MODE:3>psk<SUBMODE:6>qpsk63<RST_SENT:3>599<RST_RCVD:3>579"
        "<STX_STRING:4>0012<SRX_STRING:4>0103<STX:2>12<SRX:3>103");
    EXPECT_EQ(qso.call, "DL1ABC");
    EXPECT_EQ(qso.stationCall, "DL6NBS");
    EXPECT_DOUBLE_EQ(qso.time, 45920.0 + (12 * 3600 + 30) / 86400.0);
    EXPECT_EQ(qso.frequencyHz, 14070500u);
    EXPECT_EQ(qso.band, "20M");
    EXPECT_EQ(qso.mode, "QPSK63");
    EXPECT_EQ(qso.rstSent, "599");
    EXPECT_EQ(qso.rstReceived, "579");
    EXPECT_EQ(qso.exchangeSent, "0012");
    EXPECT_EQ(qso.exchangeReceived, "0103");
}

TEST(QsoMapping, ControlNumbersFallBackToStxAndSrx) {
    Qso numeric = Map("<STX:2>12<SRX:3>103");
    EXPECT_EQ(numeric.exchangeSent, "12");
    EXPECT_EQ(numeric.exchangeReceived, "103");
    Qso emptyStrings = Map("<STX_STRING:0><STX:2>12<SRX_STRING:4>0103<SRX:3>103");
    EXPECT_EQ(emptyStrings.exchangeSent, "12");
    EXPECT_EQ(emptyStrings.exchangeReceived, "0103");
    Qso none = Map("<SRX_STRING:4>0103");
    EXPECT_EQ(none.exchangeSent, "");
    EXPECT_EQ(none.rstSent, "");
}

TEST(QsoMapping, ModeNames) {
    EXPECT_EQ(ModeName("PSK", "QPSK63"), "QPSK63");
    EXPECT_EQ(ModeName("psk", "qpsk63"), "QPSK63");
    EXPECT_EQ(ModeName("QPSK63", ""), "QPSK63");
    EXPECT_EQ(ModeName("qpsk63", "BPSK31"), "QPSK63");
    EXPECT_EQ(ModeName("PSK", "BPSK31"), "BPSK31");
    EXPECT_EQ(ModeName("PSK", "psk63"), "PSK63");
    EXPECT_EQ(ModeName("PSK", ""), "PSK");
    EXPECT_EQ(ModeName("cw", ""), "CW");
    EXPECT_EQ(ModeName("", ""), "");
    EXPECT_EQ(Map("").mode, "");
}

TEST(QsoMapping, BandFromFrequencyWhenBandIsMissing) {
    EXPECT_EQ(Map("<FREQ:5>3.585").band, "80M");
    EXPECT_EQ(Map("<FREQ:6>14.070<BAND:3>40m").band, "40M");  // BAND as given wins
    EXPECT_EQ(Map("<FREQ:4>13.9").band, "");
    EXPECT_EQ(Map("<CALL:4>K1AB<QSO_DATE:8>20250920<TIME_ON:4>1200", false).band, "");
    // ADIF band edges belong to the band.
    EXPECT_EQ(BandOfFrequency(14.0), "20M");
    EXPECT_EQ(BandOfFrequency(14.35), "20M");
    EXPECT_EQ(BandOfFrequency(13.999999), "");
    EXPECT_EQ(BandOfFrequency(14.350001), "");
    EXPECT_EQ(BandOfFrequency(0.1357), "2190M");
    EXPECT_EQ(BandOfFrequency(1.8), "160M");
    EXPECT_EQ(BandOfFrequency(28.0), "10M");
    EXPECT_EQ(BandOfFrequency(29.7), "10M");
    EXPECT_EQ(BandOfFrequency(54.0), "6M");
    EXPECT_EQ(BandOfFrequency(54.000001), "5M");
    EXPECT_EQ(BandOfFrequency(432.1), "70CM");
    EXPECT_EQ(BandOfFrequency(10368.1), "3CM");
    EXPECT_EQ(BandOfFrequency(0), "");
}

TEST(QsoMapping, FrequencyInHertz) {
    EXPECT_EQ(Map("<FREQ:10>14.0000006").frequencyHz, 14000001u);  // rounded, not cut
    EXPECT_EQ(Map("<FREQ:10>14.0000004").frequencyHz, 14000000u);
    EXPECT_EQ(Map("<FREQ:7> 7.035 ").frequencyHz, 7035000u);
    EXPECT_EQ(Map("<FREQ:2>.5").frequencyHz, 500000u);
    EXPECT_EQ(Map("<FREQ:11>4294.967295").frequencyHz, 4294967295u);
    EXPECT_EQ(Map("").frequencyHz, 0u);
}

TEST(QsoMapping, AutomationDates) {
    EXPECT_EQ(ParseAdifDateTime("18991230", "0000"), 0.0);
    EXPECT_EQ(ParseAdifDateTime("19000101", "0000"), 2.0);
    EXPECT_EQ(ParseAdifDateTime("18991229", "1800"), -1.75);
    EXPECT_EQ(ParseAdifDateTime("20250920", "1200"), 45920.5);
    EXPECT_EQ(ParseAdifDateTime("20240229", "0000"), 45351.0);
    EXPECT_EQ(ParseAdifDateTime("00010101", "0000"), -693593.0);
    EXPECT_EQ(ParseAdifDateTime("20250920", "235959"), 45920.0 + 86399 / 86400.0);
    // Dates before the epoch still order by time once made linear.
    EXPECT_LT(LinearTime(*ParseAdifDateTime("18991229", "0600")),
              LinearTime(*ParseAdifDateTime("18991229", "1800")));
    EXPECT_LT(LinearTime(*ParseAdifDateTime("18991229", "1800")), 0.0);
    EXPECT_EQ(LinearTime(45920.5), 45920.5);
    for (const char* date : {"20250229", "20251301", "20250001", "20250931", "2025092", "2025-9-20",
                             "20250920 "})
        EXPECT_FALSE(ParseAdifDateTime(date, "1200")) << date;
    for (const char* time : {"2400", "1260", "120060", "12000", "120", "12:00", ""})
        EXPECT_FALSE(ParseAdifDateTime("20250920", time)) << time;
}

TEST(QsoMapping, ProblemsAreToldWithWhatWasDone) {
    struct Case {
        std::string fields;
        bool supply;
        bool mapped;
        std::string warning;  // after "warning: log.adi: line 2, byte offset "
    };
    const Case cases[] = {
        {"<BAND:3>20m<QSO_DATE:8>20250920<TIME_ON:4>1200", false, false,
         "6: record 1 skipped: no CALL"},
        {"<CALL:4>K1AB<TIME_ON:4>1200", false, false, "6: record 1 skipped: no QSO_DATE"},
        {"<CALL:4>K1AB<QSO_DATE:8>20250920", false, false, "6: record 1 skipped: no TIME_ON"},
        {"<CALL:3>   ", true, false, "6: record 1 skipped: CALL is blank"},
        {"<QSO_DATE:8>2025092x", true, false,
         "6: record 1 skipped: QSO_DATE '2025092x' is not a date YYYYMMDD"},
        {"<TIME_ON:4>2460", true, false,
         "6: record 1 skipped: TIME_ON '2460' is not a time HHMM or HHMMSS"},
        {"<QSO_DATE:8>19291231", true, false,
         "6: record 1 skipped: QSO_DATE 19291231 is before 1930"},
        {std::string("<CALL:6>UA\0ABC", 14), true, false,
         "6: record 1 skipped: CALL 'UA\\x00ABC' holds a NUL byte"},
        {std::string("<SRX_STRING:2>\0\0", 16), true, false, "holds a NUL byte"},
        {"<FREQ:6>7,0415", true, true, "6, record 1: FREQ '7,0415' read as 7.0415 MHz"},
        {"<FREQ:3>abc<BAND:3>40m", true, true,
         "6, record 1: FREQ 'abc' ignored; band taken from BAND"},
        {"<FREQ:6>14,0.7", true, true, "FREQ '14,0.7' ignored; no BAND either, so no band"},
        {"<FREQ:11>4294.967296<BAND:4>13cm", true, true,
         "FREQ '4294.967296' is above 4294.967295 MHz, more than the plugin takes; frequency "
         "given as 0"},
        {"<FREQ:4>13.9", true, true,
         "FREQ 13.9 MHz is in no amateur band and there is no BAND; QSO offered without a band"},
        {"<CALL:4>K1AB<QSO_DATE:8>20250920<TIME_ON:4>1200", false, true,
         "6, record 1: neither BAND nor FREQ; QSO offered without a band"},
        {"<FREQ:6>7.0415<BAND:3>20m", true, true,
         "BAND 20m and FREQ 7.0415 (40M) disagree; BAND kept"},
        {"<STX_STRING:8>1234 tnx", true, true,
         "STX_STRING '1234 tnx' holds more than the control number; 1234 taken"},
        {"<SRX:8>1234/599", true, true, "SRX '1234/599' holds more than the control number"},
    };
    for (const Case& c : cases) {
        std::string warnings;
        bool mapped = false;
        Qso qso = Map(c.fields, c.supply, &warnings, &mapped);
        EXPECT_EQ(mapped, c.mapped) << c.fields;
        EXPECT_EQ(warnings.rfind("warning: log.adi: line 2, byte offset ", 0), 0u) << c.fields << warnings;
        EXPECT_NE(warnings.find(c.warning), std::string::npos) << c.fields << "\n" << warnings;
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1) << warnings;
    }
    // What the repairs give the plugin.
    EXPECT_EQ(Map("<FREQ:6>7,0415").frequencyHz, 7041500u);
    EXPECT_EQ(Map("<FREQ:6>7,0415").band, "40M");
    EXPECT_EQ(Map("<FREQ:3>abc<BAND:3>40m").band, "40M");
    EXPECT_EQ(Map("<FREQ:11>4294.967296<BAND:4>13cm").frequencyHz, 0u);
    EXPECT_EQ(Map("<FREQ:6>7.0415<BAND:3>20m").band, "20M");
    EXPECT_EQ(Map("<STX_STRING:8>599 1234").exchangeSent, "1234");
}

TEST(QsoMapping, ExchangeTextKeepsOnlyTheOneControlNumber) {
    struct Case {
        const char* text;
        const char* sent;  // what the plugin gets
    };
    const Case cases[] = {
        {"1234", "1234"},          {" 0012 ", " 0012 "},  {"599 1234", "1234"},
        {"599-0042 ", "0042"},     {"12345", "12345"},    {"1234 5678", "1234 5678"},
        {"599", "599"},            {"ABC", "ABC"},
    };
    for (const Case& c : cases) {
        std::string field = std::string("<STX_STRING:") + std::to_string(std::strlen(c.text)) +
                            ">" + c.text;
        EXPECT_EQ(Map(field).exchangeSent, c.sent) << c.text;
    }
}

TEST(QsoMapping, AnRstBeforeTheControlNumberIsNoProblem) {
    struct Case {
        const char* text;
        bool warned;  // in each of the two fields
    };
    const Case cases[] = {
        {"599 0036", false}, {" 59\t 0036 ", false}, {"111 0036", false},
        {"599-0036", true},  {"0036 599", true},     {"609 0036", true},
        {"590 0036", true},  {"5 0036", true},       {"599 0036 tnx", true},
    };
    for (const Case& c : cases) {
        const std::string text = c.text;
        const std::string length = std::to_string(text.size());
        std::string warnings;
        Qso qso = Map("<STX_STRING:" + length + ">" + text + "<SRX_STRING:" + length + ">" + text,
                      true, &warnings);
        EXPECT_EQ(qso.exchangeSent, "0036") << text;
        EXPECT_EQ(qso.exchangeReceived, "0036") << text;
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), c.warned ? 2 : 0)
            << text << "\n" << warnings;
    }
    // Not even a strict run stops at it.
    SourceFile source{"log.adi", ""};
    Diagnostics strict([](const std::string&) {}, true);
    std::string taken;
    EXPECT_NO_THROW(TakeExchange(taken, "599 0036", "SRX_STRING", source, 0, 1, strict));
    EXPECT_EQ(taken, "0036");
}

TEST(QsoMapping, BandIsAnAdifBandNameElseFromFrequency) {
    struct Case {
        std::string fields;
        bool mapped;
        const char* band;
        const char* warning;  // "" for none
    };
    const Case cases[] = {
        {"<BAND:3>20m", true, "20M", ""},
        {"<BAND:5> 20M ", true, "20M", ""},
        {"<BAND:0><FREQ:6>14.070", true, "20M", ""},  // blank: as if missing
        {"<BAND:4>20 m<FREQ:6>14.070", true, "20M",
         "6, record 1: BAND '20 m' is not an ADIF band name; band 20M taken from FREQ 14.070"},
        {"<BAND:5>Total<FREQ:5>7.035", true, "40M", "BAND 'Total' is not an ADIF band name"},
        {"<BAND:4>20\tm<FREQ:6>14.070", true, "20M", "BAND '20\\x09m' is not an ADIF band name"},
        {"<BAND:4>20 m", false, "",
         "6: record 1 skipped: BAND '20 m' is not an ADIF band name and there is no FREQ"},
        {"<BAND:4>20 m<FREQ:4>13.9", false, "",
         "record 1 skipped: BAND '20 m' is not an ADIF band name and FREQ 13.9 MHz is in no "
         "amateur band"},
        {"<BAND:4>20 m<FREQ:3>abc", false, "",
         "record 1 skipped: BAND '20 m' is not an ADIF band name and FREQ 'abc' is not a "
         "frequency"},
    };
    for (const Case& c : cases) {
        std::string warnings;
        bool mapped = false;
        Qso qso = Map(c.fields, true, &warnings, &mapped);
        EXPECT_EQ(mapped, c.mapped) << c.fields;
        EXPECT_EQ(qso.band, c.band) << c.fields;
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), *c.warning ? 1 : 0)
            << c.fields << "\n" << warnings;
        EXPECT_NE(warnings.find(c.warning), std::string::npos) << c.fields << "\n" << warnings;
    }
}

TEST(QsoMapping, DatesPrintCutToTheMinute) {
    struct Case {
        double date;
        const char* text;
    };
    const Case cases[] = {
        {*ParseAdifDateTime("20250920", "1200"), "2025-09-20 12:00"},
        {*ParseAdifDateTime("20250920", "120030"), "2025-09-20 12:00"},
        {*ParseAdifDateTime("20250920", "120059"), "2025-09-20 12:00"},
        {*ParseAdifDateTime("20250920", "235959"), "2025-09-20 23:59"},
        {45920.0 + 721 / 1440.0, "2025-09-20 12:01"},
        {45920.5 - 1e-10, "2025-09-20 12:00"},  // a hair below the minute
        {*ParseAdifDateTime("18991229", "183059"), "1899-12-29 18:30"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatAutomationDate(c.date), c.text) << c.date;
}
