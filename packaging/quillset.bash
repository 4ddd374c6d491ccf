# bash completion for quillset: its commands and their options, as "quillset --help" lists them.
_quillset() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null; then
    _init_completion || return
  else
    words=("${COMP_WORDS[@]}") cword=$COMP_CWORD cur="${COMP_WORDS[COMP_CWORD]}"
  fi
  local sub="" i
  for ((i = 1; i < cword; i++)); do
    case "${words[i]}" in
      -*) ;;
      *) sub="${words[i]}"; break ;;
    esac
  done
  if [ -z "$sub" ]; then
    local subs
    subs="$("${words[0]}" --help 2>/dev/null | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1 }')"
    mapfile -t COMPREPLY < <(compgen -W "$subs" -- "$cur")
    return
  fi
  if [[ "$cur" == -* ]]; then
    local opts
    opts="$("${words[0]}" "$sub" --help 2>/dev/null | grep -oE '(^|[ ,])--?[A-Za-z][-A-Za-z]*' | tr -d ' ,')"
    mapfile -t COMPREPLY < <(compgen -W "$opts" -- "$cur")
    return
  fi
  if declare -F _filedir >/dev/null; then
    if [ "$sub" = init ]; then _filedir -d; else _filedir; fi
  else
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}
complete -F _quillset quillset
