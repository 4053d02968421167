// The refusal lines of err.txt, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "plugin/error_log.h"

using namespace tavik;

TEST(ErrorLogLine, CabrilloOrderWithTwoBlankSeparators) {
    CInfo qso;
    qso.frequencyKhz = 14070;
    qso.mode = "BPSK31";
    qso.rstSent = "599";
    qso.exchangeSent = "0100";
    qso.call = "UA9XX";
    qso.rstReceived = "579";
    qso.exchangeReceived = "1001";
    EXPECT_EQ(ErrorLog::RefusalLine(qso, "DL1ABC", "2013-09-14 1205", kReasonMode),
              "QSO:  14070  BPSK31  2013-09-14 1205  DL1ABC  599  0100  UA9XX  579  1001"
              "   NO QPSK63 MODE !!!\r\n");
    CInfo empty;
    EXPECT_EQ(ErrorLog::RefusalLine(empty, "", "", kReasonControlNumber),
              // eight empty pieces, two blanks before each, then the reason
              "QSO:  0" + std::string(16, ' ') + "   Not full control number recieved !!!\r\n");
}

TEST(ErrorLogLine, LineBreaksInHostTextsBecomeBlanks) {
    CInfo qso;
    qso.call = "UA9XX\r\nQSO:  forged";
    qso.mode = "X\n";
    EXPECT_EQ(ErrorLog::RefusalLine(qso, "DL\r1ABC", "t", kReasonMode),
              "QSO:  0  X   t  DL 1ABC      UA9XX  QSO:  forged    "
              "   NO QPSK63 MODE !!!\r\n");
}
