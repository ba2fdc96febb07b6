#!/usr/bin/env bash
# scripts/check-layers against small trees: a clean one passes, and every kind
# of forbidden include is reported with its file and line.
set -u
check=${1:?usage: check_layers_test.sh PATH/TO/check-layers}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$tree"/src/{core,hid,device,editing,settings,ui,controls,gallery,app/demo,app/tools,presets,cli}
printf '#include <vector>\n#include "core/param_table.h"\n' >"$tree/src/core/clean.h"
printf '#include "app/console.h"\n#include <QWidget>\n' >"$tree/src/app/window.cpp"
printf '#include "app/application.h"\n#include "app/demo/control_channel.h"\n' >"$tree/src/app/application.cpp"
printf '#include "app/application.h"\n' >"$tree/src/app/tools/render.cpp"
printf '#include "app/demo/demo_host.h"\n#include "app/console.h"\n' >"$tree/src/app/demo/channel.cpp"
printf '#include <QString>\n' >"$tree/src/ui/label.cpp"
printf '#include "ui/panel.h"\n#include <QWidget>\n' >"$tree/src/controls/knob.cpp"
printf '#include "controls/knob.h"\n#include "gallery/sample_data.h"\n' >"$tree/src/gallery/render.cpp"
"$check" "$tree" >/dev/null 2>&1 || fail "a clean tree was rejected"

printf '#include <QString>\n' >>"$tree/src/core/clean.h"
printf '\n#  include <QtCore/QObject>\n' >"$tree/src/editing/edit.cpp"
printf '#include <qglobal.h>\n' >"$tree/src/hid/raw.cpp"
printf '#include <QtWidgets>\n' >"$tree/src/device/link.h"
printf '#include "app/mini_dlg.h"\n' >"$tree/src/presets/login.cpp"
printf '#include "../app/paths.h"\n' >"$tree/src/cli/main.cpp"
printf '#include <app/control_channel.h>\n' >"$tree/src/ui/host.cpp"
printf '#include "app/console.h"\n#include "app/application.h"\n' >"$tree/src/app/dialog.cpp"
printf '#include "app/demo/simulated_device.h"\n' >"$tree/src/app/mini.cpp"
printf '#include "controls/eq_graph.h"\n' >"$tree/src/ui/loader.cpp"
printf '#include "gallery/sample_data.h"\n' >"$tree/src/app/window2.cpp"
printf '#include <string>\n#include <fstream>\n' >"$tree/src/core/file.cpp"
printf '#include <fstream>\n' >"$tree/src/settings/file.cpp"
printf '#include "app/console.h"\n#include "app/main_dlg.h"\n' >"$tree/src/app/demo/opener.cpp"
out=$("$check" "$tree" 2>&1) && fail "forbidden includes passed"
for expected in "src/core/clean.h:3" "src/editing/edit.cpp:2" "src/hid/raw.cpp:1" "src/device/link.h:1" \
                "src/presets/login.cpp:1" "src/cli/main.cpp:1" "src/ui/host.cpp:1" "src/ui/loader.cpp:1" \
                "src/app/window2.cpp:1" "src/app/dialog.cpp:2" "src/app/mini.cpp:1" "src/core/file.cpp:2" \
                "src/app/demo/opener.cpp:2"; do
  grep -qF "$expected" <<<"$out" || fail "not reported: $expected"$'\n'"$out"
done
grep -qF "src/app/demo/opener.cpp:1" <<<"$out" && fail "the demo module may include app/console.h"
grep -qF "src/app/window.cpp" <<<"$out" && fail "src/app may include itself and Qt"
for allowed in src/app/application.cpp src/app/tools/render.cpp src/app/demo/channel.cpp; do
  grep -qF "$allowed" <<<"$out" && fail "$allowed may include the application or the demo module"
done
grep -qF "src/ui/label.cpp" <<<"$out" && fail "src/ui may use Qt"
grep -qF "src/controls/knob.cpp" <<<"$out" && fail "src/controls may use the toolkit and Qt"
grep -qF "src/gallery/render.cpp" <<<"$out" && fail "src/gallery may use the controls and itself"
grep -qF "src/settings/file.cpp" <<<"$out" && fail "src/settings reads and writes files"
echo "check-layers test: ok"
