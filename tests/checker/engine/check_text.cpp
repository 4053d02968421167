#include "check_text.h"

#include <sstream>
#include <stdexcept>

namespace tavik::check::testing {
namespace {

Verdict AloneVerdict(const std::string& name) {
    for (Verdict v : {Verdict::kDupe, Verdict::kOutOfPeriod, Verdict::kRefused})
        if (name == VerdictName(v)) return v;
    throw std::invalid_argument("no verdict alone: " + name);
}

LoggedQso ParseQso(const std::string& text, const std::string& sent, std::size_t line) {
    std::istringstream in(text);
    LoggedQso qso;
    qso.line = line;
    qso.sent = sent;
    if (!(in >> qso.call >> qso.band >> qso.minute)) throw std::invalid_argument(text);
    for (std::string word; in >> word;) {
        if (word[0] != '!') {
            qso.received = word;
            continue;
        }
        const std::size_t equals = word.find('=');
        qso.alone = AloneVerdict(word.substr(1, equals - 1));
        if (equals != std::string::npos) qso.aloneDetail = word.substr(equals + 1);
    }
    return qso;
}

}  // namespace

EntrantLog ParseLog(const std::string& text) {
    const std::size_t colon = text.find(':');
    std::string head = text.substr(0, colon);
    EntrantLog log;
    const std::size_t slash = head.find('/');
    log.call = head.substr(0, slash);
    const std::string sent = slash == std::string::npos ? "" : head.substr(slash + 1);
    std::istringstream qsos(colon == std::string::npos ? "" : text.substr(colon + 1));
    for (std::string qso; std::getline(qsos, qso, ',');)
        if (qso.find_first_not_of(' ') != std::string::npos)
            log.qsos.push_back(ParseQso(qso, sent, log.qsos.size() + 1));
    return log;
}

std::vector<EntrantLog> ParseLogs(const std::vector<std::string>& texts) {
    std::vector<EntrantLog> logs;
    for (const std::string& text : texts) logs.push_back(ParseLog(text));
    return logs;
}

std::string Render(const std::vector<EntrantLog>& logs, const CheckOutcome& outcome) {
    std::ostringstream out;
    for (std::size_t l = 0; l < logs.size(); ++l) {
        const LogOutcome& log = outcome.logs.at(l);
        out << (l ? " | " : "") << logs[l].call;
        if (log.offsetKnown) out << ' ' << (log.offsetMinutes >= 0 ? "+" : "") << log.offsetMinutes;
        out << ':';
        for (const QsoOutcome& qso : log.qsos) {
            out << ' ' << VerdictName(qso.verdict);
            if (!qso.detail.empty()) out << '(' << qso.detail << ')';
            if (qso.evidence.log != Evidence::kNone)
                out << '>' << qso.evidence.log << '.' << qso.evidence.qso;
        }
    }
    return out.str();
}

}  // namespace tavik::check::testing
