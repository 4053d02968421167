#!/usr/bin/env python3
"""Writes the sample contest log cis-dx-psk.adi and, next to it, the report and
err.txt that scoring it must give (cis-dx-psk.report, cis-dx-psk.err).

Deterministic: a fixed seed, calls drawn from the MASTER.SCP call list and
placed with the CTY.DAT country file of Debian's hamradio-files.

    python3 samples/make_sample.py [--scp MASTER.SCP] [--cty cty.dat] [--out DIR]
"""

import argparse
import datetime
import os
import random
import re

SEED = 20250920
START = datetime.datetime(2025, 9, 20, 12, 0, 0)
HOURS = 24

# Prefixes whose stations count 3 points for a station outside the CIS.
CIS_PREFIXES = {
    "UA", "UA9", "UA2", "EM", "EN", "EO", "U5", "UR", "US", "UT", "UU", "UV", "UW", "UX",
    "UY", "UZ", "UJ", "UK", "UL", "UM", "UN", "UO", "UP", "UQ", "GM", "4J", "4K", "4L",
    "EK", "ER", "EU", "EV", "EW", "EX", "EY", "EZ",
}

# CIS entities by weight, with the regional control numbers their stations send.
CIS_ENTITIES = [
    ("UA", 30, ["0103", "0114", "0121", "0129", "0138", "0147", "0156", "0163"]),
    ("UA9", 10, ["0905", "0912", "0919", "0926", "0933"]),
    ("UA2", 1, ["0201"]),
    ("UR", 12, ["1201", "1206", "1211", "1218"]),
    ("EU", 5, ["1401", "1403", "1405"]),
    ("UN", 3, ["1601", "1604"]),
    ("4L", 2, ["2001"]),
    ("ER", 2, ["1801"]),
    ("EX", 1, ["2201"]),
    ("EK", 1, ["2301"]),
    ("4J", 1, ["2401"]),
    ("UK", 1, ["2501"]),
]
# Elsewhere: (entity, weight). "GM" is left out: the contest counts it as CIS.
OTHER_ENTITIES = [
    ("DL", 10), ("SP", 5), ("OK", 4), ("OM", 2), ("HA", 3), ("YO", 3), ("LZ", 2), ("YU", 2),
    ("9A", 2), ("S5", 1), ("I", 4), ("F", 3), ("EA", 3), ("G", 3), ("ON", 2), ("PA", 2),
    ("OZ", 1), ("SM", 2), ("OH", 2), ("LY", 2), ("YL", 1), ("ES", 1), ("K", 3), ("JA", 2),
    ("VE", 1),
]
# Stations outside the CIS send a serial number or a fixed number of their choice.
OTHER_FIXED_NUMBERS = ["0005", "0014", "0015", "0016", "0020", "0028"]

# (band, lowest Hz, highest Hz) of the PSK activity used here.
BANDS = {
    "80m": (3580000, 3590000),
    "40m": (7040000, 7045000),
    "30m": (10142000, 10145000),
    "20m": (14070000, 14073000),
    "15m": (21070000, 21073000),
    "10m": (28120000, 28123000),
}
# Band choice by UTC hour.
BANDS_BY_HOUR = {
    **{h: ["20m", "15m", "10m", "20m"] for h in (12, 13, 14, 15)},
    **{h: ["20m", "40m"] for h in (16, 17, 18)},
    **{h: ["80m", "40m", "80m"] for h in (19, 20, 21, 22, 23, 0, 1, 2, 3, 4)},
    **{h: ["40m", "20m"] for h in (5, 6, 7, 8)},
    **{h: ["20m", "15m", "10m"] for h in (9, 10, 11)},
}
NAMES = ["Сергей", "Александр", "Олег", "Jürgen", "Zoltán", "José", "Piotr", "Jiří", "Ivan",
         "Mykola", "Bob", "Tom", "Aleksandr", "Dmitry"]


def read_cty(path):
    """Primary prefix by alias and by exact call; the first entity to claim a key keeps it."""
    with open(path, encoding="latin-1") as f:
        text = f.read()
    prefixes, exact = {}, {}
    pos = 0
    entity_re = re.compile(r"\s*([^:\n]*):([^:\n]*):([^:\n]*):([^:\n]*):([^:\n]*):([^:\n]*):"
                           r"([^:\n]*):\s*\*?([^:\s]+)\s*:([^;]*);")
    while True:
        m = entity_re.match(text, pos)
        if not m:
            break
        pos = m.end()
        primary = m.group(8)
        for alias in re.split(r"[,\s]+", m.group(9)):
            alias = re.sub(r"\(.*?\)|\[.*?\]|<.*?>|\{.*?\}|~.*?~", "", alias).upper()
            if not alias:
                continue
            if alias.startswith("="):
                exact.setdefault(alias[1:], primary)
            else:
                prefixes.setdefault(alias, primary)
    assert text[pos:].strip() == "", "country file not read to its end"
    return prefixes, exact


