# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# tern.ap.ap_restore with tern-ap-cli replaced: which restore it asks for,
# check mode as a plan, the diff, changed, and its failures.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os

from ansible_collections.tern.ap.plugins.modules import ap_restore
from ansible_collections.tern.ap.tests.unit.plugins.modules.harness import (
    CLI,
    FakeCli,
    ModuleTest,
    ap,
    report,
)

PASSWORD = 'Restore-Pa55'
BEACON_BACK = {'beacon_interval': {'before': 150, 'after': 100}}
BACKUP = json.dumps({'format': 'tern-ap-backup', 'version': 1, 'mac': '02-54-45-00-00-01',
                     'settings': {'wpa_passphrase': 'in-the-backup-only'}, 'record': 'aa' * 8})


class ApRestoreTest(ModuleTest):
    def setUp(self):
        ModuleTest.setUp(self)
        self.folder = os.path.join(self.tmp, 'latest')
        os.mkdir(self.folder)
        self.file = os.path.join(self.folder, '02-54-45-00-00-01.json')
        for name in ('02-54-45-00-00-01.json', '02-54-45-00-00-02.json'):
            with open(os.path.join(self.folder, name), 'w') as f:
                f.write(BACKUP)
        self.login = dict(login_user='admin', login_password=PASSWORD)


class WhatIsRestored(ApRestoreTest):
    def test_a_folder_is_restored_with_the_login_through_the_environment(self):
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'changed', BEACON_BACK),
                                 ap('02-54-45-00-00-02', 'unchanged')), ''))
        done = self.run_module(ap_restore, dict(src=[self.folder], interfaces=['seg1'],
                                                retries=1, **self.login), cli)
        self.assertFalse(done.failed, done.result)
        self.assertTrue(done.result['changed'])
        self.assertEqual(cli.calls[0]['args'], [CLI, 'restore', self.folder, '--json',
                                                '--interface', 'seg1', '--user', 'admin',
                                                '--retries', '1'])
        self.assertEqual(cli.calls[0]['env']['TERN_AP_PASSWORD'], PASSWORD)
        self.assertEqual(done.result['summary'], {'changed': 1, 'unchanged': 1})
        self.assertNoSecretIn(PASSWORD, done.result)

    def test_every_ap_as_saved_is_not_changed(self):
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'unchanged')), ''))
        done = self.run_module(ap_restore, dict(src=[self.folder], **self.login), cli)
        self.assertFalse(done.failed, done.result)
        self.assertFalse(done.result['changed'])

    def test_one_file_is_restored_as_a_folders_file_is(self):
        # Alone, tern-ap-cli's restore FILE writes the record whether or not
        # the AP holds it; in a folder only what differs, read back.
        def answer(call):
            folder = call['args'][2]
            self.assertNotEqual(folder, self.folder)
            self.assertEqual(call['modes'][folder], 0o700)
            self.assertEqual(list(call['files'].values()), [BACKUP])
            return (2, '', "tern-ap-cli: '%s/backup.json' is not a backup of an AP made by "
                           "tern-ap-cli, or it is damaged\n" % folder)
        done = self.run_module(ap_restore, dict(src=[self.file], **self.login),
                               FakeCli(answer))
        self.assertTrue(done.failed)
        # The message names the file the task gave, and the copy is gone.
        self.assertIn("'%s' is not a backup" % self.file, done.result['msg'])
        self.assertFalse(os.path.exists(done.result['cmd'][2]))

    def test_several_files_and_folders_are_handed_over_as_given_made_absolute(self):
        other = os.path.join(self.tmp, 'other.json')
        with open(other, 'w') as f:
            f.write(BACKUP)
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'unchanged')), ''))
        cwd = os.getcwd()
        os.chdir(self.tmp)
        try:
            self.run_module(ap_restore, dict(src=['other.json', self.folder], **self.login),
                            cli)
        finally:
            os.chdir(cwd)
        self.assertEqual(cli.calls[0]['args'][1:4], ['restore', other, self.folder])

    def test_a_file_onto_another_ap(self):
        answer = json.dumps([{'mac': '02-54-45-00-00-09', 'name': 'New', 'outcome': 'acknowledged'}])
        cli = FakeCli((0, answer, ''))
        done = self.run_module(ap_restore, dict(src=[self.file], target='02-54-45-00-00-09',
                                                all_fields=True, **self.login), cli)
        self.assertFalse(done.failed, done.result)
        self.assertTrue(done.result['changed'])
        self.assertEqual(cli.calls[0]['args'][1:4], ['restore', self.file, '02-54-45-00-00-09'])
        self.assertIn('--all-fields', cli.calls[0]['args'])

    def test_options_that_cannot_go_together_are_refused_before_anything_runs(self):
        cases = [
            (dict(src=[self.folder], target='New'), 'one backup file'),
            (dict(src=[self.file, self.file], target='New'), 'one backup file'),
            (dict(src=[self.file], target='--all'), "begins with '-'"),
            (dict(src=[self.folder], all_fields=True), 'all_fields'),
            (dict(src=[os.path.join(self.tmp, 'gone')]), 'does not exist'),
            (dict(src=[self.file], target='New',
                  logins=[{'match': 'x', 'user': 'u', 'password': 'p'}]), 'target'),
        ]
        for options, named in cases:
            with self.subTest(options=sorted(options)):
                cli = FakeCli()
                done = self.run_module(ap_restore, dict(options, **self.login), cli)
                self.assertTrue(done.failed)
                self.assertIn(named, done.result['msg'])
                self.assertEqual(cli.calls, [])


