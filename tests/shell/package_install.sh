#!/usr/bin/env bash
# The installed tree and the Debian package. cmake --install into a scratch prefix puts exactly
# the expected files in place; bin/q3config is a relative link into the program directory; the
# programs there resolve their libraries and start; the GUI, started through the link, loads its
# Japanese module and looks for the privileged-mode marker beside its real file. cpack's .deb
# names the Qt 6 runtime, libc and libstdc++ among its dependencies and holds the same tree,
# which passes the same checks when unpacked into a scratch root.
set -euo pipefail
bin=${1:?usage: package_install.sh BIN_DIR}
build=$(cd "$bin/.." && pwd)
work=$(mktemp -d)
tracer_pid=""
gui_pid=""

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
cleanup() {
    if [ -n "$gui_pid" ]; then kill -KILL "$gui_pid" 2>/dev/null || true; fi
    if [ -n "$tracer_pid" ]; then wait "$tracer_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

need_tool() {
    command -v "$1" >/dev/null || fail "$1 is not installed (Debian package $2)"
}
need_tool cmake cmake
need_tool cpack cmake
need_tool dpkg-deb dpkg
need_tool dpkg-shlibdeps dpkg-dev
need_tool file file
need_tool strace strace
need_tool nm binutils
need_tool desktop-file-validate desktop-file-utils
[ -f "$build/CMakeCache.txt" ] || fail "$build is not a configured build directory"
for f in q3config q3config_jpn.so q3cli q3certificate q3sim; do
    [ -e "$bin/$f" ] || fail "$bin/$f is missing: build it first"
done

cache() {
    sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"
}
version=$(cache CMAKE_PROJECT_VERSION)
source=$(cache CMAKE_HOME_DIRECTORY)
bindir=$(cache CMAKE_INSTALL_BINDIR)
libdir=$(cache CMAKE_INSTALL_LIBDIR)
dataroot=$(cache CMAKE_INSTALL_DATAROOTDIR)
datadir=$(cache CMAKE_INSTALL_DATADIR)
mandir=$(cache CMAKE_INSTALL_MANDIR)
[ -n "$datadir" ] || datadir=$dataroot
[ -n "$mandir" ] || mandir=$dataroot/man
[ -n "$version" ] && [ -n "$bindir" ] && [ -n "$libdir" ] && [ -n "$datadir" ] ||
    fail "no install layout in $build/CMakeCache.txt (cmake/Install.cmake not included?)"
progdir=$libdir/q3config
sizes="16 32 48 64 128 256"

# Every file and link of the tree, one per line, relative to the prefix.
expected() {
    echo "$bindir/q3cli"
    echo "$bindir/q3sim"
    echo "$bindir/q3config"
    echo "$progdir/q3config"
    echo "$progdir/q3config_jpn.so"
    echo "$progdir/q3certificate"
    echo "$datadir/applications/q3config.desktop"
    local s
    for s in $sizes; do echo "$datadir/icons/hicolor/${s}x$s/apps/q3config.png"; done
    echo "$datadir/icons/hicolor/scalable/apps/q3config.svg"
    echo "$mandir/man1/q3config.1.gz"
    echo "$mandir/man1/q3cli.1.gz"
    echo "$mandir/man1/q3sim.1.gz"
    echo "$datadir/mime/packages/q3config.xml"
    echo "$datadir/bash-completion/completions/q3cli"
    echo "$datadir/doc/q3config/user-guide.md"
    local image
    for image in "$source"/docs/images/*.png; do
        echo "$datadir/doc/q3config/images/${image##*/}"
    done
}
listing() {
    (cd "$1" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
}

# start_gui ROOT NAME: starts ROOT's bin/q3config under strace with the Japanese language chosen
# and the dynamic loader's file log; sets gui_pid once the GUI has loaded the module and looked
# for the marker, and fails when that does not happen in time.
start_gui() {
    local root=$1 name=$2 out=$work/$2
    mkdir -p "$out/config/Drennic" "$out/runtime"
    chmod 700 "$out/runtime"
    printf '[Settings]\r\nDisplayLanguage=1\r\n' >"$out/config/Drennic/q3config.ini"
    XDG_CONFIG_HOME=$out/config XDG_RUNTIME_DIR=$out/runtime QT_QPA_PLATFORM=offscreen \
        strace -f -qq -o "$out/trace" -e trace=openat,stat,newfstatat,statx \
        -E LD_DEBUG=files -E "LD_DEBUG_OUTPUT=$out/ld" \
        "$root/$bindir/q3config" >"$out/gui.log" 2>&1 &
    tracer_pid=$!
    local module=$root/$progdir/q3config_jpn.so marker=$root/$progdir/q3config.adm i
    for i in $(seq 300); do
        if grep -qsF "calling init: $module" "$out"/ld.* &&
            grep -qF "\"$marker\"" "$out/trace" 2>/dev/null; then
            break
        fi
        kill -0 "$tracer_pid" 2>/dev/null || break
        sleep 0.1
    done
    gui_pid=$(ps -o pid= --ppid "$tracer_pid" | tr -d ' ' || true)
    if [ -z "$gui_pid" ]; then
        cat "$out/gui.log" >&2
        fail "$name: q3config ended at start (log above)"
    fi
    grep -qsF "calling init: $module" "$out"/ld.* ||
        fail "$name: q3config did not load its language module $module"
    grep -qF "\"$marker\"" "$out/trace" ||
        fail "$name: q3config did not look for the marker $marker"
}
stop_gui() {
    kill -KILL "$gui_pid" 2>/dev/null || true
    wait "$tracer_pid" 2>/dev/null || true
    gui_pid=""
    tracer_pid=""
}

# check_tree ROOT NAME: the installed files under the prefix ROOT, and the programs run from it.
check_tree() {
    local root=$1 name=$2 f symbols
    diff <(expected | LC_ALL=C sort) <(listing "$root") >"$work/diff" ||
        fail "$name: the tree differs from the expected files (< expected, > found):
$(cat "$work/diff")"

    local link=$root/$bindir/q3config target
    [ -L "$link" ] || fail "$name: $bindir/q3config is not a symlink"
    target=$(readlink "$link")
    case $target in
    /*) fail "$name: $bindir/q3config points to the absolute path $target" ;;
    esac
    [ "$(readlink -f "$link")" = "$(readlink -f "$root/$progdir/q3config")" ] ||
        fail "$name: $bindir/q3config -> $target is not $progdir/q3config"

    for f in "$bindir/q3cli" "$bindir/q3sim" "$progdir/q3config" "$progdir/q3certificate"; do
        [ -x "$root/$f" ] || fail "$name: $f is not executable"
        grep -q "ELF.*executable" <<<"$(file -b "$root/$f")" || fail "$name: $f is no ELF program"
    done
    grep -q "ELF.*shared object" <<<"$(file -b "$root/$progdir/q3config_jpn.so")" ||
        fail "$name: $progdir/q3config_jpn.so is no shared object"
    for f in "$bindir/q3cli" "$bindir/q3sim" "$progdir/q3config" "$progdir/q3config_jpn.so" \
        "$progdir/q3certificate"; do
        ldd "$root/$f" >"$work/ldd" 2>&1 || fail "$name: ldd $f failed: $(cat "$work/ldd")"
        ! grep -q "not found" "$work/ldd" || fail "$name: $f misses libraries:
$(grep "not found" "$work/ldd")"
    done
    symbols=$(nm -D --defined-only "$root/$progdir/q3config_jpn.so")
    grep -q " T q3_language_strings$" <<<"$symbols" ||
        fail "$name: q3config_jpn.so does not export q3_language_strings"

    local tool
    for tool in q3cli q3sim; do
        "$root/$bindir/$tool" --help >"$work/help" 2>&1 ||
            fail "$name: $tool --help failed: $(cat "$work/help")"
        grep -q "^Usage: $tool " <<<"$(head -n 1 "$work/help")" ||
            fail "$name: $tool --help printed: $(head -n 1 "$work/help")"
    done
    for tool in q3config q3cli q3sim; do
        grep -q "^\.TH ${tool^^} 1 .*$version" <<<"$(gzip -dc "$root/$mandir/man1/$tool.1.gz")" ||
            fail "$name: man page $tool.1.gz has no title line with version $version"
    done

    local desktop=$root/$datadir/applications/q3config.desktop
    desktop-file-validate "$desktop" >"$work/dfv" 2>&1 ||
        fail "$name: q3config.desktop is not valid: $(cat "$work/dfv")"
    for f in "Exec=q3config %f" "Icon=q3config" "Terminal=false" "Name=Q3 Configurator" \
        "MimeType=application/x-q3config-parameters;"; do
        grep -qxF "$f" "$desktop" || fail "$name: q3config.desktop lacks $f"
    done
    grep -q "^Name\[ja\]=." "$desktop" || fail "$name: q3config.desktop has no Japanese name"
    # The MIME definition is valid and claims a parameter file by its first section.
    local mime=$work/$name/mime
    mkdir -p "$mime/packages"
    cp "$root/$datadir/mime/packages/q3config.xml" "$mime/packages/"
    update-mime-database "$mime" >/dev/null 2>&1 ||
        fail "$name: update-mime-database refused q3config.xml"
    grep -q "^application/x-q3config-parameters" "$mime/types" ||
        fail "$name: the MIME type is not defined"
    bash -n "$root/$datadir/bash-completion/completions/q3cli" ||
        fail "$name: the bash completion of q3cli does not parse"
    # The guide where F1 looks for it.
    [ -f "$root/$datadir/doc/q3config/user-guide.md" ] ||
        fail "$name: the user guide is not where q3config looks for it"
    grep -q "^Comment\[ja\]=." "$desktop" || fail "$name: q3config.desktop has no Japanese comment"
    local s
    for s in $sizes; do
        f=$root/$datadir/icons/hicolor/${s}x$s/apps/q3config.png
        grep -q "^PNG image data, $s x $s," <<<"$(file -b "$f")" ||
            fail "$name: the ${s}x$s icon is not $s px: $(file -b "$f")"
    done
    grep -q "<svg" "$root/$datadir/icons/hicolor/scalable/apps/q3config.svg" ||
        fail "$name: the scalable icon is no SVG"

    # The administrator's marker goes beside the real program file, not beside the link in bin/.
    touch "$root/$progdir/q3config.adm"
    start_gui "$root" "$name"
    grep -q "= 0$" <<<"$(grep -F "\"$root/$progdir/q3config.adm\"" "$work/$name/trace")" ||
        fail "$name: q3config did not find the marker $progdir/q3config.adm"
    stop_gui
    rm "$root/$progdir/q3config.adm"
}

echo "== cmake --install into a scratch prefix"
cmake --install "$build" --prefix "$work/inst/usr" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
check_tree "$work/inst/usr" install

echo "== the same with DESTDIR (the distribution's staging)"
DESTDIR=$work/dest cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    fail "DESTDIR=... cmake --install failed: $(cat "$work/install.log")"
[ "$(listing "$work/dest")" = "$(listing "$work/inst")" ] ||
    fail "the DESTDIR tree differs from the --prefix tree:
$(diff <(listing "$work/inst") <(listing "$work/dest"))"
link=$(readlink "$work/dest/usr/$bindir/q3config")
[ "$link" = "$(readlink "$work/inst/usr/$bindir/q3config")" ] ||
    fail "the DESTDIR tree's $bindir/q3config points to $link"

echo "== cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
debs=("$work"/pkg/q3config_"$version"_*.deb)
[ -f "${debs[0]}" ] || fail "no q3config_${version}_*.deb from cpack: $(cat "$work/cpack.log")"
deb=${debs[0]}
field() {
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = q3config ] || fail "package name is '$(field Package)', not q3config"
[ "$(field Version)" = "$version" ] || fail "package version is '$(field Version)'"
[ "$(field Section)" = electronics ] || fail "package section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "the package has no maintainer"
depends=$(field Depends)
echo "Depends: $depends"
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libc6 libstdc++6; do
    grep -q ", $p[ ,(]" <<<", $depends," || fail "Depends lacks $p: $depends"
done
grep -q ", fonts-ipafont-gothic[ ,(]" <<<", $(field Recommends)," ||
    fail "Recommends lacks fonts-ipafont-gothic: $(field Recommends)"

echo "== the package's tree"
mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
[ "$(listing "$work/root")" = "$(listing "$work/inst")" ] ||
    fail "the package's files differ from the installed tree:
$(diff <(listing "$work/inst") <(listing "$work/root"))"
check_tree "$work/root/usr" package
echo "ok"
