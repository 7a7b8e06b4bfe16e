# Runs one module of the collection the way it runs over SSH (ssh -tt): its
# standard input a terminal. Prints what came back as JSON: the module's
# exit code, its result, how long it took.
#   python3 with_terminal.py COLLECTIONS MODULE ARGS.json
from __future__ import absolute_import, division, print_function

import json
import os
import pty
import subprocess
import sys
import time


def main():
    collections, module, arguments = sys.argv[1:4]
    path = os.path.join(collections, 'ansible_collections', 'tern', 'ap', 'plugins', 'modules',
                        module + '.py')
    env = dict(os.environ, PYTHONPATH=collections)
    master, slave = pty.openpty()
    started = time.time()
    try:
        run = subprocess.run([sys.executable, path, arguments], stdin=slave,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             universal_newlines=True, env=env, timeout=60, check=False)
        returned = dict(rc=run.returncode, stderr=run.stderr)
        try:
            returned['result'] = json.loads(run.stdout)
        except ValueError:
            returned['stdout'] = run.stdout
    except subprocess.TimeoutExpired:
        returned = dict(rc=None, hung=True)
    finally:
        os.close(slave)
        os.close(master)
    returned['seconds'] = round(time.time() - started, 1)
    print(json.dumps(returned))


if __name__ == '__main__':
    main()
