#!/usr/bin/env bash
# The Debian package as a user gets it: made by CPack from the install rules,
# unpacked into a scratch root with dpkg -x, and its programs run from there
# with no display, no settings and no generator library of the build.
#
#   PackageTest.sh BUILD_DIR SCRATCH_DIR VERSION MULTIARCH
set -euo pipefail
build=$1 scratch=$2 version=$3 multiarch=$4
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  fail "cpack could not make the package"
fi
debs=("$scratch"/out/kdx_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "not one kdx_*.deb: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"

# The package's version is the programs' own; Depends comes from the libraries
# they link, so a library missing there would leave the editor unable to start.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version-1" ] || fail "Version $(field Version), programs $version"
depends=$(field Depends)
echo "Depends: $depends"
names=$(sed 's/ ([^)]*)//g; s/, /\n/g' <<<"$depends")
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libsndfile1 libmuparser2v5; do
  grep -Fxq "$library" <<<"$names" || fail "Depends lacks $library"
done

root="$scratch/root"
dpkg -x "$deb" "$root"
sim="usr/lib/$multiarch/kdx/libkdx_sim.so"
for file in usr/bin/kdx usr/bin/kdx-tool "$sim" usr/lib/udev/rules.d/70-kdx.rules \
  usr/share/applications/kdx.desktop usr/share/mime/packages/kdx.xml \
  usr/share/man/man1/kdx.1.gz usr/share/man/man1/kdx-tool.1.gz \
  usr/share/doc/kdx/copyright usr/share/doc/kdx/changelog.Debian.gz; do
  [ -f "$root/$file" ] || fail "/$file is not in the package"
done
for size in 16 32 48 64; do
  for icon in apps/kdx.png mimetypes/application-x-kdx.png; do
    [ -f "$root/usr/share/icons/hicolor/${size}x$size/$icon" ] || fail "no ${size}x$size $icon"
  done
done
zcat "$root/usr/share/doc/kdx/changelog.Debian.gz" >"$scratch/changelog"
[ "$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)" = "$(field Version)" ] ||
  fail "the changelog's last entry is not version $(field Version)"

# The installed programs, as from a desktop-less shell.
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u KDX_INI -u KDX_D2XX_LIBRARY -u KDX_SIM_CONFIG "$@"; }
tool="$root/usr/bin/kdx-tool"
[ "$(run "$tool" --version)" = "kdx-tool $version" ] || fail "kdx-tool --version: $(run "$tool" --version)"
[ "$(run QT_QPA_PLATFORM=offscreen "$root/usr/bin/kdx" --version)" = "kdx $version" ] ||
  fail "kdx --version: $(run QT_QPA_PLATFORM=offscreen "$root/usr/bin/kdx" --version 2>&1)"
run "$tool" demo -o "$scratch/demo.kdx"
run "$tool" info "$scratch/demo.kdx" >"$scratch/info.json"
grep -q '"sample_count": 250000' "$scratch/info.json" || fail "kdx-tool info: $(head -c 400 "$scratch/info.json")"
# The shipped simulated generator takes the demo from the shipped tool.
state="$scratch/generator-state.json"
run KDX_D2XX_LIBRARY="$root/$sim" KDX_SIM_STATE="$state" "$tool" send "$scratch/demo.kdx"
run KDX_D2XX_LIBRARY="$root/$sim" KDX_SIM_STATE="$state" "$tool" status >"$scratch/status.json"
grep -q '"data_loaded": true' "$scratch/status.json" || fail "kdx-tool status: $(cat "$scratch/status.json")"
if run "$tool" frobnicate >"$scratch/usage.out" 2>"$scratch/usage.err"; then fail "a usage error exits 0"; else
  [ $? -eq 2 ] && [ ! -s "$scratch/usage.out" ] && [ -s "$scratch/usage.err" ] || fail "a usage error: not status 2 on stderr"
fi

# Every kind of apply this build has is in the manual page.
kinds=$(run "$tool" apply --help | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$kinds" ] || fail "no kinds found in kdx-tool apply --help"
page=$(zcat "$root/usr/share/man/man1/kdx-tool.1.gz")
for kind in $kinds; do
  grep -Eq "^\.BR? $(sed 's/-/\\\\-/g' <<<"$kind")( |$)" <<<"$page" || fail "kdx-tool(1) does not name apply kind $kind"
done
# The manual pages format without a warning.
for page in kdx kdx-tool; do
  warnings=$(zcat "$root/usr/share/man/man1/$page.1.gz" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

# What the desktop makes of the entry and the file type (the package's
# triggers run these on the real folders).
desktop-file-validate "$root/usr/share/applications/kdx.desktop" || fail "the desktop entry does not validate"
XDG_DATA_DIRS="$root/usr/share" update-mime-database "$root/usr/share/mime"
grep -q '^application/x-kdx:\*\.kdx$' "$root/usr/share/mime/globs" || fail "*.kdx is not application/x-kdx"
update-desktop-database "$root/usr/share/applications"
# No desktop session around, so xdg-mime takes the freedesktop lists alone.
default=$(env -i PATH="$PATH" HOME="$scratch/none" XDG_DATA_HOME="$scratch/none" XDG_DATA_DIRS="$root/usr/share" \
  XDG_CONFIG_HOME="$scratch/none" XDG_CONFIG_DIRS="$scratch/none" xdg-mime query default application/x-kdx)
[ "$default" = kdx.desktop ] || fail "xdg-mime names '$default' for application/x-kdx"

lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
echo "package test passed"
