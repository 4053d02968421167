// An ADIF record as a QSO for the plugin: the fields it needs, the time, the
// frequency and band, the exchanges; each problem told with its place in the file.
#include <optional>
#include <string>
#include <string_view>

#include "host/input/qso_mapping.h"

namespace tavik::host {
namespace {

bool HoldsNul(std::string_view data) { return data.find('\0') != std::string_view::npos; }

class AdifQso {
public:
    AdifQso(const SourceFile& source, const AdifRecord& record, Qso& qso, Diagnostics& diagnostics)
        : source_(source), record_(record), qso_(qso), diagnostics_(diagnostics),
          number_(record.Number()) {}

    bool Map() { return Present() && Time() && Frequency() && Band() && Exchanges(); }

private:
    bool Skip(std::size_t offset, const std::string& why) {
        diagnostics_.Skip(source_, offset, number_, why);
        return false;
    }
    void Warn(std::size_t offset, const std::string& what) {
        diagnostics_.Warn(source_, offset, number_, what);
    }

    bool Present() {
        static constexpr struct {
            AdifField field;
            const char* name;
        } kRequired[] = {{AdifField::Call, "CALL"},
                         {AdifField::QsoDate, "QSO_DATE"},
                         {AdifField::TimeOn, "TIME_ON"}};
        for (const auto& required : kRequired)
            if (!record_.Get(required.field))
                return Skip(record_.Offset(), std::string("no ") + required.name);
        // The plugin takes NUL-terminated texts: a NUL would silently cut a value.
        static constexpr struct {
            AdifField field;
            const char* name;
        } kPassed[] = {{AdifField::Call, "CALL"},         {AdifField::StationCallsign, "STATION_CALLSIGN"},
                       {AdifField::Mode, "MODE"},         {AdifField::Submode, "SUBMODE"},
                       {AdifField::RstSent, "RST_SENT"},  {AdifField::RstRcvd, "RST_RCVD"},
                       {AdifField::StxString, "STX_STRING"}, {AdifField::SrxString, "SRX_STRING"},
                       {AdifField::Stx, "STX"},           {AdifField::Srx, "SRX"},
                       {AdifField::Band, "BAND"}};
        for (const auto& passed : kPassed)
            if (const AdifItem* item = record_.Get(passed.field); item && HoldsNul(item->data))
                return Skip(item->offset, std::string(passed.name) + " '" + Printable(item->data) +
                                              "' holds a NUL byte");
        return true;
    }

    // The call and the time.
    bool Time() {
        const AdifItem& call = *record_.Get(AdifField::Call);
        const std::string_view callText = TrimBlanks(call.data);
        if (callText.empty()) return Skip(call.offset, "CALL is blank");
        const AdifItem& date = *record_.Get(AdifField::QsoDate);
        const AdifItem& time = *record_.Get(AdifField::TimeOn);
        const std::string_view dateText = TrimBlanks(date.data);
        const std::optional<double> when = ParseAdifDateTime(dateText, TrimBlanks(time.data));
        if (!when) {
            if (!ParseAdifDateTime(dateText, "0000"))
                return Skip(date.offset,
                            "QSO_DATE '" + Printable(date.data) + "' is not a date YYYYMMDD");
            return Skip(time.offset,
                        "TIME_ON '" + Printable(time.data) + "' is not a time HHMM or HHMMSS");
        }
        // Four digits each: as texts they compare as the years do.
        if (dateText.substr(0, 4) < std::string_view(kEarliestDate).substr(0, 4))
            return Skip(date.offset, "QSO_DATE " + std::string(dateText) + " is before " +
                                         std::to_string(kEarliestYear));
        qso_.time = *when;
        AssignUpper(qso_.call, callText);
        AssignUpper(qso_.stationCall, TrimBlanks(record_.Data(AdifField::StationCallsign)));
        return true;
    }

    std::string NotABand() const {
        return "BAND '" + Printable(band_->data) + "' is not an ADIF band name";
    }

