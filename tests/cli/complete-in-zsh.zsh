#!/usr/bin/env zsh
# Prints the matches zsh's completion offers for a line: complete-in-zsh.zsh COMPLETIONS_DIR
# FOLDER LINE. The completion system needs a line editor, so an interactive zsh runs on a
# pseudo-terminal (zsh/zpty) with the completion system and ours loaded; compadd is wrapped to
# print every match it is given (then adds them as usual), the completion is framed by BEGIN
# and END, and the shell leaves after it, which ends the reading.
emulate -L zsh
zmodload zsh/zpty || exit 2
local completions=$1 folder=$2 line=$3 out= chunk

zpty z zsh -f -i
zpty -w z "PS1=; RPS1=; fpath=(${(q)completions} \$fpath); autoload -Uz compinit; compinit -u -D"
zpty -w z "cd ${(q)folder}"
zpty -w z 'compadd() {
  if (( ${@[(I)-[OAD]]} )); then builtin compadd "$@"; return; fi
  local -a hits
  builtin compadd -O hits "$@"
  print -rl -- ${^hits}" HIT"
  builtin compadd "$@"
}'
zpty -w z 'frame_begin() { print -r -- BEGIN }; frame_end() { print -r -- END; exit }'
zpty -w z 'compprefuncs=(frame_begin); comppostfuncs=(frame_end)'
zpty -w -n z "$line"$'\t'
while zpty -r z chunk; do out+=$chunk; done
zpty -d z
print -r -- ${out//$'\r'/} | sed -n '/BEGIN$/,/^END/s/ HIT$//p' | LC_ALL=C sort -u
