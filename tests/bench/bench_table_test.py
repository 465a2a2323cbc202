#!/usr/bin/env python3
"""The benchmark table on a saved run with repetitions: every figure it
prints is the median of the runs, never one of the library's aggregates
(whose figures in the saved file differ on purpose), and each "met" follows
its figure."""
import os
import subprocess
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
table_script = os.path.join(here, "..", "..", "bench", "bench_table.py")
saved_run = os.path.join(here, "bench-with-repetitions.json")
outside = os.path.join(here, "outside-figures.txt")


def table(*args):
    out = subprocess.run([sys.executable, table_script, *args], check=True, capture_output=True, text=True).stdout
    rows = {}
    for line in out.splitlines()[2:]:
        # Columns are two or more blanks apart; the case itself has single blanks.
        cells = [c for c in line.split("  ") if c.strip()]
        rows[cells[0].strip()] = [c.strip() for c in cells[1:]]
    return rows


class BenchTable(unittest.TestCase):
    def test_figures_are_the_median_run(self):
        rows = table(saved_run, outside)
        expected = {
            # case: system, baseline, ratio, met
            "expansion (1,000 groups x 20 videos)": ["12.00 ms", "10.00 ms", "1.20x", "yes"],
            "search, empty text": ["150.0 us", "100.0 us", "1.50x", "NO"],
            "start-up fill, same catalogue without indexes": ["2950 ms", "-", "-", "yes"],
            "search index build, CPU on its thread": ["2200 ms", "-", "-", "yes"],
            "search index, memory it keeps": ["44.3 MB", "-", "-", "yes"],
            "indexed search, a word found nowhere": ["12.50 ms", "450 ms", "0.0278x", "yes"],
            "longest event-loop stall, search found nowhere (worker)": ["not measured", "-", "-", "-"],
            "window: start to first category row painted (1M vs demo)": ["1100 ms", "850 ms", "1.29x", "yes"],
            "VmRSS growth over the demo catalogue": ["+57.0 MB", "-", "-", "yes"],
            "USS growth of the process tree over the demo": ["+150.0 MB", "-", "-", "NO"],
            "idle CPU, process tree, demo catalogue": ["1.70 % core", "-", "-", "NO"],
            "Jet start-up fill, 200,000 programmes vs SQLCipher": ["200 ms", "100 ms", "2.00x", "yes"],
            "Jet start-up fill, first open, 200,000 programmes vs SQLCipher": ["800 ms", "100 ms", "8.00x", "-"],
        }
        for case, (system, baseline, ratio, met) in expected.items():
            with self.subTest(case=case):
                got = rows[case]
                self.assertEqual([got[0], got[1], got[2], got[-1]], [system, baseline, ratio, met])

    def test_figures_not_measured_are_never_met(self):
        rows = table(saved_run)
        for case in ("window: start to first category row painted (1M vs demo)",
                     "VmRSS growth over the demo catalogue", "search, a common word"):
            with self.subTest(case=case):
                self.assertEqual(rows[case][0], "not measured")
                self.assertEqual(rows[case][-1], "-")


if __name__ == "__main__":
    unittest.main()
