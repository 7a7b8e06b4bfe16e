# The tern.ap modules with tern-ap-cli replaced: AnsibleModule.run_command
# is a fake that records each argument list and environment, looks at the
# files the module handed over while they exist, and answers as the CLI
# would (its JSON and exit codes). Nothing here searches or sends.
#
#   ANSIBLE_COLLECTIONS_PATH=dist/ansible python3 -m unittest discover -s tests/ansible -p 'test_*.py'
from __future__ import absolute_import, division, print_function

import json
import os
import shutil
import stat
import sys
import tempfile
import unittest
from unittest import mock

HERE = os.path.dirname(os.path.abspath(__file__))
COLLECTIONS = os.environ.get('ANSIBLE_COLLECTIONS_PATH',
                             os.path.join(HERE, '..', '..', 'dist', 'ansible')).split(':')[0]
sys.path.insert(0, os.path.abspath(COLLECTIONS))

try:
    from ansible.module_utils import basic
    from ansible.module_utils.common.text.converters import to_bytes
except ImportError:  # pragma: no cover - said by run_unit_tests.sh as a skip
    print('ansible-core is not installed (tools/install-deps installs it)')
    sys.exit(77)

from ansible_collections.tern.ap.plugins.doc_fragments import common  # noqa: E402
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (  # noqa: E402
    COLLECTION_VERSION,
)
from ansible_collections.tern.ap.plugins.modules import (  # noqa: E402
    ap_backup,
    ap_info,
    ap_restore,
    ap_settings,
)

CLI = '/opt/tern/bin/tern-ap-cli'
PASSWORD = 'Pa55-never-in-argv'
LOGIN_PASSWORD = 'Wh-own-login-77'
PSK = 'correct-horse-battery'


class Exited(Exception):
    def __init__(self, result, failed):
        Exception.__init__(self, result)
        self.result = result
        self.failed = failed


def returned(module, kwargs):
    # What AnsibleModule prints: the result with the invocation, every value
    # given as no_log taken out.
    kwargs.setdefault('invocation', {'module_args': module.params})
    return basic.remove_values(kwargs, module.no_log_values)


def exit_json(self, **kwargs):
    raise Exited(returned(self, kwargs), False)


def fail_json(self, msg, **kwargs):
    kwargs['msg'] = msg
    kwargs['failed'] = True
    raise Exited(returned(self, kwargs), True)


class FakeCli(object):
    """tern-ap-cli as run_command sees it: one answer per call, in turn.

    The modules ask the program's version first; that is answered here, as
    the collection's own, and not counted among the calls.
    """

    def __init__(self, *answers):
        self.answers = list(answers)
        self.calls = []
        self.version_calls = 0

    def __call__(self, module, args, environ_update=None, check_rc=False, **kwargs):
        if list(args[1:]) == ['--version']:
            self.version_calls += 1
            return 0, 'tern-ap-cli %s\n' % COLLECTION_VERSION, ''
        call = dict(args=list(args), env=dict(environ_update or {}), files={}, modes={})
        # The files the module wrote, while the command runs.
        for a in args:
            if isinstance(a, str) and os.path.isfile(a):
                with open(a) as f:
                    call['files'][a] = f.read()
                call['modes'][a] = stat.S_IMODE(os.stat(a).st_mode)
                call['modes'][os.path.dirname(a)] = stat.S_IMODE(
                    os.stat(os.path.dirname(a)).st_mode)
        self.calls.append(call)
        answer = self.answers.pop(0)
        if callable(answer):
            answer = answer(call)
        return answer


def report(*aps):
    summary = {}
    for ap in aps:
        key = ap['outcome'].replace(' ', '_')
        summary[key] = summary.get(key, 0) + 1
    return json.dumps({'aps': list(aps), 'summary': summary}, indent=4)


def ap(mac, outcome, changes=None, **extra):
    entry = dict(mac=mac, name='TernAP-' + mac[-2:], interface='seg1', outcome=outcome,
                 changes=changes or {})
    entry.update(extra)
    return entry


BEACON = {'beacon_interval': {'before': 100, 'after': 150}}
MASKED_PSK = {'wpa_passphrase': {'before': '***', 'after': '*** (changed)'}}


