#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cabrillo/cabrillo_dialog.h"
#include "cabrillo/dialog_layout.h"
#include "cabrillo/header_fields.h"
#include "cabrillo/header_settings.h"
#include "base/replace_all.h"
#include "support/scratch_folder.h"
#include "support/settings_file.h"

using namespace tavik;

TEST(ReplaceAll, LeftToRightNeverLookingIntoAReplacement) {
    EXPECT_EQ(ReplaceAll("a/b/c", "/", "_"), "a_b_c");
    EXPECT_EQ(ReplaceAll("<CR><CR>x<CR>", "<CR>", "\r\nSOAPBOX: "),
              "\r\nSOAPBOX: \r\nSOAPBOX: x\r\nSOAPBOX: ");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
    EXPECT_EQ(ReplaceAll("abc", "x", "y"), "abc");
    EXPECT_EQ(ReplaceAll("abc", "b", "b"), "abc");
    EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(ReplaceAll("a<LF>b<LF>", "<LF>", ""), "ab");
}

TEST(BaseName, SafeFileNameStemFromTheCall) {
    EXPECT_EQ(BaseNameForCall("DL1ABC"), "DL1ABC");
    EXPECT_EQ(BaseNameForCall("UA9XX/P"), "UA9XX_P");
    EXPECT_EQ(BaseNameForCall("DL/UA9XX\\M"), "DL_UA9XX_M");
    EXPECT_EQ(BaseNameForCall("  DL1ABC \t\r\n"), "DL1ABC");
    EXPECT_EQ(BaseNameForCall(""), "Tavik");
    EXPECT_EQ(BaseNameForCall(" \t "), "Tavik");
    EXPECT_EQ(BaseNameForCall("A<B>C:D\"E|F?G*H"), "A_B_C_D_E_F_G_H");
    EXPECT_EQ(BaseNameForCall("A\x01" "B"), "A_B");
    EXPECT_EQ(BaseNameForCall("A B"), "A B");
}

TEST(MultiLineForms, StoredDisplayAndCabrillo) {
    EXPECT_EQ(StoredFormOf("A\r\nB"), "A<CR><LF>B");
    EXPECT_EQ(StoredFormOf("A\nB"), "A<LF>B");
    EXPECT_EQ(DisplayFormOf("A<CR><LF>B"), "A\r\nB");
    EXPECT_EQ(CabrilloFormOf("A<CR><LF>B", "SOAPBOX: "), "A\r\nSOAPBOX: B");
    // A lone line feed vanishes: both sides end up on one line.
    EXPECT_EQ(CabrilloFormOf(StoredFormOf("A\nB"), "SOAPBOX: "), "AB");
}

namespace {

// Stands in for the dialog: keeps the start values and answers as told.
struct DialogDouble {
    int result = kDialogOk;
    DialogTexts shown;
    DialogTexts changes;
    int runs = 0;
};

}  // namespace

class EditHeaderTest : public PluginFolderTest {
protected:
    void SetUp() override {
        PluginFolderTest::SetUp();
        Cabrillo::ReplaceRunnerForTests([this](DialogTexts& texts) {
            ++dialog.runs;
            dialog.shown = texts;
            if (dialog.result == kDialogOk)
                for (const auto& [id, text] : dialog.changes) texts[id] = text;
            return dialog.result;
        });
    }
    void TearDown() override {
        Cabrillo::ReplaceRunnerForTests(nullptr);
        ScratchFolderTest::TearDown();
    }
    DialogDouble dialog;
    HeaderSettings header;
};

TEST_F(EditHeaderTest, DefaultsWithoutSettingsFileAndCancelWritesNothing) {
    dialog.result = kDialogCancel;
    EXPECT_EQ(header.EditHeaderSettings("UA9XX/P"), 0);
    EXPECT_EQ(dialog.runs, 1);
    const DialogTexts expected{
        {kIdCallSign, "UA9XX/P"}, {kIdOperators, "UA9XX/P"}, {kIdCategoryTime, ""},
        {kIdCategoryOperator, "SINGLE-OP"}, {kIdName, ""}, {kIdCategoryPower, "HIGH"},
        {kIdCategoryBand, "ALL"}, {kIdAddress, ""}, {kIdAddressCity, ""},
        {kIdAddressPostalCode, ""}, {kIdAddressCountry, ""}, {kIdClaimed, ""},
        {kIdContest, "CIS-QPSK63-DX"}, {kIdEmail, ""}, {kIdClub, ""}, {kIdSoapBox, ""},
        {kIdOffTime, ""}};
    EXPECT_EQ(dialog.shown, expected);  // no start value for the two lists 1022 and 1031
    EXPECT_EQ(header.baseName, "UA9XX_P");
    EXPECT_EQ(header.callSign, "UA9XX/P");
    EXPECT_FALSE(std::filesystem::exists(kSettingsFile));
}

