// The live score window in curses: draws what live_view_text lays out and reads the keys.
#include "host/live/live_view.h"

#include "platform/posix/curses_screen.h"

#include <langinfo.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/live/live_view_text.h"
#include "host/input/qso_mapping.h"

namespace tavik::host {
namespace {

constexpr int kEscapeDelayMs = 25;  // Esc alone must clear the call without a lag
constexpr std::size_t kMaxCallLength = 15;
constexpr int kHourCells = 3;  // a bar two cells wide and a gap; the hour "HH" below
constexpr int kCtrlC = 3;      // raw mode: a key, so the loop ends and tidies up
constexpr int kEscape = 27;
constexpr std::string_view kCallPrompt = "Call ";

// Eighths of a cell, from one to eight.
constexpr std::array<const char*, 8> kBlocks{"\u2581", "\u2582", "\u2583", "\u2584",
                                             "\u2585", "\u2586", "\u2587", "\u2588"};

// Red reads on light and dark backgrounds alike: as a background under the dupe's
// reversed text, and as the warnings' text.
enum ColorPair : short { kDupePair = 1, kWarningPair };

// Writes text from (row, column), cut at the right edge of the screen.
void Put(int row, int column, std::string_view text, attr_t attributes = A_NORMAL) {
    const int room = COLS - column;
    if (row < 0 || row >= LINES || column < 0 || room <= 0 || text.empty()) return;
    attron(attributes);
    mvaddnstr(row, column, text.data(), std::min(room, static_cast<int>(text.size())));
    attroff(attributes);
}

class CursesView final : public LiveView {
public:
    CursesView(CallChecker checker, LiveViewSettings settings)
        : checker_(std::move(checker)), settings_(settings) {
        // Only the character type: numbers and messages keep the C locale everywhere else.
        if (const char* current = std::setlocale(LC_CTYPE, nullptr)) savedLocale_ = current;
        utf8_ = std::setlocale(LC_CTYPE, "") != nullptr &&
                std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
        // The locale first: the wide library reads it when the screen is made.
        screen_.emplace();
        if (!screen_->Ok()) return;
        raw();
        noecho();
        nonl();
        keypad(stdscr, TRUE);
        nodelay(stdscr, TRUE);
        set_escdelay(kEscapeDelayMs);
        if (settings_.colors && has_colors() && start_color() == OK) {
            use_default_colors();
            init_pair(kDupePair, COLOR_RED, -1);
            init_pair(kWarningPair, COLOR_RED, -1);
            colors_ = true;
        }
        Draw();
    }

    ~CursesView() override {
        screen_.reset();
        std::setlocale(LC_CTYPE, savedLocale_.c_str());
    }

    CursesView(const CursesView&) = delete;
    CursesView& operator=(const CursesView&) = delete;

    bool Ok() const { return screen_ && screen_->Ok(); }

    void Show(const LiveSnapshot& snapshot) override {
        if (settings_.bell && shown_ && snapshot.duplicates > snapshot_.duplicates) beep();
        shown_ = true;
        snapshot_ = snapshot;
        report_ = ReportLines(snapshot_.report);
        Check();  // the latest QSO may have made the call a dupe
        Draw();
    }

    bool HandleInput() override {
        bool redraw = false;
        for (int key; (key = getch()) != ERR;) {
            redraw = true;
            if (key == kCtrlC || (key == 'q' && call_.empty())) {
                return false;
            }
            if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == '/') {
                if (call_.size() < kMaxCallLength) call_ += static_cast<char>(key);
            } else if (key >= 'a' && key <= 'z') {
                if (call_.size() < kMaxCallLength) call_ += static_cast<char>(key - 'a' + 'A');
            } else if (key == KEY_BACKSPACE || key == 127 || key == '\b') {
                if (!call_.empty()) call_.pop_back();
            } else if (key == '\r' || key == '\n' || key == KEY_ENTER || key == kEscape) {
                call_.clear();
            }
            // KEY_RESIZE: curses has taken the new size; the redraw is all it needs.
        }
        if (redraw) {
            Check();
            Draw();
        }
        return true;
    }

    int InputDescriptor() const override { return STDIN_FILENO; }

private:
    void Check() {
        const bool wasDupe = DupeOnLastBand();
        checked_ = call_.empty() || !checker_ ? CallAnswer() : checker_(call_);
        // A call typed that was worked on the band in use.
        if (settings_.bell && !wasDupe && DupeOnLastBand()) beep();
    }

