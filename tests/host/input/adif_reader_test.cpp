#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/input/adif_reader.h"
#include "host/input/qso_mapping.h"

using namespace tavik::host;

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

struct Collected : AdifHandler {
    Fields header;
    int headerCalls = 0;
    std::vector<Fields> records;
    std::vector<std::size_t> numbers;
    Fields current;  // fields since the last <EOH> or <EOR>

    void OnField(const AdifItem& item) override {
        current.emplace_back(std::string(item.name), std::string(item.data));
    }
    void OnHeader(const AdifRecord& record) override {
        ++headerCalls;
        // Without a header the fields so far are the first record's.
        if (record.Empty()) return;
        header = std::move(current);
        current.clear();
    }
    void OnRecord(const AdifRecord& record) override {
        records.push_back(std::move(current));
        numbers.push_back(record.Number());
        current.clear();
    }
};

// Diagnostics that keep their lines.
struct Kept {
    std::vector<std::string> lines;
    Diagnostics diagnostics{[this](const std::string& line) { lines.push_back(line); }};
};

Collected Read(const std::string& text, std::vector<std::string>* warnings = nullptr) {
    SourceFile source{"log.adi", text};
    Collected collected;
    Kept kept;
    ReadAdif(source, collected, kept.diagnostics);
    if (warnings) *warnings = kept.lines;
    return collected;
}

std::string StrictError(const std::string& text) {
    SourceFile source{"log.adi", text};
    Collected collected;
    Diagnostics strict({}, true);
    try {
        ReadAdif(source, collected, strict);
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

// Hands each record to a check, for looking at one record's fields by kind.
template <typename Check>
struct OnEach : AdifHandler {
    Check check;
    explicit OnEach(Check c) : check(c) {}
    void OnRecord(const AdifRecord& record) override { check(record); }
};

}  // namespace

TEST(AdifReader, HeaderTextEndsAtEoh) {
    Collected log = Read(
        "Exported log <ADIF_VER:5>3.1.4\n<PROGRAMID:4>test <EOH>\n"
        "<CALL:5>UA3AB <QSO_DATE:8>20250920 <EOR>\n<CALL:4>K1AB<EOR>\n");
    EXPECT_EQ(log.headerCalls, 1);
    EXPECT_EQ(log.header, (Fields{{"ADIF_VER", "3.1.4"}, {"PROGRAMID", "test"}}));
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[0], (Fields{{"CALL", "UA3AB"}, {"QSO_DATE", "20250920"}}));
    EXPECT_EQ(log.records[1], (Fields{{"CALL", "K1AB"}}));
}

TEST(AdifReader, FileWithoutHeaderStartsWithFields) {
    Collected log = Read("<CALL:4>K1AB<eor:0>junk<call:4>K2CD<EoR>");
    EXPECT_EQ(log.headerCalls, 1);
    EXPECT_TRUE(log.header.empty());
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[1], (Fields{{"call", "K2CD"}}));

    // A header that begins with a field is still known by its <EOH>.
    Collected headed = Read("<ADIF_VER:5>3.1.4<eoh><CALL:4>K1AB<EOR>");
    EXPECT_EQ(headed.header, (Fields{{"ADIF_VER", "3.1.4"}}));
    EXPECT_EQ(headed.records, (std::vector<Fields>{{{"CALL", "K1AB"}}}));

    // Leading text with no <EOH> before the first <EOR> was not a header.
    Collected blankFirst = Read("\n<CALL:4>K1AB<EOR>");
    EXPECT_TRUE(blankFirst.header.empty());
    EXPECT_EQ(blankFirst.records.size(), 1u);
}

TEST(AdifReader, FieldsAreFoundWhateverTheirLetterCaseAndTypeIndicator) {
    SourceFile source{"log.adi",
                      "<Call:4>k1ab<qso_date:8:D>20250920<FREQ:6:N>14.070<App_X_Id:2:S>77"
                      "<CALL:0><EOR>"};
    int seen = 0;
    auto check = [&](const AdifRecord& record) {
        ++seen;
        EXPECT_EQ(record.Data(AdifField::Call), "k1ab");  // the empty CALL does not hide it
        EXPECT_EQ(record.Data(AdifField::QsoDate), "20250920");
        EXPECT_EQ(record.Get(AdifField::QsoDate)->type, "D");
        EXPECT_EQ(record.Data(AdifField::Freq), "14.070");
        EXPECT_EQ(record.Get(AdifField::Mode), nullptr);
        EXPECT_EQ(record.FieldCount(), 5u);
    };
    OnEach<decltype(check)> handler(check);
    Diagnostics diagnostics;
    ReadAdif(source, handler, diagnostics);
    EXPECT_EQ(diagnostics.Warnings(), 0u);
    EXPECT_EQ(seen, 1);
}