class ModuleTest(unittest.TestCase):
    def run_module(self, module, args, cli, check_mode=False, diff=False):
        args = dict(args)
        args['_ansible_check_mode'] = check_mode
        args['_ansible_diff'] = diff
        # Tests need no temporary folder of ansible's own.
        args['_ansible_remote_tmp'] = self.tmp
        args['_ansible_tmpdir'] = self.tmp
        basic._ANSIBLE_ARGS = to_bytes(json.dumps({'ANSIBLE_MODULE_ARGS': args}))
        with mock.patch.object(basic.AnsibleModule, 'run_command', autospec=True,
                               side_effect=cli), \
                mock.patch.object(basic.AnsibleModule, 'exit_json', exit_json), \
                mock.patch.object(basic.AnsibleModule, 'fail_json', fail_json), \
                mock.patch.object(basic.AnsibleModule, 'get_bin_path', return_value=CLI), \
                mock.patch.object(basic.AnsibleModule, 'warn') as warn:
            with self.assertRaises(Exited) as done:
                module.main()
        self.warnings = [c[0][1] if len(c[0]) > 1 else c[0][0] for c in warn.call_args_list]
        return done.exception

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix='tern-ap-test-')
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def assertNoSecretIn(self, secret, *things):
        for thing in things:
            self.assertNotIn(secret, json.dumps(thing))