def entity_of(call, prefixes, exact):
    if call in exact:
        return exact[call]
    for length in range(len(call), 0, -1):
        if call[:length] in prefixes:
            return prefixes[call[:length]]
    return ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scp", default="/usr/share/hamradio-files/MASTER.SCP")
    parser.add_argument("--cty", default="/usr/share/hamradio-files/cty.dat")
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)))
    args = parser.parse_args()

    rng = random.Random(SEED)
    prefixes, exact = read_cty(args.cty)
    pools = {}
    with open(args.scp, encoding="latin-1") as f:
        for line in f:
            call = line.strip().upper()
            # Plain calls only: no portable forms and none that the country file lists by name.
            if not call or call.startswith("#") or "/" in call or call in exact:
                continue
            if not re.fullmatch(r"[A-Z0-9]{1,3}[0-9][A-Z]{1,4}", call):
                continue
            pools.setdefault(entity_of(call, prefixes, exact), []).append(call)
    for name in [e for e, _, _ in CIS_ENTITIES] + [e for e, _ in OTHER_ENTITIES]:
        assert pools.get(name), "no calls for " + name

    # The own station, then the stations active in the contest with the numbers they send.
    global OWN_CALL
    OWN_CALL = rng.choice(pools["DL"])
    stations = []
    used = {OWN_CALL}
    def pick(entity):
        while True:
            call = rng.choice(pools[entity])
            if call not in used:
                used.add(call)
                return call
    for entity, weight, numbers in CIS_ENTITIES:
        for _ in range(weight * 4):
            stations.append({"call": pick(entity), "entity": entity, "number": rng.choice(numbers)})
    for entity, weight in OTHER_ENTITIES:
        for _ in range(weight * 4):
            serial = rng.random() < 0.5
            stations.append({"call": pick(entity), "entity": entity,
                             "number": None if serial else rng.choice(OTHER_FIXED_NUMBERS),
                             "serial": rng.randint(1, 40)})

    # Times: sorted, whole seconds, all inside the 24 hours.
    seconds = sorted(rng.sample(range(0, HOURS * 3600), 300))
    qsos = []
    worked = set()
    for s in seconds:
        time = START + datetime.timedelta(seconds=s)
        band = rng.choice(BANDS_BY_HOUR[time.hour])
        while True:
            station = rng.choice(stations)
            if (station["call"], band) not in worked:
                break
        worked.add((station["call"], band))
        if station["number"] is None:
            station["serial"] += rng.randint(1, 6)
            received = "%04d" % station["serial"]
        else:
            received = station["number"]
        low, high = BANDS[band]
        qsos.append({"call": station["call"], "entity": station["entity"], "time": time,
                     "band": band, "hz": rng.randrange(low, high, 10), "mode": "PSK",
                     "submode": "QPSK63", "received": received, "sent": None,
                     "name": rng.choice(NAMES) if rng.random() < 0.3 else None,
                     "rst_sent": rng.choice(["599"] * 8 + ["589", "579"]),
                     "rst_rcvd": rng.choice(["599"] * 6 + ["589", "579", "569"]),
                     "short_time": rng.random() < 0.05, "no_band": rng.random() < 0.04})

    # Refused QSOs and repeats, placed among the others.
    def at(index):
        return qsos[index]
    at(37)["submode"] = "BPSK31"
    at(142)["submode"] = "BPSK31"
    at(142)["band"], at(142)["hz"] = "30m", 10142300
    at(211)["submode"] = "PSK63"
    at(88)["received"] = None
    at(260)["sent"] = ""
    for index in (23, 57, 170, 244):
        at(index)["mode"], at(index)["submode"] = "QPSK63", None  # the pre-ADIF-3 way
    for later, earlier in ((120, 101), (233, 198)):
        repeat = at(later)
        repeat.update({k: at(earlier)[k] for k in ("call", "entity", "band", "received")})
        low, high = BANDS[repeat["band"]]
        repeat["hz"] = rng.randrange(low, high, 10)

    serial = 0
    for q in qsos:
        serial += 1
        if q["sent"] is None:
            q["sent"] = "%04d" % serial

    write_log(os.path.join(args.out, "cis-dx-psk.adi"), qsos)
    write_expected(args.out, qsos)


