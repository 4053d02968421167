// tavik-check-figures: a checker's qsos.tsv against a simulated contest's truth.tsv.
//
//   tavik-check-figures TRUTH.tsv QSOS.tsv
//
// Prints the figures one per line. Exit status 0 when every goal is met, 1 when one
// is missed, 2 on bad input.
#include <cstdio>
#include <fstream>

#include "bench/check_figures_core.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: tavik-check-figures TRUTH.tsv QSOS.tsv\n", stderr);
        return 2;
    }
    std::ifstream truth(argv[1]), qsos(argv[2]);
    for (int i : {1, 2}) {
        if (!(i == 1 ? truth : qsos)) {
            std::fprintf(stderr, "tavik-check-figures: cannot read %s\n", argv[i]);
            return 2;
        }
    }
    const tavik::bench::FigureTally tally = tavik::bench::TallyFigures(truth, qsos);
    if (!tally.error.empty()) {
        std::fprintf(stderr, "tavik-check-figures: %s\n", tally.error.c_str());
        return 2;
    }
    int status = 0;
    for (const tavik::bench::Figure& figure : tally.figures) {
        std::printf("%s\n", tavik::bench::FigureLine(figure).c_str());
        if (!figure.Met()) {
            std::fprintf(stderr, "tavik-check-figures: goal missed: %s\n", figure.name.c_str());
            status = 1;
        }
    }
    return status;
}
