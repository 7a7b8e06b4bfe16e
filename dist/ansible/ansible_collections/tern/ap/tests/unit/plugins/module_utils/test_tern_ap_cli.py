# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# What the shared call of tern-ap-cli does for every module: what reaches
# the managed host's journal, that the program never gets a terminal, its
# version, reports it printed or did not, and option errors said in the
# task's words. Each case runs a module's main() as Ansible would.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import pty
import stat

from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import COLLECTION_VERSION
from ansible_collections.tern.ap.plugins.modules import ap_backup, ap_info, ap_restore, ap_settings
from ansible_collections.tern.ap.tests.unit.plugins.modules.harness import (
    FakeCli,
    ModuleTest,
    ap,
    mock,
    report,
)

PSK = 'Psk-In-Journal-42'
RADIUS = 'radius-shared-77'
WEP = '0123456789'
PASSWORD = 'Pa55-never-logged'
LOGIN_PASSWORD = 'Wh-own-login-77'
UNCHANGED = (0, report(ap('02-54-45-00-00-01', 'unchanged')), '')


class SecretsStayOutOfTheJournal(ModuleTest):
    FORMS = {
        'inline under aps': dict(aps=[{'match': 'Lobby', 'settings': {'wpa_passphrase': PSK}}]),
        'nested under defaults': dict(defaults={
            'radius_servers': [{'ip': '10.0.0.5', 'shared_secret': RADIUS}],
            'wep_keys': [WEP, '', '', '']}),
        'dotted under defaults': dict(defaults={'wep_keys.3': WEP,
                                                'radius_servers.2.shared_secret': RADIUS,
                                                'wpa_passphrase': PSK}),
        'an entry given as JSON text': dict(aps=[json.dumps(
            {'match': 'Lobby', 'settings': {'wpa_passphrase': PSK}})]),
    }

    def test_no_secret_setting_reaches_the_journal_the_result_or_the_diff(self):
        for form, options in self.FORMS.items():
            with self.subTest(form=form):
                self.journal.entries = []
                args = dict(options, login_user='admin', login_password=PASSWORD)
                changed = report(ap('02-54-45-00-00-01', 'changed',
                                    {'wpa_passphrase': {'before': '***',
                                                        'after': '*** (changed)'}}))
                done = self.run_module(ap_settings, args, FakeCli((0, changed, '')), diff=True)
                self.assertFalse(done.failed, done.result)
                # The module did log its invocation, with what is no secret.
                self.assertTrue(self.journal.entries)
                self.assertIn('Invoked with', self.journal.entries[0]['MESSAGE'])
                self.assertIn('Lobby' if 'aps' in options else 'radius_servers',
                              self.journal.text())
                for secret in (PSK, RADIUS, WEP, PASSWORD):
                    self.assertNoSecretIn(secret, self.journal.text(), done.result)

    def test_a_failure_while_the_options_are_checked_holds_no_secret(self):
        args = dict(self.FORMS['inline under aps'], retries='three', login_user='admin',
                    login_password=PASSWORD)
        cli = FakeCli()
        done = self.run_module(ap_settings, args, cli)
        self.assertTrue(done.failed)
        self.assertIn('retries', done.result['msg'])
        self.assertEqual(cli.calls, [])
        self.assertNoSecretIn(PSK, done.result, self.journal.text())
        self.assertNoSecretIn(PASSWORD, done.result, self.journal.text())

    def test_passwords_stay_out_of_every_modules_journal(self):
        login = dict(login_user='admin', login_password=PASSWORD,
                     logins=[{'match': 'Warehouse', 'user': 'ops', 'password': LOGIN_PASSWORD}])
        backup = os.path.join(self.tmp, 'backup')
        os.mkdir(backup)
        cases = [
            (ap_info, {}, (0, json.dumps([{'mac': '02-54-45-00-00-01'}]), '')),
            (ap_settings, dict(defaults={'channel': 6}), UNCHANGED),
            (ap_restore, dict(src=[backup]), UNCHANGED),
        ]
        for module, options, answer in cases:
            with self.subTest(module=module.__name__):
                self.journal.entries = []
                done = self.run_module(module, dict(options, **login), FakeCli(answer))
                self.assertFalse(done.failed, done.result)
                self.assertTrue(self.journal.entries)
                for secret in (PASSWORD, LOGIN_PASSWORD):
                    self.assertNoSecretIn(secret, self.journal.text(), done.result)


