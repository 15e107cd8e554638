#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere,
# and starts the installed lumivex with no ZEPTA_DDCHELPER: it must find the
# plugin in its own library folder. The simulated plugin stands in under the
# real plugin's name, so its call log proves which file was loaded.
#   install_test.sh BUILD_DIR PLUGIN_DIR_UNDER_PREFIX
set -euo pipefail
build=$1 plugins=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/staged" >/dev/null
for f in bin/lumivex bin/zepta-sim "$plugins/libDDCHelper.so" "$plugins/libDDCHelper-sim.so" \
         share/applications/lumivex.desktop share/icons/hicolor/64x64/apps/lumivex.png; do
  [[ -f "$work/staged/$f" ]] || fail "not installed: $f"
done
for page in lumivex zepta-sim; do
  gzip -t "$work/staged/share/man/man1/$page.1.gz" 2>/dev/null || fail "no gzipped man page: $page.1.gz"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/staged/share/applications/lumivex.desktop"
fi

cp "$work/staged/$plugins/libDDCHelper-sim.so" "$work/staged/$plugins/libDDCHelper.so"
mv "$work/staged" "$work/moved"
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
