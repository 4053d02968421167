#include "host/input/log_reader.h"

#include <algorithm>
#include <future>
#include <vector>

#include "host/input/adif_reader.h"
#include "host/input/ascii_text.h"

namespace tavik::host {

namespace {

// Maps each record and keeps what names the own station.
class AdifQsos : public AdifHandler {
public:
    AdifQsos(const SourceFile& source, QsoHandler& handler, Diagnostics& diagnostics)
        : source_(source), handler_(handler), diagnostics_(diagnostics) {}

    void OnHeader(const AdifRecord& header) override {
        calls_.headerStation = UpperAscii(TrimBlanks(header.Data(AdifField::StationCallsign)));
        calls_.headerOperator = UpperAscii(TrimBlanks(header.Data(AdifField::Operator)));
    }

    void OnRecord(const AdifRecord& record) override {
        // The own call may stand in a record that is skipped, or only in a later one.
        if (calls_.firstStation.empty())
            calls_.firstStation = UpperAscii(TrimBlanks(record.Data(AdifField::StationCallsign)));
        if (calls_.firstOperator.empty())
            calls_.firstOperator = UpperAscii(TrimBlanks(record.Data(AdifField::Operator)));
        if (!MapQso(source_, record, qso_, diagnostics_)) return;
        handler_.OnQso(qso_, record.Offset(), record.Number(), diagnostics_);
    }

    void Follow(const AdifQsos& later) { calls_.Follow(later.calls_); }
    const OwnCallSources& Calls() const { return calls_; }

private:
    const SourceFile& source_;
    QsoHandler& handler_;
    Diagnostics& diagnostics_;
    Qso qso_;
    OwnCallSources calls_;
};

// The text from its first byte that is no byte order mark or blank.
std::string_view Content(std::string_view text) {
    std::size_t at = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") at = 3;
    while (at < text.size() && IsBlank(text[at])) ++at;
    return text.substr(at);
}

// Logs in forms read by other programs only: said at once, instead of a warning per tag.
void RefuseOtherFormats(const SourceFile& source) {
    const std::string_view mark = source.text.substr(0, 2);
    if (mark == "\xFF\xFE" || mark == "\xFE\xFF")
        throw InputError(source.name +
                         ": is UTF-16 text, which tavik-host does not read; save or export the "
                         "log as UTF-8 or ASCII");
    const std::string_view text = Content(source.text);
    if (MatchesUpper(text.substr(0, 5), "<?XML") || MatchesUpper(text.substr(0, 5), "<ADX>"))
        throw InputError(source.name +
                         ": is ADIF in XML (ADX), which tavik-host does not read; export the log "
                         "as ADI (.adi, .adif) or Cabrillo");
}

LogSummary AdifSummary(const SourceFile& source, const AdifReadSummary& read,
                       const AdifQsos& qsos) {
    if (read.tags == 0 && !TrimBlanks(source.text).empty())
        throw InputError(source.name +
                         ": holds no ADIF (no <NAME:LENGTH> field, no <EOR>) and is no Cabrillo "
                         "log (no START-OF-LOG: line)");
    LogSummary summary;
    summary.records = read.records;
    summary.callSources = qsos.Calls();
    summary.ownCall = summary.callSources.Pick();
    return summary;
}

// Just past the first <EOR> after the middle of text; 0 when there is none.
std::size_t MiddleRecordEnd(std::string_view text) {
    for (std::size_t at = text.find('<', text.size() / 2); at != std::string_view::npos;
         at = text.find('<', at + 1))
        if (MatchesUpper(text.substr(at + 1, 4), "EOR>")) return at + 5;
    return 0;
}

}  // namespace

std::string OwnCallSources::Pick() const {
    for (const std::string* call : {&headerStation, &firstStation, &headerOperator, &firstOperator})
        if (!call->empty()) return *call;
    return {};
}

void OwnCallSources::Follow(const OwnCallSources& later) {
    if (firstStation.empty()) firstStation = later.firstStation;
    if (firstOperator.empty()) firstOperator = later.firstOperator;
}

bool IsCabrilloLog(std::string_view text) {
    return MatchesUpper(Content(text).substr(0, 13), "START-OF-LOG:");
}

LogSummary ReadLog(const SourceFile& source, QsoHandler& handler, Diagnostics& diagnostics,
                   const AdifResumePoint* from, AdifResumePoint* end) {
    if (end) *end = AdifResumePoint();
    RefuseOtherFormats(source);
    if (IsCabrilloLog(source.text)) return ReadCabrilloLog(source, handler, diagnostics);
    AdifQsos qsos(source, handler, diagnostics);
    return AdifSummary(source, ReadAdif(source, qsos, diagnostics, from, end), qsos);
}

LogSummary ReadLogInHalves(const SourceFile& source, QsoHandler& first, QsoHandler& second,
                           Diagnostics& diagnostics, bool& halved, std::size_t smallest,
                           std::size_t keptMost) {
    halved = false;
    RefuseOtherFormats(source);
    const std::size_t middle = source.text.size() < smallest || diagnostics.Strict() ||
                                       IsCabrilloLog(source.text)
                                   ? 0
                                   : MiddleRecordEnd(source.text);
    if (middle == 0) return ReadLog(source, first, diagnostics);

    // The second half is read as if a reading had stopped just past that <EOR>; it
    // holds when the first half's reading does stop there (the <EOR> was no data).
    std::vector<Diagnostics::Kept> kept;
    Diagnostics keeping = Diagnostics::Keeping(kept, keptMost);
    AdifQsos laterQsos(source, second, keeping);
    AdifPart later;
    std::future<AdifReadSummary> secondHalf = std::async(std::launch::async, [&] {
        AdifResumePoint from;
        from.valid = true;
        from.offset = middle;
        return ReadAdifPart(source, laterQsos, keeping, &from, later);
    });
    AdifQsos qsos(source, first, diagnostics);
    AdifPart earlier;
    earlier.stopAt = middle;
    AdifReadSummary read = ReadAdifPart(source, qsos, diagnostics, nullptr, earlier);
    const AdifReadSummary laterRead = secondHalf.get();
    if (!earlier.stopped) return AdifSummary(source, read, qsos);
    if (keeping.Overflowed()) {
        // Too much to keep: the first half's reading goes on through the second.
        AdifResumePoint from;
        from.valid = true;
        from.offset = middle;
        from.summary = read;
        for (const auto& [name, place] : earlier.markers) from.warnedMarkers.insert(name);
        AdifPart rest;
        return AdifSummary(source, ReadAdifPart(source, qsos, diagnostics, &from, rest), qsos);
    }

    // Markers are told once per name: not again when the first half told them.
    std::vector<std::size_t> told;
    for (const auto& [name, place] : later.markers)
        if (earlier.markers.count(name)) told.push_back(place);
    std::sort(told.begin(), told.end());
    diagnostics.Tell(source, kept, read.records, told);
    qsos.Follow(laterQsos);
    read.records += laterRead.records;
    read.tags += laterRead.tags;
    halved = true;
    return AdifSummary(source, read, qsos);
}

}  // namespace tavik::host
