#!/bin/sh
# Builds the Debian package from the build folder $1, unpacks it into a scratch
# folder and runs every program from there; $2 is the version it must carry.
# With $3 ON (an optimised build without sanitizers) its programs must carry
# Debian's hardening. lintian must find no error in it.
set -eu
build=$1
version=$2
hardened=${3:-OFF}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package_test: $*" >&2; exit 1; }

cd "$build"
cpack -G DEB -B "$scratch/out" >"$scratch/cpack.txt" 2>&1 || { cat "$scratch/cpack.txt" >&2; fail "cpack failed"; }
deb="$scratch/out/kordel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$scratch/out")"

depends=$(dpkg-deb -f "$deb" Depends)
for dep in fonts-liberation libqt6core6 libqt6widgets6 libqt6serialport6; do
  case ", $depends," in *", $dep "*|*", $dep,"*) ;; *) fail "Depends lacks $dep: $depends" ;; esac
done

root="$scratch/root"
dpkg -x "$deb" "$root"
for program in kordel kordel-record kordel-collect kordel-convert kordel-export kordel-activity kordel-sim; do
  # No display: the window program must answer without one.
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/$program" --version) ||
    fail "$program --version failed"
  [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
  [ -s "$root/usr/share/man/man1/$program.1.gz" ] || fail "no man page of $program"
done
for file in usr/share/applications/org.kordel.Kordel.desktop usr/share/icons/hicolor/scalable/apps/kordel.svg \
            usr/share/metainfo/org.kordel.Kordel.metainfo.xml usr/lib/systemd/system/kordel-record@.service usr/lib/systemd/system/kordel-collect.service \
            usr/lib/sysusers.d/kordel.conf usr/share/mime/packages/kordel.xml usr/share/doc/kordel/copyright \
            usr/share/doc/kordel/changelog.gz; do
  [ -s "$root/$file" ] || fail "no $file"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/org.kordel.Kordel.desktop" || fail "desktop entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.kordel.Kordel.metainfo.xml" >"$scratch/as.txt" ||
    { cat "$scratch/as.txt" >&2; fail "AppStream data"; }
fi
# The MIME types must build into a database, and name the data files.
update-mime-database "$root/usr/share/mime" >"$scratch/mime.txt" 2>&1 || { cat "$scratch/mime.txt" >&2; fail "MIME types"; }
grep -qx 'application/x-kordel-data:\*\.pc' "$root/usr/share/mime/globs" || fail "no MIME type of *.pc: $(cat "$scratch/mime.txt")"
if [ "$hardened" = ON ]; then
  # PIE, relocations read-only after start-up, stack protector and fortified calls.
  bin="$root/usr/bin/kordel-export"
  readelf -h "$bin" | grep -q 'Type: *DYN' || fail "kordel-export is no position-independent executable"
  readelf -lW "$bin" | grep -q GNU_RELRO || fail "kordel-export has no read-only relocations"
  readelf -dW "$bin" | grep -q 'FLAGS.*NOW' || fail "kordel-export binds lazily"
  readelf -sW --dyn-syms "$bin" | grep -q __stack_chk_fail || fail "kordel-export has no stack protector"
  readelf -sW --dyn-syms "$bin" | grep -Eq '__[a-z0-9]+_chk@' || fail "kordel-export calls no fortified function"
fi
command -v lintian >/dev/null || fail "lintian is not installed (bash scripts/deps installs it)"
lintian --fail-on error "$deb" >"$scratch/lintian.txt" 2>&1 || { cat "$scratch/lintian.txt" >&2; fail "lintian found errors"; }
# Only the programs: no tests, benchmarks or libraries.
extra=$(cd "$root" && find . -type f | grep -v -e '^\./usr/bin/kordel' -e '^\./usr/share/' -e '^\./usr/lib/systemd/' \
  -e '^\./usr/lib/sysusers\.d/kordel\.conf$' || true)
[ -z "$extra" ] || fail "unexpected files: $extra"
# The stations' system user is made at installation.
dpkg-deb --ctrl-tarfile "$deb" | tar -tf - | grep -q 'postinst$' || fail "no postinst"
echo "package_test: $(basename "$deb") ok"