    // FREQ, read with a decimal comma if need be; the band's name from BAND.
    bool Frequency() {
        // A blank BAND names no band: it counts as missing.
        band_ = record_.Get(AdifField::Band);
        if (band_ && TrimBlanks(band_->data).empty()) band_ = nullptr;
        bandName_ = band_ ? AdifBandName(band_->data) : std::string_view();
        qso_.frequencyHz = 0;
        megahertz_.reset();
        const AdifItem* freq = record_.Get(AdifField::Freq);
        if (!freq) return true;
        megahertz_ = ParseMegahertz(freq->data);
        // Made only for a message: this runs for every record.
        const auto quoted = [freq] { return "FREQ '" + Printable(freq->data) + "'"; };
        if (!megahertz_) {
            // A decimal comma, as some loggers write in some locales.
            const std::string_view text = TrimBlanks(freq->data);
            const std::size_t comma = text.find(',');
            if (comma != std::string_view::npos && text.find('.') == std::string_view::npos) {
                std::string withPoint(text);
                withPoint[comma] = '.';
                megahertz_ = ParseMegahertz(withPoint);
                if (megahertz_) Warn(freq->offset, quoted() + " read as " + withPoint + " MHz");
            }
        }
        if (!megahertz_ && band_ && bandName_.empty())
            return Skip(band_->offset, NotABand() + " and " + quoted() + " is not a frequency");
        if (!megahertz_) {
            Warn(freq->offset, quoted() + " ignored; " +
                                   (band_ ? "band taken from BAND" : "no BAND either, so no band"));
        } else {
            qso_.frequencyHz = MegahertzToHertz(*megahertz_);
            if (*megahertz_ > 4294.967295)
                Warn(freq->offset, quoted() + " is above 4294.967295 MHz, more than the plugin "
                                            "takes; frequency given as 0");
        }
        return true;
    }

    // The band from BAND, else from FREQ; a disagreement told.
    bool Band() {
        const auto freqText = [this] { return Printable(TrimBlanks(record_.Data(AdifField::Freq))); };
        const std::string_view fromFrequency =
            megahertz_ ? BandOfFrequency(*megahertz_) : std::string_view();
        if (band_ && bandName_.empty()) {
            if (fromFrequency.empty())
                return Skip(band_->offset,
                            NotABand() + (megahertz_ ? " and FREQ " + freqText() +
                                                           " MHz is in no amateur band"
                                                     : std::string(" and there is no FREQ")));
            Assign(qso_.band, fromFrequency);
            Warn(band_->offset, NotABand() + "; band " + qso_.band + " taken from FREQ " + freqText());
        } else if (band_) {
            Assign(qso_.band, bandName_);
            if (!fromFrequency.empty() && fromFrequency != qso_.band)
                Warn(band_->offset, "BAND " + Printable(band_->data) + " and FREQ " + freqText() +
                                        " (" + std::string(fromFrequency) + ") disagree; BAND kept");
        } else if (megahertz_) {
            Assign(qso_.band, fromFrequency);
            if (qso_.band.empty())
                Warn(record_.Get(AdifField::Freq)->offset,
                     "FREQ " + freqText() +
                         " MHz is in no amateur band and there is no BAND; QSO offered without a "
                         "band");
        } else {
            qso_.band.clear();
            if (!record_.Get(AdifField::Freq))
                Warn(record_.Offset(), "neither BAND nor FREQ; QSO offered without a band");
        }
        return true;
    }

    // The mode, the reports and the control numbers, from the text fields first.
    bool Exchanges() {
        AssignModeName(qso_.mode, record_.Data(AdifField::Mode), record_.Data(AdifField::Submode));
        Assign(qso_.rstSent, record_.Data(AdifField::RstSent));
        Assign(qso_.rstReceived, record_.Data(AdifField::RstRcvd));
        static constexpr struct {
            AdifField text, serial;
            const char *textName, *serialName;
            std::string Qso::*to;
        } kExchanges[] = {
            {AdifField::StxString, AdifField::Stx, "STX_STRING", "STX", &Qso::exchangeSent},
            {AdifField::SrxString, AdifField::Srx, "SRX_STRING", "SRX", &Qso::exchangeReceived}};
        for (const auto& exchange : kExchanges) {
            const AdifItem* item = record_.Get(exchange.text);
            const char* name = exchange.textName;
            if (!item) {
                item = record_.Get(exchange.serial);
                name = exchange.serialName;
            }
            if (item)
                TakeExchange(qso_.*exchange.to, item->data, name, source_, item->offset, number_,
                             diagnostics_);
            else
                (qso_.*exchange.to).clear();
        }
        return true;
    }

    const SourceFile& source_;
    const AdifRecord& record_;
    Qso& qso_;
    Diagnostics& diagnostics_;
    const std::size_t number_;
    const AdifItem* band_ = nullptr;
    std::string_view bandName_;
    std::optional<double> megahertz_;
};

}  // namespace

bool MapQso(const SourceFile& source, const AdifRecord& record, Qso& qso,
            Diagnostics& diagnostics) {
    return AdifQso(source, record, qso, diagnostics).Map();
}

}  // namespace tavik::host
