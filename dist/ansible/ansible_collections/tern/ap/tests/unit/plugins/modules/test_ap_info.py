# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# tern.ap.ap_info with a pattern of names: the APs the program says fit it,
# shown as `show --json` gives them.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

from ansible_collections.tern.ap.plugins.modules import ap_info
from ansible_collections.tern.ap.tests.unit.plugins.modules.harness import (
    CLI,
    FakeCli,
    ModuleTest,
    ap,
    report,
)

SHOWN = [dict(mac='02-54-45-00-00-0%d' % n, ap_name=name, wpa_passphrase='***')
         for n, name in ((1, 'TernAP-0001'), (2, 'TernAP-0002'), (3, 'Lobby'))]


class Patterns(ModuleTest):
    def test_a_pattern_gives_the_aps_the_program_matches_to_it(self):
        def plan(call):
            state = json.loads(list(call['files'].values())[0])
            self.assertEqual(state, {'version': 1,
                                     'aps': [{'match': 'TernAP-000*', 'settings': {}}]})
            return 0, report(ap('02-54-45-00-00-01', 'unchanged'),
                             ap('02-54-45-00-00-02', 'unchanged')), ''
        cli = FakeCli(plan, (0, json.dumps(SHOWN), ''))
        done = self.run_module(ap_info, dict(match='TernAP-000*', interfaces=['seg1']), cli)
        self.assertFalse(done.failed, done.result)
        self.assertEqual(done.result['aps'], SHOWN[:2])
        self.assertEqual(cli.calls[0]['args'][1], 'plan')
        self.assertEqual(cli.calls[0]['args'][3:], ['--json', '--interface', 'seg1'])
        self.assertEqual(cli.calls[1]['args'], [CLI, 'show', '--all', '--json', '--interface',
                                                'seg1'])

    def test_a_pattern_no_ap_fits_is_an_empty_list_after_one_search(self):
        err = "tern-ap-cli: warning: no AP answered matches 'Lab-*' (line 5)\n"
        cli = FakeCli((0, report(), err))
        done = self.run_module(ap_info, dict(match='Lab-*'), cli)
        self.assertFalse(done.failed, done.result)
        self.assertEqual(done.result['aps'], [])
        self.assertEqual(len(cli.calls), 1)

    def test_a_pattern_no_ap_fits_fails_where_aps_are_expected(self):
        done = self.run_module(ap_info, dict(match='Lab-*', expect_aps=1),
                               FakeCli((0, report(), '')))
        self.assertTrue(done.failed)
        self.assertIn('no AP answered as Lab-*', done.result['msg'])

    def test_a_name_or_mac_is_shown_directly(self):
        cli = FakeCli((0, json.dumps(SHOWN[2]), ''))
        done = self.run_module(ap_info, dict(match='Lobby'), cli)
        self.assertEqual(done.result['aps'], [SHOWN[2]])
        self.assertEqual(cli.calls[0]['args'][1:3], ['show', 'Lobby'])
