#!/bin/sh
# Builds the Debian package from a finished build folder, unpacks it into a
# throwaway root and checks what an administrator gets: the files, the
# Depends, the programs running from there (demo mode: no network traffic)
# and the validators' verdicts on the desktop entry and the metainfo.
#   tests/package/package_test.sh BUILD_DIR APP_ID
set -eu
build=$(cd "$1" && pwd)
app_id=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli file lexgrog; do
    command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is missing (tools/install-deps installs it)" >&2; exit 1; }
done

# --- the package -----------------------------------------------------------
(cd "$build" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -f "$deb" Package Version Architecture Section Maintainer Depends Recommends
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tern-ap-utility ] || fail "Package is '$(field Package)'"
[ "$(field Section)" = net ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6network6 libqt6widgets6 libqt6gui6; do
    echo "$depends" | grep -q "\\b$lib\\b" || fail "Depends lacks $lib: $depends"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
usr="$root/usr"
share="$usr/share"
for f in bin/tern-ap-utility bin/tern-ap-cli bin/tern-ap-sim \
         share/tern-ap-utility/language/eng.ini share/tern-ap-utility/language/gem.ini \
         share/tern-ap-utility/language/jap.ini \
         "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
         "share/icons/hicolor/scalable/apps/$app_id.svg" \
         "share/icons/hicolor/48x48/apps/$app_id.png" "share/icons/hicolor/256x256/apps/$app_id.png" \
         share/man/man1/tern-ap-utility.1.gz share/man/man1/tern-ap-cli.1.gz \
         share/man/man1/tern-ap-sim.1.gz share/doc/tern-ap-utility/copyright \
         share/doc/tern-ap-utility/changelog.gz; do
    [ -s "$usr/$f" ] || fail "missing /usr/$f"
done
collection=share/ansible/collections/ansible_collections/tern/ap
for f in galaxy.yml meta/runtime.yml README.md LICENSE plugins/module_utils/tern_ap_cli.py \
         plugins/module_utils/tern_ap_login.py plugins/module_utils/tern_ap_state.py \
         plugins/modules/ap_info.py plugins/modules/ap_settings.py plugins/modules/ap_backup.py \
         plugins/modules/ap_restore.py plugins/doc_fragments/common.py \
         roles/site/tasks/main.yml roles/site/defaults/main.yml roles/site/meta/main.yml \
         playbooks/sites.yml playbooks/inventory.example.yml changelogs/changelog.yaml; do
    [ -s "$usr/$collection/$f" ] || fail "missing /usr/$collection/$f"
done
leftovers=$(find "$usr/$collection" -name __pycache__ -o -name '*.pyc' -o -name tests)
[ -z "$leftovers" ] || fail "the collection holds what it should not: $leftovers"
grep -q '^requires_ansible: ">=2.14.0"$' "$usr/$collection/meta/runtime.yml" || fail "requires_ansible"
field Suggests | grep -q "\\bansible-core\\b" || fail "Suggests lacks ansible-core: $(field Suggests)"
for p in tern-ap-utility tern-ap-cli tern-ap-sim; do
    [ -x "$usr/bin/$p" ] || fail "/usr/bin/$p is not executable"
    file "$usr/bin/$p" | grep -q ", stripped" || fail "/usr/bin/$p is not stripped"
done
for size in 48 256; do
    file "$share/icons/hicolor/${size}x$size/apps/$app_id.png" | grep -q "PNG image data, $size x $size" ||
        fail "the $size px icon is not a $size x $size PNG"
done
unexpected=$(cd "$root" && find . -type f | grep -v -e '^\./usr/bin/' -e '^\./usr/share/' || true)
[ -z "$unexpected" ] || fail "files outside /usr/bin and /usr/share: $unexpected"
pass "files, Depends, icons"

# --- shell completion and the monitoring examples ---------------------------
for f in share/bash-completion/completions/tern-ap-cli share/zsh/vendor-completions/_tern-ap-cli \
         share/doc/tern-ap-utility/examples/tern-ap-metrics.service \
         share/doc/tern-ap-utility/examples/tern-ap-metrics.timer \
         share/doc/tern-ap-utility/examples/tern-ap.rules.yml; do
    [ -s "$usr/$f" ] || fail "missing /usr/$f"
done
field Recommends | grep -q '\bbash-completion\b' || fail "Recommends lacks bash-completion: $(field Recommends)"
bash -n "$share/bash-completion/completions/tern-ap-cli" || fail "the bash completion does not parse"
if command -v zsh >/dev/null 2>&1; then
    zsh -n "$share/zsh/vendor-completions/_tern-ap-cli" || fail "the zsh completion does not parse"
fi
pass "completion, examples, Recommends"

# --- the validators --------------------------------------------------------
desktop-file-validate "$share/applications/$app_id.desktop" >"$work/dfv.log" 2>&1 || {
    cat "$work/dfv.log" >&2; fail "desktop-file-validate"; }
grep -q '^Categories=Network;Settings;$' "$share/applications/$app_id.desktop" || fail "Categories"
grep -q '^Name\[de\]=' "$share/applications/$app_id.desktop" || fail "no Name[de]"
grep -q '^Name\[ja\]=' "$share/applications/$app_id.desktop" || fail "no Name[ja]"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" >"$work/as.log" 2>&1 || {
    cat "$work/as.log" >&2; fail "appstreamcli validate"; }
