# The collection is of the project's version, in every place that says it:
# galaxy.yml, the version the modules ask tern-ap-cli for, and the newest
# release of its changelog. tern-ap-cli --version prints the VERSION of
# project() in the top-level CMakeLists.txt, which the build hands over.
#
#   python3 tests/ansible/version_test.py PROJECT_VERSION COLLECTIONS_DIR
from __future__ import absolute_import, division, print_function

import os
import re
import sys
import unittest

PROJECT_VERSION = None
COLLECTION = None


class Version(unittest.TestCase):
    def test_every_place_names_the_projects_version(self):
        import yaml
        with open(os.path.join(COLLECTION, 'galaxy.yml')) as f:
            self.assertEqual(yaml.safe_load(f)['version'], PROJECT_VERSION, 'galaxy.yml')
        with open(os.path.join(COLLECTION, 'plugins', 'module_utils', 'tern_ap_cli.py')) as f:
            found = re.search(r"^COLLECTION_VERSION = '([^']*)'$", f.read(), re.M)
        self.assertIsNotNone(found, 'COLLECTION_VERSION in module_utils/tern_ap_cli.py')
        self.assertEqual(found.group(1), PROJECT_VERSION, 'module_utils/tern_ap_cli.py')
        with open(os.path.join(COLLECTION, 'changelogs', 'changelog.yaml')) as f:
            releases = yaml.safe_load(f)['releases']
        self.assertIn(PROJECT_VERSION, [str(v) for v in releases], 'changelogs/changelog.yaml')


def main():
    global PROJECT_VERSION, COLLECTION
    try:
        import yaml  # noqa: F401
    except ImportError:
        print('PyYAML is missing (tools/install-deps installs ansible-core): skipped')
        return 77
    PROJECT_VERSION = sys.argv[1]
    COLLECTION = os.path.join(sys.argv[2], 'ansible_collections', 'tern', 'ap')
    program = unittest.main(argv=[sys.argv[0]] + sys.argv[3:], exit=False, verbosity=2)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == '__main__':
    sys.exit(main())