TEST_F(EditHeaderTest, StoredValuesShownFixedOnesIgnoredValuesReadWhole) {
    const std::string longName(60, 'N');
    WriteFile(kSettingsFile,
              "[Settings]\r\nCategory=MULTI-OP\r\nPower=LOW\r\nContest=OTHER\r\nOperators=\r\n"
              "Name=" + longName + "\r\nClaimed=1234\r\nSoapBox=A<CR><LF>B\r\n"
              "Offtime=2025-09-20 1200 2025-09-20 1300\r\nClub=Radio club\r\n");
    dialog.result = kDialogCancel;
    header.EditHeaderSettings("DL1ABC");
    EXPECT_EQ(dialog.shown[kIdCategoryOperator], "SINGLE-OP");
    EXPECT_EQ(dialog.shown[kIdCategoryPower], "HIGH");
    EXPECT_EQ(dialog.shown[kIdContest], "CIS-QPSK63-DX");
    EXPECT_EQ(dialog.shown[kIdOperators], "");  // present though empty: not the default
    EXPECT_EQ(dialog.shown[kIdName], longName);
    EXPECT_EQ(dialog.shown[kIdClaimed], "1234");
    EXPECT_EQ(dialog.shown[kIdSoapBox], "A\r\nB");
    EXPECT_EQ(dialog.shown[kIdClub], "Radio club");
    // Not confirmed: the two multi-line fields still reach the log tagged line by line.
    EXPECT_EQ(header.soapBox, "A\r\nSOAPBOX: B");
    EXPECT_EQ(header.offTime, "2025-09-20 1200 2025-09-20 1300");
}

TEST_F(EditHeaderTest, OkStoresTheFieldsInOrderAndKeepsTheCabrilloForms) {
    header.categoryTransmitter = "kept from before";
    header.qsoLines.push_back("old line\r\n");
    dialog.changes = {{kIdName, "Anna Example"},     {kIdAddress, " Main Street 1 "},
                      {kIdAddressCity, "Berlin"},    {kIdCategoryOperator, "MULTI-OP"},
                      {kIdCategoryTransmitter, "ONE"}, {kIdCategoryOverlay, "JUNIOR"},
                      {kIdSoapBox, "Line one\r\nLine two"}, {kIdClaimed, "999"},
                      {kIdCallSign, "DL1ABC/P"}};
    EXPECT_EQ(header.EditHeaderSettings("DL1ABC"), 1);
    EXPECT_EQ(ReadFile(kSettingsFile),
              "[Settings]\r\nOperators=DL1ABC\r\nName=Anna Example\r\n"
              "Address=\" Main Street 1 \"\r\nAddress_City=Berlin\r\nAddress_PostalCode=\r\n"
              "Address_Country=\r\nCategory=MULTI-OP\r\nPower=HIGH\r\nContest=CIS-QPSK63-DX\r\n"
              "Email=\r\nClub=\r\nSoapBox=Line one<CR><LF>Line two\r\nOfftime=\r\n");
    EXPECT_EQ(header.soapBox, "Line one\r\nSOAPBOX: Line two");
    EXPECT_EQ(header.callSign, "DL1ABC/P");
    EXPECT_EQ(header.baseName, "DL1ABC");  // the file name keeps the call handed in
    EXPECT_EQ(header.categoryTransmitter, "ONE");
    EXPECT_EQ(header.categoryOverlay, "JUNIOR");
    EXPECT_EQ(header.claimed, "");  // CLAIMED is not taken back
    EXPECT_TRUE(header.qsoLines.empty());

    // The next run reads back exactly what was stored, blanks included.
    dialog.result = kDialogCancel;
    header.EditHeaderSettings("DL1ABC");
    EXPECT_EQ(dialog.shown[kIdAddress], " Main Street 1 ");
    EXPECT_EQ(dialog.shown[kIdSoapBox], "Line one\r\nLine two");
    EXPECT_EQ(dialog.shown[kIdCategoryOperator], "SINGLE-OP");
}

TEST_F(EditHeaderTest, DialogThatCannotBeCreatedCountsAsNotConfirmed) {
    dialog.result = kDialogNotCreated;
    EXPECT_EQ(header.EditHeaderSettings(nullptr), 0);
    EXPECT_EQ(header.baseName, "Tavik");
    EXPECT_FALSE(std::filesystem::exists(kSettingsFile));
}

TEST(HeaderFields, EveryDialogControlBelongsToExactlyOneField) {
    for (const DialogControl& control : kCabrilloControls) {
        const auto rows = std::count_if(kHeaderFields.begin(), kHeaderFields.end(),
                                        [&](const HeaderField& f) { return f.controlId == control.id; });
        EXPECT_EQ(rows, 1) << control.label;
    }
    // The settings keys are written in one order, each once.
    std::vector<int> orders;
    for (const HeaderField& field : kHeaderFields)
        if (field.writeOrder) orders.push_back(field.writeOrder);
    std::sort(orders.begin(), orders.end());
    for (std::size_t i = 0; i < orders.size(); ++i) EXPECT_EQ(orders[i], static_cast<int>(i) + 1);
    EXPECT_EQ(orders.size(), 13u);
}