appstreamcli validate-tree --no-net "$root" >"$work/astree.log" 2>&1 || {
    cat "$work/astree.log" >&2; fail "appstreamcli validate-tree"; }
for p in tern-ap-utility tern-ap-cli tern-ap-sim; do
    page="$share/man/man1/$p.1.gz"
    lexgrog "$page" | grep -q "\"$p - " || fail "man page of $p has no NAME line for whatis"
    warnings=$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1 || true)
    [ -z "$warnings" ] || fail "man page of $p: $warnings"
done
pass "desktop-file-validate, appstreamcli, man pages"

# --- the Ansible collection, as ansible-core finds it under /usr/share -------
if command -v ansible-doc >/dev/null 2>&1; then
    mkdir "$work/home"
    for m in ap_info ap_settings ap_backup ap_restore; do
        HOME="$work/home" ANSIBLE_COLLECTIONS_PATH="$share/ansible/collections" \
            ansible-doc -t module "tern.ap.$m" >"$work/doc.log" 2>&1 || {
            cat "$work/doc.log" >&2; fail "ansible-doc tern.ap.$m"; continue; }
        grep -q "^> TERN.AP.$(echo "$m" | tr '[:lower:]' '[:upper:]') .*($share/ansible/collections/" "$work/doc.log" ||
            fail "ansible-doc tern.ap.$m did not read the unpacked collection: $(head -1 "$work/doc.log")"
        for part in EXAMPLES "RETURN VALUES"; do
            grep -q "^$part:" "$work/doc.log" || fail "ansible-doc tern.ap.$m shows no $part"
        done
    done
    HOME="$work/home" ANSIBLE_COLLECTIONS_PATH="$share/ansible/collections" \
        ansible-doc -t role tern.ap.site >"$work/doc.log" 2>&1 || {
        cat "$work/doc.log" >&2; fail "ansible-doc -t role tern.ap.site"; }
    pass "ansible-doc of the collection's modules and role"
else
    echo "skipped: ansible-doc is missing (package ansible-core), the collection's documentation unchecked"
fi

# --- the programs, run from the unpacked root --------------------------------
scan=$("$usr/bin/tern-ap-cli" --demo scan) || fail "tern-ap-cli --demo scan exits $?"
echo "$scan" | grep -q '^02-54-45-00-00-01' || fail "tern-ap-cli --demo scan lists no demo AP: $scan"

check() {  # check LOCALE PROGRAM EXPECTED_LANGUAGE_FILE
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen LC_ALL="$1" LANG="$1" \
          timeout 60 "$2" --demo --quit-after-start 2>"$work/window.err") || {
        cat "$work/window.err" >&2; fail "$2 --quit-after-start ($1) exits non-zero"; return; }
    echo "$out" | grep -qx "language file: $3" || fail "$2 ($1) read '$out', not $3"
    echo "$out" | grep -qx "window title: 108Mbps Wireless LAN Access Point" ||
        fail "$2 ($1): captions not loaded: $out"
    echo "$out" | grep -qx "APs listed: 8" || fail "$2 ($1): the demo's APs were not listed: $out"
    ! grep -q "Warning!" "$work/window.err" || fail "$2 ($1) warned: $(cat "$work/window.err")"
}
lang="$share/tern-ap-utility/language"
check C.UTF-8 "$usr/bin/tern-ap-utility" "$lang/eng.ini"
check de_DE.UTF-8 "$usr/bin/tern-ap-utility" "$lang/gem.ini"
check ja_JP.UTF-8 "$usr/bin/tern-ap-utility" "$lang/jap.ini"

# A moved tree still finds its files.
mv "$root/usr" "$root/moved"
check C.UTF-8 "$root/moved/bin/tern-ap-utility" "$root/moved/share/tern-ap-utility/language/eng.ini"
# Without them: the warning, and an end, never a window.
mv "$root/moved/share/tern-ap-utility/language" "$root/moved/share/tern-ap-utility/hidden"
if env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
       timeout 60 "$root/moved/bin/tern-ap-utility" --demo --quit-after-start >/dev/null 2>"$work/window.err"; then
    fail "no language files, yet it ran"
fi
grep -q "Warning!" "$work/window.err" || fail "no language files and no warning: $(cat "$work/window.err")"

# No display at all: one clear line, not Qt's advice to reinstall.
rc=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$root/moved/bin/tern-ap-utility" \
    >/dev/null 2>"$work/window.err" || rc=$?
[ "$rc" -eq 1 ] || fail "without a display it exits $rc"
[ "$(wc -l <"$work/window.err")" -eq 1 ] && grep -q "no display found" "$work/window.err" ||
    fail "without a display it says: $(cat "$work/window.err")"
pass "programs from the unpacked package"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "package test passed"
