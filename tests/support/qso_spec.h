// The QSO the plugin tests start from, one the plugin accepts: DL1ABC works UA9XX
// on 20 m in QPSK63 on 2013-09-14 at 12:05. Each test changes what it is about.
#pragma once

#include "abi/plugin_client.h"

struct QsoSpec : tavik::abi::QsoRecord {
    QsoSpec() {
        ownCallLogged = "DL1ABC";
        call = "UA9XX";
        time = {41531.50347222222, kDateTimeValid};
        frequencyHz = 14070150;
        mode = "QPSK63";
        rstSent = "599";
        rstReceived = "579";
        exchangeSent = "0100";
        exchangeReceived = "1001";
        countryPrefix = "UA9";
        band = "20M";
    }
};
