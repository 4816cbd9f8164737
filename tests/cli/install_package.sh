#!/bin/bash
# The installed program as a user gets it: `cmake --install` into a scratch
# root puts dornwatch, dornctl and brk in bin/ with the desktop entry, the
# metainfo, the icon at every size and the man pages; the installed dornctl
# answers --help and works on a schedule; the installed dornwatch opens its
# frame in a real X session and ends with 0; the desktop entry and the
# metainfo validate; the man pages render; the Debian package builds from
# the same install, lists the same files and passes lintian.
set -u
BUILD=${1:?build folder}
WORK=$(mktemp -d)
XPID=
trap '[ -n "$XPID" ] && kill $XPID 2>/dev/null; rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

ROOT="$WORK/root"
DESTDIR="$ROOT" cmake --install "$BUILD" --prefix /usr >"$WORK/install.log" 2>&1 ||
  fail "cmake --install: $(cat "$WORK/install.log")"
for f in bin/dornwatch bin/dornctl bin/brk \
         share/applications/org.dornwatch.Dornwatch.desktop \
         share/metainfo/org.dornwatch.Dornwatch.metainfo.xml \
         share/man/man1/dornwatch.1.gz share/man/man1/dornctl.1.gz share/man/man1/brk.1.gz; do
  [ -e "$ROOT/usr/$f" ] || fail "not installed: $f"
done
for size in 16 22 24 32 48 64 128 256; do
  png="$ROOT/usr/share/icons/hicolor/${size}x${size}/apps/dornwatch.png"
  [ -f "$png" ] || fail "no ${size}px icon"
  # The PNG header's width and height (bytes 16..23, big-endian).
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the ${size}px icon is ${w}x${h}"
done

# The desktop entry starts the program by the name the install gives it.
desktop="$ROOT/usr/share/applications/org.dornwatch.Dornwatch.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=dornwatch' "$desktop" && grep -qx 'Categories=Utility;Clock;' "$desktop" ||
  fail "desktop entry: $(cat "$desktop")"
appstreamcli validate --no-net "$ROOT/usr/share/metainfo/org.dornwatch.Dornwatch.metainfo.xml" \
  >"$WORK/as.log" 2>&1 || fail "appstreamcli: $(cat "$WORK/as.log")"

for page in dornwatch dornctl brk; do
  MANWIDTH=80 man -l "$ROOT/usr/share/man/man1/$page.1.gz" >"$WORK/$page.txt" 2>"$WORK/man.err" ||
    fail "man -l $page: $(cat "$WORK/man.err")"
  grep -q "^NAME" "$WORK/$page.txt" && grep -q "$page -" "$WORK/$page.txt" || fail "man page $page"
done

# The installed tools work from where they were installed.
export DORNWATCH_DATA="$WORK/data" DORNWATCH_CONFIG="$WORK/config"
"$ROOT/usr/bin/dornctl" --help >"$WORK/help.txt" 2>&1 || fail "installed dornctl --help"
grep -q "usage: dornctl" "$WORK/help.txt" || fail "dornctl --help said: $(cat "$WORK/help.txt")"
id=$("$ROOT/usr/bin/dornctl" add --description "Installed" --type none --date 2030-01-01 --time 09:00) ||
  fail "installed dornctl add"
"$ROOT/usr/bin/dornctl" list | grep -q "Installed" || fail "installed dornctl list"
"$ROOT/usr/bin/brk" check "$WORK/data/SM.BRK" >/dev/null || fail "installed brk check"

if command -v Xvfb >/dev/null; then
  exec 3>"$WORK/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  XPID=$!
  exec 3>&-
  for _ in $(seq 1 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || fail "Xvfb could not start: $(cat "$WORK/xvfb.log")"
  export XDG_RUNTIME_DIR="$WORK/run"; mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  # File > Exit is chosen by the program's test hook once the frame is up.
  DISPLAY=":$(head -n1 "$WORK/display")" QT_QPA_PLATFORM=xcb DORNWATCH_AUTOEXIT=200 \
    timeout 60 "$ROOT/usr/bin/dornwatch" >"$WORK/run.log" 2>&1
  code=$?
  [ $code -eq 0 ] || fail "installed dornwatch: exit code $code: $(cat "$WORK/run.log")"
fi

# The package is made of the same install; its dependencies come from
# dpkg-shlibdeps (so libQt6Widgets is among them without being listed).
(cd "$BUILD" && cpack -G DEB -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1) || fail "cpack: $(cat "$WORK/cpack.log")"
deb=$(ls "$WORK"/pkg/dornwatch_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no package: $(cat "$WORK/cpack.log")"
dpkg-deb -c "$deb" >"$WORK/contents.txt" || fail "dpkg-deb -c"
for f in ./usr/bin/dornwatch ./usr/bin/dornctl ./usr/bin/brk \
         ./usr/share/applications/org.dornwatch.Dornwatch.desktop \
         ./usr/share/icons/hicolor/256x256/apps/dornwatch.png ./usr/share/man/man1/dornctl.1.gz; do
  grep -q " $f\$" "$WORK/contents.txt" || fail "the package lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "Depends: $(dpkg-deb -f "$deb" Depends)"
# Debian's own package checker finds no error and no warning.
command -v lintian >/dev/null || fail "lintian is missing (scripts/setup installs it)"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$WORK/lintian.log" 2>&1 ||
  fail "lintian: $(grep -v 'root privileges' "$WORK/lintian.log")"
[ -f "$ROOT/usr/share/doc/dornwatch/copyright" ] && [ -f "$ROOT/usr/share/doc/dornwatch/changelog.gz" ] ||
  fail "no copyright file or changelog in usr/share/doc/dornwatch"
echo "install and package: OK"
