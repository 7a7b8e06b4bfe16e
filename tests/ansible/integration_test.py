# The collection's integration targets (tests/integration/targets/* of
# tern.ap, each a role, where ansible-test looks for them) against simulated
# APs over real UDP. It runs only inside tools/isolated-net --segments 3:
# segment 1 and 2 each get a tern-ap-sim of three APs, segment 3 none (a
# site where nothing answers). Each target is played with a local
# connection and the variables of the test in `tern_test`; the simulators'
# logs count the set requests that reached the APs.
#
#   tools/isolated-net --segments 3 python3 tests/ansible/integration_test.py \
#       --cli-dir build/bin --sim build/bin/tern-ap-sim --collections dist/ansible \
#       --password PASS [TARGET...]
from __future__ import absolute_import, division, print_function

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from playbook_test import isolated  # noqa: E402

ARGS = None
# At most 15 bytes, as an AP's login holds: a longer one is refused before sending.
WRONG_PASSWORD = 'Not-The-Pass.99'
SIM_APS = 3
SIM_SECONDS = 900


class Simulators(object):
    """A tern-ap-sim in each of the first segments, ended with the test."""

    def __init__(self, work, segments):
        self.processes = []
        self.logs = {}
        pids = os.environ['TERN_SEGMENT_PIDS'].split()
        for k, name in enumerate(segments):
            log = os.path.join(work, name + '.log')
            self.logs[name] = log
            with open(log, 'w') as out:
                self.processes.append(subprocess.Popen(
                    ['nsenter', '-t', pids[k], '-n', ARGS.sim, '--count', str(SIM_APS),
                     '--first', str(k * SIM_APS + 1), '--duration', str(SIM_SECONDS),
                     '--password=' + ARGS.password],
                    stdout=out, stderr=subprocess.STDOUT))
        deadline = time.time() + 20
        for name, log in self.logs.items():
            while 'listening' not in open(log).read():
                if time.time() > deadline:
                    self.stop()
                    raise RuntimeError('the simulator of %s did not start: %s'
                                       % (name, open(log).read()))
                time.sleep(0.05)

    def stop(self):
        for process in self.processes:
            process.terminate()
        for process in self.processes:
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def targets_dir():
    return os.path.join(os.path.abspath(ARGS.collections), 'ansible_collections', 'tern', 'ap',
                        'tests', 'integration', 'targets')


class Targets(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix='tern-ap-integration-')
        cls.sims = Simulators(cls.work, ['seg1', 'seg2'])
        home = os.path.join(cls.work, 'home')
        os.mkdir(home)
        cli_dir = os.path.abspath(ARGS.cli_dir)
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
            ANSIBLE_ROLES_PATH=targets_dir(),
            ANSIBLE_NOCOLOR='1',
            ANSIBLE_FORCE_COLOR='0',
            ANSIBLE_RETRY_FILES_ENABLED='0',
            ANSIBLE_DEPRECATION_WARNINGS='0',
            XDG_STATE_HOME=os.path.join(home, 'state'),
            PATH=cli_dir + os.pathsep + os.environ.get('PATH', ''),
        )
        env.pop('TERN_AP_PASSWORD', None)
        with open(env['ANSIBLE_CONFIG'], 'w') as f:
            f.write('[defaults]\nstdout_callback = default\n')
        cls.env = env
        cls.variables = os.path.join(cls.work, 'variables.json')
        with open(cls.variables, 'w') as f:
            json.dump({'tern_test': {
                'password': ARGS.password,
                'wrong_password': WRONG_PASSWORD,
                'cli': os.path.join(cli_dir, 'tern-ap-cli'),
                'python': sys.executable,
                'collections': os.path.abspath(ARGS.collections),
                'work': cls.work,
                'logs': cls.sims.logs,
                'aps_per_segment': SIM_APS,
            }}, f)
        with open(os.path.join(cls.work, 'inventory'), 'w') as f:
            f.write('testhost ansible_connection=local ansible_python_interpreter=%s\n'
                    % sys.executable)

    @classmethod
    def tearDownClass(cls):
        cls.sims.stop()
        shutil.rmtree(cls.work, ignore_errors=True)

    def play(self, target):
        playbook = os.path.join(self.work, target + '.yml')
        with open(playbook, 'w') as f:
            f.write('- hosts: testhost\n  gather_facts: false\n  roles:\n    - %s\n' % target)
        command = ['ansible-playbook', '-i', os.path.join(self.work, 'inventory'),
                   '-e', '@' + self.variables, playbook, '--diff']
        started = time.time()
        run = subprocess.run(command, env=self.env, cwd=self.work, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, universal_newlines=True, timeout=400)
        print('\n===== target %s (exit %d, %.1f s)' % (target, run.returncode,
                                                       time.time() - started))
        print(run.stdout)
        sys.stdout.flush()
        return run.returncode, run.stdout

    def test_targets(self):
        chosen = ARGS.targets or sorted(os.listdir(targets_dir()))
        self.assertTrue(chosen)
        for target in chosen:
            with self.subTest(target=target):
                rc, out = self.play(target)
                self.assertEqual(rc, 0, out)
                for secret in (ARGS.password, WRONG_PASSWORD):
                    self.assertNotIn(secret, out)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument('--cli-dir', required=True, help='the folder of tern-ap-cli')
    parser.add_argument('--sim', required=True, help='tern-ap-sim')
    parser.add_argument('--collections', required=True, help='the folder of ansible_collections')
    parser.add_argument('--password', required=True, help="the simulated APs' password")
    parser.add_argument('targets', nargs='*', help='the targets to play (default: all)')
    ARGS, rest = parser.parse_known_args()
    if not isolated():
        print('this test runs only inside tools/isolated-net: this is the host network namespace')
        return 1
    if os.environ.get('TERN_SEGMENTS') != 'seg1 seg2 seg3' or 'TERN_SEGMENT_PIDS' not in os.environ:
        print('run through tools/isolated-net --segments 3')
        return 1
    if shutil.which('ansible-playbook') is None:
        print('ansible-playbook is missing (tools/install-deps installs ansible-core): skipped')
        return 77
    program = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
