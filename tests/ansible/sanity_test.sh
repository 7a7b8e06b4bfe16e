#!/bin/sh
# ansible-test sanity on the tern.ap collection, every test it has,
# validate-modules, pep8, pylint, yamllint, import and ansible-doc included.
# ansible-test would first fill a virtual environment from PyPI for most of
# them; ansible_test_debian.py runs them with the Python packages Debian
# installs instead (tools/install-deps), so nothing is downloaded. It writes
# into the collection it checks (tests/output) and under HOME, so it runs
# on a copy in a throwaway folder. What the collection cannot change is
# listed, with the reason, in its tests/sanity/ignore-2.14.txt.
#   tests/ansible/sanity_test.sh PYTHON COLLECTIONS_DIR
set -eu
python=$1
source=$2/ansible_collections/tern/ap
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v ansible-test >/dev/null 2>&1; then
    echo "ansible-test is missing (tools/install-deps installs ansible-core): skipped"
    exit 77
fi
missing=
for module in voluptuous yaml jinja2 pycodestyle pylint yamllint; do
    "$python" -c "import $module" 2>/dev/null || missing="$missing $module"
done
if [ -n "$missing" ]; then
    echo "FAIL: Python modules missing for ansible-test sanity:$missing (tools/install-deps installs them)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ansible_collections/tern" "$work/home"
cp -r "$source" "$work/ansible_collections/tern/ap"
find "$work" -name __pycache__ -prune -exec rm -rf {} +
version=$("$python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
cd "$work/ansible_collections/tern/ap"
HOME="$work/home" "$python" "$here/ansible_test_debian.py" sanity --local --python "$version" --color no