class CheckModeAndDiff(ApRestoreTest):
    def test_check_mode_plans_without_a_login_and_gives_the_diff(self):
        plan = report(ap('02-54-45-00-00-01', 'to change', dict(BEACON_BACK, wpa_passphrase={
            'before': '***', 'after': '*** (changed)'})))
        cli = FakeCli((5, plan, ''))
        done = self.run_module(ap_restore, dict(src=[self.folder], **self.login), cli,
                               check_mode=True, diff=True)
        self.assertFalse(done.failed, done.result)
        self.assertTrue(done.result['changed'])
        args = cli.calls[0]['args']
        self.assertIn('--plan', args)
        self.assertNotIn('--user', args)
        self.assertNotIn('TERN_AP_PASSWORD', cli.calls[0]['env'])
        self.assertEqual(done.result['diff'][0]['after'],
                         {'beacon_interval': 100, 'wpa_passphrase': '*** (changed)'})
        self.assertNoSecretIn('in-the-backup-only', done.result)

    def test_a_program_that_cannot_plan_a_restore_leaves_the_task_skipped(self):
        err = "tern-ap-cli: unknown option '--plan'; see --help\n"
        done = self.run_module(ap_restore, dict(src=[self.folder]), FakeCli((2, '', err)),
                               check_mode=True)
        self.assertFalse(done.failed, done.result)
        self.assertTrue(done.result['skipped'])
        self.assertFalse(done.result['changed'])
        self.assertTrue(self.warnings)


class Failures(ApRestoreTest):
    def test_each_failing_outcome_fails_with_the_exit_code_and_the_programs_words(self):
        for rc, outcome in ((3, 'refused'), (4, 'missing'), (4, 'no answer'),
                            (6, 'not applied'), (2, 'invalid')):
            with self.subTest(outcome=outcome):
                failing = ap('02-54-45-00-00-02', outcome, problems=['why'])
                cli = FakeCli((rc, report(ap('02-54-45-00-00-01', 'changed', BEACON_BACK),
                                          failing), ''))
                done = self.run_module(ap_restore, dict(src=[self.folder], **self.login), cli)
                self.assertTrue(done.failed)
                self.assertEqual(done.result['rc'], rc)
                self.assertIn('tern-ap-cli restore exited %d' % rc, done.result['msg'])
                self.assertIn('02-54-45-00-00-02 (TernAP-02): %s on seg1 (why)' % outcome,
                              done.result['msg'])
                self.assertTrue(done.result['changed'])

    def test_a_refused_single_ap_restore_fails(self):
        answer = json.dumps([{'mac': '02-54-45-00-00-09', 'name': 'New', 'outcome': 'refused'}])
        done = self.run_module(ap_restore, dict(src=[self.file], target='New', **self.login),
                               FakeCli((3, answer, '')))
        self.assertTrue(done.failed)
        self.assertEqual(done.result['rc'], 3)
        self.assertIn('02-54-45-00-00-09 (New): refused', done.result['msg'])
        self.assertFalse(done.result['changed'])
