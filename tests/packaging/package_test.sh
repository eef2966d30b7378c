#!/usr/bin/env bash
# Builds the Debian package from a build tree with CPack, unpacks it into a
# temporary root, checks what it holds, and lets the installed kobre play the
# installed demo game headless (no game folder named) and lint it.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package test: $*" >&2
  exit 1
}

if ! cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
fi
deb=$(ls "$work"/pkg/kobre_*.deb)
dpkg-deb -f "$deb" Package | grep -qx kobre || fail "package name"
dpkg-deb -f "$deb" Depends | grep -q fonts-ipafont-gothic || fail "Depends lacks the font"
dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr

for f in bin/kobre bin/upfetch bin/kobre-arc bin/kobre-mkgame \
  share/applications/kobre.desktop share/icons/hicolor/256x256/apps/kobre.png \
  share/man/man1/kobre.1 share/man/man1/upfetch.1 share/man/man1/kobre-arc.1 \
  share/man/man1/kobre-mkgame.1 share/kobre/demo/arc.scr share/kobre/demo/arc.cg \
  share/kobre/demo/arc.wav; do
  [ -e "$usr/$f" ] || fail "missing $f"
done
for f in Save00.dat KOBRE.ini Read.dat JoyPad.inp; do
  [ ! -e "$usr/share/kobre/demo/$f" ] || fail "the package holds a played demo's $f"
done
[ "$(head -c 8 "$usr/share/icons/hicolor/256x256/apps/kobre.png" | od -An -tx1 | tr -d ' \n')" = \
  89504e470d0a1a0a ] || fail "the icon is no PNG"
grep -qx 'Exec=kobre %f' "$usr/share/applications/kobre.desktop" || fail "desktop entry Exec"
grep -qx 'Icon=kobre' "$usr/share/applications/kobre.desktop" || fail "desktop entry Icon"

export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
  SDL_AUDIODRIVER=dummy
set +e
"$usr/bin/kobre" --headless --auto-ok --auto-choose first --max-polls 15000 \
  >"$work/run.txt" 2>"$work/err.txt"
code=$?
set -e
[ "$code" -eq 0 ] || [ "$code" -eq 3 ] || {
  cat "$work/run.txt" "$work/err.txt" >&2
  fail "the installed kobre exited $code"
}
if grep -q $'^BOX\t' "$work/run.txt"; then
  cat "$work/run.txt" >&2
  fail "the installed demo showed a message box"
fi
# The demo's ending sets the lasting flag F2000 (offset 176 + 2000 of the
# record) in Save00.dat, in the game folder or the per-user folder.
save="$usr/share/kobre/demo/Save00.dat"
[ -e "$save" ] || save="$XDG_DATA_HOME/kobre/demo/Save00.dat"
[ -e "$save" ] || fail "no Save00.dat after playing"
[ "$(od -An -tu1 -j 2176 -N1 "$save" | tr -d ' ')" = 1 ] || fail "the ending was not reached"

"$usr/bin/kobre" --lint "$usr/share/kobre/demo" || fail "the installed demo does not lint clean"
echo "package test: installed and played"