TEST(AdifReader, LengthCountsBytesAndDataIsTakenVerbatim) {
    // "Jürgen" is 7 bytes in UTF-8; data may hold '<', '>' and even tag-like text.
    Collected log = Read("<NAME:7>Jürgen<COMMENT:9><EOR>a<b><CALL:4>K1AB<EOR>");
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0],
              (Fields{{"NAME", "Jürgen"}, {"COMMENT", "<EOR>a<b>"}, {"CALL", "K1AB"}}));

    const char nulText[] = "<NOTES:3>a\0b junk\0 between<CALL:4>K1AB<EOR>";
    std::string withNuls(nulText, sizeof nulText - 1);
    Collected nul = Read(withNuls);
    ASSERT_EQ(nul.records.size(), 1u);
    EXPECT_EQ(nul.records[0][0].second, std::string("a\0b", 3));
    EXPECT_EQ(nul.records[0][1].second, "K1AB");
}

TEST(AdifReader, DamagedTagsAreWarnedAboutAndReadPast) {
    // Each text holds a damage and then the record <CALL:4>K1AB<EOR>, which must survive.
    struct Case {
        std::string text;
        std::string warning;  // after "log.adi: line "
    };
    const Case cases[] = {
        {"<CALL:x4>ZZ<CALL:4>K1AB<EOR>",
         "1, byte offset 0, record 1: field CALL: length 'x4' is not a number; field skipped"},
        {"<CALL:-4>ZZ<CALL:4>K1AB<EOR>", "length '-4' is not a number; field skipped"},
        {"<CALL:4:S:X>ZZZZ<CALL:4>K1AB<EOR>", "has more than two ':'; field skipped"},
        {"<:4>ZZZZ<CALL:4>K1AB<EOR>", "tag <:4> has no name; skipped"},
        {"<CALL:4<CALL:4>K1AB<EOR>",
         "'<' starts no tag ('<' at byte offset 7); text skipped up to the next tag"},
        {"<CALL\n:4><CALL:4>K1AB<EOR>", "(end of line at byte offset 5)"},
        {"<APP_LoTW_EOF><CALL:4>K1AB<EOR><app_lotw_eof>",
         "1, byte offset 0: tag <APP_LoTW_EOF> has no length and is not <EOH> or "
         "<EOR>; ignored (told once per name)"},
        {"<CALL:4>ZZZZ<CALL:4>K1AB<EOR>",
         "1, byte offset 12, record 1: CALL given again in the record ('ZZZZ', then 'K1AB'); the "
         "later kept (an <EOR> missing before it?)"},
        // Between records, and a header of fields only: no record is named.
        {"<EOH><CALL:4>K1AB<EOR><EOH>", "1, byte offset 22: <EOH> after the header has ended; ignored"},
        {"<ADIF_VER:x>3<EOH><CALL:4>K1AB<EOR>", "1, byte offset 0: field ADIF_VER: length 'x'"},
        {"<CALL:4>K1AB<EOR><BAND", "tag not closed by '>' before the end of the file; ignored"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> warnings;
        Collected log = Read(c.text, &warnings);
        ASSERT_EQ(warnings.size(), 1u) << c.text;
        EXPECT_EQ(warnings[0].rfind("warning: log.adi: line ", 0), 0u) << warnings[0];
        EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << c.text << "\n" << warnings[0];
        ASSERT_EQ(log.records.size(), 1u) << c.text;
        EXPECT_EQ(log.records[0].back(), (std::pair<std::string, std::string>{"CALL", "K1AB"}));
        // --strict: the same problem stops the reading.
        EXPECT_EQ(StrictError(c.text).rfind("log.adi: line ", 0), 0u) << c.text;
    }
}

TEST(AdifReader, WrongLengthsTakeTheLikeliestEnd) {
    struct Case {
        std::string text;
        std::string value;    // of the first field
        std::string warning;  // "" when none is due
    };
    const Case cases[] = {
        // Characters counted instead of bytes ("ü" is two bytes, "中文" six).
        {"<NAME:6>Jürgen<CALL:4>K1AB<EOR>", "Jürgen",
         "NAME length 6 counts characters, not bytes (7 bytes read)"},
        {"<QTH:2>中文 <CALL:4>K1AB<EOR>", "中文", "QTH length 2 counts characters"},
        // CR LF counted where the file now has LF only.
        {"<ADDRESS:14>a\nbb\nccc\nd\n<CALL:4>K1AB<EOR>", "a\nbb\nccc\nd\n",
         "ADDRESS length 14 counts CR LF line ends where the file has LF only (11 bytes "
         "read)"},
        {"<CALL:8>K1AB<BAND:3>20M<EOR>", "K1AB",
         "CALL length 8 runs into the next tag; value cut at the tag (4 bytes read)"},
        {"<CALL:4>K1ABC<BAND:3>20M<EOR>", "K1ABC", "CALL length 4 ends before the next tag"},
        {"<CALL:40>K1AB<BAND:3>20M<EOR>", "K1AB",
         "CALL length 40 runs past the end of the file; value cut at the next tag"},
        // Lengths that are right, with any text between fields, warn about nothing.
        {"<CALL:4>K1AB junk <BAND:3>20M<EOR>", "K1AB", ""},
        {"<COMMENT:9><EOR>a<b><CALL:4>K1AB<EOR>", "<EOR>a<b>", ""},
        {"<NAME:7>Jürgen\r\n<CALL:4>K1AB<EOR>", "Jürgen", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> warnings;
        Collected log = Read(c.text, &warnings);
        ASSERT_EQ(log.records.size(), 1u) << c.text;
        EXPECT_EQ(log.records[0][0].second, c.value) << c.text;
        if (c.warning.empty()) {
            EXPECT_TRUE(warnings.empty()) << c.text << "\n" << warnings[0];
        } else {
            ASSERT_EQ(warnings.size(), 1u) << c.text;
            EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
        }
    }
}

TEST(AdifReader, HeaderTextOfAnyKindAndRecordNumbers) {
    // fldigi's first line, and angle brackets in the free text, are no problem.
    std::vector<std::string> warnings;
    Collected log = Read(
        "fldigi adif file <created by fldigi> <3>\n<ADIF_VER:5>3.1.4<eoh>\n"
        "<CALL:4>K1AB<eor><EOR>\n<CALL:4>K2CD<Eor>",
        &warnings);
    EXPECT_TRUE(warnings.empty()) << warnings[0];
    EXPECT_EQ(log.header, (Fields{{"ADIF_VER", "3.1.4"}}));
    EXPECT_EQ(log.numbers, (std::vector<std::size_t>{1, 2}));
    // Fields with neither <EOH> nor <EOR> are a record without its end.
    log = Read("Log\n<CALL:4>K1AB", &warnings);
    EXPECT_TRUE(log.records.empty());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "warning: log.adi: line 2, byte offset 4, record 1: the last record is not ended "
              "by <EOR>; it is left out");
}

TEST(AdifReader, LastRecordWithoutEorIsLeftOutWithAWarning) {
    std::vector<std::string> warnings;
    Collected log = Read("<EOH>\n<CALL:4>K1AB<EOR>\n<CALL:4>K2CD\n", &warnings);
    EXPECT_EQ(log.records.size(), 1u);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "warning: log.adi: line 3, byte offset 24, record 2: the last record is not ended "
              "by <EOR>; it is left out");
    // Not even --strict stops here, as before.
    EXPECT_EQ(StrictError("<EOH>\n<CALL:4>K1AB<EOR>\n<CALL:4>K2CD\n"), "no error");

    // Empty records and trailing text are no records and no warning.
    warnings.clear();
    EXPECT_EQ(Read("<EOH><EOR><EOR>\n trailing text\n", &warnings).records.size(), 0u);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(Read("", &warnings).records.size(), 0u);
}

