#!/bin/sh
# ansible-test sanity on the tern.ap collection, every test that runs
# without a network. ansible-test writes into the collection it checks
# (tests/output) and under HOME, so it runs on a copy in a throwaway
# folder. The tests it would first install Python packages from PyPI for
# (into a virtual environment) are skipped: ansible-doc, import, pep8,
# pylint, runtime-metadata, validate-modules, yamllint. ansible-doc of each
# module runs in the package test; tests/ansible/test_modules.py checks that
# each module's documentation matches its argument_spec.
#   tests/ansible/sanity_test.sh PYTHON COLLECTIONS_DIR
set -eu
python=$1
source=$2/ansible_collections/tern/ap
if ! command -v ansible-test >/dev/null 2>&1; then
    echo "ansible-test is missing (tools/install-deps installs ansible-core): skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ansible_collections/tern" "$work/home"
cp -r "$source" "$work/ansible_collections/tern/ap"
find "$work" -name __pycache__ -prune -exec rm -rf {} +
version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
cd "$work/ansible_collections/tern/ap"
HOME="$work/home" ansible-test sanity --local --python "$version" --color no \
    --skip-test ansible-doc --skip-test import --skip-test pep8 --skip-test pylint \
    --skip-test runtime-metadata --skip-test validate-modules --skip-test yamllint
