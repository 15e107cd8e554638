#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a Debian
# program ships: documentation, example units, bash completion, icons and
# man pages, and the service's unit, user, bus policy and settings. Then
# moves the prefix elsewhere and starts the installed
# lumivex with no ZEPTA_DDCHELPER: it must find the plugin in its own
# library folder (the simulated plugin stands in under the real plugin's
# name, so its call log proves which file was loaded). Last, packs the
# build with cpack -G DEB and runs lintian on the .deb: an error fails,
# warnings are printed.
#   install_test.sh BUILD_DIR PLUGIN_DIR_UNDER_PREFIX
set -euo pipefail
build=$1 plugins=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }
staged=$work/staged
doc=share/doc/lumivex

cmake --install "$build" --prefix "$staged" >/dev/null
for f in bin/lumivex bin/lumivex-ctl bin/zepta-sim "$plugins/libDDCHelper.so" "$plugins/libDDCHelper-sim.so" \
         share/applications/lumivex.desktop share/icons/hicolor/scalable/apps/lumivex.svg \
         share/bash-completion/completions/lumivex-ctl \
         "$doc/README.md.gz" "$doc/copyright" "$doc/changelog.gz" "$doc/mqtt.md.gz" "$doc/mqtt-sites.md.gz" \
         "$doc/examples/lumivex-ctl@.service" "$doc/examples/lumivex-ctl@.timer" \
         "$doc/examples/lumivex-ctl-controller@.service" "$doc/examples/lumivex-ctl-controller@.timer" \
         lib/systemd/system/lumivexd.service lib/sysusers.d/lumivex.conf \
         share/dbus-1/system.d/org.lumivex.Lumivex1.conf etc/lumivex/controllers.ini etc/lumivex/lumivexd.ini; do
  [[ -f "$staged/$f" ]] || fail "not installed: $f"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$staged/share/applications/lumivex.desktop"
fi

# gzip -n leaves the name out (flag bit 3) and the time stamp at zero, so a
# rebuild gives the same bytes.
check_gzip() {  # check_gzip FILE
  gzip -t "$1" 2>/dev/null || fail "not gzipped: ${1#"$staged"/}"
  [[ $(od -An -tx1 -j3 -N5 "$1" | tr -d ' \n') == 0000000000 ]] \
    || fail "${1#"$staged"/} keeps a file name or time stamp (gzip -n)"
}
for page in man1/lumivex.1 man1/zepta-sim.1 man1/lumivex-ctl.1 man8/lumivexd.8; do
  check_gzip "$staged/share/man/$page.gz"
done
# The man page names the folder the plugins went to.
page=$(zcat "$staged/share/man/man1/lumivex.1.gz")
grep -qF "/usr/$plugins/libDDCHelper.so" <<<"${page//\\-/-}" || fail "lumivex.1 does not name the plugin folder /usr/$plugins"

# The changelog's newest entry is the installed program's version.
check_gzip "$staged/$doc/changelog.gz"
check_gzip "$staged/$doc/README.md.gz"
version=$("$staged/bin/lumivex-ctl" --version) || fail "lumivex-ctl --version failed"
newest=$(zcat "$staged/$doc/changelog.gz")
newest=${newest%%$'\n'*}
[[ $newest == "lumivex (${version##* }) "* ]] || fail "changelog.gz does not start with version ${version##* }: $newest"

# Each icon is a PNG of the size its folder names.
for size in 16 22 24 32 48 64 128 256; do
  png=$staged/share/icons/hicolor/${size}x${size}/apps/lumivex.png
  [[ -f $png ]] || fail "no ${size}x${size} icon"
  [[ $(od -An -tx1 -N8 "$png" | tr -d ' \n') == 89504e470d0a1a0a ]] || fail "${size}x${size} icon: not a PNG"
  read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [[ $width == "$size" && $height == "$size" ]] || fail "the ${size}x${size} icon is ${width}x${height}"
done
grep -q '<svg ' "$staged/share/icons/hicolor/scalable/apps/lumivex.svg" || fail "the scalable icon is no SVG"

