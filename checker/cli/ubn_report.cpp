#include "checker/cli/ubn_report.h"

#include "host/input/qso_mapping.h"

namespace tavik::check {

namespace {

constexpr std::size_t kLongestLine = 200;  // an ADIF line may hold a whole log

std::string LineText(const EntrantFile& file, std::size_t qso) {
    std::string_view line = LineAround(file.source.text, file.offsets[qso]);
    if (line.size() <= kLongestLine) return std::string(line);
    return std::string(line.substr(0, kLongestLine)) + "...";
}

std::string ScoreText(const PluginScore& score) {
    if (!score.known) return "none (the plugin gave no score)";
    return std::to_string(score.score) + " (" + std::to_string(score.points) + " points x " +
           std::to_string(score.multipliers) + " multipliers)";
}

std::string Summary(const UbnContext& context, std::size_t log) {
    const CheckedSet& checked = context.checked;
    const EntrantFile& file = checked.set.files[checked.set.fileOfLog[log]];
    const LogResult& result = checked.results[log];
    const LogOutcome& outcome = checked.outcome.logs[log];
    std::string text = "Log of " + file.call + " (" + file.name + ")\n";
    text += "Claimed score: " + ScoreText(result.claimed) + "\n";
    text += "Checked score: " + ScoreText(result.checked) + "\n";
    text += "Clock offset: ";
    if (outcome.offsetKnown) {
        if (outcome.offsetMinutes > 0) text += '+';
        text.append(std::to_string(outcome.offsetMinutes)).append(" minutes (from ");
        text.append(std::to_string(outcome.matches)).append(" matches)\n");
    }
    else {
        text.append("not known (").append(std::to_string(outcome.matches)).append(" matches)\n");
    }
    text += "QSO lines: " + std::to_string(checked.set.logs[log].qsos.size()) + " (";
    for (std::size_t v = 0; v < kVerdictCount; ++v)
        text += (v ? ", " : "") + std::to_string(result.counts[v]) + " " +
                VerdictName(static_cast<Verdict>(v));
    text += ")\n";
    return text;
}

// The partner's QSO as the partner logged it.
std::string PartnerLine(const CheckedSet& checked, const Evidence& evidence) {
    const EntrantFile& file = checked.set.files[checked.set.fileOfLog[evidence.log]];
    return "  " + file.call + " logged it in " + file.name + " line " +
           std::to_string(checked.set.logs[evidence.log].qsos[evidence.qso].line) + ": " +
           LineText(file, evidence.qso) + "\n";
}

// The QSO of the same call and band that counted before this one.
std::string DupeOf(const CheckedSet& checked, std::size_t log, std::size_t qso) {
    const std::vector<LoggedQso>& qsos = checked.set.logs[log].qsos;
    for (std::size_t i = 0; i < qso; ++i)
        if (qsos[i].alone == Verdict::kOk && qsos[i].call == qsos[qso].call &&
            qsos[i].band == qsos[qso].band)
            return qsos[qso].call + " was worked on " + qsos[qso].band + " in line " +
                   std::to_string(qsos[i].line);
    return {};
}

std::string Why(const UbnContext& context, std::size_t log, std::size_t qso, Verdict verdict,
                const std::string& detail) {
    const CheckedSet& checked = context.checked;
    const std::string& call = checked.set.logs[log].qsos[qso].call;
    switch (verdict) {
    case Verdict::kDupe: return DupeOf(checked, log, qso);
    case Verdict::kOutOfPeriod:
        return "outside the contest period " + host::FormatAutomationDate(context.period.start) +
               " to " + host::FormatAutomationDate(context.period.end) + " UTC";
    case Verdict::kRefused: return detail;
    case Verdict::kBustedCall: return "the call is " + detail;
    case Verdict::kBustedExchange: return "the number sent was " + detail;
    default: break;
    }
    const auto partner = context.logOfCall.find(call);
    if (partner == context.logOfCall.end()) return "no log holds such a QSO";
    const EntrantFile& file = checked.set.files[checked.set.fileOfLog[partner->second]];
    return "the log of " + call + " (" + file.name + ") holds no such QSO";
}

}  // namespace

std::string UbnFileName(const std::string& call) {
    std::string name = call;
    for (char& c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-';
        if (!plain) c = '_';
    }
    return name + ".txt";
}

std::string UbnReport(const UbnContext& context, std::size_t log) {
    const CheckedSet& checked = context.checked;
    const EntrantFile& file = checked.set.files[checked.set.fileOfLog[log]];
    std::string text = Summary(context, log);
    bool any = false;
    for (std::size_t q = 0; q < checked.set.logs[log].qsos.size(); ++q) {
        const std::string* detail = nullptr;
        const Verdict verdict = VerdictOf(checked, log, q, &detail);
        if (Counts(verdict)) continue;
        text += any ? "\n" : "\nRemoved QSOs:\n\n";
        any = true;
        text += "Line " + std::to_string(checked.set.logs[log].qsos[q].line) + ": " +
                LineText(file, q) + "\n  " + VerdictName(verdict);
        const std::string why = Why(context, log, q, verdict, *detail);
        text += why.empty() ? "\n" : ": " + why + "\n";
        const Evidence& evidence = checked.outcome.logs[log].qsos[q].evidence;
        if (evidence.log != Evidence::kNone && evidence.qso != Evidence::kNone &&
            evidence.log < checked.set.logs.size())
            text += PartnerLine(checked, evidence);
    }
    if (!any) text += "\nNo QSO removed.\n";
    return text;
}

}  // namespace tavik::check
