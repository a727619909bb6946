#!/usr/bin/env bash
# Makes the Debian package from a build (cpack, as scripts/package does, into a temporary folder)
# and checks it as Debian's archive would: lintian finds no error and no warning, and the
# changelog and copyright file name the package's version and maintainer.
#
#   deb_test.sh BUILD_DIR
set -uo pipefail
build=$1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
for tool in cpack dpkg-deb lintian; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/lib/common.sh installs it)" >&2; exit 1; }
done

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
debs=("$work"/*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { echo "FAIL: cpack made no single package: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}

# Notes (I:, P:) may stay, an unused override among them; errors and warnings may not.
if ! lintian --fail-on error,warning "$deb" >"$work/lintian.out" 2>&1 ||
    grep -qE '^[EW]:' "$work/lintian.out"; then
    fail "lintian: $(cat "$work/lintian.out")"
fi

# The changelog's entry and the copyright's contact come from the same place as the control file.
package=$(dpkg-deb -f "$deb" Package)
version=$(dpkg-deb -f "$deb" Version)
maintainer=$(dpkg-deb -f "$deb" Maintainer)
dpkg-deb -x "$deb" "$work/root"
doc=$work/root/usr/share/doc/$package
head_line=$(gzip -dc "$doc/changelog.Debian.gz" | head -n 1)
[[ $head_line == "$package ($version) "* ]] || fail "the changelog begins '$head_line', not with $package ($version)"
gzip -dc "$doc/changelog.Debian.gz" | grep -qF -- " -- $maintainer  " ||
    fail "the changelog entry is not signed by $maintainer"
grep -qxF "Upstream-Contact: $maintainer" "$doc/copyright" ||
    fail "the copyright file's contact is not $maintainer"

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "$deb: lintian has no error and no warning"
grep -E "^[A-Z]: " "$work/lintian.out" || true  # the notes that stay
