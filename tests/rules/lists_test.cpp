#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/numbered.h"
#include "rules/qso_list.h"

using namespace tavik;

namespace {

CInfo Qso(const std::string& call, const std::string& band) {
    CInfo qso;
    qso.call = call;
    qso.band = band;
    return qso;
}

std::vector<std::string> Calls(const QsoList& list) {
    std::vector<std::string> calls;
    list.ForEach([&](const CInfo& qso) { calls.push_back(qso.call + "@" + qso.band); });
    return calls;
}

}  // namespace

TEST(QsoList, OnePerCallAndBandInOrderOfAcceptance) {
    QsoList list;
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("UA9AA", "20M")));
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("UA9AA", "40M")));
    EXPECT_FALSE(list.AppendUnlessDuplicate(Qso("UA9AA", "20M")));
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("UA9AA", "20m")));
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("ua9aa", "20M")));
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("", "20M")));
    EXPECT_FALSE(list.AppendUnlessDuplicate(Qso("", "20M")));
    // The key must not confuse where the call ends and the band begins.
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("UA9AA2", "0M")));
    EXPECT_EQ(Calls(list), (std::vector<std::string>{"UA9AA@20M", "UA9AA@40M", "UA9AA@20m",
                                                     "ua9aa@20M", "@20M", "UA9AA2@0M"}));
    EXPECT_EQ(list.Count(), 6u);
}

TEST(QsoList, RemoveTakesExactlyOneAndKeepsTheOrder) {
    QsoList list;
    for (const char* call : {"A", "B", "C", "D"}) list.AppendUnlessDuplicate(Qso(call, "20M"));
    EXPECT_FALSE(list.Remove("B", "40M"));
    EXPECT_FALSE(list.Remove("b", "20M"));
    EXPECT_TRUE(list.Remove("B", "20M"));
    EXPECT_FALSE(list.Remove("B", "20M"));
    EXPECT_EQ(Calls(list), (std::vector<std::string>{"A@20M", "C@20M", "D@20M"}));
    // A removed QSO may be logged again and then goes to the end.
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("B", "20M")));
    EXPECT_EQ(Calls(list), (std::vector<std::string>{"A@20M", "C@20M", "D@20M", "B@20M"}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(Calls(list).empty());
    EXPECT_TRUE(list.AppendUnlessDuplicate(Qso("A", "20M")));
}

TEST(QsoList, ManyRemovalsMatchAPlainVector) {
    QsoList list;
    std::vector<std::string> expected;
    for (int i = 0; i < 20000; ++i) {
        const std::string call = Numbered("C", i);
        list.AppendUnlessDuplicate(Qso(call, "20M"));
        expected.push_back(call + "@20M");
    }
    // Remove most of them in a scattered order, so holes are squeezed out several
    // times, and keep adding in between.
    for (int i = 0; i < 20000; i += 1) {
        if (i % 7 == 3) continue;
        const int victim = (i * 7919) % 20000;
        const std::string call = Numbered("C", victim);
        const bool wasThere =
            std::find(expected.begin(), expected.end(), call + "@20M") != expected.end();
        EXPECT_EQ(list.Remove(call, "20M"), wasThere);
        expected.erase(std::remove(expected.begin(), expected.end(), call + "@20M"),
                       expected.end());
        if (i % 1000 == 0) {
            list.AppendUnlessDuplicate(Qso(Numbered("N", i), "40M"));
            expected.push_back(Numbered("N", i) + "@40M");
        }
    }
    EXPECT_EQ(list.Count(), expected.size());
    EXPECT_EQ(Calls(list), expected);
    // The index still finds what is left after the squeezing.
    for (const std::string& entry : expected) {
        const auto at = entry.find('@');
        EXPECT_FALSE(list.AppendUnlessDuplicate(Qso(entry.substr(0, at), entry.substr(at + 1))));
    }
}

TEST(BandList, DistinctTextsInOrderOfFirstAppearance) {
    BandList bands;
    for (const char* band : {"40M", "20M", "40M", "20m", "", "20M", ""}) bands.Add(band);
    EXPECT_EQ(bands.Bands(), (std::vector<std::string>{"40M", "20M", "20m", ""}));
    bands.Clear();
    bands.Add("80M");
    EXPECT_EQ(bands.Bands(), (std::vector<std::string>{"80M"}));
}