def field(name, value):
    data = value.encode("utf-8")
    return "<%s:%d>%s" % (name, len(data), value)


def write_log(path, qsos):
    lines = ["CIS DX PSK contest log of %s, generated by make_sample.py" % OWN_CALL,
             field("ADIF_VER", "3.1.4"), field("PROGRAMID", "sample-generator"),
             field("CREATED_TIMESTAMP", "20250921 120500"), "<EOH>", ""]
    for q in qsos:
        parts = [field("CALL", q["call"]), field("QSO_DATE", q["time"].strftime("%Y%m%d")),
                 field("TIME_ON", q["time"].strftime("%H%M" if q["short_time"] else "%H%M%S"))]
        if not q["no_band"]:
            parts.append(field("BAND", q["band"]))
        parts.append(field("FREQ", "%.6f" % (q["hz"] / 1e6)))
        parts.append(field("MODE", q["mode"]))
        if q["submode"]:
            parts.append(field("SUBMODE", q["submode"]))
        parts += [field("RST_SENT", q["rst_sent"]), field("RST_RCVD", q["rst_rcvd"])]
        if q["sent"]:
            parts.append(field("STX_STRING", q["sent"]))
        if q["received"]:
            parts.append(field("SRX_STRING", q["received"]))
        if q["name"]:
            parts.append(field("NAME", q["name"]))
        parts += [field("STATION_CALLSIGN", OWN_CALL), field("OPERATOR", OWN_CALL), "<EOR>"]
        lines.append(" ".join(parts))
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def mode_of(q):
    if q["mode"] == "QPSK63" or (q["mode"] == "PSK" and q["submode"] == "QPSK63"):
        return "QPSK63"
    return q["submode"] or q["mode"]


def write_expected(folder, qsos):
    """The report and err.txt that the contest rules give for this log."""
    err = ["CIS-QPSK63-DX UBN file "]
    bands, stored = [], {}
    for q in qsos:
        band = q["band"].upper()
        if band not in bands:
            bands.append(band)
        mode = mode_of(q)
        reason = None
        if not q["sent"] or not q["received"]:
            reason = "   Not full control number recieved !!!"
        elif mode != "QPSK63":
            reason = "   NO QPSK63 MODE !!!"
        if reason:
            err.append("  ".join(["QSO:", str(q["hz"] // 1000), mode,
                                  q["time"].strftime("%Y-%m-%d %H%M"), OWN_CALL, q["rst_sent"],
                                  q["sent"] or "", q["call"], q["rst_rcvd"], q["received"] or ""])
                       + reason)
            continue
        stored.setdefault((q["call"], band), q)

    first = min(q["time"] for q in qsos)
    last = max(q["time"] for q in qsos)
    report = [" CIS DX PSK %s-%s " % (first.strftime("%d.%m"), last.strftime("%d.%m.%Y")),
              "     Contestant: %s" % OWN_CALL, "Band\tQSOs\tPoints\tDXDA"]
    totals = [0, 0, 0]
    for band in sorted(bands, key=lambda b: b.rjust(20, "0"), reverse=True):
        rows = [q for (c, b), q in stored.items() if b == band]
        points = sum(3 if q["entity"] in CIS_PREFIXES else 1 for q in rows)
        multipliers = len({q["received"] for q in rows})
        report.append("%s\t %d\t %d\t %d" % (band, len(rows), points, multipliers))
        totals = [totals[0] + len(rows), totals[1] + points, totals[2] + multipliers]
    score = totals[1] * totals[2]
    report.append("Total\t %d\t %d\t %d" % tuple(totals))
    report.append("Score = %d * %d = %d " % (totals[1], totals[2], score))
    with open(os.path.join(folder, "cis-dx-psk.report"), "wb") as f:
        f.write(("\r\n".join(report) + "\r\n").encode("utf-8"))
    with open(os.path.join(folder, "cis-dx-psk.err"), "wb") as f:
        f.write(("\r\n".join(err) + "\r\n").encode("utf-8"))
    print("%d QSOs, %d refused, %d repeats, claimed score %d"
          % (len(qsos), len(err) - 1, len(qsos) - len(err) + 1 - len(stored), score))


if __name__ == "__main__":
    main()
