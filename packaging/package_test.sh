#!/bin/sh
# Builds the Debian package from the build folder $1, unpacks it into a scratch
# folder and runs every program from there; $2 is the version it must carry.
set -eu
build=$1
version=$2
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
for program in kordel kordel-record kordel-convert kordel-export kordel-activity kordel-sim; do
  # No display: the window program must answer without one.
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/$program" --version) ||
    fail "$program --version failed"
  [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
  [ -s "$root/usr/share/man/man1/$program.1.gz" ] || fail "no man page of $program"
done
for file in usr/share/applications/org.kordel.Kordel.desktop usr/share/icons/hicolor/scalable/apps/kordel.svg \
            usr/share/metainfo/org.kordel.Kordel.metainfo.xml usr/lib/systemd/system/kordel-record@.service \
            usr/lib/sysusers.d/kordel.conf; do
  [ -s "$root/$file" ] || fail "no $file"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/org.kordel.Kordel.desktop" || fail "desktop entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.kordel.Kordel.metainfo.xml" >"$scratch/as.txt" ||
    { cat "$scratch/as.txt" >&2; fail "AppStream data"; }
fi
# Only the programs: no tests, benchmarks or libraries.
extra=$(cd "$root" && find . -type f | grep -v -e '^\./usr/bin/kordel' -e '^\./usr/share/' -e '^\./usr/lib/systemd/' \
  -e '^\./usr/lib/sysusers\.d/kordel\.conf$' || true)
[ -z "$extra" ] || fail "unexpected files: $extra"
# The stations' system user is made at installation.
dpkg-deb --ctrl-tarfile "$deb" | tar -tf - | grep -q 'postinst$' || fail "no postinst"
echo "package_test: $(basename "$deb") ok"