class NeverAPrompt(ModuleTest):
    def test_the_program_never_gets_the_modules_terminal(self):
        # Over SSH Ansible gives the module a terminal as its standard
        # input; a real run_command of a stand-in program tells what the
        # program would get.
        seen = os.path.join(self.tmp, 'stdin-was')
        script = os.path.join(self.tmp, 'tern-ap-cli')
        with open(script, 'w') as f:
            f.write('#!/bin/sh\n'
                    'if [ "$1" = --version ]; then echo "tern-ap-cli %s"; exit 0; fi\n'
                    'if [ -t 0 ]; then echo terminal >"%s"; else echo other >"%s"; fi\n'
                    'cat <<EOF\n%s\nEOF\n' % (COLLECTION_VERSION, seen, seen, UNCHANGED[1]))
        os.chmod(script, stat.S_IRWXU)
        master, slave = pty.openpty()
        saved = os.dup(0)
        try:
            os.dup2(slave, 0)
            self.assertTrue(os.isatty(0))
            done = self.run_module(ap_settings, dict(defaults={'channel': 6}, cli=script,
                                                     login_user='admin',
                                                     login_password=PASSWORD),
                                   None, fake_cli=False)
            # The module's own standard input is as it was.
            self.assertTrue(os.isatty(0))
        finally:
            os.dup2(saved, 0)
            os.close(saved)
            os.close(slave)
            os.close(master)
        self.assertFalse(done.failed, done.result)
        with open(seen) as f:
            self.assertEqual(f.read().strip(), 'other')

    def test_a_login_user_without_a_password_fails_at_once_naming_login_password(self):
        for module, options in ((ap_settings, dict(defaults={'channel': 6})),
                                (ap_restore, dict(src=[self.tmp]))):
            with self.subTest(module=module.__name__):
                cli = FakeCli()
                with mock.patch.dict(os.environ, clear=False) as environ:
                    environ.pop('TERN_AP_PASSWORD', None)
                    done = self.run_module(module, dict(options, login_user='admin'), cli)
                self.assertTrue(done.failed)
                self.assertIn("login_user 'admin' has no password", done.result['msg'])
                self.assertIn('login_password', done.result['msg'])
                self.assertEqual(cli.calls, [])

    def test_check_mode_needs_no_login(self):
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'unchanged')), ''))
        done = self.run_module(ap_settings, dict(defaults={'channel': 6}, login_user='admin'),
                               cli, check_mode=True)
        self.assertFalse(done.failed, done.result)
        self.assertNotIn('--user', cli.calls[0]['args'])


class TheProgramsVersion(ModuleTest):
    ARGS = dict(defaults={'channel': 6}, login_user='admin', login_password=PASSWORD)

    def test_another_version_fails_naming_both(self):
        cli = FakeCli(version=(0, 'tern-ap-cli 9.8.7\n', ''))
        done = self.run_module(ap_settings, self.ARGS, cli)
        self.assertTrue(done.failed)
        self.assertIn('tern-ap-cli 9.8.7', done.result['msg'])
        self.assertIn('tern.ap is %s' % COLLECTION_VERSION, done.result['msg'])
        self.assertEqual(cli.calls, [])

    def test_a_program_that_does_not_tell_its_version_fails(self):
        cases = {
            'an older tern-ap-cli': (2, '', "tern-ap-cli: unknown option '--version'; see --help\n"),
            '/bin/true': (0, '', ''),
            'another program': (0, 'GNU coreutils 9.1\n', ''),
        }
        for what, answer in cases.items():
            with self.subTest(program=what):
                cli = FakeCli(version=answer)
                done = self.run_module(ap_info, {}, cli)
                self.assertTrue(done.failed)
                self.assertIn('does not tell its version', done.result['msg'])
                self.assertIn(COLLECTION_VERSION, done.result['msg'])
                self.assertEqual(cli.calls, [])


