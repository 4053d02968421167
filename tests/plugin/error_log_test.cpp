// The refusal lines of err.txt, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "plugin/error_log.h"
#include "plugin/scoring_run.h"
#include "support/qso_spec.h"

using namespace tavik;

TEST(ErrorLogLine, CabrilloOrderWithTwoBlankSeparators) {
    QsoSpec spec;
    spec.mode = "BPSK31";
    const CInfo qso = BuildRecord({spec.ownCallLogged, spec.call, &spec.time, spec.frequencyHz,
                                   spec.mode, spec.rstSent, spec.rstReceived, spec.exchangeSent,
                                   spec.exchangeReceived, spec.countryPrefix, spec.band});
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