TEST(AdifReader, DamagedFilesNeverStopTheReading) {
    // Bytes changed, cut or inserted at random: every record is handed out or warned
    // about, and every warning is placed.
    const std::string good =
        "Log\n<EOH>\n<CALL:5>UA3AB <QSO_DATE:8:D>20250920 <TIME_ON:4>1200 <EOR>\n"
        "<CALL:4>K1AB<FREQ:6>14.070<EOR>\n";
    std::mt19937 random(7);
    const char alphabet[] = "<>:0123456789EORHCAL\n\0\xff";
    std::size_t warned = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
            std::size_t at = random() % (text.size() + 1);
            char c = alphabet[random() % (sizeof alphabet - 1)];
            switch (random() % 3) {
                case 0: if (at < text.size()) text[at] = c; break;
                case 1: text.insert(at, 1, c); break;
                default: text.resize(at); break;
            }
        }
        SourceFile source{"log.adi", text};
        struct Mapper : AdifHandler {
            const SourceFile& source;
            Diagnostics& diagnostics;
            Qso qso;
            std::size_t mapped = 0;
            Mapper(const SourceFile& s, Diagnostics& d) : source(s), diagnostics(d) {}
            void OnRecord(const AdifRecord& record) override {
                mapped += MapQso(source, record, qso, diagnostics);
            }
        };
        Kept kept;
        Mapper mapper(source, kept.diagnostics);
        AdifReadSummary summary = ReadAdif(source, mapper, kept.diagnostics);
        for (const std::string& line : kept.lines)
            ASSERT_EQ(line.rfind("warning: log.adi: line ", 0), 0u) << line;
        ASSERT_LE(summary.records, mapper.mapped + kept.lines.size()) << text;
        warned += kept.lines.size();
    }
    EXPECT_GT(warned, 0u);
}