class ReportsPrintedOrNot(ModuleTest):
    LOGIN = dict(login_user='admin', login_password=PASSWORD)

    def test_success_without_a_report_is_a_failure(self):
        backup = os.path.join(self.tmp, 'backups')
        os.mkdir(backup)
        cases = [
            (ap_settings, dict(defaults={'channel': 6}, **self.LOGIN), False, 'apply'),
            (ap_settings, dict(defaults={'channel': 6}), True, 'plan'),
            (ap_restore, dict(src=[backup], **self.LOGIN), False, 'restore'),
            (ap_info, {}, False, 'show'),
        ]
        for module, args, check, command in cases:
            for out in ('', 'not json', '[1, 2]'):
                with self.subTest(module=module.__name__, check_mode=check, stdout=out):
                    if module is ap_info and out == '[1, 2]':
                        continue
                    done = self.run_module(module, args, FakeCli((0, out, '')),
                                           check_mode=check)
                    self.assertTrue(done.failed, done.result)
                    self.assertIn('tern-ap-cli %s printed no report (exit 0)' % command,
                                  done.result['msg'])

    def test_a_backup_that_saved_no_file_is_a_failure(self):
        done = self.run_module(ap_backup, dict(dest=os.path.join(self.tmp, 'd')),
                               FakeCli((0, '', '')))
        self.assertTrue(done.failed)
        self.assertIn('tern-ap-cli backup saved no file (exit 0)', done.result['msg'])


class OptionsSaidInTheTasksWords(ModuleTest):
    STATE = dict(defaults={'beacon_intervall': 150},
                 aps=[{'match': 'Lobby', 'settings': {'channel': 'six'}},
                      {'match': 'Lab-*', 'settings': {'radius_servers': [
                          {'ip': '10.0.0.5'}, {'shared_secret': {'file': '/nonexistent'}}]}}])

    def refusal(self, key, words, name='state.json'):
        """The program refusing the line of the file that holds "KEY"."""
        def answer(call):
            path = [a for a in call['args'] if a.endswith(name)][0]
            line = [n for n, text in enumerate(call['files'][path].splitlines(), 1)
                    if '"%s"' % key.split('.')[-1] in text][-1]
            return 2, '', 'tern-ap-cli: %s:%d: %s: %s\n' % (path, line, key, words)
        return answer

    def test_a_fault_in_the_state_is_named_by_its_option(self):
        cases = [
            ('beacon_intervall', 'is not a setting', 'defaults.beacon_intervall: is not a setting'),
            ('channel', "wants a whole number, not 'six'",
             "aps[0].settings.channel: wants a whole number, not 'six'"),
            ('radius_servers.2.shared_secret', "cannot read the secret file '/nonexistent'",
             "aps[1].settings.radius_servers[1].shared_secret: cannot read the secret file"),
        ]
        for key, words, said in cases:
            with self.subTest(key=key):
                done = self.run_module(ap_settings, self.STATE, FakeCli(self.refusal(key, words)),
                                       check_mode=True)
                self.assertTrue(done.failed)
                self.assertEqual(done.result['rc'], 2)
                self.assertIn(said, done.result['msg'])
                self.assertNotIn('state.json', done.result['msg'])

    def test_a_fault_in_a_login_is_named_by_its_option(self):
        args = dict(defaults={'channel': 6}, login_user='admin', login_password=PASSWORD,
                    logins=[{'match': 'Lobby', 'user': 'ops', 'password': LOGIN_PASSWORD},
                            {'match': '', 'user': 'ops', 'password_file': '/etc/hostname'}])
        done = self.run_module(ap_settings, args, FakeCli(
            self.refusal('match', 'is empty; name a MAC, a name or a pattern', 'logins.json')))
        self.assertTrue(done.failed)
        self.assertIn('logins[1].match: is empty', done.result['msg'])
        self.assertNotIn('logins.json', done.result['msg'])

    def test_a_pattern_that_matched_nothing_is_a_warning_naming_its_entry(self):
        err = "tern-ap-cli: warning: no AP answered matches 'Lab-*' (line %d)\n"

        def answer(call):
            state = call['args'][2]
            line = [n for n, text in enumerate(call['files'][state].splitlines(), 1)
                    if 'Lab-*' in text][0]
            return 0, report(ap('02-54-45-00-00-01', 'unchanged')), err % line
        self.run_module(ap_settings, self.STATE, FakeCli(answer), check_mode=True)
        self.assertEqual(self.warnings, ["tern-ap-cli: warning: no AP answered matches "
                                         "'Lab-*' (aps[1].match)"])

    def test_the_login_options_are_checked_before_anything_runs(self):
        cases = [
            (dict(login_password=PASSWORD), 'login_user'),
            (dict(login_user='admin', login_password=PASSWORD,
                  login_password_file='/etc/hostname'), 'login_password'),
            (dict(login_user='admin', logins=[{'match': 'Lobby', 'user': 'ops'}]), 'logins'),
            (dict(login_user='admin', login_password_file='/nonexistent/password'),
             "login_password_file '/nonexistent/password' cannot be read"),
            ({}, 'login_user (or logins) is needed'),
        ]
        for options, named in cases:
            with self.subTest(options=sorted(options)):
                cli = FakeCli()
                done = self.run_module(ap_settings, dict(defaults={'channel': 6}, **options), cli)
                self.assertTrue(done.failed)
                self.assertIn(named, done.result['msg'])
                self.assertEqual(cli.calls, [])
                self.assertNoSecretIn(PASSWORD, done.result)

    def test_password_files_are_handed_to_the_program_by_path(self):
        password = os.path.join(self.tmp, 'password')
        with open(password, 'w') as f:
            f.write('secret\n')
        args = dict(defaults={'channel': 6}, login_user='admin', login_password_file=password,
                    logins=[{'match': 'Lobby', 'user': 'ops', 'password_file': password}])
        cli = FakeCli(UNCHANGED)
        done = self.run_module(ap_settings, args, cli)
        self.assertFalse(done.failed, done.result)
        call = cli.calls[0]
        self.assertEqual(call['args'][call['args'].index('--password-file') + 1], password)
        self.assertNotIn('TERN_AP_PASSWORD', call['env'])
        logins = call['args'][call['args'].index('--logins') + 1]
        self.assertEqual(json.loads(call['files'][logins])['aps'][0]['password'],
                         {'file': password})

    def test_a_word_beginning_with_a_dash_is_never_handed_over_as_an_option(self):
        cases = [
            (ap_info, dict(match='--show-secrets')),
            (ap_backup, dict(dest=self.tmp, match=['Lobby', '-x'])),
        ]
        for module, args in cases:
            with self.subTest(module=module.__name__):
                cli = FakeCli()
                done = self.run_module(module, args, cli)
                self.assertTrue(done.failed)
                self.assertIn("begins with '-'", done.result['msg'])
                self.assertEqual(cli.calls, [])


