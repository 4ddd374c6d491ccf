# bash completion for quillset: its commands and their options, as "quillset --help" lists them.
_quillset() {
  local cur prev words cword
  _init_completion || return
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
  case "$sub" in
    init) _filedir -d ;;
    *) _filedir ;;
  esac
}
complete -F _quillset quillset
