#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "host/adif_reader.h"
#include "host/qso_mapping.h"

using namespace tavik::host;

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

struct Collected : AdifHandler {
    Fields header;
    int headerCalls = 0;
    std::vector<Fields> records;
    std::vector<const AdifRecord*> last;

    static Fields Copy(const AdifRecord& record) {
        Fields fields;
        for (const AdifItem& item : record.Items())
            fields.emplace_back(std::string(item.name), std::string(item.data));
        return fields;
    }
    void OnHeader(const AdifRecord& record) override {
        ++headerCalls;
        header = Copy(record);
    }
    void OnRecord(const AdifRecord& record) override { records.push_back(Copy(record)); }
};

Collected Read(const std::string& text, std::vector<std::string>* warnings = nullptr) {
    SourceFile source{"log.adi", text};
    Collected collected;
    std::vector<std::string> ignored;
    ReadAdif(source, collected, warnings ? *warnings : ignored);
    return collected;
}

std::string ErrorOf(const std::string& text) {
    try {
        Read(text);
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
    Collected log = Read("<CALL:4>K1AB<eor>\n<call:4>K2CD<EoR>");
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
        ASSERT_NE(record.Find("app_x_id"), nullptr);
        EXPECT_EQ(record.Find("APP_X_ID")->data, "77");
        EXPECT_EQ(record.Find("APP_X_ID")->field, AdifField::Other);
    };
    OnEach<decltype(check)> handler(check);
    std::vector<std::string> warnings;
    ReadAdif(source, handler, warnings);
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

TEST(AdifReader, MalformedInputIsPlacedByLineAndByteOffset) {
    EXPECT_EQ(ErrorOf("<EOH>\n<CALL:9>K1AB"),
              "log.adi: line 2, byte offset 6: field CALL: length 9 runs past the end of the "
              "file (4 bytes left)");
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"<CALL:x4>K1AB<EOR>", "line 1, byte offset 0: field CALL: length 'x4' is not a number"},
        {"<CALL:>K1AB<EOR>", "length '' is not a number"},
        {"<CALL:-4>K1AB<EOR>", "length '-4' is not a number"},
        {"<EOH>\n\n<CALL:99999999999999999999999>K1AB", "line 3, byte offset 7: field CALL: length "
                                                        "99999999999999999999999 is too large"},
        {"<CALL:4>K1AB<BAND:3", "byte offset 12: field BAND: tag not closed by '>' before the end"},
        {"<CALL:4>K1AB<BAND", "byte offset 12: tag not closed by '>' before the end"},
        {"<CALL:4<EOR>", "tag not closed by '>' (unexpected '<' at byte offset 7)"},
        {"<CALL\n:4>K1AB", "tag not closed by '>' (unexpected end of line at byte offset 5)"},
        {"<CALL:4:S\x01>K1AB", "unexpected byte \\x01 at byte offset 9"},
        {"<CALL:4>K1AB<FOO><EOR>", "byte offset 12: unknown tag <FOO>"},
        {"<:4>K1AB<EOR>", "tag without a name"},
        {"Log\n<CALL:4>K1AB", "line 2, byte offset 16: the header is not ended by <EOH>"},
        {"Log<EOH><CALL:4>K1AB<EOR><EOH>", "byte offset 25: <EOH> after the header has ended"},
    };
    for (const Case& c : cases) {
        std::string message = ErrorOf(c.text);
        EXPECT_NE(message.find(c.message), std::string::npos) << c.text << " gave " << message;
        EXPECT_EQ(message.rfind("log.adi: line ", 0), 0u) << message;
    }
}

TEST(AdifReader, LastRecordWithoutEorIsLeftOutWithAWarning) {
    std::vector<std::string> warnings;
    Collected log = Read("<EOH>\n<CALL:4>K1AB<EOR>\n<CALL:4>K2CD\n", &warnings);
    EXPECT_EQ(log.records.size(), 1u);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              "log.adi: line 3, byte offset 24: the last record is not ended by <EOR>; it is "
              "left out");

    // Empty records and trailing text are no records and no warning.
    warnings.clear();
    EXPECT_EQ(Read("<EOH><EOR><EOR>\n trailing text\n", &warnings).records.size(), 0u);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(Read("", &warnings).records.size(), 0u);
}

TEST(AdifReader, DamagedFilesFailCleanly) {
    // Bytes changed, cut or inserted at random must give QSOs or an InputError, nothing else.
    const std::string good =
        "Log\n<EOH>\n<CALL:5>UA3AB <QSO_DATE:8:D>20250920 <TIME_ON:4>1200 <EOR>\n"
        "<CALL:4>K1AB<FREQ:6>14.070<EOR>\n";
    std::mt19937 random(7);
    const char alphabet[] = "<>:0123456789EORHCAL\n\0\xff";
    int failures = 0;
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
            Qso qso;
            explicit Mapper(const SourceFile& s) : source(s) {}
            void OnRecord(const AdifRecord& record) override { MapQso(source, record, qso); }
        } mapper(source);
        std::vector<std::string> warnings;
        try {
            ReadAdif(source, mapper, warnings);
        } catch (const InputError& error) {
            ++failures;
            ASSERT_EQ(std::string(error.what()).rfind("log.adi: line ", 0), 0u) << error.what();
        }
    }
    EXPECT_GT(failures, 0);
}