class ApSettingsApply(ModuleTest):
    ARGS = dict(defaults={'beacon_interval': 150},
                aps=[{'match': '02-54-45-00-00-01', 'settings': {'ssid': 'lobby',
                                                                 'wpa_passphrase': PSK}}],
                login_user='admin', login_password=PASSWORD, interfaces=['seg1', 'seg2'],
                timeout_ms=3000, retries=2, keep_going=True, backup_dir='/var/backups/ap')

    def test_the_argument_list_holds_the_options_and_never_the_password(self):
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'changed', BEACON)), ''))
        done = self.run_module(ap_settings, self.ARGS, cli)
        self.assertFalse(done.failed, done.result)
        self.assertEqual(len(cli.calls), 1)
        args = cli.calls[0]['args']
        state = args[2]
        self.assertEqual(args[:2], [CLI, 'apply'])
        self.assertEqual(args[3:], ['--json', '--interface', 'seg1', '--interface', 'seg2',
                                    '--timeout-ms', '3000', '--user', 'admin', '--retries', '2',
                                    '--keep-going', '--backup-dir', '/var/backups/ap'])
        for a in args:
            self.assertNotIn(PASSWORD, a)
        env = cli.calls[0]['env']
        self.assertEqual(env['TERN_AP_PASSWORD'], PASSWORD)
        self.assertEqual(env['LC_ALL'], 'C')

    def test_the_state_file_is_the_options_private_and_removed_afterwards(self):
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'unchanged')), ''))
        self.run_module(ap_settings, self.ARGS, cli)
        call = cli.calls[0]
        state = call['args'][2]
        self.assertEqual(json.loads(call['files'][state]), {
            'version': 1, 'defaults': {'beacon_interval': 150},
            'aps': [{'match': '02-54-45-00-00-01',
                     'settings': {'ssid': 'lobby', 'wpa_passphrase': PSK}}]})
        self.assertEqual(call['modes'][state], 0o600)
        self.assertEqual(call['modes'][os.path.dirname(state)], 0o700)
        self.assertFalse(os.path.exists(os.path.dirname(state)))
        self.assertNotIn(PASSWORD, call['files'][state])

    def test_logins_hand_their_passwords_over_through_the_environment(self):
        args = dict(self.ARGS, logins=[{'match': 'Warehouse', 'user': 'ops',
                                        'password': LOGIN_PASSWORD}])
        cli = FakeCli((0, report(ap('02-54-45-00-00-05', 'changed', BEACON)), ''))
        done = self.run_module(ap_settings, args, cli)
        call = cli.calls[0]
        logins = call['args'][call['args'].index('--logins') + 1]
        self.assertEqual(json.loads(call['files'][logins]), {
            'version': 1,
            'aps': [{'match': 'Warehouse', 'user': 'ops',
                     'password': {'env': 'TERN_AP_LOGIN_1'}}]})
        self.assertEqual(call['modes'][logins], 0o600)
        self.assertEqual(call['env']['TERN_AP_LOGIN_1'], LOGIN_PASSWORD)
        self.assertNotIn(LOGIN_PASSWORD, ' '.join(call['args']))
        self.assertNoSecretIn(LOGIN_PASSWORD, done.result)

    def test_changed_only_when_an_ap_was_changed(self):
        cases = [
            ([ap('02-54-45-00-00-01', 'unchanged'), ap('02-54-45-00-00-02', 'unchanged')], False),
            ([ap('02-54-45-00-00-01', 'unchanged'), ap('02-54-45-00-00-02', 'changed', BEACON)],
             True),
            ([], False),
        ]
        for aps, changed in cases:
            with self.subTest(outcomes=[a['outcome'] for a in aps]):
                # No AP at all is a success only where the task allows it.
                args = dict(self.ARGS, expect_aps=0)
                done = self.run_module(ap_settings, args, FakeCli((0, report(*aps), '')))
                self.assertFalse(done.failed, done.result)
                self.assertIs(done.result['changed'], changed)
                self.assertEqual(done.result['aps'], aps)

    def test_secret_settings_never_come_back_in_the_result(self):
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'changed', MASKED_PSK)), ''))
        done = self.run_module(ap_settings, self.ARGS, cli, diff=True)
        self.assertNoSecretIn(PSK, done.result)
        self.assertNoSecretIn(PASSWORD, done.result)
        self.assertEqual(done.result['diff'][0]['after'], {'wpa_passphrase': '*** (changed)'})

    def test_nested_and_dotted_secret_settings_are_kept_out_too(self):
        radius = 'radius-shared-77'
        wep = '0123456789'
        args = dict(self.ARGS, defaults={'radius_servers': [{'ip': '10.0.0.5',
                                                             'shared_secret': radius}],
                                         'wep_keys.2': wep, 'ssid': 'plain-ssid'})
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'changed', BEACON)), ''))
        done = self.run_module(ap_settings, args, cli)
        self.assertNoSecretIn(radius, done.result)
        self.assertNoSecretIn(wep, done.result)
        # What is not a secret is still shown.
        self.assertIn('plain-ssid', json.dumps(done.result))
        # The program gets them all the same.
        state = json.loads(list(cli.calls[0]['files'].values())[0])
        self.assertEqual(state['defaults']['radius_servers'][0]['shared_secret'], radius)

    def test_the_cli_option_names_the_program(self):
        cli = FakeCli((0, report(), ''))
        self.run_module(ap_settings, dict(self.ARGS, cli='/usr/local/bin/tern-ap-cli'), cli)
        self.assertEqual(cli.calls[0]['args'][0], '/usr/local/bin/tern-ap-cli')

    def test_a_password_from_the_environment_is_left_to_the_program(self):
        args = dict(self.ARGS)
        del args['login_password']
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'unchanged')), ''))
        # The task's environment: the module's own.
        with mock.patch.dict(os.environ, {'TERN_AP_PASSWORD': PASSWORD}):
            done = self.run_module(ap_settings, args, cli)
        self.assertFalse(done.failed, done.result)
        self.assertNotIn('TERN_AP_PASSWORD', cli.calls[0]['env'])


