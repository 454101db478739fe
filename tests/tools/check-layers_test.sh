#!/usr/bin/env bash
# The layer check on a small project built by the real compiler with the real layer rules
# (cmake/MorvanexLayers.cmake): each row changes a tree that passes and says whether the check
# must pass, or fail with a given text. The tree is built once; each row's change is built,
# checked and taken back (what it touched gets the pristine bytes again, with a new time, so the
# next build compiles it anew).
#   tests/tools/check-layers_test.sh SOURCE_ROOT
set -uo pipefail

root=$(cd "${1:?usage: check-layers_test.sh SOURCE_ROOT}" && pwd)
check=$root/tools/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
project=$work/project
tree=$project/src
build=$work/build

# Every folder of the layers, a source and a header in each, each including the layer below. Each
# header names itself: GCC takes two headers of the same bytes and time, both under #pragma once,
# for one file and opens the second not at all.
base_tree() {
  rm -rf "$project"
  mkdir -p "$tree"/{platform,settings,engine/journal,engine,cli,widgets,pages,dialogs,wizard,shell}
  cat >"$project/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.25)
project(LayerRows LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Qt6 COMPONENTS Widgets REQUIRED)
set(MORVANEX_WITH_QT ON)
include($root/cmake/MorvanexLayers.cmake)
morvanex_layers(SOURCE_DIR \${CMAKE_SOURCE_DIR}/src ROWS
  "platform        core"
  "settings        core  platform"
  "engine/journal  core  settings"
  "engine          core  engine/journal"
  "cli             core  engine"
  "widgets         qt    engine"
  "pages           qt    widgets"
  "dialogs         qt    widgets"
  "wizard          qt    pages dialogs"
  "shell           qt    wizard")
add_executable(cli-main src/cli/main.cpp)
target_link_libraries(cli-main PRIVATE morvanex_cli)
morvanex_layer_program(cli cli-main)
include(\${CMAKE_SOURCE_DIR}/row.cmake)
EOF
  : >"$project/row.cmake"
  printf '#pragma once\n// platform/Paths.h\ninline int Path() { return 1; }\n' >"$tree/platform/Paths.h"
  printf '#include "platform/Paths.h"\nint Platform() { return Path(); }\n' >"$tree/platform/Paths.cpp"
  printf '#pragma once\n// settings/Record.h\n#include "platform/Paths.h"\n' >"$tree/settings/Record.h"
  printf '#include "settings/Record.h"\nint Settings() { return 2; }\n' >"$tree/settings/Record.cpp"
  printf '#pragma once\n// engine/journal/Journal.h\n#include "settings/Record.h"\n' >"$tree/engine/journal/Journal.h"
  printf '#include "engine/journal/Journal.h"\nint Journal() { return 3; }\n' \
    >"$tree/engine/journal/Journal.cpp"
  printf '#pragma once\n// engine/Run.h\n#include "engine/journal/Journal.h"\n' >"$tree/engine/Run.h"
  printf '#include "engine/Run.h"\nint Run() { return 4; }\n' >"$tree/engine/Run.cpp"
  printf '#pragma once\n// cli/Line.h\n#include "engine/Run.h"\n' >"$tree/cli/Line.h"
  printf '#include "cli/Line.h"\nint Line() { return 5; }\n' >"$tree/cli/Line.cpp"
  printf '#include "cli/Line.h"\nint main() { return 0; }\n' >"$tree/cli/main.cpp"
  printf '#pragma once\n// widgets/Text.h\n#include "engine/Run.h"\n' >"$tree/widgets/Text.h"
  printf '#include "widgets/Text.h"\nint Text() { return 6; }\n' >"$tree/widgets/Text.cpp"
  printf '#pragma once\n// pages/Page.h\n#include "widgets/Text.h"\n' >"$tree/pages/Page.h"
  printf '#include "pages/Page.h"\nint Page() { return 7; }\n' >"$tree/pages/Page.cpp"
  printf '#pragma once\n// dialogs/About.h\n#include "widgets/Text.h"\n' >"$tree/dialogs/About.h"
  printf '#include "dialogs/About.h"\nint About() { return 8; }\n' >"$tree/dialogs/About.cpp"
  printf '#pragma once\n// wizard/Wizard.h\n#include "pages/Page.h"\n#include "dialogs/About.h"\n' >"$tree/wizard/Wizard.h"
  printf '#include "wizard/Wizard.h"\nint Wizard() { return 9; }\n' >"$tree/wizard/Wizard.cpp"
  printf '#pragma once\n// shell/MainView.h\n#include "wizard/Wizard.h"\n' >"$tree/shell/MainView.h"
  printf '#include "shell/MainView.h"\nint MainView() { return 10; }\n' >"$tree/shell/MainView.cpp"
}