class APsThatMustAnswer(ModuleTest):
    ARGS = dict(defaults={'channel': 6}, login_user='admin', login_password=PASSWORD)

    def test_a_site_where_no_ap_answered_fails(self):
        for check in (False, True):
            with self.subTest(check_mode=check):
                done = self.run_module(ap_settings, self.ARGS, FakeCli((0, report(), '')),
                                       check_mode=check)
                self.assertTrue(done.failed)
                self.assertIn('no AP of the state answered', done.result['msg'])
                self.assertIn('expect_aps 1', done.result['msg'])
                self.assertEqual(done.result['heard'], 0)

    def test_fewer_than_expect_aps_fails_naming_how_many_answered(self):
        aps = [ap('02-54-45-00-00-01', 'unchanged'), ap('02-54-45-00-00-02', 'changed'),
               ap('02-54-45-00-00-03', 'missing')]
        args = dict(self.ARGS, expect_aps=3, interfaces=['eth1'])
        done = self.run_module(ap_settings, args, FakeCli((4, report(*aps), '')))
        self.assertTrue(done.failed)
        self.assertEqual(done.result['rc'], 4)
        done = self.run_module(ap_settings, args, FakeCli((0, report(*aps[:2]), '')))
        self.assertTrue(done.failed)
        self.assertIn('2 AP(s) of the state answered', done.result['msg'])
        self.assertIn('fewer than expect_aps 3', done.result['msg'])
        self.assertIn('through eth1', done.result['msg'])
        self.assertTrue(done.result['changed'])

    def test_backup_and_info_count_what_answered(self):
        def saves_one(call):
            folder = [a for a in call['args'] if a.endswith('/')][0]
            with open(os.path.join(folder, '02-54-45-00-00-01.json'), 'w') as f:
                json.dump({'record': 'aa'}, f)
            return 0, '02-54-45-00-00-01\n', ''
        done = self.run_module(ap_backup, dict(dest=os.path.join(self.tmp, 'b'), expect_aps=2),
                               FakeCli(saves_one))
        self.assertTrue(done.failed)
        self.assertIn('1 AP(s) answered and were saved, fewer than expect_aps 2',
                      done.result['msg'])
        done = self.run_module(ap_info, dict(expect_aps=2),
                               FakeCli((0, json.dumps({'mac': '02-54-45-00-00-01'}), '')))
        self.assertTrue(done.failed)
        self.assertIn('1 AP(s) answered', done.result['msg'])
