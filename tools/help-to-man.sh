#!/usr/bin/env bash
# Writes the manual page of morvanex-cli from its --help text: help-to-man.sh CLI VERSION > morvanex-cli.1
set -euo pipefail
cli=$1
version=$2
echo ".TH MORVANEX-CLI 1 \"\" \"MorvaneX $version\" \"User Commands\""
echo ".SH NAME"
echo "morvanex-cli \\- rename many files at once as a MorvaneX job file describes"
echo ".SH DESCRIPTION"
echo ".nf"
# Lines starting with a dot or a quote would be read as requests; backslashes escaped.
"$cli" --help | sed -e 's/\\/\\e/g' -e 's/^\([.'"'"']\)/\\\&\1/'
echo ".fi"
echo ".SH FILES"
echo ".TP"
echo ".I \$XDG_STATE_HOME/morvanex/"
echo "The journals of the last runs, which undo takes back, and the key that checks them (default:"
echo ".local/state/morvanex/ in the home folder of the password entry)."
echo ".SH SEE ALSO"
echo ".BR morvanex (1)"