class ApSettingsCheckAndDiff(ModuleTest):
    ARGS = ApSettingsApply.ARGS

    def test_check_mode_runs_plan_only_without_a_login(self):
        plan = report(ap('02-54-45-00-00-01', 'to change', BEACON),
                      ap('02-54-45-00-00-02', 'unchanged'))
        cli = FakeCli((5, plan, ''))
        done = self.run_module(ap_settings, self.ARGS, cli, check_mode=True)
        self.assertFalse(done.failed, done.result)
        self.assertTrue(done.result['changed'])
        # Ansible fails a task whose result has a non-zero rc.
        self.assertEqual(done.result.get('rc', 0), 0)
        self.assertEqual(len(cli.calls), 1)
        args = cli.calls[0]['args']
        self.assertEqual(args[1], 'plan')
        self.assertEqual(args[3:], ['--json', '--interface', 'seg1', '--interface', 'seg2',
                                    '--timeout-ms', '3000'])
        self.assertNotIn('TERN_AP_PASSWORD', cli.calls[0]['env'])

    def test_check_mode_with_nothing_to_change_is_not_changed(self):
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'unchanged')), ''))
        done = self.run_module(ap_settings, self.ARGS, cli, check_mode=True)
        self.assertFalse(done.result['changed'])

    def test_diff_gives_before_and_after_of_each_ap_to_change_as_the_program_masks_them(self):
        changes = dict(BEACON, **MASKED_PSK)
        plan = report(ap('02-54-45-00-00-01', 'to change', changes),
                      ap('02-54-45-00-00-02', 'unchanged'))
        done = self.run_module(ap_settings, self.ARGS, FakeCli((5, plan, '')), check_mode=True,
                               diff=True)
        self.assertEqual(done.result['diff'], [{
            'before_header': '02-54-45-00-00-01 (TernAP-01) on seg1',
            'after_header': '02-54-45-00-00-01 (TernAP-01) on seg1',
            'before': {'beacon_interval': 100, 'wpa_passphrase': '***'},
            'after': {'beacon_interval': 150, 'wpa_passphrase': '*** (changed)'},
        }])

    def test_without_diff_mode_there_is_no_diff(self):
        plan = report(ap('02-54-45-00-00-01', 'to change', BEACON))
        done = self.run_module(ap_settings, self.ARGS, FakeCli((5, plan, '')), check_mode=True)
        self.assertNotIn('diff', done.result)

    def test_a_plan_that_finds_an_ap_missing_or_invalid_fails(self):
        for rc, outcome in ((4, 'missing'), (2, 'invalid')):
            with self.subTest(outcome=outcome):
                plan = report(ap('02-54-45-00-00-09', outcome, problems=['why']))
                done = self.run_module(ap_settings, self.ARGS, FakeCli((rc, plan, '')),
                                       check_mode=True)
                self.assertTrue(done.failed)
                self.assertEqual(done.result['rc'], rc)
                self.assertIn('02-54-45-00-00-09 (TernAP-09): %s' % outcome, done.result['msg'])


class ApSettingsFailures(ModuleTest):
    ARGS = ApSettingsApply.ARGS

    def test_each_failing_outcome_fails_with_the_exit_code_and_the_programs_words(self):
        cases = [
            (3, 'refused', ''),
            (4, 'no answer', 'acknowledged, but did not answer the search that reads it back'),
            (4, 'missing', ''),
            (6, 'not applied', ''),
        ]
        for rc, outcome, problem in cases:
            with self.subTest(outcome=outcome):
                failing = ap('02-54-45-00-00-04', outcome,
                             problems=[problem] if problem else [])
                err = 'tern-ap-cli: 1 set request(s), 0 sent again, 0 answer(s) not matched\n'
                cli = FakeCli((rc, report(ap('02-54-45-00-00-01', 'changed', BEACON), failing),
                               err))
                done = self.run_module(ap_settings, self.ARGS, cli)
                self.assertTrue(done.failed)
                self.assertEqual(done.result['rc'], rc)
                self.assertIn('tern-ap-cli apply exited %d' % rc, done.result['msg'])
                self.assertIn('02-54-45-00-00-04 (TernAP-04): %s on seg1' % outcome,
                              done.result['msg'])
                self.assertIn('1 set request(s)', done.result['msg'])
                if problem:
                    self.assertIn(problem, done.result['msg'])
                self.assertEqual(done.result['stderr'], err)
                # One AP did change: the task says so even as it fails.
                self.assertTrue(done.result['changed'])
                self.assertEqual(len(done.result['aps']), 2)
                self.assertNoSecretIn(PASSWORD, done.result)

    def test_an_invalid_state_fails_with_the_message_naming_the_key(self):
        def invalid(call):
            # The program names the file and the line of the key at fault.
            state = call['args'][2]
            line = [n for n, text in enumerate(call['files'][state].splitlines(), 1)
                    if '"channel"' in text][0]
            return (2, '', 'tern-ap-cli: %s:%d: channel: wants a whole number, not "six"\n'
                    % (state, line))
        args = dict(self.ARGS, aps=[{'match': 'Lab-*', 'settings': {'channel': 'six'}}])
        done = self.run_module(ap_settings, args, FakeCli(invalid))
        self.assertTrue(done.failed)
        self.assertEqual(done.result['rc'], 2)
        # Said as the task gave it, not as a line of the module's own file.
        self.assertIn('aps[0].settings.channel: wants a whole number', done.result['msg'])
        self.assertNotIn('state.json', done.result['msg'])
        # The private folder is gone and is not named.
        self.assertNotIn('tern-ap-', done.result['msg'].replace('tern-ap-cli', ''))

    def test_a_warning_of_the_program_is_the_tasks_warning(self):
        err = "tern-ap-cli: warning: no AP answered matches 'Lab-*' (line 5)\n"
        cli = FakeCli((0, report(ap('02-54-45-00-00-01', 'unchanged')), err))
        done = self.run_module(ap_settings, self.ARGS, cli)
        self.assertFalse(done.failed)
        self.assertEqual(len(self.warnings), 1)
        self.assertIn("no AP answered matches 'Lab-*'", self.warnings[0])

    def test_defaults_or_aps_are_needed(self):
        args = dict(login_user='admin', login_password=PASSWORD)
        cli = FakeCli()
        done = self.run_module(ap_settings, args, cli)
        self.assertTrue(done.failed)
        self.assertEqual(cli.calls, [])


