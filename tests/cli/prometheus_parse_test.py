#!/usr/bin/env python3
"""`tern-ap-cli scan --prometheus FILE` read by Prometheus' own parser.

Two demo scans into the same file: the second hears one AP fewer, and that
AP must then be reported as down (tern_ap_up 0).
    tests/cli/prometheus_parse_test.py TERN_AP_CLI
"""
import os
import subprocess
import sys
import tempfile
import unittest

try:
    from prometheus_client.parser import text_string_to_metric_families
except ImportError:  # python3-prometheus-client; tools/install-deps installs it
    print("skipped: python3-prometheus-client is missing")
    sys.exit(77)

CLI = sys.argv.pop(1)


def scan(path, count, cache):
    env = dict(os.environ, XDG_CACHE_HOME=cache, LC_ALL="C")
    subprocess.run([CLI, f"--demo={count}", "--quiet", "--timeout-ms", "300", "scan",
                    "--prometheus", path], check=True, env=env, stdout=subprocess.DEVNULL,
                   timeout=60)
    with open(path, encoding="utf-8") as f:
        return {family.name: family for family in text_string_to_metric_families(f.read())}


def samples(family, name=None):
    return {s.labels.get("mac", ""): s.value for s in family.samples
            if name is None or s.name == name}


class PrometheusFile(unittest.TestCase):
    def test_every_family_parses_and_a_gone_ap_is_down(self):
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "tern-ap.prom")
            first = scan(path, 3, work)
            for name in ("tern_ap_up", "tern_ap_info", "tern_ap_channel", "tern_ap_scan_aps",
                         "tern_ap_scan_duration_seconds", "tern_ap_scan_lost_datagrams",
                         "tern_ap_last_scan_timestamp_seconds"):
                self.assertIn(name, first)
                self.assertEqual(first[name].type, "gauge", name)
                self.assertTrue(first[name].documentation, name)
            self.assertEqual(samples(first["tern_ap_up"]),
                             {"02-54-45-00-00-00": 1, "02-54-45-00-00-01": 1,
                              "02-54-45-00-00-02": 1})
            info = {s.labels["mac"]: s.labels for s in first["tern_ap_info"].samples}
            self.assertEqual(info["02-54-45-00-00-00"]["name"], "Lobby")
            self.assertEqual(info["02-54-45-00-00-01"]["encryption"], "64 bits")
            self.assertTrue(info["02-54-45-00-00-00"]["firmware"].startswith("MX9000"))
            self.assertEqual(samples(first["tern_ap_channel"])["02-54-45-00-00-02"], 3)
            self.assertEqual(first["tern_ap_scan_aps"].samples[0].value, 3)

            second = scan(path, 2, work)
            self.assertEqual(samples(second["tern_ap_up"]),
                             {"02-54-45-00-00-00": 1, "02-54-45-00-00-01": 1,
                              "02-54-45-00-00-02": 0})
            self.assertEqual(second["tern_ap_scan_aps"].samples[0].value, 2)
            self.assertNotIn("02-54-45-00-00-02", samples(second["tern_ap_info"]))
            # Only the file and its memory: the collector never sees a
            # temporary file.
            self.assertEqual(sorted(os.listdir(work)),
                             ["tern-ap.prom", "tern-ap.prom.known"])


if __name__ == "__main__":
    unittest.main()
