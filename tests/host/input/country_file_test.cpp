#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "host/input/country_file.h"

using namespace tavik::host;

namespace {

const char kSmallCountryFile[] =
    "European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  UA:\n"
    "    R,U,=R9AV/6,=UA9XX/P,=RA9ZZ,=DL0DUP;\n"
    "Asiatic Russia:           17:  30:  AS:   55.88:   -84.08:    -7.0:  UA9:\n"
    "    R0(19)[33],R8,R9,RA9,\n"
    "    UA9,UA0{AS}<55.0/-84.0>~-7.0~;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\r\n"
    "    DA,DB,DL,=DL0DUP;\r\n"
    "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n"
    "    IT9;\n"
    "Italy:                    15:  28:  EU:   42.82:   -12.58:    -1.0:  I:\n"
    "    I,=IT9ZZZ;\n";

CountryFile Small() { return CountryFile::Parse(SourceFile{"small.dat", kSmallCountryFile}); }

std::string ParseError(const std::string& text) {
    try {
        CountryFile::Parse(SourceFile{"cty.dat", text});
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

}  // namespace

TEST(CountryFile, ExactCallsThenLongestPrefix) {
    CountryFile countries = Small();
    EXPECT_EQ(countries.EntityCount(), 5u);
    EXPECT_EQ(countries.Lookup("UA3ABC"), "UA");
    EXPECT_EQ(countries.Lookup(" ua9abc "), "UA9");  // longest prefix, any letter case
    EXPECT_EQ(countries.Lookup("RA9XYZ"), "UA9");
    EXPECT_EQ(countries.Lookup("R0AA"), "UA9");      // zone overrides stripped
    EXPECT_EQ(countries.Lookup("UA0AA"), "UA9");     // several overrides on one alias
    EXPECT_EQ(countries.Lookup("R9AV/6"), "UA");     // exact call beats its prefix R9
    EXPECT_EQ(countries.Lookup("RA9ZZ"), "UA");
    EXPECT_EQ(countries.Lookup("IT9ABC"), "IT9");    // '*' of the primary prefix stripped
    EXPECT_EQ(countries.Lookup("IT9ZZZ"), "I");
    EXPECT_EQ(countries.Lookup("DL0DUP"), "UA");     // the first entity listing a call keeps it
    EXPECT_EQ(countries.Lookup("DB1XY"), "DL");
}

TEST(CountryFile, PortableCalls) {
    CountryFile countries = Small();
    EXPECT_EQ(countries.Lookup("DL1ABC/P"), "DL");
    EXPECT_EQ(countries.Lookup("DL1ABC/QRP"), "DL");
    EXPECT_EQ(countries.Lookup("DL1ABC/P/QRP"), "DL");
    EXPECT_EQ(countries.Lookup("DL1ABC/MM"), "DL");
    EXPECT_EQ(countries.Lookup("UA9ABC/3"), "UA9");  // a call area keeps the base entity
    EXPECT_EQ(countries.Lookup("DL/UA9XY"), "DL");
    EXPECT_EQ(countries.Lookup("UA9XY/DL"), "DL");
    EXPECT_EQ(countries.Lookup("UA9XY/DL/P"), "DL");
    EXPECT_EQ(countries.Lookup("UA9XX/P"), "UA");    // listed whole, before any stripping
    EXPECT_EQ(countries.Lookup("UA9XX/M"), "UA9");
    EXPECT_EQ(countries.Lookup("RA9ZZ/P"), "UA");    // the stripped call is listed
    EXPECT_EQ(countries.Lookup("IT9/DL1ABC"), "IT9");
}

TEST(CountryFile, UnknownCallsHaveNoPrefix) {
    CountryFile countries = Small();
    for (const char* call : {"K1ABC", "", "/", "//P", "3", "XX/K1ABC"})
        EXPECT_EQ(countries.Lookup(call), "") << call;
}

TEST(CountryFile, CachedLookupAgreesWithLookup) {
    CountryFile countries = Small();
    const char* calls[] = {"UA3ABC", "RA9XYZ", "K1ABC", "DL1ABC/P", "R9AV/6",
                           "UA9ABCDEFGHIJKLMNOPQRSTUVWXYZ", "UA3ABC", "K1ABC"};
    for (int round = 0; round < 2; ++round)
        for (const char* call : calls)
            EXPECT_EQ(countries.CachedLookup(call), countries.Lookup(call)) << call;
    // Enough different calls to make the cache grow a few times.
    for (int i = 0; i < 5000; ++i) {
        std::string call = (i % 2 ? "UA9" : "DL") + std::to_string(i);
        ASSERT_EQ(countries.CachedLookup(call), i % 2 ? "UA9" : "DL") << call;
    }
    EXPECT_EQ(countries.CachedLookup("DL4998"), "DL");
}

TEST(CountryFile, MalformedFilesArePlaced) {
    const std::string header =
        "Germany:                  14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n";
    EXPECT_EQ(ParseError(header + "    DA,DL\n"),
              "cty.dat: line 1, byte offset 0: prefix list of 'Germany' is not ended by ';'");
    EXPECT_EQ(ParseError(header + "    DL;\nItaly: 15: 28: EU:\n    I;\n"),
              "cty.dat: line 3, byte offset 99: entity line ends before its latitude (8 fields, "
              "each ended by ':')");
    EXPECT_EQ(ParseError("Germany: 14: x: EU: 51.0: -10.0: -1.0: DL:\n DL;"),
              "cty.dat: line 1, byte offset 0: entity 'Germany': ITU zone 'x' is not a number");
    EXPECT_EQ(ParseError("Germany: 14: 28: EU: 51.0: -10.0: -1.0: *:\n DL;"),
              "cty.dat: line 1, byte offset 0: entity 'Germany' has no primary prefix");
    EXPECT_EQ(ParseError(header + "    DL(14;\n"),
              "cty.dat: line 2, byte offset 79: override not closed by ')'");
    EXPECT_EQ(ParseError(header + "    DL,=;\n"),
              "cty.dat: line 2, byte offset 80: empty prefix or call");
    EXPECT_EQ(ParseError(" \n\n"), "cty.dat: line 1, byte offset 0: no entities in the country file");
    EXPECT_NE(ParseError("<EOH><CALL:4>K1AB<EOR>").find("entity line ends before"),
              std::string::npos);
}

TEST(CountryFile, RealCountryFile) {
    const char* path = "/usr/share/hamradio-files/cty.dat";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not installed";
    CountryFile countries = CountryFile::Parse(ReadSourceFile(path, path));
    EXPECT_GT(countries.EntityCount(), 300u);
    const std::pair<const char*, const char*> expected[] = {
        {"UA3ABC", "UA"}, {"RA9AA", "UA9"},  {"UA0ZZ", "UA9"},    {"RA2FA", "UA2"},
        {"UR5ZZ", "UR"},  {"EW1AA", "EU"},   {"4L1AA", "4L"},     {"UN7AA", "UN"},
        {"ER1AA", "ER"},  {"EX8AA", "EX"},   {"EK6AA", "EK"},     {"4K9W", "4J"},
        {"DL1ABC", "DL"}, {"DL1ABC/P", "DL"}, {"DL/UA9XY", "DL"}, {"UA9XY/DL", "DL"},
        {"K1ABC", "K"},   {"4U1VIC", "4U1V"}, {"IT9ABC", "IT9"},  {"QQ1AA", ""},
    };
    for (const auto& [call, prefix] : expected) EXPECT_EQ(countries.Lookup(call), prefix) << call;
}

TEST(CountryFile, LookupTimeGrowsWithTheCallOnly) {
    // A 200,000-character prefix, and calls as long: each lookup is one walk along the call.
    const std::string longPrefix(200000, 'Q');
    CountryFile countries = CountryFile::Parse(SourceFile{
        "long.dat", std::string(kSmallCountryFile) +
                        "Nowhere: 1: 1: EU: 0.0: 0.0: 0.0: QQ:\n    " + longPrefix + ";\n"});
    std::string portable;
    for (int i = 0; i < 50000; ++i) portable += "1/";
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 20; ++round) {
        EXPECT_EQ(countries.Lookup(longPrefix + "X"), "QQ");
        EXPECT_EQ(countries.Lookup(longPrefix.substr(1)), "");
        EXPECT_EQ(countries.Lookup(portable + "UA3AB"), "UA");
        EXPECT_EQ(countries.Lookup(portable), "");
    }
    // Walks along the call take milliseconds even under the sanitizers; a lookup that
    // tried every prefix length would take minutes here.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}