SHOWN = dict(mac='02-54-45-00-00-01', ap_name='TernAP-0001', ssid='tern-0001', channel=6,
             wpa_passphrase='***', interface='seg1')


class ApInfo(ModuleTest):
    def test_every_ap_as_show_gives_it(self):
        second = dict(SHOWN, mac='02-54-45-00-00-02', ap_name='TernAP-0002')
        cli = FakeCli((0, json.dumps([SHOWN, second]), 'tern-ap-cli: 2 AP(s) found\n'))
        done = self.run_module(ap_info, dict(interfaces=['seg2'], timeout_ms=500), cli)
        self.assertFalse(done.failed, done.result)
        self.assertFalse(done.result['changed'])
        self.assertEqual(done.result['aps'], [SHOWN, second])
        self.assertEqual(cli.calls[0]['args'], [CLI, 'show', '--all', '--json', '--interface',
                                                'seg2', '--timeout-ms', '500'])
        self.assertEqual(cli.calls[0]['env']['LC_ALL'], 'C')

    def test_one_ap_is_a_list_of_one(self):
        cli = FakeCli((0, json.dumps(SHOWN), ''))
        done = self.run_module(ap_info, dict(match='02-54-45-00-00-01', show_secrets=True), cli)
        self.assertEqual(done.result['aps'], [SHOWN])
        self.assertEqual(cli.calls[0]['args'], [CLI, 'show', '02-54-45-00-00-01', '--json',
                                                '--show-secrets'])

    def test_no_ap_answering_is_an_empty_list(self):
        cli = FakeCli((1, '', "tern-ap-cli: no AP answered as 'Lobby'\n"))
        done = self.run_module(ap_info, dict(match='Lobby'), cli)
        self.assertFalse(done.failed)
        self.assertEqual(done.result['aps'], [])

    def test_a_refused_option_fails_with_the_programs_message_and_code(self):
        err = "tern-ap-cli: interface 'seg9' does not exist; these can be searched: seg1, seg2\n"
        done = self.run_module(ap_info, dict(interfaces=['seg9']), FakeCli((2, '', err)))
        self.assertTrue(done.failed)
        self.assertEqual(done.result['rc'], 2)
        self.assertIn("interface 'seg9' does not exist", done.result['msg'])

    def test_the_socket_failing_is_a_failure_not_an_empty_list(self):
        err = 'tern-ap-cli: UDP port 27155 cannot be opened\n'
        done = self.run_module(ap_info, {}, FakeCli((1, '', err)))
        self.assertTrue(done.failed)
        self.assertEqual(done.result['rc'], 1)