    bool DupeOnLastBand() const {
        if (snapshot_.lastQsos.empty()) return false;
        for (const auto& [band, dupe] : checked_.bands)
            if (band == snapshot_.lastQsos.back().band) return dupe;
        return false;
    }

    attr_t DupeLook() const { return A_REVERSE | Color(kDupePair); }

    attr_t Color(ColorPair pair) const { return colors_ ? COLOR_PAIR(pair) : A_NORMAL; }

    void Draw() {
        erase();
        const Layout layout = Plan(LINES, COLS, report_, snapshot_);
        int row = 0;
        if (layout.clock > 0) Put(row, 0, ClockLine(snapshot_), A_BOLD);
        row += layout.clock;
        DrawTop(row, layout);
        row += layout.top;
        DrawQsos(row, 0, layout.qsosBelow);
        row += layout.qsosBelow;
        if (layout.rate > 0) DrawRate(row);
        row += layout.rate;
        DrawChart(row, layout.chart);
        row += layout.chart;
        DrawMultipliers(row, layout.multipliers);
        // The call check and the status keep to the bottom, the warnings just above.
        row = LINES - layout.status - layout.call - layout.partials - layout.warnings;
        for (int i = 0; i < layout.warnings; ++i) {
            const std::size_t index = snapshot_.warnings.size() - layout.warnings + i;
            Put(row++, 0, CellText(snapshot_.warnings[index]), Color(kWarningPair));
        }
        DrawPartials(row, layout.partials);
        if (layout.status > 0) {
            std::string status = CellText(snapshot_.logName);
            if (!status.empty() && !snapshot_.status.empty()) status += ": ";
            status += CellText(snapshot_.status);
            Put(LINES - 1, 0, Padded(status, static_cast<std::size_t>(COLS)), A_REVERSE);
        }
        if (layout.call > 0) DrawCall(LINES - layout.status - 1);
        refresh();
    }

    void DrawTop(int row, const Layout& layout) {
        // Cut from the top: the score is the last line, the title the first.
        const std::size_t shown = std::min(report_.size(), static_cast<std::size_t>(layout.top));
        // The band in use: the row of the last QSO's band, in bold with a mark.
        const std::string band =
            snapshot_.lastQsos.empty() ? "" : CellText(snapshot_.lastQsos.back().band) + ' ';
        for (std::size_t i = 0; i < shown; ++i) {
            const std::string& line = report_[report_.size() - shown + i];
            const bool inUse = !band.empty() && line.rfind(band, 0) == 0;
            Put(row + static_cast<int>(i), 0, line, inUse ? A_BOLD : A_NORMAL);
            const int mark = static_cast<int>(line.size()) + 1;
            if (inUse && (!layout.qsosBeside || mark < layout.qsoColumn - 1))
                Put(row + static_cast<int>(i), mark, utf8_ ? "\u25C0" : "<", A_BOLD);
        }
        if (layout.qsosBeside) DrawQsos(row, layout.qsoColumn, layout.top);
    }

    // The latest QSOs that fit in rows, oldest first.
    void DrawQsos(int row, int column, int rows) {
        const std::vector<LiveQso>& qsos = snapshot_.lastQsos;
        const std::size_t shown = std::min<std::size_t>(qsos.size(), static_cast<std::size_t>(rows));
        for (std::size_t i = qsos.size() - shown; i < qsos.size(); ++i) {
            const LiveQso& qso = qsos[i];
            attr_t attributes = A_NORMAL;
            if (qso.outcome == LiveQso::Outcome::kDuplicate) attributes = DupeLook();
            if (qso.outcome == LiveQso::Outcome::kCounted && qso.newMultiplier) attributes = A_BOLD;
            Put(row++, column, QsoLine(qso), attributes);
        }
    }

    void DrawRate(int row) { Put(row, 0, RateLine(snapshot_.rates), A_BOLD); }