# The example units are examples: the service's unit is the only one
# where systemd looks.
units=$(cd "$staged" && find lib/systemd share/systemd -type f 2>/dev/null) || true
[[ $units == lib/systemd/system/lumivexd.service ]] || fail "units installed where systemd reads them: ${units//$'\n'/ }"
if command -v systemd-analyze >/dev/null; then
  # An instance of each example, and the service, run on the staged
  # programs; any complaint fails.
  mkdir "$work/units"
  to_staged() { sed -e "s#/usr/bin/lumivex-ctl#$staged/bin/lumivex-ctl#" -e "s#/usr/sbin/lumivexd#$staged/sbin/lumivexd#" "$@"; }
  instance=$(systemd-escape /dev/ttyUSB0)
  verify=()
  for kind in service timer; do
    to_staged "$staged/$doc/examples/lumivex-ctl@.$kind" >"$work/units/lumivex-ctl@$instance.$kind"
    to_staged "$staged/$doc/examples/lumivex-ctl-controller@.$kind" >"$work/units/lumivex-ctl-controller@lobby-east.$kind"
    verify+=("lumivex-ctl@$instance.$kind" "lumivex-ctl-controller@lobby-east.$kind")
  done
  # lumivexd is built by src/service/; without it there is no ExecStart to verify.
  if [[ -x $staged/sbin/lumivexd ]]; then
    to_staged "$staged/lib/systemd/system/lumivexd.service" >"$work/units/lumivexd.service"
    verify+=(lumivexd.service)
  else
    echo "install_test: no sbin/lumivexd staged: lumivexd.service not verified"
  fi
  complaints=$(cd "$work/units" && systemd-analyze verify --man=no "${verify[@]}" 2>&1) \
    || fail "systemd-analyze verify: $complaints"
  [[ -z $complaints ]] || fail "systemd-analyze verify: $complaints"
