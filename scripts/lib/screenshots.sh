# Shared by the screenshot scripts: the language of the pictures, where they go, the build.
# Source it after common.sh, then call screenshot_setup "$@".

# screenshot_setup [--lang en|ja]: sets shot_lang, shot_dir (docs/ for Japanese, docs/en/ for
# English, created) and build (build/, or $KRV_BUILD / $KRV_BUILD_DIR), installs what the pictures
# need and exports LANGUAGE so the programs speak shot_lang. Without --lang the locale decides as
# the programs decide: the first of LANGUAGE, LC_ALL, LC_MESSAGES, LANG that is set, English when
# it starts with "en", Japanese otherwise.
screenshot_setup() {
    shot_lang=
    while [ $# -gt 0 ]; do
        case $1 in
        --lang) shot_lang=${2:-}; shift 2 || shift ;;
        --lang=*) shot_lang=${1#--lang=}; shift ;;
        *) echo "usage: $(basename "$0") [--lang en|ja]" >&2; exit 2 ;;
        esac
    done
    if [ -z "$shot_lang" ]; then
        local locale=${LANGUAGE:-${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}}
        shot_lang=ja
        [[ $locale == en* ]] && shot_lang=en
    fi
    case $shot_lang in
    ja) shot_dir=$KRV_ROOT/docs ;;
    en) shot_dir=$KRV_ROOT/docs/en ;;
    *) echo "--lang is en or ja, not \"$shot_lang\"" >&2; exit 2 ;;
    esac
    export LANGUAGE=$shot_lang
    unset LC_ALL LC_MESSAGES
    mkdir -p "$shot_dir"
    ensure_packages "${BUILD_PACKAGES[@]}" "${PANEL_PACKAGES[@]}" xvfb xauth xdotool imagemagick
    build=${KRV_BUILD:-${KRV_BUILD_DIR:-$KRV_ROOT/build}}
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$KRV_ROOT" -B "$build" -G Ninja -DKRV_WERROR=ON $(compiler_launcher)
    fi
}

# screenshot_build TARGET...: builds the programs the pictures come from.
screenshot_build() {
    cmake --build "$build" --target "$@"
}

# on_display COMMAND...: runs COMMAND on a virtual X display (a real one, not Qt's offscreen
# platform, so the pictures show what a desktop shows).
on_display() {
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 ${SCREEN_SIZE:-1024x768}x24" "$@"
}