# A row's change: "append FILE TEXT" adds TEXT as the last lines of FILE (made when missing),
# "link FILE TARGET" makes FILE a symbolic link, "cmake TEXT" adds CMake lines to the project.
# Several changes are separated by " && ".
touched=()
apply() {
  local change
  while IFS= read -r -d $'\x1e' change; do
    local verb=${change%% *}
    local rest=${change#* }
    case $verb in
      append)
        local file=src/${rest%% *}
        mkdir -p "$(dirname "$project/$file")"
        printf '%b\n' "${rest#* }" >>"$project/$file"
        touched+=("$file")
        ;;
      link)
        local file=src/${rest%% *}
        mkdir -p "$(dirname "$project/$file")"
        ln -s "${rest#* }" "$project/$file"
        touched+=("$file")
        ;;
      cmake)
        printf '%b\n' "$rest" >>"$project/row.cmake"
        touched+=(row.cmake)
        ;;
      *) echo "bad change: $change" >&2; return 1 ;;
    esac
  done < <(printf '%s' "$1" | sed 's/ && /\x1e/g'; printf '\x1e')
}

# Every file the row touched as it was, or gone when the row made it.
undo() {
  local file
  for file in "${touched[@]}"; do
    rm -f "$project/$file"
    [ -e "$pristine/$file" ] && cp "$pristine/$file" "$project/$file"
  done
  find "$tree" -depth -type d -empty -delete
  touched=()
}

# name | pass or fail | the change | what the check's output must hold (the Qt rows include small
# headers of Qt's: which header does not matter, where it lies does)
rows=(
  "order/base_tree|pass||"
  "order/engine_includes_its_journal_folder|pass|append engine/Run.cpp #include \"engine/journal/Journal.h\"|"
  "order/shell_includes_widgets|pass|append shell/MainView.cpp #include \"widgets/Text.h\"|"
  "order/wizard_includes_dialogs|pass|append wizard/Wizard.cpp #include \"dialogs/About.h\"|"
  "order/pages_include_shell|fail|append pages/Page.cpp #include \"shell/MainView.h\"|src/pages/Page.cpp: pages may not include src/shell/MainView.h (shell)"
  "order/dialogs_include_pages|fail|append dialogs/About.cpp #include \"pages/Page.h\"|src/dialogs/About.cpp: dialogs may not include src/pages/Page.h (pages)"
  "order/widgets_include_pages|fail|append widgets/Text.h #include \"pages/Page.h\"|src/widgets/Text.h (compiled on its own): widgets may not include src/pages/Page.h"
  "order/cli_includes_widgets|fail|append cli/main.cpp #include \"widgets/Text.h\"|src/cli/main.cpp: cli may not include src/widgets/Text.h"
  "order/engine_includes_cli|fail|append engine/Run.cpp #include \"cli/Line.h\"|src/engine/Run.cpp: engine may not include src/cli/Line.h (cli)"
  "order/journal_includes_the_engine_above|fail|append engine/journal/Journal.cpp #include \"engine/Run.h\"|src/engine/journal/Journal.cpp: engine/journal may not include src/engine/Run.h (engine)"
  "order/platform_includes_settings|fail|append platform/Paths.cpp #include \"settings/Record.h\"|src/platform/Paths.cpp: platform may not include src/settings/Record.h"
  "form/parent_path_into_shell|fail|append pages/Page.cpp #include \"widgets/../shell/MainView.h\"|src/pages/Page.cpp: pages may not include src/shell/MainView.h"
  "form/parent_path_back_home|pass|append pages/Page.cpp #include \"../pages/Page.h\"|"
  "form/line_split_by_backslash|fail|append pages/Page.cpp #inc\\\\\\nlude \"shell/MainView.h\"|src/pages/Page.cpp: pages may not include src/shell/MainView.h"
  "form/comment_before_the_hash|fail|append pages/Page.cpp /**/#include \"shell/MainView.h\"|src/pages/Page.cpp: pages may not include src/shell/MainView.h"
  "form/macro_include|fail|append pages/Page.cpp #define VIEW \"shell/MainView.h\"\\n#include VIEW|src/pages/Page.cpp: pages may not include src/shell/MainView.h"
  "form/commented_out|pass|append pages/Page.cpp // #include \"shell/MainView.h\"\\n/* #include \"shell/MainView.h\" */|"
  "form/symbolic_link_into_shell|fail|link pages/View.h ../shell/MainView.h && append pages/Page.cpp #include \"pages/View.h\"|src/pages/Page.cpp: pages may not include src/shell/MainView.h"
  "header/hpp_included_by_a_page|fail|append pages/Helper.hpp #pragma once\\n#include \"shell/MainView.h\" && append pages/Page.cpp #include \"pages/Helper.hpp\"|src/pages/Page.cpp: pages may not include src/shell/MainView.h"
  "header/hpp_included_by_nothing|fail|append pages/Alone.hpp #pragma once\\n#include \"shell/MainView.h\"|src/pages/Alone.hpp (compiled on its own): pages may not include src/shell/MainView.h"
  "header/h_included_by_nothing|fail|append dialogs/Alone.h #pragma once\\n#include \"pages/Page.h\"|src/dialogs/Alone.h (compiled on its own): dialogs may not include src/pages/Page.h"
  "qt/pages_include_qt|pass|append pages/Page.cpp #include <QtCoreVersion>|"
  "qt/engine_given_qt_by_cmake|fail|cmake target_link_libraries(morvanex_engine PUBLIC Qt6::Core) && append engine/Run.cpp #include <QtCoreVersion>|src/engine/Run.cpp: engine may not include Qt ("
  "qt/lower_case_name|fail|cmake target_link_libraries(morvanex_engine PUBLIC Qt6::Core) && append engine/Run.cpp #include <qtcoreversion.h>|src/engine/Run.cpp: engine may not include Qt ("
  "qt/cli_header_given_qt_by_cmake|fail|cmake target_link_libraries(morvanex_cli PUBLIC Qt6::Core) && append cli/Line.h #include <QtCore/qtcore-config.h>|src/cli/Line.h (compiled on its own): cli may not include Qt ("
  "folder/folder_without_a_row|fail|append tools/Helper.cpp int Helper() { return 0; }|src/tools/ has no place in the layers"
  "folder/sub_folder_is_its_folders_layer|pass|append engine/plan/Plan.h #pragma once\\n#include \"engine/Run.h\" && append engine/plan/Plan.cpp #include \"engine/plan/Plan.h\" && append engine/Run.cpp #include \"engine/plan/Plan.h\"|"
  "folder/sub_folder_source_built_as_its_layer|fail|append engine/plan/Plan.cpp #include \"cli/Line.h\"|src/engine/plan/Plan.cpp: engine may not include src/cli/Line.h (cli)"
  "folder/sub_folder_header_compiled_alone|fail|append engine/plan/Plan.h #pragma once\\n#include \"widgets/Text.h\"|src/engine/plan/Plan.h (compiled on its own): engine may not include src/widgets/Text.h"
  "folder/sub_folder_with_a_row_is_its_own_layer|fail|append engine/journal/Extra.cpp #include \"engine/Run.h\"|src/engine/journal/Extra.cpp: engine/journal may not include src/engine/Run.h (engine)"
  "folder/file_outside_the_folders|fail|append Loose.h #pragma once|src/: files outside every layer folder"
)