def backup_json(mac, record, date='2026-12-09T22:15:00Z'):
    return json.dumps({'format': 'tern-ap-backup', 'version': 1, 'mac': mac, 'date': date,
                       'settings': {'ssid': 'x'}, 'record': record})


def saves(records, rc=0, err=''):
    """A backup run that saves MAC.json for each MAC: record given."""
    def answer(call):
        folder = [a for a in call['args'] if a.endswith('/')][0]
        for mac, record in records.items():
            with open(os.path.join(folder, mac + '.json'), 'w') as f:
                f.write(backup_json(mac, record, date='2026-12-%02d' % len(call['args'])))
        return rc, ''.join(m + '\n' for m in records), err
    return answer


class ApBackup(ModuleTest):
    def setUp(self):
        ModuleTest.setUp(self)
        self.dest = os.path.join(self.tmp, 'site-a', 'backups')

    def test_one_file_per_ap_then_not_changed_while_the_records_stay(self):
        records = {'02-54-45-00-00-01': 'aa' * 8, '02-54-45-00-00-02': 'bb' * 8}
        cli = FakeCli(saves(records))
        done = self.run_module(ap_backup, dict(dest=self.dest, interfaces=['seg1']), cli)
        self.assertFalse(done.failed, done.result)
        self.assertTrue(done.result['changed'])
        args = cli.calls[0]['args']
        self.assertEqual(args[:3], [CLI, 'backup', '--all'])
        self.assertEqual(args[4:], ['--interface', 'seg1'])
        self.assertEqual(sorted(os.listdir(self.dest)), ['02-54-45-00-00-01.json',
                                                         '02-54-45-00-00-02.json'])
        self.assertEqual(stat.S_IMODE(os.stat(self.dest).st_mode), 0o700)
        for name in os.listdir(self.dest):
            path = os.path.join(self.dest, name)
            self.assertEqual(stat.S_IMODE(os.stat(path).st_mode), 0o600)
        self.assertEqual([f['changed'] for f in done.result['files']], [True, True])

        # Saved again at another date: the records are the same, so no change.
        with open(os.path.join(self.dest, '02-54-45-00-00-01.json')) as f:
            before = f.read()
        done = self.run_module(ap_backup, dict(dest=self.dest, match=['TernAP-0001', 'Lab-*']),
                               FakeCli(saves(records)))
        self.assertFalse(done.result['changed'])
        with open(os.path.join(self.dest, '02-54-45-00-00-01.json')) as f:
            self.assertEqual(f.read(), before)

    def test_a_changed_record_replaces_only_its_file(self):
        records = {'02-54-45-00-00-01': 'aa' * 8, '02-54-45-00-00-02': 'bb' * 8}
        self.run_module(ap_backup, dict(dest=self.dest), FakeCli(saves(records)))
        records['02-54-45-00-00-02'] = 'cc' * 8
        done = self.run_module(ap_backup, dict(dest=self.dest), FakeCli(saves(records)))
        self.assertTrue(done.result['changed'])
        self.assertEqual([(f['mac'], f['changed']) for f in done.result['files']],
                         [('02-54-45-00-00-01', False), ('02-54-45-00-00-02', True)])
        with open(os.path.join(self.dest, '02-54-45-00-00-02.json')) as f:
            self.assertEqual(json.load(f)['record'], 'cc' * 8)

    def test_a_damaged_file_there_is_replaced(self):
        os.makedirs(self.dest)
        with open(os.path.join(self.dest, '02-54-45-00-00-01.json'), 'w') as f:
            f.write('{"record": ')
        done = self.run_module(ap_backup, dict(dest=self.dest),
                               FakeCli(saves({'02-54-45-00-00-01': 'aa' * 8})))
        self.assertTrue(done.result['changed'])
        with open(os.path.join(self.dest, '02-54-45-00-00-01.json')) as f:
            self.assertEqual(json.load(f)['record'], 'aa' * 8)

    def test_check_mode_writes_nothing(self):
        done = self.run_module(ap_backup, dict(dest=self.dest),
                               FakeCli(saves({'02-54-45-00-00-01': 'aa' * 8})), check_mode=True)
        self.assertTrue(done.result['changed'])
        self.assertFalse(os.path.exists(self.dest))

    def test_a_named_ap_that_does_not_answer_fails_after_the_others_are_saved(self):
        err = "tern-ap-cli: no AP answered as 'Lobby': not backed up\n"
        done = self.run_module(ap_backup, dict(dest=self.dest, match=['02-54-45-00-00-01',
                                                                       'Lobby']),
                               FakeCli(saves({'02-54-45-00-00-01': 'aa' * 8}, rc=4, err=err)))
        self.assertTrue(done.failed)
        self.assertEqual(done.result['rc'], 4)
        self.assertIn("no AP answered as 'Lobby'", done.result['msg'])
        self.assertTrue(os.path.exists(os.path.join(self.dest, '02-54-45-00-00-01.json')))

    def test_no_ap_at_all_fails_with_the_programs_message(self):
        err = "tern-ap-cli: no AP answered as '--all'\n"
        done = self.run_module(ap_backup, dict(dest=self.dest), FakeCli((1, '', err)))
        self.assertTrue(done.failed)
        self.assertEqual(done.result['rc'], 1)
        self.assertIn("no AP answered as '--all'", done.result['msg'])
        self.assertFalse(os.path.exists(self.dest))

    def test_the_programs_message_names_dest_not_the_private_folder(self):
        err_template = 'tern-ap-cli: backed up 1 AP(s) to {0}; to go back: tern-ap-cli restore {0}\n'

        def answer(call):
            folder = [a for a in call['args'] if a.endswith('/')][0]
            saves({'02-54-45-00-00-01': 'aa' * 8})(call)
            return 0, '02-54-45-00-00-01\n', err_template.format(folder)
        done = self.run_module(ap_backup, dict(dest=self.dest), FakeCli(answer))
        self.assertEqual(done.result['stderr_lines'],
                         [err_template.format(self.dest + '/').strip()])


