# bash completion for vantrel-cli                          -*- shell-script -*-

_vantrel_cli() {
  local cur prev words cword split
  _init_completion -s || return

  case $prev in
    --password-file | -o | --output)
      _filedir
      return
      ;;
    --password-fd | --block)
      return
      ;;
  esac
  $split && return

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '--password-file --password-fd --armor --escaped
      --binary --block --compatible --output --help --version' -- "$cur"))
    return
  fi

  local i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --password-file | --password-fd | --block | -o | --output) ((i++)) ;;
      -*) ;;
      *)
        _filedir  # the command is given: what follows is the input file
        return
        ;;
    esac
  done
  COMPREPLY=($(compgen -W 'encode decode' -- "$cur"))
} &&
  complete -F _vantrel_cli vantrel-cli
