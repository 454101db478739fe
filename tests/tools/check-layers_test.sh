#!/usr/bin/env bash
# The layer check on small source trees: each row adds one include to a tree that passes and
# says whether the check must pass, or fail naming the file, the line and the include.
#   tests/tools/check-layers_test.sh tools/check-layers.sh
set -uo pipefail

check=${1:?usage: check-layers_test.sh <check-layers.sh>}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A tree where every folder includes the one just below it.
base_tree() {
  local root=$1
  mkdir -p "$root"/{platform,settings,engine,cli,widgets,pages,dialogs,wizard,shell}
  printf '#pragma once\n#include <string>\n' >"$root/platform/Paths.h"
  printf '#include "platform/Paths.h"\n' >"$root/settings/Record.h"
  printf '#include "settings/Record.h"\n#include "platform/Paths.h"\n' >"$root/engine/Run.h"
  printf '#include "engine/Run.h"\n' >"$root/cli/main.cpp"
  printf '#include <QString>\n#include "engine/Run.h"\n' >"$root/widgets/Text.h"
  printf '#include "widgets/Text.h"\n#include "Page.h"\n' >"$root/pages/Page.cpp"
  printf '#pragma once\n' >"$root/pages/Page.h"
  printf '#include "widgets/Text.h"\n' >"$root/dialogs/About.cpp"
  printf '#include "pages/Page.h"\n#include "dialogs/About.h"\n' >"$root/wizard/Wizard.cpp"
  printf '#include "wizard/Wizard.h"\n#include "pages/Page.h"\n' >"$root/shell/Frame.cpp"
}

# name | pass or fail | file (in the tree) | the line added to it | what the output must hold
rows=(
  "order/engine_includes_settings|pass|engine/Run.cpp|#include \"settings/Record.h\"|"
  "order/shell_includes_widgets|pass|shell/Frame.cpp|#include \"widgets/Text.h\"|"
  "order/wizard_includes_dialogs|pass|wizard/Wizard.cpp|#include \"dialogs/About.h\"|"
  "order/pages_include_shell|fail|pages/Page.cpp|#include \"shell/Frame.h\"|src/pages/Page.cpp:3: pages may not include shell/Frame.h"
  "order/dialogs_include_shell|fail|dialogs/About.cpp|#include \"shell/Frame.h\"|src/dialogs/About.cpp:2: dialogs may not include shell/Frame.h"
  "order/dialogs_include_pages|fail|dialogs/About.cpp|#include \"pages/Page.h\"|dialogs may not include pages/Page.h"
  "order/pages_include_wizard|fail|pages/Page.h|#include \"wizard/Wizard.h\"|src/pages/Page.h:2: pages may not include wizard/Wizard.h"
  "order/widgets_include_pages|fail|widgets/Text.h|#include \"pages/Page.h\"|widgets may not include pages/Page.h"
  "order/cli_includes_widgets|fail|cli/main.cpp|#include \"widgets/Text.h\"|cli may not include widgets/Text.h"
  "order/engine_includes_cli|fail|engine/Run.h|#include \"cli/Line.h\"|engine may not include cli/Line.h"
  "order/settings_include_engine|fail|settings/Record.h|#include \"engine/Run.h\"|settings may not include engine/Run.h"
  "order/platform_includes_settings|fail|platform/Paths.h|#include \"settings/Record.h\"|platform may not include settings/Record.h"
  "form/spaces_after_hash|fail|pages/Page.cpp|  #  include   \"shell/Frame.h\"|pages may not include shell/Frame.h"
  "form/angle_brackets_name_our_folder|fail|pages/Page.cpp|#include <shell/Frame.h>|pages may not include shell/Frame.h"
  "form/parent_path_into_shell|fail|pages/Page.cpp|#include \"../shell/Frame.h\"|pages may not include shell/Frame.h"
  "form/parent_path_back_home|pass|pages/Page.cpp|#include \"../pages/Page.h\"|"
  "form/commented_out|pass|pages/Page.cpp|// #include \"shell/Frame.h\"|"
  "form/system_header_with_folder|pass|engine/Run.h|#include <sys/stat.h>|"
  "form/absolute_paths_are_not_ours|pass|engine/Run.h|#include </usr/include/stdio.h>|"
  "form/absolute_quoted_path|pass|pages/Page.cpp|#include \"/usr/include/stdio.h\"|"
  "qt/engine_includes_qt|fail|engine/Run.h|#include <QString>|src/engine/Run.h:3: engine may not include <QString>"
  "qt/cli_includes_qt|fail|cli/main.cpp|#include <QtCore/QFile>|cli may not include <QtCore/QFile>"
  "qt/pages_include_qt|pass|pages/Page.cpp|#include <QWidget>|"
  "folder/unknown_folder|fail|tools/Helper.cpp|#include \"platform/Paths.h\"|src/tools/ has no place in the layers"
  "folder/file_outside_folders|fail|Loose.cpp|#include \"platform/Paths.h\"|src/Loose.cpp: a file outside every layer"
)

failed=0
for row in "${rows[@]}"; do
  IFS='|' read -r name expect file line wanted <<<"$row"
  tree="$work/$name/src"
  base_tree "$tree"
  mkdir -p "$(dirname "$tree/$file")"
  printf '%s\n' "$line" >>"$tree/$file"
  output=$("$check" "$tree" 2>&1)
  status=$?
  problem=""
  if [ "$expect" = pass ] && [ "$status" -ne 0 ]; then
    problem="expected a pass, got status $status"
  elif [ "$expect" = fail ] && [ "$status" -ne 1 ]; then
    problem="expected a failure (status 1), got status $status"
  elif [ -n "$wanted" ] && [[ $output != *"$wanted"* ]]; then
    problem="output lacks: $wanted"
  fi
  if [ -n "$problem" ]; then
    echo "FAILED $name: $problem"
    printf '%s\n' "$output" | sed 's/^/    /'
    failed=$((failed + 1))
  else
    echo "ok     $name"
  fi
done

# The tree every row starts from passes as it is, and a missing tree is a usage error.
base_tree "$work/clean/src"
if ! "$check" "$work/clean/src" >/dev/null 2>&1; then
  echo "FAILED base/clean_tree_passes"
  failed=$((failed + 1))
fi
"$check" "$work/none" >/dev/null 2>&1
if [ $? -ne 2 ]; then
  echo "FAILED base/missing_tree_is_a_usage_error"
  failed=$((failed + 1))
fi

if [ "$failed" -gt 0 ]; then
  echo "$failed row(s) failed"
  exit 1
fi