class Documentation(unittest.TestCase):
    """What ansible-doc shows is what each module takes."""

    def compare(self, documented, declared, where):
        self.assertEqual(sorted(documented), sorted(declared), where)
        for name, option in declared.items():
            doc = documented[name]
            here = '%s.%s' % (where, name)
            self.assertEqual(doc.get('type', 'str'), option.get('type', 'str'), here)
            self.assertEqual(bool(doc.get('required')), bool(option.get('required')), here)
            self.assertEqual(doc.get('default'), option.get('default'), here)
            self.assertEqual(doc.get('elements'), option.get('elements'), here)
            self.assertTrue(doc.get('description'), here)
            self.compare(doc.get('suboptions', {}), option.get('options', {}), here)

    def test_each_modules_options_are_its_argument_spec(self):
        import yaml
        for module in (ap_info, ap_settings, ap_backup, ap_restore):
            with self.subTest(module=module.__name__):
                doc = yaml.safe_load(module.DOCUMENTATION)
                self.assertEqual(doc['module'], module.__name__.rsplit('.', 1)[1])
                # ansible-doc adds the shared options of the fragments each
                # module names.
                fragments = doc.get('extends_documentation_fragment')
                self.assertEqual(fragments[0], 'tern.ap.common')
                options = dict(doc['options'])
                for fragment in fragments:
                    part = fragment.split('.')[3] if fragment.count('.') == 3 else 'documentation'
                    text = getattr(common.ModuleDocFragment, part.upper())
                    options.update(yaml.safe_load(text)['options'])
                self.compare(options, module.argument_spec(), doc['module'])
                self.assertTrue(yaml.safe_load(module.EXAMPLES))
                self.assertTrue(yaml.safe_load(module.RETURN))

    def test_every_password_is_no_log(self):
        for module in (ap_info, ap_settings, ap_backup, ap_restore):
            with self.subTest(module=module.__name__):
                options = module.argument_spec()
                self.assertTrue(options['login_password']['no_log'])
                self.assertTrue(options['logins']['options']['password']['no_log'])


if __name__ == '__main__':
    unittest.main()
