# The tern.ap collection driven by ansible-playbook over real UDP: two
# sites, each an inventory host with a local connection that searches one
# segment (seg1, seg2) of tools/isolated-net --segments 2 --sim tern-ap-sim
# --sim-count 3. The simulators print a line per set request they receive,
# so what went out is counted on the APs' side. Every run's output is
# printed; the runs of the playbook in tests/ansible/sites/ are what the
# README shows.
#
#   tools/isolated-net --segments 2 --sim build/bin/tern-ap-sim --sim-count 3 \
#       --sim-arg --password=PASS python3 tests/ansible/playbook_test.py \
#       --cli-dir build/bin --collections dist/ansible --password PASS
from __future__ import absolute_import, division, print_function

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SITES = os.path.join(HERE, 'sites')
PSK = 'tern-lab-passphrase-0004'
# At most 15 bytes, as an AP's login holds: a longer one is refused before sending.
WRONG_PASSWORD = 'Not-The-Pass.99'
ARGS = None


def net_namespace(pid):
    try:
        return os.readlink('/proc/%s/ns/net' % pid)
    except OSError:
        return None


def outermost_readable_ancestor_namespace():
    pid, found = os.getpid(), None
    while pid > 1:
        ns = net_namespace(pid)
        if ns is None:
            break
        found = ns
        try:
            with open('/proc/%d/stat' % pid) as f:
                pid = int(f.read().rsplit(')', 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            break
    return found


def isolated():
    """Whether this is a private network namespace, as the programs' guard asks."""
    own = net_namespace('self')
    host = net_namespace(1) or outermost_readable_ancestor_namespace()
    if own and host:
        return own != host
    return False


def set_requests(segment):
    with open(os.path.join(os.environ['TERN_SEGMENT_LOGS'], segment + '.log')) as f:
        return f.read().count('tern-ap-sim: set request received')


def recap(output):
    """host -> {ok, changed, failed, ...} from the PLAY RECAP."""
    hosts = {}
    for line in output.splitlines():
        m = re.match(r'^(\S+)\s+:\s+((?:\w+=\d+\s*)+)$', line.strip())
        if m:
            hosts[m.group(1)] = dict((k, int(v)) for k, v in re.findall(r'(\w+)=(\d+)', m.group(2)))
    return hosts


class TwoSites(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix='tern-ap-ansible-')
        cls.env = cls.ansible_environment()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    @classmethod
    def ansible_environment(cls):
        home = os.path.join(cls.work, 'home')
        os.mkdir(home)
        env = dict(os.environ)
        # Ansible keeps its own files under HOME: a private one per run, so
        # the test leaves nothing behind and reads no one's configuration.
        env.update(
            HOME=home,
            ANSIBLE_HOME=os.path.join(home, '.ansible'),
            ANSIBLE_LOCAL_TEMP=os.path.join(home, 'tmp'),
            ANSIBLE_REMOTE_TEMP=os.path.join(home, 'remote-tmp'),
            ANSIBLE_CONFIG=os.path.join(cls.work, 'ansible.cfg'),
            ANSIBLE_COLLECTIONS_PATH=os.path.abspath(ARGS.collections),
            ANSIBLE_PYTHON_INTERPRETER=sys.executable,
            ANSIBLE_NOCOLOR='1',
            ANSIBLE_FORCE_COLOR='0',
            ANSIBLE_RETRY_FILES_ENABLED='0',
            ANSIBLE_HOST_KEY_CHECKING='0',
            ANSIBLE_DEPRECATION_WARNINGS='0',
            XDG_STATE_HOME=os.path.join(home, 'state'),
            # tern-ap-cli is found in PATH, as an installed one would be.
            PATH=os.path.abspath(ARGS.cli_dir) + os.pathsep + os.environ.get('PATH', ''),
        )
        env.pop('TERN_AP_PASSWORD', None)
        with open(env['ANSIBLE_CONFIG'], 'w') as f:
            f.write('[defaults]\nstdout_callback = default\n')
        return env

    def inventory(self, passwords):
        """sites/inventory.yml with each site's login and backup folder added."""
        path = os.path.join(self.work, 'secrets-%s.yml' % passwords['south'][:3])
        hosts = {}
        for site in ('north', 'south'):
            hosts[site] = {
                'ap_password': passwords[site],
                'psk_0004': PSK,
                'ap_backup_dir': os.path.join(self.work, 'backups', site),
            }
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(fd, 'w') as f:
            json.dump({'sites': {'hosts': hosts}}, f, indent=2)
        return ['-i', os.path.join(SITES, 'inventory.yml'), '-i', path]

    def playbook(self, title, playbook, inventory, *options):
        command = ['ansible-playbook'] + inventory + [os.path.join(SITES, playbook)]
        command += list(options)
        started = time.time()
        run = subprocess.run(command, env=self.env, cwd=self.work, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, universal_newlines=True, timeout=300)
        print('\n===== %s: ansible-playbook %s %s (exit %d, %.1f s)' % (
            title, playbook, ' '.join(options), run.returncode, time.time() - started))
        print(run.stdout if '-vvv' not in options else '(-vvv output, %d lines, not shown)'
              % len(run.stdout.splitlines()))
        sys.stdout.flush()
        return run.returncode, run.stdout

    def assertRecap(self, output, north, south):
        hosts = recap(output)
        for site, want in (('north', north), ('south', south)):
            self.assertIn(site, hosts, output)
            for key, value in want.items():
                self.assertEqual(hosts[site][key], value, '%s %s in\n%s' % (site, key, output))

    def assertNoSecrets(self, output):
        for secret in (ARGS.password, WRONG_PASSWORD, PSK):
            self.assertNotIn(secret, output)

    def test_sites(self):
        right = self.inventory({'north': ARGS.password, 'south': ARGS.password})
        sets = (set_requests('seg1'), set_requests('seg2'))

        # What would change: nothing is sent, secrets are masked.
        rc, out = self.playbook('check with diff', 'site.yml', right, '--check', '--diff')
        self.assertEqual(rc, 0, out)
        self.assertRecap(out, {'changed': 1, 'failed': 0}, {'changed': 1, 'failed': 0})
        self.assertEqual((set_requests('seg1'), set_requests('seg2')), sets)
        self.assertRegex(out, r'-\s+"beacon_interval": 100')
        self.assertRegex(out, r'\+\s+"beacon_interval": 150')
        self.assertRegex(out, r'-\s+"wpa_passphrase": "\*\*\*"')
        self.assertRegex(out, r'\+\s+"wpa_passphrase": "\*\*\* \(changed\)"')
        self.assertIn('02-54-45-00-00-03 (TernAP-0004) on seg2', out)
        self.assertNoSecrets(out)

        # The first run changes every AP of both sites, each through its own segment.
        rc, out = self.playbook('first run', 'site.yml', right)
        self.assertEqual(rc, 0, out)
        self.assertRecap(out, {'changed': 1, 'failed': 0}, {'changed': 1, 'failed': 0})
        self.assertEqual((set_requests('seg1'), set_requests('seg2')), (sets[0] + 3, sets[1] + 3))
        for site in ('north', 'south'):
            # One folder per apply inside the one named, so none is replaced.
            runs = os.listdir(os.path.join(self.work, 'backups', site, 'before-apply'))
            self.assertEqual(len(runs), 1, runs)
            saved = os.listdir(os.path.join(self.work, 'backups', site, 'before-apply', runs[0]))
            self.assertEqual(len(saved), 3, saved)
        self.assertNoSecrets(out)

        # The second finds every AP in state and sends nothing.
        rc, out = self.playbook('second run', 'site.yml', right)
        self.assertEqual(rc, 0, out)
        self.assertRecap(out, {'changed': 0, 'failed': 0}, {'changed': 0, 'failed': 0})
        self.assertEqual((set_requests('seg1'), set_requests('seg2')), (sets[0] + 3, sets[1] + 3))

        rc, out = self.playbook('check after the runs', 'site.yml', right, '--check', '--diff')
        self.assertEqual(rc, 0, out)
        self.assertRecap(out, {'changed': 0, 'failed': 0}, {'changed': 0, 'failed': 0})
        self.assertEqual((set_requests('seg1'), set_requests('seg2')), (sets[0] + 3, sets[1] + 3))

        # A wrong password at one site fails that site with the program's
        # words; the other is changed. Even -vvv shows neither password.
        wrong = self.inventory({'north': ARGS.password, 'south': WRONG_PASSWORD})
        rc, out = self.playbook('a wrong password at south', 'site.yml', wrong, '-vvv',
                                '-e', 'beacon=200')
        self.assertNotEqual(rc, 0, out)
        self.assertRecap(out, {'changed': 1, 'failed': 0}, {'failed': 1})
        marker = 'fatal: [south]: FAILED! => '
        self.assertEqual(out.count(marker), 1, out)
        failure = json.JSONDecoder().raw_decode(out[out.index(marker) + len(marker):])[0]
        print('south failed with rc %s: %s' % (failure.get('rc'), failure.get('msg')))
        self.assertEqual(failure['rc'], 3)
        self.assertIn('tern-ap-cli apply exited 3', failure['msg'])
        self.assertIn('02-54-45-00-00-03 (TernAP-0004): refused on seg2', failure['msg'])
        self.assertEqual(set(ap['outcome'] for ap in failure['aps']), set(['refused']))
        self.assertNoSecrets(out)
        self.assertIn('"login_password": "VALUE_SPECIFIED_IN_NO_LOG_PARAMETER"', out)

        # Backups: one file per AP; again with the same records, no change.
        rc, out = self.playbook('backup', 'backup.yml', right)
        self.assertEqual(rc, 0, out)
        self.assertRecap(out, {'changed': 1, 'failed': 0}, {'changed': 1, 'failed': 0})
        self.assertEqual(out.count('"msg": "3 AP(s): '), 2, out)
        for site, first in (('north', 0), ('south', 3)):
            dest = os.path.join(self.work, 'backups', site, 'latest')
            names = sorted(os.listdir(dest))
            self.assertEqual(names, ['02-54-45-00-00-%02d.json' % (first + i) for i in range(3)])
            for name in names:
                self.assertEqual(os.stat(os.path.join(dest, name)).st_mode & 0o777, 0o600)
                with open(os.path.join(dest, name)) as f:
                    self.assertEqual(json.load(f)['format'], 'tern-ap-backup')
        rc, out = self.playbook('backup again', 'backup.yml', right)
        self.assertEqual(rc, 0, out)
        self.assertRecap(out, {'changed': 0, 'failed': 0}, {'changed': 0, 'failed': 0})


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument('--cli-dir', required=True, help='the folder of tern-ap-cli')
    parser.add_argument('--collections', required=True, help='the folder of ansible_collections')
    parser.add_argument('--password', required=True, help="the simulated APs' password")
    ARGS, rest = parser.parse_known_args()
    if not isolated():
        print('this test runs only inside tools/isolated-net: this is the host network namespace')
        return 1
    if os.environ.get('TERN_SEGMENTS') != 'seg1 seg2' or 'TERN_SEGMENT_LOGS' not in os.environ:
        print('run through tools/isolated-net --segments 2 --sim tern-ap-sim --sim-count 3')
        return 1
    if shutil.which('ansible-playbook') is None:
        print('ansible-playbook is missing (tools/install-deps installs ansible-core): skipped')
        return 77
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
