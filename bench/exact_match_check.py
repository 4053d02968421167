#!/usr/bin/env python3
"""A plain exact-match log checker, the baseline the cross-check is measured against.

    python3 bench/exact_match_check.py --out DIR [--window MINUTES] LOGS

Reads the Cabrillo logs of the folder LOGS. A QSO stays when the partner's log holds
a QSO on the same band with the calls the other way round and a time within the
window, the clocks taken as they are; its received number is then held against what
the partner logged as sent. Writes DIR/qsos.tsv: log, line, verdict (ok, unique, nil,
busted-exchange, dupe), detail (the partner's number for busted-exchange).
"""

import argparse
import datetime
import os
import sys

# kHz ranges of the contest bands.
BANDS = [(1800, 2000, "160M"), (3500, 4000, "80M"), (7000, 7300, "40M"),
         (14000, 14350, "20M"), (21000, 21450, "15M"), (28000, 29700, "10M")]


def band_of(khz_text):
    if not khz_text.isdigit():
        return khz_text.upper()
    khz = int(khz_text)
    for low, high, name in BANDS:
        if low <= khz <= high:
            return name
    return khz_text


class MinuteClock:
    """Minutes since 1970 of 'yyyy-mm-dd' and 'hhmm'; the dates are few, so cached."""

    def __init__(self):
        self.days = {}

    def minute(self, date, time):
        day = self.days.get(date)
        if day is None:
            day = (datetime.date.fromisoformat(date) - datetime.date(1970, 1, 1)).days
            self.days[date] = day
        return day * 1440 + int(time[:2]) * 60 + int(time[2:4])


def read_log(path, clock):
    """(own call, [(line, band, minute, call, sent, received)]) of a Cabrillo file."""
    own, qsos = "", []
    with open(path, encoding="latin-1") as f:
        for number, text in enumerate(f, 1):
            tag, colon, value = text.partition(":")
            tag = tag.strip().upper()
            if not colon:
                continue
            if tag == "CALLSIGN":
                own = value.strip().upper()
            elif tag == "END-OF-LOG":
                break
            elif tag == "QSO":
                fields = value.split()
                if len(fields) in (10, 11):
                    sent, call, received = fields[6], fields[7], fields[9]
                elif len(fields) in (8, 9):
                    sent, call, received = fields[5], fields[6], fields[7]
                else:
                    continue
                try:
                    minute = clock.minute(fields[2], fields[3])
                except ValueError:
                    continue
                qsos.append((number, band_of(fields[0]), minute, call.upper(), sent, received))
                if not own:
                    own = fields[4].upper()
    return own, qsos


def verdicts(logs, window):
    """Rows (log, line, verdict, detail) in the order of the logs and their lines."""
    index = {}
    for own, qsos in logs:
        for _, band, minute, call, sent, _ in qsos:
            index.setdefault((own, call, band), []).append((minute, sent))
    entrants = {own for own, _ in logs}
    for own, qsos in logs:
        worked = set()
        for line, band, minute, call, _, received in qsos:
            if (call, band) in worked:
                yield own, line, "dupe", ""
                continue
            worked.add((call, band))
            if call not in entrants:
                yield own, line, "unique", ""
                continue
            near = [(abs(m - minute), s) for m, s in index.get((call, own, band), ())
                    if abs(m - minute) <= window]
            if not near:
                yield own, line, "nil", ""
                continue
            sent = min(near)[1]
            if sent == received:
                yield own, line, "ok", ""
            else:
                yield own, line, "busted-exchange", sent


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--window", type=int, default=5)
    parser.add_argument("logs")
    args = parser.parse_args()
    clock = MinuteClock()
    names = sorted(n for n in os.listdir(args.logs) if not n.startswith("."))
    logs = [read_log(os.path.join(args.logs, n), clock) for n in names]
    logs = [log for log in logs if log[0]]
    if not logs:
        sys.exit("exact_match_check.py: no Cabrillo logs in " + args.logs)
    os.makedirs(args.out, exist_ok=True)
    with open(os.path.join(args.out, "qsos.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("log\tline\tverdict\tdetail\n")
        f.writelines("%s\t%d\t%s\t%s\n" % row for row in verdicts(logs, args.window))


if __name__ == "__main__":
    main()
