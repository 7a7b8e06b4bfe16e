# ansible-test with the Python packages Debian installs instead of those it
# would fetch. ansible-test runs most sanity tests (validate-modules, pep8,
# pylint, yamllint, import, ansible-doc, runtime-metadata) in a virtual
# environment it fills from PyPI first, which a build machine without a
# registry cannot do. Here each of them runs with the interpreter that runs
# ansible-test, whose packages (python3-voluptuous, python3-yaml,
# python3-jinja2, python3-pycodestyle, pylint, yamllint; tools/install-deps
# installs them) are Debian's: the tests are ansible-test's own, only where
# their libraries come from differs.
#
#   python3 tests/ansible/ansible_test_debian.py sanity --local --python 3.11 ...
#
# Run it from inside a copy of the collection, as ansible-test itself.
from __future__ import absolute_import, division, print_function

import sys

try:
    from ansible_test._internal import main as ansible_test_main
    from ansible_test._internal.commands import sanity
except ImportError:
    print('ansible-test is missing (tools/install-deps installs ansible-core): skipped')
    sys.exit(77)


def installed_python(args, python, name, coverage=False, minimize=False):
    """The interpreter ansible-test runs on, in place of a fresh virtual environment."""
    return python


def libyaml_of(python):
    """Whether PyYAML has libyaml, as the virtual environment's record would say."""
    try:
        import yaml
        return bool(getattr(yaml, '__with_libyaml__', False))
    except ImportError:
        return None


def main():
    sanity.create_sanity_virtualenv = installed_python
    sanity.check_sanity_virtualenv_yaml = libyaml_of
    # The test plugins import create_sanity_virtualenv by name when they are
    # loaded; load them now and give each the same replacement.
    sanity.sanity_get_tests()
    for module in list(sys.modules.values()):
        name = getattr(module, '__name__', '')
        if name.startswith(sanity.__name__ + '.') and hasattr(module, 'create_sanity_virtualenv'):
            module.create_sanity_virtualenv = installed_python
    sys.argv[0] = 'ansible-test'
    ansible_test_main()


if __name__ == '__main__':
    main()
