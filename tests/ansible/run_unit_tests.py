# The collection's own unit tests (tests/unit of tern.ap, where ansible-test
# units looks for them) run with unittest: each test_*.py is imported under
# its collection name (ansible_collections.tern.ap.tests.unit...), as
# ansible-test would import it, with Debian's ansible-core and no pytest.
#
#   python3 tests/ansible/run_unit_tests.py dist/ansible
from __future__ import absolute_import, division, print_function

import importlib
import os
import sys
import unittest


def main():
    collections = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                                  os.path.join(os.path.dirname(__file__), '..', '..', 'dist',
                                               'ansible'))
    try:
        import ansible  # noqa: F401
    except ImportError:
        print('ansible-core is not installed (tools/install-deps installs it): skipped')
        return 77
    sys.path.insert(0, collections)
    root = os.path.join(collections, 'ansible_collections', 'tern', 'ap')
    suite = unittest.TestSuite()
    for folder, _, files in sorted(os.walk(os.path.join(root, 'tests', 'unit'))):
        for name in sorted(files):
            if not (name.startswith('test_') and name.endswith('.py')):
                continue
            relative = os.path.relpath(os.path.join(folder, name[:-3]), collections)
            module = importlib.import_module(relative.replace(os.sep, '.'))
            suite.addTests(unittest.defaultTestLoader.loadTestsFromModule(module))
    if suite.countTestCases() == 0:
        print('no unit test found under %s/tests/unit' % root)
        return 1
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
