#!/usr/bin/env python3
"""The benchmark table: each case's time beside its raw baseline, their
ratio and the aim, and the figures measured on the running program.

    bench_table.py BENCH_JSON [OUTSIDE_FIGURES]

BENCH_JSON is qinghe_bench's --benchmark_out file. Every figure comes from
its runs (run_type "iteration"), never from the aggregates the library
appends (_mean, _median, _stddev, _cv): a case that repeats shows the median
of its runs, for its time and for each counter alike.

OUTSIDE_FIGURES holds what scripts/bench measured on the program itself, one
"name value" a line; a name may repeat (one line per start):
    large.vmrss_kb, demo.vmrss_kb          VmRSS of the program, tree filled
    large.tree_cpu_percent, large.tree_uss_kb, large.tree_rss_kb (and demo.*)
                                           the whole process tree, idle
    large.first_paint_ms, demo.first_paint_ms
                                           process start to the tree's first
                                           category row painted
A figure that is missing reads "not measured" and its row's "met" "-".
"""
import json
import re
import statistics
import sys

# The run settings the library appends to a name ("/iterations:10",
# "/min_time:1.000", "/real_time").
_SETTINGS = re.compile(r"/(iterations|min_time|repeats|repetitions|threads):[^/]*|/real_time|/manual_time")

# The counters the table reads: a case's own figures, and the stages of the
# search on screen.
SCREEN_STAGES = ("clear_ms", "queue_ms", "search_ms", "hand_over_ms", "list_ms", "paint_ms", "total_ms", "frames")
COUNTERS = ("longest_stall_ms", "median_ms", "index_mb") + SCREEN_STAGES


def case_name(entry):
    return _SETTINGS.sub("", entry.get("run_name", entry["name"]))


def read_runs(benchmarks):
    """Per case: its CPU times in ms and its counters, one value per run."""
    times, counters = {}, {}
    for b in benchmarks:
        if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
            continue
        name = case_name(b)
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        times.setdefault(name, []).append(b["cpu_time"] * scale)
        for key in COUNTERS:
            if key in b:
                counters.setdefault((name, key), []).append(b[key])
    return times, counters


def median(values):
    """The median run's value; of an even number, the lower middle one, so
    that the figure is one that was measured."""
    return statistics.median_low(values) if values else None


def read_outside(lines):
    figures = {}
    for line in lines:
        parts = line.split()
        if len(parts) == 2:
            try:
                figures.setdefault(parts[0], []).append(float(parts[1]))
            except ValueError:
                pass
    return {name: median(values) for name, values in figures.items()}


def ms(v):
    if v is None:
        return "not measured"
    if v < 1:
        return f"{v * 1000:.1f} us"
    return f"{v:.2f} ms" if v < 100 else f"{v:.0f} ms"


def met(value, aim):
    if value is None or aim is None:
        return "-"
    return "yes" if value <= aim else "NO"


class Table:
    def __init__(self, times, counters, outside):
        self.times = {name: median(values) for name, values in times.items()}
        self.counters = {key: median(values) for key, values in counters.items()}
        self.outside = outside
        self.rows = []

    def ratio(self, case, system, baseline, aim, show=ms):
        """A case beside its baseline: their ratio against the aim."""
        s, b = system, baseline
        r = s / b if s is not None and b else None
        self.rows.append((case, show(s), show(b), "-" if r is None else f"{r:.2f}x",
                          "-" if aim is None else f"<= {aim}x", met(r, aim)))

    def timed(self, case, system, baseline, aim):
        self.ratio(case, self.times.get(system), self.times.get(baseline), aim)

    def absolute(self, case, value, aim, unit, digits=0, sign=""):
        shown = "not measured" if value is None else f"{sign if value >= 0 else ''}{value:.{digits}f} {unit}"
        self.rows.append((case, shown, "-", "-", "-" if aim is None else f"<= {aim} {unit}", met(value, aim)))

    def text(self):
        head = ("case", "system", "baseline", "ratio", "aim", "met")
        widths = [max(len(str(r[i])) for r in self.rows + [head]) for i in range(len(head))]

        def line(r):
            return "  ".join(str(c).ljust(w) if i == 0 else str(c).rjust(w)
                             for i, (c, w) in enumerate(zip(r, widths)))
        return "\n".join([line(head), "  ".join("-" * w for w in widths)] + [line(r) for r in self.rows])


