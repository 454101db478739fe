# fish completion for morvanex-cli, installed as share/fish/vendor_completions.d/morvanex-cli.fish.
# The keys after --set come from the program itself (morvanex-cli keys).

function __morvanex_cli_operands --description 'The command and its operands given so far'
    set -l words (commandline -opc)
    set -e words[1]
    set -l skip 0
    set -l ended 0
    for word in $words
        if test $skip -eq 1
            set skip 0
        else if test $ended -eq 1
            echo $word
        else
            switch $word
                case --
                    set ended 1
                case --folder --list --set -f --format --separator
                    set skip 1
                case '-*'
                case '*'
                    echo $word
            end
        end
    end
end

function __morvanex_cli_using --description 'True when the command is one of the arguments'
    set -l operands (__morvanex_cli_operands)
    test (count $operands) -ge 1; and contains -- $operands[1] $argv
end

function __morvanex_cli_wants_command
    test (count (__morvanex_cli_operands)) -eq 0
end

function __morvanex_cli_first_operand_of --description 'True where the command, one of the arguments, has no operand yet'
    set -l operands (__morvanex_cli_operands)
    test (count $operands) -eq 1; and contains -- $operands[1] $argv
end

function __morvanex_cli_jobs --description 'Job files (*.mvx, *.mxs) and folders'
    set -l token (commandline -ct)
    # Each candidate comes as "path<TAB>description".
    for path in (__fish_complete_path $token)
        set -l name (string split -f1 \t -- $path)
        if string match -qir '\.(mvx|mxs)$' -- $name; or string match -q '*/' -- $name
            echo $path
        end
    end
end

function __morvanex_cli_keys --description 'SECTION.KEY= of every key of a job'
    set -l program (commandline -opc)[1]
    command -q $program; or return
    for key in ($program keys 2>/dev/null)
        echo $key=
    end
end

complete -c morvanex-cli -f
complete -c morvanex-cli -n __morvanex_cli_wants_command -a new -d 'Write a fresh job with every key at its default'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a show -d 'Print what a job does, or the job file'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a preview -d 'Work out every new name, touching nothing'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a run -d 'Rename (or copy) for real'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a apply -d 'Rename as a mapping file of old and new names says'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a edit -d 'Rename in a text editor, one name a line'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a undo -d 'Take back the newest run not yet undone'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a history -d 'List the kept runs'
complete -c morvanex-cli -n __morvanex_cli_wants_command -a help -d 'The help of one command'
complete -c morvanex-cli -n "__morvanex_cli_first_operand_of help" -a "new show preview run apply edit undo history"

complete -c morvanex-cli -n "__morvanex_cli_first_operand_of new show preview run edit" -a "(__morvanex_cli_jobs)"
complete -c morvanex-cli -n "__morvanex_cli_first_operand_of apply" -F

complete -c morvanex-cli -s h -l help -d 'Show the help'
complete -c morvanex-cli -s V -l version -d 'Show the version'
complete -c morvanex-cli -n "__morvanex_cli_using show" -l ini -d 'Print the job file instead of the summary'
complete -c morvanex-cli -n "__morvanex_cli_using show preview run edit" -l set -x -a "(__morvanex_cli_keys)" -d 'Set a key of the job for this command'
complete -c morvanex-cli -n "__morvanex_cli_using preview run apply edit" -l folder -x -a "(__fish_complete_directories)" -d 'Take the targets from this folder'
complete -c morvanex-cli -n "__morvanex_cli_using preview run edit" -l list -r -F -d 'Take the targets from this file'
complete -c morvanex-cli -n "__morvanex_cli_using preview apply edit" -s f -l format -x -a "text tsv json" -d 'How the rows are printed'
complete -c morvanex-cli -n "__morvanex_cli_using run apply edit undo" -s y -l yes -d 'Answer Yes (run: make missing folders; apply, edit, undo: do not ask)'
complete -c morvanex-cli -n "__morvanex_cli_using run" -l undo-on-failure -d 'Move the renamed files back when the run stops midway'
complete -c morvanex-cli -n "__morvanex_cli_using run" -l no-journal -d 'Do not record the run for undo'
complete -c morvanex-cli -n "__morvanex_cli_using apply" -l separator -x -a "';' , tab" -d 'The character between the columns'
complete -c morvanex-cli -n "__morvanex_cli_using apply" -l header -d 'Skip the first row, which names the columns'
complete -c morvanex-cli -n "__morvanex_cli_using preview run apply edit undo" -s q -l quiet -d 'No progress line'
