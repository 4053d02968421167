// A checker's verdicts (qsos.tsv) held against a simulated contest's truth (truth.tsv):
// the shares of true QSOs removed and of faults found, with the goals they must meet.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

namespace tavik::bench {

struct Figure {
    std::string name;
    std::size_t count = 0, whole = 0;
    double goalPercent = 0;
    bool atMost = false;  // the goal is a ceiling, else a floor
    // An empty whole has nothing to miss.
    bool Met() const;
};

struct FigureTally {
    std::vector<Figure> figures;  // in the order printed
    std::string error;            // set when the tables are malformed or do not correspond
};

// truth: log, line, truth, detail, visible; qsos: log, line, verdict, detail. Rows
// correspond by log and line, in any order.
FigureTally TallyFigures(std::istream& truth, std::istream& qsos);

// "name: count of whole (p%), goal >= g%: met" or "...: missed".
std::string FigureLine(const Figure& figure);

}  // namespace tavik::bench