fi
# lumivexd starts on the shipped settings and inventory, holds no
# controller and answers on a bus of its own (the session bus of
# dbus-run-session; the bus name appearing is the sign it is up).
if [[ -x $staged/sbin/lumivexd ]]; then
  mkdir "$work/state"
  listed=$(env -u XDG_CONFIG_HOME HOME="$work/home" STATE_DIRECTORY="$work/state" dbus-run-session -- bash -c '
    "$1/sbin/lumivexd" --config "$1/etc/lumivex/lumivexd.ini" --inventory "$1/etc/lumivex/controllers.ini" \
      --bus session 2>"$2" &
    trap "kill $! 2>/dev/null; wait $!" EXIT
    gdbus wait --session --timeout 60 org.lumivex.Lumivex1 || exit 1
    dbus-send --session --print-reply --dest=org.lumivex.Lumivex1 /org/lumivex/Lumivex1 \
      org.lumivex.Lumivex1.Manager.ListControllers' _ "$staged" "$work/lumivexd.log" 2>&1) \
    || fail "lumivexd did not serve the shipped settings: $listed $(cat "$work/lumivexd.log")"
  [[ $(grep -c 'struct {' <<<"$listed") == 0 && $listed == *'array ['* ]] \
    || fail "lumivexd on the shipped inventory lists controllers: $listed"
fi
if command -v systemd-sysusers >/dev/null; then
  # The user and groups made on an empty system: no login, and i2c for
  # the unit's SupplementaryGroups.
  mkdir -p "$work/sysroot/etc"
  systemd-sysusers --root="$work/sysroot" "$staged/lib/sysusers.d/lumivex.conf" >/dev/null 2>&1 \
    || fail "systemd-sysusers refused lib/sysusers.d/lumivex.conf"
  grep -qE '^lumivex:x:[0-9]+:[0-9]+:[^:]*:/:/usr/sbin/nologin$' "$work/sysroot/etc/passwd" || fail "no user lumivex without a login"
  for group in lumivex i2c; do
    grep -q "^$group:" "$work/sysroot/etc/group" || fail "no group $group"
  done
fi

# Bash completion: sourced in a fresh shell, its function is called as bash
# would call it, with COMP_WORDS split as bash splits them (at ':' and '=');
# the current word is the last.
completion=$staged/share/bash-completion/completions/lumivex-ctl
errors=$(bash --norc -c 'source "$1"' _ "$completion" 2>&1) && [[ -z $errors ]] || fail "sourcing the completion: $errors"
complete_words() {  # complete_words WORD... -> the choices, one a line
  bash --norc -c 'source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    registered=$(complete -p lumivex-ctl) || exit 1
    [[ $registered =~ -F\ ([^ ]+) ]] || exit 1
    "${BASH_REMATCH[1]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
}
offers() {  # offers CHOICE WORD...
  local choice=$1 choices
  shift
  choices=$(complete_words "$@") || fail "completing '$*' failed"
  grep -qxF -- "$choice" <<<"$choices" || fail "completing '$*' does not offer '$choice' (offers: ${choices//$'\n'/ })"
}
offers status lumivex-ctl st
offers --links lumivex-ctl --link
offers rfc2217:// lumivex-ctl --link rfc
offers tcp:// lumivex-ctl --link = tc
offers // lumivex-ctl --link tcp :
offers input lumivex-ctl --link COM1 set in
offers dvi lumivex-ctl --link COM1 set input ''
offers off lumivex-ctl set MASK ''
offers apply lumivex-ctl --links room.txt --json ''
# Every verb and option --help lists, and no verb in place of a link.
# A row of --help starts at column 3; its left column is 30 wide.
help_rows() { "$staged/bin/lumivex-ctl" --help | sed -n "/^$1:/,/^\$/p" | grep -E '^  [^ ]' | cut -c3-32; }
for verb in $(help_rows Verbs | awk '{ print $1 }'); do
  offers "$verb" lumivex-ctl ''
done
for option in $(help_rows Options | grep -oE -- '(^| )--?[a-zA-Z][a-zA-Z-]*'); do
  offers "$option" lumivex-ctl -
done
if grep -qx status <<<"$(complete_words lumivex-ctl --link '')"; then fail "a verb is offered as a link"; fi
# Once the verb is known, only the options that go with it.
offers --yes lumivex-ctl --link COM1 reset --
if grep -qx -- --yes <<<"$(complete_words lumivex-ctl --link COM1 status --)"; then fail "--yes is offered for status"; fi

cp "$staged/$plugins/libDDCHelper-sim.so" "$staged/$plugins/libDDCHelper.so"
mv "$staged" "$work/moved"
mkdir -m 700 "$work/run"
out=$(cd "$work" && env -u ZEPTA_DDCHELPER -u DISPLAY QT_QPA_PLATFORM=offscreen ZEPTA_EXIT_WHEN_SHOWN=1 \
      ZEPTA_MESSAGE_LOG="$work/messages.log" ZEPTA_SIM_LOG="$work/ddc-calls.log" \
      XDG_RUNTIME_DIR="$work/run" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
      "$work/moved/bin/lumivex" 2>"$work/stderr") || fail "lumivex failed: $(cat "$work/stderr")"
[[ $out == shown* ]] || fail "no window shown: $out"
grep -q ' InitDDCHelper' "$work/ddc-calls.log" 2>/dev/null \
  || fail "the installed plugin was not loaded (messages: $(cat "$work/messages.log" 2>/dev/null))"
if grep -q 'Error #' "$work/messages.log" 2>/dev/null; then
  fail "start-up reported: $(cat "$work/messages.log")"
fi
echo "install_test: installed copy found its plugin in $plugins"

# The Debian package, and what lintian says of it.
command -v lintian >/dev/null || fail "lintian is not installed (scripts/setup installs it)"
# A umask that lets the group write: the package's modes must not follow it.
(cd "$build" && umask 0002 && cpack -G DEB -B "$work/deb") >"$work/cpack.log" 2>&1 \
  || fail "cpack failed: $(cat "$work/cpack.log")"
debs=("$work"/deb/*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || fail "cpack made no single .deb: $(ls "$work/deb")"
contents=$(dpkg-deb -c "${debs[0]}") || fail "dpkg-deb cannot read ${debs[0]##*/}"
grep -q " \./usr/$plugins/libDDCHelper\.so$" <<<"$contents" || fail "the .deb has no /usr/$plugins/libDDCHelper.so"
odd=$(grep -vE '^(drwxr-xr-x|-rw-r--r--|-rwxr-xr-x) root/root ' <<<"$contents") || true
[[ -z $odd ]] || fail "the .deb has files of other modes or owners than 0755/0644 root: $odd"
# Every file under /etc is a conffile, and every conffile is shipped.
dpkg-deb -e "${debs[0]}" "$work/control"
etc=$(grep -oE ' \./etc/.*[^/]$' <<<"$contents" | sed 's/^ \.//' | sort)
[[ -n $etc && $etc == "$(sort "$work/control/conffiles")" ]] \
  || fail "the files under /etc (${etc//$'\n'/ }) are not the conffiles ($(cat "$work/control/conffiles"))"
for script in postinst prerm postrm; do
  [[ -x $work/control/$script ]] || fail "the .deb has no $script"
done
grep -qE '^Depends:.*dbus-system-bus' "$work/control/control" || fail "the .deb does not depend on a system bus"
# lumivexd's MQTT client and HTTP server come from the system.
for library in libmosquitto1 libqt6httpserver6; do
  grep -qE "^Depends:.*\b$library\b" "$work/control/control" || fail "the .deb does not depend on $library"
done
# Exit status 2 is an error tag found (--fail-on error); 1, lintian could
# not run.
status=0
lintian --fail-on error "${debs[0]}" >"$work/lintian.log" 2>&1 || status=$?
((status != 1)) || fail "lintian could not run: $(cat "$work/lintian.log")"
grep -E '^(W|E):' "$work/lintian.log" || true
if ((status != 0)) || grep -q '^E:' "$work/lintian.log"; then
  fail "lintian found errors in ${debs[0]##*/}"
fi
echo "install_test: lintian found no error in ${debs[0]##*/}"
