#!/bin/sh
# Installs the build into a scratch DESTDIR and checks what a Debian
# system gets: the programs run from there, the manual pages list every
# option --help lists, the desktop entry validates, the completion parses.
# Then makes the .deb, checks its Depends and contents, unpacks it with
# dpkg -x and runs an analysis from there, and runs lintian on it.
#   install_check.sh BUILD_DIR SCRATCH_DIR
# Tools that are missing (cpack's dpkg-shlibdeps, lintian,
# desktop-file-validate) fail the check: scripts/setup installs them.
set -eu
build=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
root=$scratch/destdir
version=$("$build/tools/gnsslog-report" --version)

fail() {
  echo "install_check: $*" >&2
  exit 1
}

echo "== cmake --install into a DESTDIR"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
for f in bin/gnsslog bin/gnsslog-report bin/gnsslog-samplegen \
  share/man/man1/gnsslog.1.gz share/man/man1/gnsslog-report.1.gz share/man/man1/gnsslog-samplegen.1.gz \
  share/applications/gnsslog.desktop share/mime/packages/gnsslog.xml \
  share/icons/hicolor/scalable/apps/gnsslog.svg share/icons/hicolor/48x48/apps/gnsslog.png \
  share/icons/hicolor/256x256/apps/gnsslog.png share/bash-completion/completions/gnsslog-report \
  share/doc/gnsslog/README.md share/doc/gnsslog/copyright share/doc/gnsslog/changelog.gz \
  share/doc/gnsslog/samples/static-rtk.pvt1b; do
  [ -s "$root/usr/$f" ] || fail "cmake --install did not install /usr/$f"
done
for size in 48 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/gnsslog.png" | grep -q "PNG image data, $size x $size" ||
    fail "the ${size} px icon is not a ${size}x${size} PNG"
done

# Every long option --help lists is in the manual page (as man shows it).
for program in gnsslog gnsslog-report gnsslog-samplegen; do
  help=$("$root/usr/bin/$program" --help)
  page=$(gzip -dc "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g; s/\\f[BIR]/ /g')
  options=$(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z0-9-]*' | sort -u)
  [ -n "$options" ] || fail "$program --help lists no options"
  for option in $options; do
    printf '%s\n' "$page" | grep -q -e "\(^\|[ ,[]\)$option\([^a-z0-9-]\|$\)" ||
      fail "$program.1 does not list $option"
  done
  [ "$("$root/usr/bin/$program" --version)" = "$program ${version#gnsslog-report }" ] ||
    fail "$program --version is not '$program ${version#gnsslog-report }'"
done
bash -n "$root/usr/share/bash-completion/completions/gnsslog-report" || fail "the completion is not bash"
desktop-file-validate "$root/usr/share/applications/gnsslog.desktop" || fail "desktop entry does not validate"

echo "== cpack -G DEB"
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" >/dev/null) ||
  fail "cpack failed"
deb=$(ls "$scratch"/package/gnsslog_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libqt6gui6 libproj libc6 libstdc++6; do
  printf '%s\n' "$depends" | grep -q "$library" || fail "Depends lacks $library"
done
[ "$(dpkg-deb -f "$deb" Package)" = gnsslog ] || fail "package is not named gnsslog"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/gnsslog ./usr/share/man/man1/gnsslog-report.1.gz ./usr/share/applications/gnsslog.desktop; do
  printf '%s\n' "$contents" | grep -q " $f\$" || fail "the package lacks $f"
done
if printf '%s\n' "$contents" | grep -q ' \./usr/local/'; then
  fail "the package puts files into /usr/local"
fi

unpacked=$scratch/unpacked
dpkg -x "$deb" "$unpacked"
[ "$("$unpacked/usr/bin/gnsslog-report" --version)" = "$version" ] || fail "the packaged --version differs"
"$unpacked/usr/bin/gnsslog-report" "$unpacked/usr/share/doc/gnsslog/samples/static-rtk.pvt1b" >"$scratch/summary.txt" ||
  fail "the packaged gnsslog-report failed on a sample"
[ "$(wc -l <"$scratch/summary.txt")" -eq 6 ] || fail "the packaged gnsslog-report did not print six summary lines"

echo "== lintian"
# Errors fail the check; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors"
echo "install_check: passed"