def mb(kb):
    return None if kb is None else kb / 1024


def difference(a, b):
    return None if a is None or b is None else a - b


SCREEN_KINDS = (("nowhere", "a word found nowhere"), ("rare_word", "a rare word"), ("percent_inside", "a % text"),
                ("one_character", "one CJK character"), ("common", "a common word"))


def stage_text(table):
    """Where the search on screen spends its time, stage by stage."""
    names = sorted({name for name, key in table.counters if name.startswith("search_screen/")})
    lines = ["search on screen, stage by stage (ms; the baseline's list is its whole change of the tree; "
             "frames: painted from the click on)",
             "case".ljust(44) + "".join(s.replace("_ms", "").rjust(11) for s in SCREEN_STAGES)]
    for name in names:
        cells = (table.counters.get((name, s)) for s in SCREEN_STAGES)
        lines.append(name.ljust(44) + "".join(("-" if v is None else f"{v:.3f}").rjust(11) for v in cells))
    return "\n".join(lines) if names else ""


def build(times, counters, outside):
    t = Table(times, counters, outside)
    t.timed("start-up fill (200 categories, 1M programmes)", "startup_fill/system", "startup_fill/baseline", 1.3)
    for pg in (2, 1000, 2000):
        t.timed(f"page turn to page {pg} (100,000 programmes)", f"page_turn/system/{pg}",
                f"page_turn/baseline/{pg}", 2.0)
    t.timed("page turn to page 2, first turn in the category", "page_turn/first_system/2",
            "page_turn/first_baseline/2", 2.0)
    # Pages are reached one turn at a time, each within 2x of fetching it
    # directly: the last page is shown beside page 2 without an aim.
    t.timed("page turn: last page vs page 2 (system)", "page_turn/system/2000", "page_turn/system/2", None)
    t.timed("  the same for the baseline", "page_turn/baseline/2000", "page_turn/baseline/2", None)
    t.timed("expansion (1,000 groups x 20 videos)", "expansion/system", "expansion/baseline", 1.3)
    t.timed("search, a common word", "search/system/common", "search/baseline/common", 1.1)
    t.timed("search, word found nowhere", "search/system/nowhere", "search/baseline/nowhere", 1.1)
    t.timed("search, empty text", "search/system/empty", "search/baseline/empty", 1.1)
    t.timed("ticker, CPU per tick (20 labels, painted)", "ticker/system", "ticker/baseline", None)
    t.absolute("start-up fill, same catalogue without indexes", t.times.get("startup_fill/system_unindexed"),
               3000, "ms")
    t.absolute("longest event-loop stall, search found nowhere (worker)",
               t.counters.get(("search_stall/worker/nowhere", "longest_stall_ms")), 100, "ms")
    # The search with its index, click to rows listed (median of 5,
    # wall-clock), beside the scan's time for the same text.
    for case, label in (("nowhere", "a word found nowhere"), ("ten_rows", "a word in about ten rows"),
                        ("common", "a common two-character word"), ("one_character", "a one-character word"),
                        ("percent_inside", "a text with % inside")):
        indexed = t.counters.get((f"search/indexed/{case}", "median_ms"))
        scan = t.times.get(f"search/baseline/{case}")
        t.rows.append((f"indexed search, {label}", ms(indexed), ms(scan),
                       "-" if indexed is None or not scan else f"{indexed / scan:.4f}x", "<= 100 ms",
                       met(indexed, 100)))
    # Jet catalogues beside SQLCipher files of the same data (wall clock: a
    # Jet file loads on other threads and in a child process).
    # Every start but the first after a catalogue is installed or changed
    # opens it from the catalogue cache; the first reads the Jet file, with
    # no aim.
    for case, label, aim in (("startup_fill/{}_20k", "Jet start-up fill, 20,000 programmes", 2.0),
                             ("startup_fill/{}_200k", "Jet start-up fill, 200,000 programmes", 2.0),
                             ("window_open/{}_200k", "Jet open and ad query, 200,000 (window shows)", 2.0),
                             ("page_turn/{}/2", "Jet page turn to page 2 (100,000 programmes)", 1.3),
                             ("page_turn/{}/1000", "Jet page turn to page 1000", 1.3),
                             ("search/{}", "Jet search, a common word (200,000)", 1.3)):
        t.ratio(label + " vs SQLCipher", t.counters.get(("jet/" + case.format("jet"), "median_ms")),
                t.counters.get(("jet/" + case.format("sqlcipher"), "median_ms")), aim)
        if case.startswith("startup_fill/"):
            t.ratio(label.replace("fill,", "fill, first open,") + " vs SQLCipher",
                    t.counters.get(("jet/" + case.format("jet") + "_first", "median_ms")),
                    t.counters.get(("jet/" + case.format("sqlcipher"), "median_ms")), None)
    # The search on screen: click to the frame that paints the rows (wall
    # clock), beside fifty rows put into a plain QTreeWidget in the same pass.
    for mode, reader, aim in (("plain", "no reader", 100), ("screen_reader", "reader listening", 200)):
        base = t.counters.get((f"search_screen/{mode}/baseline", "total_ms"))
        for case, label in SCREEN_KINDS:
            total = t.counters.get((f"search_screen/{mode}/{case}", "total_ms"))
            t.rows.append((f"search click to painted rows, {label} ({reader})", ms(total), ms(base),
                           "-" if total is None or not base else f"{total / base:.2f}x", f"<= {aim} ms",
                           met(total, aim)))
    t.absolute("search index build, CPU on its thread", t.times.get("search_index/build"), 3000, "ms")
    t.absolute("search index, memory it keeps", t.counters.get(("search_index/build", "index_mb")), 60, "MB", 1)

    # The program itself, on the 1,000,000-programme catalogue and on the
    # demo catalogue of a few dozen programmes: what the catalogue costs is
    # the growth over the demo (whose figure is mostly the browser engine).
    o = outside.get
    t.ratio("window: start to first category row painted (1M vs demo)", o("large.first_paint_ms"),
            o("demo.first_paint_ms"), 1.3)
    t.absolute("VmRSS, tree filled, 1M catalogue", mb(o("large.vmrss_kb")), None, "MB", 1)
    t.absolute("VmRSS, tree filled, demo catalogue", mb(o("demo.vmrss_kb")), None, "MB", 1)
    t.absolute("VmRSS growth over the demo catalogue", mb(difference(o("large.vmrss_kb"), o("demo.vmrss_kb"))),
               100, "MB", 1, "+")
    t.absolute("USS, process tree, 1M catalogue", mb(o("large.tree_uss_kb")), None, "MB", 1)
    t.absolute("USS, process tree, demo catalogue", mb(o("demo.tree_uss_kb")), None, "MB", 1)
    t.absolute("USS growth of the process tree over the demo",
               mb(difference(o("large.tree_uss_kb"), o("demo.tree_uss_kb"))), 100, "MB", 1, "+")
    t.absolute("RSS summed, process tree, 1M catalogue", mb(o("large.tree_rss_kb")), None, "MB", 1)
    t.absolute("idle CPU, process tree, 1M catalogue (ticker running)", o("large.tree_cpu_percent"), 1, "% core", 2)
    t.absolute("idle CPU, process tree, demo catalogue", o("demo.tree_cpu_percent"), 1, "% core", 2)
    return t


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1]) as f:
        times, counters = read_runs(json.load(f).get("benchmarks", []))
    outside = {}
    if len(argv) == 3:
        with open(argv[2]) as f:
            outside = read_outside(f)
    table = build(times, counters, outside)
    print(table.text())
    stages = stage_text(table)
    if stages:
        print()
        print(stages)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
