#!/usr/bin/env bash
# Installs into a temporary prefix and checks the installed files with the tools the desktop and
# the system read them with: the desktop entry, the AppStream metadata, the settings file type, the
# udev rule, the icon sizes, the man pages and krvctl's bash completion.
#
#   install_test.sh BUILD_DIR [MIME_PROBE]
# MIME_PROBE (tests/packaging/MimeProbe.cpp) is given when the panel is built.
set -uo pipefail
build=$1
probe=${2:-}
gui=false
[[ -n $probe ]] && gui=true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
export LC_ALL=C.UTF-8
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
for tool in desktop-file-validate xmllint man update-mime-database appstreamcli strings; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/lib/common.sh installs it)" >&2; exit 1; }
done

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi
krvctl=$prefix/bin/krvctl

# --- The programs ---------------------------------------------------------------------------------
programs=(krvctl)
$gui && programs+=(bremix2)
for program in "${programs[@]}"; do
    [[ -x $prefix/bin/$program ]] || fail "bin/$program is not installed"
done
"$krvctl" --help >/dev/null || fail "the installed krvctl does not run"
commands=$("$krvctl" --lang en --help | sed -n '/^Commands:$/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
[[ -n $commands ]] || fail "krvctl --help lists no commands"
# The installed catalogue is found: English under an English locale, Japanese under C.
help_en=$(LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8 "$krvctl" --help 2>&1)
grep -qx 'Commands:' <<<"$help_en" ||
    fail "the installed krvctl does not speak English under LANG=en_US.UTF-8: $help_en"
help_ja=$(LANGUAGE= LC_ALL= LC_MESSAGES= LANG=C "$krvctl" --help 2>&1)
grep -qx 'コマンド:' <<<"$help_ja" || fail "the installed krvctl does not speak Japanese under LANG=C"

# --- Man pages: they render without warnings, and say what the programs say ----------------------
# English under man1 (every locale but a Japanese one), Japanese under ja/man1, both written from
# the program's own help in that language.
render_man() {  # page name [ja] -> rendered text on stdout
    local lang=${2:-}
    local page=$prefix/share/man/${lang:+$lang/}man1/$1.1.gz
    [[ -f $page ]] || { fail "man page $1 ${lang} is not installed as $page"; return 1; }
    if [[ -n $lang ]]; then
        MANWIDTH=100 man --warnings -E UTF-8 -l "$page" 2>"$work/man.err"
        # Japanese runs have no spaces to break at: groff's word about that is no fault of the page
        # (lintian passes it over in Japanese pages too).
        sed -i -E "/warning \[.*\]: (can't break|cannot adjust) line/d" "$work/man.err"
    else
        MANWIDTH=100 man --warnings -l "$page" 2>"$work/man.err"
    fi
    [[ -s $work/man.err ]] && fail "man -l $1 ${lang} warns: $(cat "$work/man.err")"
    return 0
}
for lang in en ja; do
    suffix=${lang/en/}
    render_man krvctl $suffix >"$work/krvctl.$lang.man" || continue
    heading=NAME
    [[ $lang == ja ]] && heading=名前
    grep -q "^$heading" "$work/krvctl.$lang.man" || fail "krvctl's $lang man page does not render"
    for command in $commands; do
        grep -qx "   $command" "$work/krvctl.$lang.man" ||
            fail "krvctl's $lang man page has no section for '$command'"
        usage=$("$krvctl" --lang "$lang" "$command" --help | head -n 1)
        grep -qF -- "$usage" "$work/krvctl.$lang.man" || fail "krvctl's $lang man page lacks '$usage'"
    done
    # Options must survive rendering as ASCII, or a copied command line fails.
    grep -qF -- '--port NAME' "$work/krvctl.$lang.man" ||
        fail "krvctl's $lang man page does not show --port as typed"
done
if $gui; then
    for lang in en ja; do
        suffix=${lang/en/}
        render_man bremix2 $suffix >"$work/bremix2.$lang.man" || continue
        for option in $("$prefix/bin/bremix2" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
            grep -qF -- "$option" "$work/bremix2.$lang.man" || fail "bremix2's $lang man page lacks $option"
        done
    done
fi

# --- The udev rule --------------------------------------------------------------------------------
# The syntax udev accepts: comma-separated KEY[{name}]OP"value" pairs, match keys only with == or !=,
# assignment keys only with =, +=, -= or :=, and every GOTO with its LABEL.
check_udev_rules() {
    awk '
        function bad(why) { printf "%s:%d: %s\n", FILENAME, start, why; errors++ }
        BEGIN {
            split("ACTION DEVPATH KERNEL KERNELS SUBSYSTEM SUBSYSTEMS DRIVER DRIVERS ATTRS TAGS TEST PROGRAM RESULT CONST", m)
            for (i in m) matchonly[m[i]] = 1
            split("OWNER GROUP MODE SECLABEL RUN LABEL GOTO OPTIONS", a)
            for (i in a) assignonly[a[i]] = 1
            split("NAME SYMLINK ENV TAG ATTR SYSCTL IMPORT", b)
            for (i in b) either[b[i]] = 1
            split("ATTR ATTRS ENV SYSCTL IMPORT SECLABEL CONST", n)
            for (i in n) needsname[n[i]] = 1
        }
        {
            if (line == "") start = FNR
            line = line $0
            if (line ~ /\\$/) { sub(/\\$/, "", line); next }
            rule = line; line = ""
            sub(/^[ \t]+/, "", rule)
            if (rule == "" || rule ~ /^#/) next
            pairs = 0
            while (rule != "") {
                if (!match(rule, /^[A-Z_]+(\{[^}]*\})?[ \t]*(==|!=|\+=|-=|:=|=)[ \t]*"([^"\\]|\\.)*"/)) {
                    bad("cannot read \"" rule "\""); break
                }
                pair = substr(rule, 1, RLENGTH); rule = substr(rule, RLENGTH + 1)
                pairs++
                key = pair; sub(/[{ \t=!+:-].*/, "", key)
                op = pair; sub(/^[A-Z_]+(\{[^}]*\})?[ \t]*/, "", op); op = substr(op, 1, 2); sub(/[^=!+:-].*/, "", op)
                value = pair; sub(/^[^"]*"/, "", value); sub(/"$/, "", value)
                if (!(key in matchonly) && !(key in assignonly) && !(key in either)) bad("unknown key " key)
                if ((key in matchonly) && op != "==" && op != "!=") bad(key " takes == or !=, not " op)
                if ((key in assignonly) && (op == "==" || op == "!=")) bad(key " is assigned, not compared")
                if ((key in needsname) && pair !~ /^[A-Z_]+\{[^}]+\}/) bad(key " needs {name}")
                if (key == "GOTO") gotos[value] = start
                if (key == "LABEL") labels[value] = 1
                sub(/^[ \t]*/, "", rule)
                if (rule == "") break
                if (rule !~ /^,/) { bad("no comma before \"" rule "\""); break }
                sub(/^,[ \t]*/, "", rule)
            }
        }
        END {
            for (g in gotos) if (!(g in labels)) { start = gotos[g]; bad("GOTO \"" g "\" has no LABEL") }
            exit errors > 0
        }
    ' "$1"
}
rules=$prefix/lib/udev/rules.d/70-krv-generator.rules
if [[ ! -f $rules ]]; then
    fail "the udev rule is not installed as $rules"
else
    if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
        udevadm verify --resolve-names=never "$rules" >"$work/udev.out" 2>&1 ||
            fail "udevadm verify refuses the rule: $(cat "$work/udev.out")"
    fi
    check_udev_rules "$rules" >"$work/udev.out" 2>&1 || fail "the udev rule does not parse: $(cat "$work/udev.out")"
    for must in 'ATTRS{idVendor}=="0403"' 'ATTRS{idProduct}=="6015"' 'ATTRS{product}=="Holvik KRV FT230X"' \
        'TAG+="uaccess"' 'ATTR{latency_timer}="1"'; do
        grep -qF -- "$must" "$rules" || fail "the udev rule lacks $must"
    done
    # ModemManager leaves the unit alone: its USB device and its serial port are both marked.
    for subsystem in 'SUBSYSTEM=="usb",' 'SUBSYSTEM=="tty",'; do
        grep -F -- "$subsystem" "$rules" | grep -qF 'ENV{ID_MM_DEVICE_IGNORE}="1"' ||
            fail "the udev rule's $subsystem line does not tell ModemManager to ignore the unit"
    done
    # No rule of ours hands the unit to anyone but the seat's user: no service started for it, no
    # owner, group or mode of its own, and nothing that marks it as a modem candidate.
    for key in 'RUN' 'SYSTEMD_WANTS' 'OWNER' 'GROUP' 'MODE' 'ID_MM_CANDIDATE'; do
        grep -v '^[[:space:]]*#' "$rules" | grep -qE "(^|[ ,{])$key[{}=+: ]" &&
            fail "the udev rule sets $key for the unit"
    done
    # The rules of the broken kinds above must be refused, or the check proves nothing.
    printf 'SUBSYSTEM="tty", TAG+="uaccess"\n' >"$work/bad1.rules"
    printf 'SUBSYSTEM=="tty" TAG+="uaccess"\n' >"$work/bad2.rules"
    printf 'SUBSYSTEM=="tty", GOTO="nowhere"\n' >"$work/bad3.rules"
    printf 'SUBSYSTEM=="tty", ATTR="1"\n' >"$work/bad4.rules"
    for bad in "$work"/bad*.rules; do
        check_udev_rules "$bad" >/dev/null 2>&1 && fail "the udev check accepts $(cat "$bad")"
    done
fi

# --- krvctl serve's systemd unit -------------------------------------------------------------------
service=$prefix/lib/systemd/system/krvctl-serve@.service
if [[ ! -f $service ]]; then
    fail "the systemd unit is not installed as $service"
else
    for must in '[Service]' 'ExecStart=/usr/bin/krvctl --port %I serve' 'SupplementaryGroups=dialout' \
        'WantedBy=multi-user.target'; do
        grep -qxF -- "$must" "$service" || fail "the systemd unit lacks the line $must"
    done
    # Every line a section header, a comment or KEY=VALUE.
    grep -vE '^(\[[A-Za-z]+\]|#.*|[A-Za-z]+=.*|)$' "$service" >"$work/service.out" &&
        fail "the systemd unit has lines systemd would not read: $(cat "$work/service.out")"
fi

# --- bash completion ------------------------------------------------------------------------------
completion=$prefix/share/bash-completion/completions/krvctl
complete_line() {  # words of a command line, the last one being completed -> the candidates
    (cd "$work" && PATH="$prefix/bin:$PATH" bash -c '
        source "$1" || exit 1
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        _krvctl
        printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$completion" "$@")
}
expect_completion() {  # expected candidates (one line, space-separated), then the command line
    local expected=$1
    shift
    local got
    got=$(complete_line "$@" | tr '\n' ' ' | sed 's/ $//')
    [[ $got == "$expected" ]] || fail "completing '$*' gives '$got', not '$expected'"
}
if [[ ! -f $completion ]]; then
    fail "the bash completion is not installed as $completion"
elif bash -n "$completion"; then
    expect_completion "$(printf '%s\n' $commands | sort | tr '\n' ' ' | sed 's/ $//')" krvctl ''
    expect_completion "serve set settings" krvctl se
    expect_completion "new show" krvctl settings ''
    expect_completion \
        "--bridge-fault --bridge-serial --bridge-socket --connect --csv --extra-bridge --help --json --lang --port --sim-bridge --simulate --trace --unit-fault --verbose --version --watch" \
        krvctl --port pts/3 status --
    expect_completion "1 2 4" krvctl sim --circuits ''
    expect_completion "E0_24mA E4_20mA" krvctl set 1 --range E
    touch "$work/plant.ini" "$work/notes.txt"
    expect_completion "plant.ini" krvctl settings show pl
    expect_completion "" krvctl settings show no
    expect_completion "info pack unpack update" krvctl firmware ''
    touch "$work/new.cya" "$work/new.srec"
    expect_completion "new.cya" krvctl firmware update ne
    expect_completion "new.cya new.srec" krvctl firmware pack ne
    expect_completion "b15-bad= b15-silent=" krvctl --simulate --unit-fault b15
else
    fail "the bash completion does not parse"
fi

# --- The panel's AppStream metadata: what software centres list and offer ----------------------
app_id=
if $gui; then
    metainfos=("$prefix"/share/metainfo/*.metainfo.xml)
    if [[ ${#metainfos[@]} != 1 || ! -f ${metainfos[0]} ]]; then
        fail "share/metainfo should hold one AppStream file: ${metainfos[*]}"
    else
        metainfo=${metainfos[0]}
        query() { xmllint --xpath "$1" "$metainfo" 2>/dev/null; }
        # Notes (I:) may stay; errors and warnings may not.
        if ! appstreamcli validate --no-net "$metainfo" >"$work/appstream.out" 2>&1 ||
            grep -qE '^[EW]:' "$work/appstream.out"; then
            fail "appstreamcli validate: $(cat "$work/appstream.out")"
        fi
        app_id=$(query 'string(/component/id)')
        [[ $(basename "$metainfo") == "$app_id.metainfo.xml" ]] ||
            fail "$(basename "$metainfo") is not named after its component $app_id"
        [[ $(query 'string(/component/launchable[@type="desktop-id"])') == "$app_id.desktop" ]] ||
            fail "the metadata does not launch the desktop entry $app_id.desktop"
        # Wayland and the task bar find the entry by the name the panel gives Qt.
        strings -el "$prefix/bin/bremix2" | grep -qxF "$app_id" ||
            fail "bremix2 does not name its desktop entry $app_id"
        # Every English text has its Japanese one.
        for text in /component/name /component/summary /component/description/p \
            /component/description/ul/li //screenshot/caption; do
            english=$(query "count($text[not(@xml:lang)])")
            japanese=$(query "count($text[@xml:lang='ja'])")
            [[ $english -gt 0 && $english == "$japanese" ]] ||
                fail "the metadata has $english English and $japanese Japanese $text"
        done
        for program in bremix2 krvctl; do
            [[ $(query "count(/component/provides/binary[.='$program'])") == 1 ]] ||
                fail "the metadata does not provide $program"
        done
        [[ $(query 'string(/component/provides/mediatype)') == application/x-krv-settings ]] ||
            fail "the metadata does not provide the settings file type"
        # Offered when the unit's bridge is plugged in: the same device as the udev rule's.
        vendor=$(grep -o 'ATTRS{idVendor}=="[0-9a-fA-F]*"' "$prefix/lib/udev/rules.d/70-krv-generator.rules" | head -n 1 | cut -d'"' -f2)
        product=$(grep -o 'ATTRS{idProduct}=="[0-9a-fA-F]*"' "$prefix/lib/udev/rules.d/70-krv-generator.rules" | head -n 1 | cut -d'"' -f2)
        [[ $(query 'string(/component/provides/modalias)') == "usb:v${vendor^^}p${product^^}d*" ]] ||
            fail "the metadata's modalias is not the bridge's usb:v${vendor^^}p${product^^}d*"
        [[ $(query 'string(/component/releases/release[1]/@version)') == "$("$krvctl" --version | cut -d' ' -f2)" ]] ||
            fail "the metadata's latest release is not the programs' version"
        homepage=$(query 'string(/component/url[@type="homepage"])')
        [[ $homepage == https://* ]] || fail "the metadata's home page '$homepage' is not https"
        screenshots=$(query 'count(//screenshot/image)')
        [[ $screenshots -gt 0 ]] || fail "the metadata shows no screenshot"
        for ((i = 1; i <= screenshots; i++)); do
            url=$(query "string((//screenshot/image)[$i])")
            [[ $url == "$homepage/docs/"* && -f $source_dir/docs/${url#"$homepage/docs/"} ]] ||
                fail "screenshot $url is not one of docs/ on the home page"
        done
    fi
fi

# --- The panel's desktop entry, icon and settings file type -------------------------------------
if $gui; then
    desktop=$prefix/share/applications/${app_id:-bremix2}.desktop
    if [[ ! -f $desktop ]]; then
        fail "the desktop entry is not installed as $desktop"
    else
        desktop-file-validate "$desktop" >"$work/desktop.out" 2>&1
        [[ -s $work/desktop.out ]] && fail "desktop-file-validate: $(cat "$work/desktop.out")"
        for must in 'Name=Bremix2' 'Exec=bremix2 %f' 'Icon=bremix2' 'MimeType=application/x-krv-settings;'; do
            grep -qxF -- "$must" "$desktop" || fail "the desktop entry lacks $must"
        done
        grep -q '^Comment=' "$desktop" && grep -q '^Comment\[ja\]=' "$desktop" ||
            fail "the desktop entry lacks an English or a Japanese comment"
        grep -qE '^Categories=.*Electronics;.*Engineering;' "$desktop" ||
            fail "the desktop entry is not filed under electronics and engineering"
    fi

    icons=$prefix/share/icons/hicolor
    xmllint --noout "$icons/scalable/apps/bremix2.svg" || fail "the scalable icon is not well-formed"
    for size in 16 22 24 32 48 64 128 256; do
        png=$icons/${size}x$size/apps/bremix2.png
        if [[ ! -f $png ]]; then
            fail "icon $png is missing"
            continue
        fi
        # PNG signature, then the IHDR chunk's width and height (big-endian).
        read -r -a bytes < <(od -An -v -tu1 -N24 "$png" | tr -s ' \n' '  ')
        signature="${bytes[*]:0:8}"
        width=$(((bytes[16] << 24) | (bytes[17] << 16) | (bytes[18] << 8) | bytes[19]))
        height=$(((bytes[20] << 24) | (bytes[21] << 16) | (bytes[22] << 8) | bytes[23]))
        [[ $signature == "137 80 78 71 13 10 26 10" ]] || fail "$png is no PNG"
        [[ $width == "$size" && $height == "$size" ]] || fail "$png is ${width}x$height, not ${size}x$size"
    done

    mime=$prefix/share/mime/packages/bremix2.xml
    if [[ ! -f $mime ]]; then
        fail "the settings file type is not installed as $mime"
    else
        xmllint --noout "$mime" || fail "xmllint refuses $mime"
        XDG_DATA_DIRS=$prefix/share:/usr/share update-mime-database "$prefix/share/mime" >"$work/mime.out" 2>&1 || fail "update-mime-database fails"
        [[ -s $work/mime.out ]] && fail "update-mime-database: $(cat "$work/mime.out")"
        [[ -f $prefix/share/mime/application/x-krv-settings.xml ]] ||
            fail "update-mime-database does not know application/x-krv-settings"

        # What a file manager built on Qt makes of them: settings files by their start marker,
        # other .ini files stay text, and the name alone claims nothing.
        "$krvctl" settings new --circuits 2 "$work/plant.ini" || fail "krvctl settings new"
        cp "$work/plant.ini" "$work/PLANT.INI"
        cp "$work/plant.ini" "$work/plant.bin"
        printf '[Network]\nAddress=10.0.0.1\n' >"$work/notes.ini"
        : >"$work/empty.ini"
        mkdir -p "$work/data-home"
        XDG_DATA_HOME=$work/data-home XDG_DATA_DIRS=$prefix/share:/usr/share \
            "$probe" "$work/plant.ini" "$work/PLANT.INI" "$work/plant.bin" "$work/notes.ini" \
            "$work/empty.ini" >"$work/types" || fail "the MIME probe fails"
        expected="application/x-krv-settings text/plain
application/x-krv-settings text/plain
application/x-krv-settings application/octet-stream
text/plain text/plain
text/plain text/plain"
        [[ $(cat "$work/types") == "$expected" ]] ||
            fail "MIME types (name and content, name only) are"$'\n'"$(cat "$work/types")"$'\n'"not"$'\n'"$expected"
        # The same through GIO, as GNOME's file manager asks.
        if command -v gio >/dev/null; then
            for file in plant.ini PLANT.INI plant.bin notes.ini empty.ini; do
                XDG_DATA_HOME=$work/data-home XDG_DATA_DIRS=$prefix/share:/usr/share \
                    gio info -a standard::content-type "$work/$file" | sed -n 's/^ *standard::content-type: //p'
            done >"$work/gio-types"
            [[ $(cat "$work/gio-types") == "$(cut -d' ' -f1 <<<"$expected")" ]] ||
                fail "GIO gives the MIME types"$'\n'"$(cat "$work/gio-types")"
        fi
    fi
fi

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed files checked in $prefix"