    // Bars of the latest hours that fit, each up to barRows cells high in eighths,
    // scaled to the highest of them; the hour under each.
    void DrawChart(int row, int rows) {
        const int barRows = rows - kChartTitleRows - 1;
        if (barRows < 1) return;
        std::string title = "QSOs per clock hour (UTC)";
        if (snapshot_.rates.bestHourQsos > 0)
            title += "; best " + FormatAutomationDate(snapshot_.rates.bestHour).substr(11) + " to " +
                     FormatAutomationDate(snapshot_.rates.bestHour + 1.0 / 24).substr(11) +
                     " with " + std::to_string(snapshot_.rates.bestHourQsos);
        Put(row, 0, title);
        row += kChartTitleRows;
        const std::vector<std::size_t>& hours = snapshot_.qsosPerHour;
        const std::size_t shown =
            std::min<std::size_t>(hours.size(), std::max(1, (COLS + 1) / kHourCells));
        const std::size_t first = hours.size() - shown;
        const std::size_t peak = std::max<std::size_t>(
            1, *std::max_element(hours.begin() + static_cast<std::ptrdiff_t>(first), hours.end()));
        for (std::size_t i = 0; i < shown; ++i) {
            const int column = static_cast<int>(i) * kHourCells;
            const std::size_t value = hours[first + i];
            // Rounded up, so that an hour with any QSO shows.
            const auto eighths = static_cast<int>((value * barRows * 8 + peak - 1) / peak);
            for (int level = 0; level < barRows; ++level) {
                const int fill = std::clamp(eighths - level * 8, 0, 8);
                if (fill == 0) break;
                const std::string cell = utf8_ ? kBlocks[static_cast<std::size_t>(fill - 1)] : "#";
                Put(row + barRows - 1 - level, column, cell + cell);
            }
            const double hour = snapshot_.firstHour + static_cast<double>(first + i) / 24;
            Put(row + barRows, column, FormatAutomationDate(hour).substr(11, 2));
        }
    }

    void DrawMultipliers(int row, int rows) {
        for (int i = 0; i < rows; ++i) {
            const auto& [band, numbers] = snapshot_.multipliersByBand[static_cast<std::size_t>(i)];
            const std::string lead =
                Padded(CellText(band), 4) + " " + std::to_string(numbers.size()) + " mults:";
            Put(row + i, 0, Fitted(lead, numbers, static_cast<std::size_t>(COLS)));
        }
    }

    // The calls that hold the call being typed: the call list's, then the log's.
    void DrawPartials(int row, int rows) {
        if (rows < kPartialRows || call_.empty()) return;
        const auto width = static_cast<std::size_t>(COLS);
        if (!checked_.knownProblem.empty()) {
            Put(row, 0, "SCP  " + CellText(checked_.knownProblem), A_DIM);
        } else {
            Put(row, 0, checked_.known.empty() ? "SCP  none" : Fitted("SCP ", checked_.known, width));
        }
        std::vector<std::string> worked;
        for (const auto& [call, bands] : checked_.worked) {
            std::string entry = call;
            for (const std::string& band : bands) entry += ' ' + band;
            worked.push_back(std::move(entry));
        }
        Put(row + 1, 0, worked.empty() ? "Log  none" : Fitted("Log ", worked, width, "; "));
    }

    void DrawCall(int row) {
        Put(row, 0, kCallPrompt, A_BOLD);
        int column = static_cast<int>(kCallPrompt.size());
        Put(row, column, call_, A_BOLD);
        const int cursor = std::min(column + static_cast<int>(call_.size()), COLS - 1);
        column += static_cast<int>(call_.size()) + 2;
        if (call_.empty()) {
            Put(row, column, "type a call to check it; q quits", A_DIM);
        } else if (checked_.bands.empty()) {
            Put(row, column, "no QSOs yet", A_DIM);
        }
        for (const auto& [band, dupe] : checked_.bands) {
            const std::string answer = CellText(band) + (dupe ? " dupe" : " new");
            Put(row, column, answer, dupe ? DupeLook() : A_NORMAL);
            column += static_cast<int>(answer.size()) + 2;
        }
        move(row, std::max(cursor, 0));
    }

    // The signals curses takes over while it runs.
    std::string savedLocale_ = "C";
    std::optional<posix::CursesScreen> screen_;
    bool utf8_ = false;
    bool colors_ = false;

    CallChecker checker_;
    LiveViewSettings settings_;
    bool shown_ = false;
    LiveSnapshot snapshot_;
    std::vector<std::string> report_;
    std::string call_;
    CallAnswer checked_;
};

}  // namespace

std::unique_ptr<LiveView> LiveView::Open(CallChecker checker, LiveViewSettings settings) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return nullptr;
    auto view = std::make_unique<CursesView>(std::move(checker), settings);
    if (!view->Ok()) return nullptr;
    return view;
}

}  // namespace tavik::host