failed=0
run() {
  "$@" >"$work/log" 2>&1
}
base_tree
pristine=$work/pristine
cp -a "$project" "$pristine"
if ! run cmake -S "$project" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug; then
  echo "FAILED the project did not configure:"
  cat "$work/log"
  exit 1
fi
for row in "${rows[@]}"; do
  IFS='|' read -r name expect change wanted <<<"$row"
  problem=""
  output=""
  if [ -n "$change" ] && ! apply "$change"; then
    problem="the row's change could not be made"
  elif ! run cmake --build "$build"; then
    problem="the project did not build: $(tail -n 20 "$work/log")"
  else
    output=$("$check" "$build" 2>&1)
    status=$?
    if [ "$expect" = pass ] && [ "$status" -ne 0 ]; then
      problem="expected a pass, got status $status"
    elif [ "$expect" = fail ] && [ "$status" -ne 1 ]; then
      problem="expected a failure (status 1), got status $status"
    elif [ -n "$wanted" ] && [[ $output != *"$wanted"* ]]; then
      problem="output lacks: $wanted"
    fi
  fi
  if [ -n "$problem" ]; then
    echo "FAILED $name: $problem"
    printf '%s\n' "$output" | sed 's/^/    /'
    failed=$((failed + 1))
  else
    echo "ok     $name"
  fi
  undo
done

# A build the check cannot read is a usage error, not a pass: no build, and a source changed
# since it was built.
"$check" "$work/none" >/dev/null 2>&1
if [ $? -ne 2 ]; then
  echo "FAILED usage/no_build_folder"
  failed=$((failed + 1))
fi
run cmake --build "$build"
touch -d '+1 minute' "$tree/pages/Page.h"
"$check" "$build" >/dev/null 2>&1
if [ $? -ne 2 ]; then
  echo "FAILED usage/changed_since_the_build"
  failed=$((failed + 1))
fi

if [ "$failed" -gt 0 ]; then
  echo "$failed row(s) failed"
  exit 1
fi
