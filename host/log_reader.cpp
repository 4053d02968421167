#include "host/log_reader.h"

#include "host/adif_reader.h"
#include "host/ascii_text.h"

namespace tavik::host {

namespace {

// Maps each record and keeps what names the own station.
class AdifQsos : public AdifHandler {
public:
    AdifQsos(const SourceFile& source, QsoHandler& handler, Diagnostics& diagnostics)
        : source_(source), handler_(handler), diagnostics_(diagnostics) {}

    void OnHeader(const AdifRecord& header) override {
        headerStation_ = UpperAscii(TrimBlanks(header.Data(AdifField::StationCallsign)));
        headerOperator_ = UpperAscii(TrimBlanks(header.Data(AdifField::Operator)));
    }

    void OnRecord(const AdifRecord& record) override {
        // The own call may stand in a record that is skipped, or only in a later one.
        if (firstStation_.empty())
            firstStation_ = UpperAscii(TrimBlanks(record.Data(AdifField::StationCallsign)));
        if (firstOperator_.empty())
            firstOperator_ = UpperAscii(TrimBlanks(record.Data(AdifField::Operator)));
        if (!MapQso(source_, record, qso_, diagnostics_)) return;
        handler_.OnQso(qso_, record.Offset(), record.Number());
    }

    std::string OwnCall() const {
        for (const std::string* call : {&headerStation_, &firstStation_, &headerOperator_,
                                        &firstOperator_})
            if (!call->empty()) return *call;
        return {};
    }

private:
    const SourceFile& source_;
    QsoHandler& handler_;
    Diagnostics& diagnostics_;
    Qso qso_;
    std::string headerStation_, headerOperator_, firstStation_, firstOperator_;
};

}  // namespace

bool IsCabrilloLog(std::string_view text) {
    std::size_t at = 0;
    // A byte order mark and blank lines may come first.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") at = 3;
    while (at < text.size() && IsBlank(text[at])) ++at;
    return MatchesUpper(text.substr(at, 13), "START-OF-LOG:");
}

LogSummary ReadLog(const SourceFile& source, QsoHandler& handler, Diagnostics& diagnostics,
                   const AdifResumePoint* from, AdifResumePoint* end) {
    if (end) *end = AdifResumePoint();
    if (IsCabrilloLog(source.text)) return ReadCabrilloLog(source, handler, diagnostics);
    AdifQsos qsos(source, handler, diagnostics);
    AdifReadSummary read = ReadAdif(source, qsos, diagnostics, from, end);
    if (read.tags == 0 && !TrimBlanks(source.text).empty())
        throw InputError(source.name +
                         ": holds no ADIF (no <NAME:LENGTH> field, no <EOR>) and is no Cabrillo "
                         "log (no START-OF-LOG: line)");
    LogSummary summary;
    summary.records = read.records;
    summary.ownCall = qsos.OwnCall();
    return summary;
}

}  // namespace tavik::host
