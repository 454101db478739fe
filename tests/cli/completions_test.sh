#!/usr/bin/env bash
# The shells' completions of morvanex-cli, driven as each shell drives them: bash through
# COMP_WORDS/COMP_CWORD and the registered function, fish through `complete -C`, zsh through an
# interactive shell on a pseudo-terminal (zsh/zpty). fish and zsh are tried where installed.
#   completions_test.sh MORVANEX_CLI COMPLETIONS_DIR
set -uo pipefail

cli=$1
here=$(cd "$(dirname "$0")" && pwd)
completions=$2
failures=0

fail() {
  echo "FAIL $*" >&2
  failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/files/photos" "$work/files/drafts"
ln -s "$cli" "$work/bin/morvanex-cli"
export PATH="$work/bin:$PATH"
cd "$work/files" || exit 1
touch job.mvx other.MXS notes.txt photos/x.jpg

key_count=$(morvanex-cli keys | wc -l)
[ "$key_count" -gt 100 ] || fail "keys: $key_count keys listed"

# --- bash ---------------------------------------------------------------------------------------
# shellcheck source=/dev/null
source "$completions/morvanex-cli.bash"
[ "$(complete -p morvanex-cli)" = "complete -F _morvanex_cli morvanex-cli" ] ||
  fail "bash: registered as '$(complete -p morvanex-cli 2>&1)'"

# The candidates for the words given, the last one being completed (bash splits at "=").
bash_complete() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _morvanex_cli 2>/dev/null
  printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'
}

# check NAME EXPECTED WORD... : EXPECTED is the sorted candidates, blank-separated.
check() {
  local name=$1 expected=$2
  shift 2
  local got
  got=$(bash_complete "$@")
  [ "$got" = "$expected" ] || fail "bash $name: expected '$expected', got '$got'"
}

check command/every_one "apply edit help history new preview run show undo" morvanex-cli ""
check command/by_its_beginning "preview" morvanex-cli pr
check command/after_an_option_and_its_value "preview" morvanex-cli --folder = photos pr
check options/before_the_command "--help --version" morvanex-cli --
check options/of_preview "--folder --format --help --list --quiet --set --version" \
  morvanex-cli preview job.mvx --
check options/of_run_before_the_job \
  "--folder --help --list --no-journal --quiet --set --undo-on-failure --version --yes" \
  morvanex-cli run -
check options/none_after_double_dash "" morvanex-cli run -- job.mvx -
check format/values "json text tsv" morvanex-cli preview job.mvx -f ""
check format/after_equals "json" morvanex-cli preview job.mvx --format = j
check format/right_after_equals "json text tsv" morvanex-cli preview job.mvx --format =
check folder/folders_only "drafts photos" morvanex-cli run job.mvx --folder ""
check folder/after_equals "photos" morvanex-cli run --folder = ph
check list/any_file "notes.txt" morvanex-cli run job.mvx --list no
check jobs/job_files_and_folders "drafts job.mvx other.MXS photos" morvanex-cli run ""
check jobs/after_options "job.mvx" morvanex-cli --folder = photos preview -q j
check jobs/only_one "" morvanex-cli show job.mvx ""
check jobs/new_file "drafts job.mvx other.MXS photos" morvanex-cli new ""
check jobs/none_for_history "" morvanex-cli history ""
check set/keys_with_their_sections "CommonOption.NaturalOrder=" \
  morvanex-cli preview job.mvx --set CommonOption.Nat
check set/in_any_letter_case "CommonOption.NaturalOrder=" morvanex-cli show --set commonoption.nat
check set/no_value_guessed "" morvanex-cli run job.mvx --set CommonOption.NaturalOrder = ""
check set/no_value_guessed_at_equals "" morvanex-cli run job.mvx --set CommonOption.NaturalOrder =
check help/commands "preview" morvanex-cli help pre
check apply/any_file_as_mapping "notes.txt" morvanex-cli apply no
check apply/separators ", \\; tab" morvanex-cli apply m.csv --separator ""
check apply/mapping_after_separator_value "notes.txt" morvanex-cli apply --separator ';' no
check edit/job_files_and_folders "drafts job.mvx other.MXS photos" morvanex-cli edit ""
every=$(bash_complete morvanex-cli run --set "" | wc -w)
[ "$every" -eq "$key_count" ] || fail "bash set/every_key: $every of $key_count keys offered"

# The completion knows each command's options and the program's commands as the help lists them.
help_options() {
  morvanex-cli "$1" --help | sed -nE 's/^ {2,6}(-[a-zA-Z], )?(--[a-z][a-z-]*).*/\2/p' |
    LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'
}
for command in new show preview run apply edit undo history; do
  expected=$(help_options "$command")
  got=$(bash_complete morvanex-cli "$command" --)
  [ "$got" = "$expected" ] || fail "bash $command: options '$got', the help lists '$expected'"
done
listed=$(morvanex-cli --help | sed -n '/^Commands:/,/^$/p' | sed -nE 's/^  ([a-z]+).*/\1/p' |
  LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
[ "$listed" = "$(bash_complete morvanex-cli "")" ] ||
  fail "bash: commands '$(bash_complete morvanex-cli "")', the help lists '$listed'"

# --- fish ---------------------------------------------------------------------------------------
if command -v fish >/dev/null; then
  fish_complete() {
    fish --no-config -c "source '$completions/morvanex-cli.fish'; complete -C '$1'" |
      cut -f1 | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'
  }
  fish_check() {
    local got
    got=$(fish_complete "$2")
    [ "$got" = "$3" ] || fail "fish $1: expected '$3', got '$got'"
  }
  fish -n "$completions/morvanex-cli.fish" || fail "fish: syntax"
  fish_check command/by_its_beginning "morvanex-cli pr" "preview"
  fish_check set/keys_with_their_sections "morvanex-cli preview job.mvx --set CommonOption.Nat" \
    "CommonOption.NaturalOrder="
  fish_check format/values "morvanex-cli preview job.mvx --format " "json text tsv"
  fish_check folder/folders_only "morvanex-cli run job.mvx --folder " "drafts/ photos/"
  fish_check jobs/job_files_and_folders "morvanex-cli run " "drafts/ job.mvx other.MXS photos/"
  fish_check options/of_run "morvanex-cli run job.mvx --u" "--undo-on-failure"
  fish_check options/not_of_show "morvanex-cli show job.mvx --u" ""
else
  echo "fish is not installed: its completion is not tried" >&2
fi

# --- zsh ----------------------------------------------------------------------------------------
if command -v zsh >/dev/null; then
  zsh -n "$completions/_morvanex-cli" || fail "zsh: syntax"
  zsh_complete() {
    timeout 120 zsh -f "$here/complete-in-zsh.zsh" "$completions" "$work/files" "$1" |
      tr '\n' ' ' | sed 's/ $//'
  }
  zsh_check() {
    local got
    got=$(zsh_complete "$2")
    [ "$got" = "$3" ] || fail "zsh $1: expected '$3', got '$got'"
  }
  zsh_check set/keys_with_their_sections "morvanex-cli preview job.mvx --set CommonOption.Natu" \
    "CommonOption.NaturalOrder"
  zsh_check set/in_any_letter_case "morvanex-cli show job.mvx --set=commonoption.natu" \
    "CommonOption.NaturalOrder"
  zsh_check format/values "morvanex-cli preview job.mvx --format " "json text tsv"
  zsh_check command/by_its_beginning "morvanex-cli pr" "preview"
  zsh_check jobs/job_files_and_folders "morvanex-cli run " "drafts job.mvx other.MXS photos"
else
  echo "zsh is not installed: its completion is not tried" >&2
fi

if [ $failures -gt 0 ]; then
  echo "$failures completion checks failed" >&2
  exit 1
fi
echo "completions: every check passed"
